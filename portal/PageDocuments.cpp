#include "portal/PageDocuments.h"

#include <array>
#include <cstdio>
#include <functional>

#include "platform/core/Text.h"
#include "protocol/ServiceContract.h"

namespace PageDocuments {
namespace {

namespace C = ReplyColumn;

bool IsGbkLead(unsigned char c) {
    return c >= 0x81 && c <= 0xFE;
}
bool IsGbkTrail(unsigned char c) {
    return c >= 0x40 && c <= 0xFE && c != 0x7F;
}

// Runs `row` once per row, first to last.
void ForEachRow(RecordSet& set, const std::function<void()>& row) {
    if (!set.MoveFirst()) {
        return;
    }
    do {
        row();
    } while (set.MoveNext());
}

RecordSet* First(const RecordSetList& sets) {
    return sets.empty() ? nullptr : sets.front().get();
}

bool TagIs(const RecordSet& set, std::string_view tag) {
    return EqualsNoCase(set.Tag(), tag);
}

// Drops the comma after the last item of an item list.
void CloseItems(std::string& doc) {
    if (!doc.empty() && doc.back() == ',') {
        doc.pop_back();
    }
    doc += "]}";
}

std::string Field(RecordSet& set, std::string_view column) {
    return JsonValue(set.Value(column));
}

std::string Link(std::string_view query, std::string_view id) {
    std::string link(kLinkPrefix);
    link += query;
    link += JsonValue(id);
    return link;
}

// One "caption/author/time/url" item of the news lists.
void AppendNewsItem(std::string& doc, RecordSet& set, const std::string& caption,
                    const std::string& url) {
    doc += "{\"caption\":\"" + caption;
    doc += "\",\"author\":\"" + Field(set, "usr_vuser_truen");
    doc += "\",\"time\":\"" + JsonValue(DateText(set.Value(C::kInsertDate)));
    doc += "\",\"url\":\"" + url + "\"},";
}

struct ListKind {
    std::string_view tag;
    std::string_view newsQuery;
    std::string_view emptyTitle;
    std::string_view columnTitleUtf8;  // empty: none, or the menu name for menunews
    std::string_view columnTag;        // empty: the column list stays empty
};

const ListKind kListKinds[] = {
    {ReplyTag::kMore2, "?fid=1&prdid=", "--", "最新更新", ReplyTag::kMoreColumns},
    {ReplyTag::kMore3, "?fid=1&prdid=", "            ", "推荐阅读", ReplyTag::kMoreColumns},
    {ReplyTag::kMore4, "?fid=1&prdid=", "          ", "我的最爱", ReplyTag::kFavouriteColumns},
    {ReplyTag::kMore1, "?prdid=", "           ", "财经点评", {}},
    {ReplyTag::kMenuNews, "?prdid=", "           ", {}, ReplyTag::kMoreColumns},
};

}  // namespace

std::string JsonValue(std::string_view gbk) {
    std::string out;
    out.reserve(gbk.size());
    for (size_t i = 0; i < gbk.size(); ++i) {
        const auto c = static_cast<unsigned char>(gbk[i]);
        if (IsGbkLead(c) && i + 1 < gbk.size() &&
            IsGbkTrail(static_cast<unsigned char>(gbk[i + 1]))) {
            out += gbk.substr(i, 2);
            ++i;
        } else if (IsGbkLead(c)) {
            // A lead byte without its second byte would pair with the escape we add next
            // (0x5C is a valid second byte) and swallow it; it is no character anyway.
            out += '?';
        } else if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            switch (c) {
                case '\n':
                    out += "\\n";
                    break;
                case '\r':
                    out += "\\r";
                    break;
                case '\t':
                    out += "\\t";
                    break;
                default: {
                    char buf[8];
                    std::snprintf(buf, sizeof buf, "\\u%04x", c);
                    out += buf;
                }
            }
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

std::string TitleText(std::string_view title) {
    static const std::string kMark = vq::Gbk("“");
    std::string out;
    out.reserve(title.size());
    for (size_t i = 0; i < title.size(); ++i) {
        const auto c = static_cast<unsigned char>(title[i]);
        if (IsGbkLead(c) && i + 1 < title.size() &&
            IsGbkTrail(static_cast<unsigned char>(title[i + 1]))) {
            out += title.substr(i, 2);
            ++i;
        } else if (c == '"') {
            out += kMark;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

std::string DateText(std::string_view date) {
    constexpr size_t kCut = 13;
    if (date.size() < kCut) {
        return std::string(date);
    }
    return std::string(date.substr(0, date.size() - kCut));
}

const std::string& HomeTemplate() {
    static const std::string kTemplate = [] {
        static const char* const kGroups[] = {"post", "lupdate", "reread", "mylove"};
        std::string t = "{";
        for (int g = 0; g < 4; ++g) {
            t += g == 0 ? "\"" : "],\"";
            t += kGroups[g];
            t += "\":[";
            for (int k = 1; k <= 6; ++k) {
                const std::string i = std::to_string(g * 6 + k);
                if (k > 1) {
                    t += ",";
                }
                t += "{\"title\":\"@@" + i + "t@@\",\"time\":\"@@" + i + "d@@\",\"url\":\"@@" + i +
                     "u@@\"}";
            }
        }
        t += "]}";
        return t;
    }();
    return kTemplate;
}

std::optional<std::string> BuildHome(const RecordSetList& sets) {
    if (First(sets) == nullptr) {
        return std::nullopt;
    }
    struct Slot {
        std::string url, title, date;
    };
    std::array<Slot, 24> slots;
    static constexpr std::string_view kTags[] = {ReplyTag::kHome1, ReplyTag::kHome2,
                                                 ReplyTag::kHome3, ReplyTag::kHome4};
    for (size_t section = 0; section < 4; ++section) {
        RecordSet* set = FindRecordSet(sets, kTags[section]);
        if (set == nullptr || !set->MoveFirst()) {
            continue;
        }
        for (size_t k = 0; k < 6; ++k) {
            Slot& slot = slots[section * 6 + k];
            slot.url = "prdid=" + set->Value(C::kNewsId);
            std::string title = TitleText(set->Value(C::kNewsTitle));
            if (section > 0) {
                std::string label = set->Value(C::kColumnName);
                if (label.empty()) {
                    label = set->Value("prd_menu_name");
                }
                title = "[" + label + "]" + title;
            }
            slot.title = std::move(title);
            slot.date = DateText(set->Value(C::kInsertDate));
            if (!set->MoveNext()) {
                break;
            }
        }
    }
    // The template's markers are filled in one pass, so a value that happens to contain a
    // marker text is never itself replaced.
    const std::string& t = HomeTemplate();
    std::string doc;
    doc.reserve(t.size() + 1024);
    size_t pos = 0;
    while (pos < t.size()) {
        const size_t open = t.find("@@", pos);
        if (open == std::string::npos) {
            doc.append(t, pos, std::string::npos);
            break;
        }
        const size_t close = t.find("@@", open + 2);
        doc.append(t, pos, open - pos);
        const std::string_view marker(t.data() + open + 2, close - open - 2);
        const int index = std::stoi(std::string(marker.substr(0, marker.size() - 1))) - 1;
        const Slot& slot = slots[static_cast<size_t>(index)];
        switch (marker.back()) {
            case 'u':
                doc += JsonValue(slot.url);
                break;
            case 'd':
                doc += JsonValue(slot.date);
                break;
            default:
                doc += JsonValue(slot.title);
        }
        pos = close + 2;
    }
    return doc;
}

std::optional<ListDocuments> BuildListPage(const RecordSetList& sets) {
    RecordSet* news = First(sets);
    if (news == nullptr) {
        return std::nullopt;
    }
    const ListKind* kind = nullptr;
    for (const ListKind& k : kListKinds) {
        if (TagIs(*news, k.tag)) {
            kind = &k;
        }
    }
    if (kind == nullptr) {
        return std::nullopt;
    }
    ListDocuments out;
    std::string lastMenuName;
    std::string& list = out.list;
    list = "{\"title\":\"        \",\"sites\":[";
    int rows = 0;
    ForEachRow(*news, [&] {
        ++rows;
        lastMenuName = news->Value("prd_menu_name");
        const std::string caption = "[" + JsonValue(news->Value(C::kMenuName)) + "]" +
                                    JsonValue(TitleText(news->Value(C::kNewsTitle)));
        AppendNewsItem(list, *news, caption, Link(kind->newsQuery, news->Value(C::kNewsId)));
    });
    if (rows == 0) {
        list = "{\"title\":\"" + std::string(kind->emptyTitle) + "\",\"sites\":[" +
               "{\"caption\":\"\",\"author\":\" \",\"time\":\"\",\"url\":\"\"}";
    }
    CloseItems(list);

    const std::string title =
        kind->columnTitleUtf8.empty() ? JsonValue(lastMenuName) : vq::Gbk(kind->columnTitleUtf8);
    std::string& col = out.columns;
    col = "{\"title\":\"" + title + "\",\"col\":[";
    RecordSet* columns = sets.size() > 1 ? sets[1].get() : nullptr;
    if (!kind->columnTag.empty() && columns != nullptr && TagIs(*columns, kind->columnTag)) {
        static const std::string kBoardColumn = vq::Gbk("我的留言");
        const bool menuNews = TagIs(*news, ReplyTag::kMenuNews);
        ForEachRow(*columns, [&] {
            const std::string name = columns->Value(C::kColumnName);
            const std::string_view query =
                menuNews && name == kBoardColumn ? "?fid=1&fworid=" : "?fid=1&sid=";
            col += "{\"title\":\"" + JsonValue(name) + "\",\"url\":\"" +
                   Link(query, columns->Value(C::kColumnId)) + "\"},";
        });
    }
    CloseItems(col);
    return out;
}

// The document of an empty column or board list: one blank item, so the page draws its frame.
constexpr std::string_view kEmptyTypedList =
    "{\"title\":\"\",\"sites\":[{\"caption\":\"\",\"author\":\"\",\"time\":\"\",\"type\":"
    "\"\",\"url\":\"\"}]}";

std::optional<std::string> BuildColumnNews(const RecordSetList& sets) {
    RecordSet* set = First(sets);
    if (set == nullptr || !TagIs(*set, ReplyTag::kColumnNews)) {
        return std::nullopt;
    }
    if (set->RowCount() <= 0) {
        return std::string(kEmptyTypedList);
    }
    std::string doc = "{\"title\":\"          \",\"sites\":[";
    ForEachRow(*set, [&] {
        AppendNewsItem(doc, *set, JsonValue(TitleText(set->Value(C::kNewsTitle))),
                       Link("?fid=1&prdid=", set->Value(C::kNewsId)));
    });
    CloseItems(doc);
    return doc;
}

std::optional<std::string> BuildSearch(const RecordSetList& sets) {
    RecordSet* set = First(sets);
    if (set == nullptr ||
        !(TagIs(*set, ReplyTag::kSearchByStock) || TagIs(*set, ReplyTag::kSearchInTitles) ||
          TagIs(*set, ReplyTag::kSearchInText) || TagIs(*set, ReplyTag::kSearchByAuthor))) {
        return std::nullopt;
    }
    std::string doc = "{\"title\":\"" + vq::Gbk("搜索内容") + "\",\"sites\":[";
    if (set->RowCount() <= 0) {
        doc +=
            "{\"caption\":\"\",\"author\":\"\",\"time\":\"\",\"url\":\"\"},{\"caption\":\"\","
            "\"author\":\"\",\"time\":\"\",\"url\":\"\"}]}";
        return doc;
    }
    ForEachRow(*set, [&] {
        AppendNewsItem(doc, *set, JsonValue(TitleText(set->Value(C::kNewsTitle))),
                       " " + Link("?prdid=", set->Value(C::kNewsId)));
    });
    CloseItems(doc);
    return doc;
}

std::optional<std::string> BuildBoardList(const RecordSetList& sets) {
    RecordSet* set = First(sets);
    if (set == nullptr || !TagIs(*set, ReplyTag::kBoardList)) {
        return std::nullopt;
    }
    if (set->RowCount() <= 0) {
        return std::string(kEmptyTypedList);
    }
    std::string doc = "{\"title\":\"        \",\"sites\":[";
    ForEachRow(*set, [&] {
        doc += "{\"caption\":\"" + Field(*set, C::kMessageTitle);
        doc += "\",\"author\":\"" + Field(*set, "usr_vuser_truen");
        doc += "\",\"time\":\"" + JsonValue(DateText(set->Value("insertdate")));
        doc += "\",\"type\":\"" + Field(*set, C::kMsgState);
        doc += "\",\"url\":\"" + Link("?fid=1&msgid=", set->Value(C::kMessageId)) + "\"},";
    });
    CloseItems(doc);
    return doc;
}

std::optional<std::string> BuildMenu(const RecordSetList& sets) {
    RecordSet* set = First(sets);
    if (set == nullptr || !TagIs(*set, ReplyTag::kMenu)) {
        return std::nullopt;
    }
    std::string doc =
        "{\"col\":[{\"title\":\"" + vq::Gbk("首页") + "\",\"url\":\"newlist.html_flaid=100&\"},";
    ForEachRow(*set, [&] {
        const std::string target = set->Value(C::kIsUsed) == "1"
                                       ? set->Value(C::kMenuLink)
                                       : "newlist.html_flaid=" + set->Value(C::kMenuId);
        doc += "{\"title\":\"" + Field(*set, C::kMenuName) + "\",\"url\":\"" + JsonValue(target) +
               "&\"},";
    });
    CloseItems(doc);
    return doc;
}

std::optional<std::string> BuildPictureStrip(const RecordSetList& sets) {
    RecordSet* set = First(sets);
    if (set == nullptr || !TagIs(*set, ReplyTag::kImages)) {
        return std::nullopt;
    }
    if (set->RowCount() <= 0) {
        return std::string();
    }
    const auto apostrophes = [](std::string v) {
        for (char& c : v) {
            if (c == '"') {
                c = '\'';
            }
        }
        return JsonValue(v);
    };
    std::string doc = "{\"img\":[";
    ForEachRow(*set, [&] {
        doc += "{\"src\":\"" + apostrophes(set->Value(C::kPhotoUrl)) + "\",\"url\":\"" +
               apostrophes(set->Value(C::kTextUrl)) + "\"},";
    });
    CloseItems(doc);
    return doc;
}

std::string SignOnDocument() {
    return "{\"loginUserType\":\"0\"}";
}

std::string LoginNameDocument(std::string_view trueName) {
    return "{\"loginName\":\"" + JsonValue(trueName) + "\"}";
}

}  // namespace PageDocuments
