#include "service/ServiceHandler.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <initializer_list>

#include "platform/core/Text.h"
#include "protocol/Crypto.h"
#include "protocol/RecordSetWriter.h"
#include "protocol/ServiceContract.h"
#include "protocol/ServiceRequest.h"
#include "service/Pictures.h"

namespace vqsvc {

namespace {

namespace Col = ReplyColumn;

// Column names that the contract gives only in lower case.
constexpr std::string_view kAuthorColumn = "usr_vuser_truen";
constexpr std::string_view kMenuNameLower = "prd_menu_name";
constexpr std::string_view kMenuIdLower = "prd_menu_id";
constexpr std::string_view kInsertDateLower = "insertdate";
constexpr std::string_view kNewsIdLower = "prd_news_id";
constexpr std::string_view kNewsTitleLower = "prd_news_title";
constexpr std::string_view kUserIdUpper = "USR_VIRUSER_ID";
constexpr std::string_view kUserTypeLower = "usr_viruser_typ";
constexpr std::string_view kErrorText = "ER_Msg";

constexpr int kListLimit = 100;
constexpr int kHomeCount = 6;
constexpr int kMaxHomeCount = 20;
constexpr int kChatLimit = 50;
constexpr int kAlertLimit = 20;  // the client remembers 20 article ids
constexpr size_t kMaxChatBytes = 4000;
constexpr size_t kMaxBoardTitleBytes = 255;
constexpr size_t kMaxBoardTextBytes = 4000;
constexpr size_t kMaxFormFieldBytes = 64;
constexpr size_t kMaxRemarkBytes = 4000;
constexpr size_t kMaxSearchBytes = 100;
constexpr size_t kRecentKeyLimit = 4096;
constexpr int64_t kHomeMenu = 9;

// One reply table; values are UTF-8 and become GBK here, the one place where the
// service's texts meet the wire.
class ReplyTable {
public:
    ReplyTable(std::string_view tag, std::initializer_list<std::string_view> columns)
        : writer_(tag) {
        for (std::string_view c : columns) {
            writer_.AddColumn(c, kTypeText);
            names_.push_back(c);
        }
        count_ = columns.size();
    }
    ReplyTable& Row(std::initializer_list<std::string_view> values) {
        writer_.AddRow();
        int i = 0;
        for (std::string_view v : values) {
            if (static_cast<size_t>(i) >= count_)
                break;
            writer_.SetText(i++, vq::Utf8ToGbk(v));
        }
        return *this;
    }
    void AppendTo(ReplyBody& body) const {
        size_t start = body.size();
        writer_.AppendTo(body);
        // The name field holds 16 bytes and a name of 16 characters (EB_SESSION_VALUE)
        // fills it without a NUL, which the decoder accepts; the writer stops at 15.
        constexpr size_t kFirstDescriptor = 20, kDescriptorSize = 60, kNameField = 16;
        for (size_t i = 0; i < names_.size(); ++i) {
            if (names_[i].size() == kNameField) {
                std::memcpy(body.data() + start + kFirstDescriptor + i * kDescriptorSize,
                            names_[i].data(), kNameField);
            }
        }
    }
    ReplyBody Finish() const {
        ReplyBody body;
        AppendTo(body);
        return body;
    }

private:
    RecordSetWriter writer_;
    std::vector<std::string_view> names_;
    size_t count_ = 0;
};

ReplyBody Outcome(std::string_view tag, bool ok, std::string_view why = {}) {
    return ReplyTable(tag, {Col::kResult, kErrorText}).Row({ok ? "1" : "0", why}).Finish();
}

std::string FormatDate(int64_t epoch, const char* tail) {
    time_t t = static_cast<time_t>(epoch + kBranchUtcOffset);
    struct tm tm {};
    gmtime_r(&t, &tm);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d%s", tm.tm_year + 1900,
                  tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, tail);
    return buf;
}

std::string Num(int64_t v) {
    return std::to_string(v);
}

// Wire texts are GBK; the store keeps UTF-8.
std::string FromWire(std::string_view gbk) {
    return vq::GbkToUtf8(gbk);
}

// Text of an article for a pop-up: tags dropped, blanks folded, cut on a
// character boundary.
std::string PlainExcerpt(std::string_view html, size_t maxBytes) {
    std::string out;
    bool inTag = false;
    for (char c : html) {
        if (c == '<') {
            inTag = true;
        } else if (c == '>') {
            inTag = false;
            if (!out.empty() && out.back() != ' ')
                out += ' ';
        } else if (!inTag) {
            if (c == '\n' || c == '\r' || c == '\t')
                c = ' ';
            if (c == ' ' && (out.empty() || out.back() == ' '))
                continue;
            out += c;
        }
        if (out.size() >= maxBytes)
            break;
    }
    size_t cut = std::min(out.size(), maxBytes);
    while (cut > 0 && cut < out.size() && (static_cast<unsigned char>(out[cut]) & 0xC0) == 0x80) {
        --cut;
    }
    out.resize(cut);
    while (!out.empty() && out.back() == ' ')
        out.pop_back();
    return out;
}

bool AllDigits(std::string_view s) {
    return !s.empty() &&
           std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string Trim(std::string s) {
    size_t b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos)
        return {};
    size_t e = s.find_last_not_of(" \t\r\n");
    return s.substr(b, e - b + 1);
}

// The news rows of the lists and searches.
ReplyTable NewsTable(std::string_view tag, const std::vector<ArticleRecord>& articles) {
    ReplyTable t(tag, {Col::kNewsId, Col::kNewsTitle, Col::kInsertDate, kAuthorColumn,
                       Col::kMenuName, Col::kColumnName, Col::kColumnId});
    for (const auto& a : articles) {
        t.Row({Num(a.id), a.title, FormatInsertDate(a.insertTime), a.author, a.menuName,
               a.columnName, Num(a.columnId)});
    }
    return t;
}

ReplyTable HomeSection(std::string_view tag, const std::vector<ArticleRecord>& articles) {
    ReplyTable t(tag, {Col::kNewsId, Col::kNewsTitle, Col::kInsertDate, Col::kColumnName,
                       kMenuNameLower, kAuthorColumn});
    for (const auto& a : articles) {
        t.Row({Num(a.id), a.title, FormatInsertDate(a.insertTime), a.columnName, a.menuName,
               a.author});
    }
    return t;
}

ReplyTable ColumnTable(std::string_view tag, const std::vector<ColumnRecord>& columns) {
    ReplyTable t(tag, {Col::kColumnName, Col::kColumnId, kMenuIdLower});
    for (const auto& c : columns)
        t.Row({c.name, Num(c.id), Num(c.menuId)});
    return t;
}

ReplyBody ListReply(std::string_view tag, const std::vector<ArticleRecord>& news,
                    std::string_view columnTag, const std::vector<ColumnRecord>& columns) {
    ReplyBody body;
    NewsTable(tag, news).AppendTo(body);
    ColumnTable(columnTag, columns).AppendTo(body);
    return body;
}

}  // namespace

std::string FormatInsertDate(int64_t epochSeconds) {
    return FormatDate(epochSeconds, ".000000000");
}
std::string FormatMessageDate(int64_t epochSeconds) {
    return FormatDate(epochSeconds, ".000");
}

ServiceHandler::ServiceHandler(ServiceStore& store, std::string privateKeyPem)
    : store_(store), privateKeyPem_(std::move(privateKeyPem)) {}

const std::vector<SubFunctionEntry>& ServiceHandler::Table() {
    using H = ServiceHandler;
    static const std::vector<SubFunctionEntry> table = {
        {1, "menu", &H::Menu},
        {2, "home sections", &H::Home},
        {10, "identity", &H::Identity},
        {12, "article", &H::Article},
        {13, "new chat messages", &H::NewChats},
        {14, "send chat message", &H::SendChat},
        {15, "mark chat message", &H::MarkRead},
        {16, "contacts", &H::Contacts},
        {18, "new articles", &H::Poll},
        {19, "commentary list", &H::List1},
        {20, "latest list", &H::List2},
        {21, "recommended list", &H::List3},
        {23, "favourites list", &H::List4},
        {25, "column news", &H::ColumnNews},
        {34, "menu news", &H::MenuNews},
        {37, "change password", &H::ChangePassword},
        {38, "set favourite", &H::SetFavourite},
        {39, "all columns", &H::AllColumns},
        {41, "custom request", &H::CustomRequestForm},
        {42, "questionnaire", &H::QuestionnaireForm},
        {43, "login state", &H::LoginState},
        {45, "board post", &H::BoardPost},
        {46, "board list", &H::BoardList},
        {kSearchByStockFunction, "search by stock", &H::SearchStock},
        {48, "board thread", &H::BoardMessage},
        {49, "picture strip", &H::Images},
        {kSearchInTitlesFunction, "search in titles", &H::SearchTitles},
        {kSearchInTextFunction, "search in text", &H::SearchText},
        {kSearchByAuthorFunction, "search by author", &H::SearchAuthor},
    };
    return table;
}

ReplyBody ServiceHandler::Handle(std::string_view text, std::string* fault) {
    RequestParams params;
    if (!RequestParams::Parse(text, &params)) {
        if (fault)
            *fault = "request text refused (too long or too many parameters)";
        return Outcome(ServiceTag::kBadRequest, false, "bad request");
    }
    if (params.Has("loginID") && params.Has("loginPwd"))
        return Login(params, fault);

    const SubFunctionEntry* entry = nullptr;
    for (const auto& e : Table()) {
        if (e.number == params.SubFunction())
            entry = &e;
    }
    if (!entry) {
        if (fault)
            *fault = "unknown sub function " + std::to_string(params.SubFunction());
        return Outcome(ServiceTag::kUnknownFunction, false, "unknown function");
    }
    SessionCheck session = store_.CheckSession(params.Session());
    if (session.result == SessionCheck::kReplaced) {
        return Outcome(ReplyTag::kLoginOther, false, "logged in elsewhere");
    }
    std::optional<UserRecord> user;
    if (session.result == SessionCheck::kActive)
        user = store_.UserById(session.userId);
    if (!user)
        return Outcome(ReplyTag::kSessionError, false, "no such session");
    return (this->*entry->handler)(RequestContext{params, *user});
}

bool ServiceHandler::SeenLoginKey(const std::string& key) {
    if (recentKeySet_.count(key))
        return true;
    recentKeys_.push_back(key);
    recentKeySet_.insert(key);
    if (recentKeys_.size() > kRecentKeyLimit) {
        recentKeySet_.erase(recentKeys_.front());
        recentKeys_.pop_front();
    }
    return false;
}

ReplyBody ServiceHandler::Login(const RequestParams& params, std::string* fault) {
    auto refuse = [&](const std::string& why) {
        if (fault)
            *fault = "login refused: " + why;
        RecordSetWriter w(ServiceTag::kLogin);
        w.AddColumn(Col::kIsOk, kTypeBool);
        w.AddRow();
        w.SetBool(0, false);
        return w.Finish();
    };
    std::string login = FromWire(params.GetOr("loginID"));
    std::string keyHex = params.GetOr("userKey");
    std::string key = HexDecode(keyHex);
    std::vector<uint8_t> plain;
    // The key must be the 16 bytes (0..254 each) that the client encrypted with
    // our public key; anything else was not made for this service.
    if (!DecryptWithPrivateKey(privateKeyPem_, reinterpret_cast<const uint8_t*>(key.data()),
                               key.size(), &plain) ||
        plain.size() != 16 ||
        std::any_of(plain.begin(), plain.end(), [](uint8_t b) { return b == 255; })) {
        return refuse("user key does not decrypt (" + login + ")");
    }
    if (SeenLoginKey(keyHex))
        return refuse("replayed login text (" + login + ")");
    auto user = store_.UserByLogin(login);
    if (!user || !store_.CheckPasswordDigest(user->id, params.GetOr("loginPwd"))) {
        return refuse("wrong user name or password (" + login + ")");
    }
    std::string session = store_.CreateSession(user->id);
    if (session.empty())
        return refuse("session not stored: " + store_.LastError());
    // isok is a bool cell: its text form is exactly "T" or "F".
    RecordSetWriter w(ServiceTag::kLogin);
    w.AddColumn(Col::kIsOk, kTypeBool);
    w.AddColumn(Col::kSession, kTypeText);
    w.AddColumn(Col::kUserId, kTypeText);
    w.AddRow();
    w.SetBool(0, true);
    w.SetText(1, session);
    w.SetText(2, Num(user->id));
    return w.Finish();
}

bool ServiceHandler::IsSelf(const RequestContext& c, std::string_view name) {
    auto v = c.params.Get(name);
    if (!v)
        return true;
    auto id = ParseId(*v);
    return id && *id == c.user.id;
}

ReplyBody ServiceHandler::Menu(const RequestContext&) {
    ReplyTable t(ReplyTag::kMenu, {Col::kMenuName, Col::kMenuId, Col::kMenuLink, Col::kIsUsed});
    for (const auto& m : store_.Menus()) {
        t.Row({m.name, Num(m.id), m.link, m.useLink ? "1" : "0"});
    }
    return t.Finish();
}

ReplyBody ServiceHandler::Home(const RequestContext& c) {
    int count = kHomeCount;
    if (auto n = ParseId(c.params.GetOr("count")); n && *n > 0) {
        count = static_cast<int>(std::min<int64_t>(*n, kMaxHomeCount));
    }
    ArticleQuery first;
    first.menuId = kHomeMenu;
    if (auto m = ParseId(c.params.GetOr("menuid")); m && *m > 0)
        first.menuId = *m;
    first.limit = count;
    ArticleQuery latest;
    latest.limit = count;
    ArticleQuery recommended;
    recommended.recommendedOnly = true;
    recommended.limit = count;
    ArticleQuery favourites;
    favourites.favouritesOf = c.user.id;
    favourites.limit = count;

    ReplyBody body;
    HomeSection(ReplyTag::kHome1, store_.Articles(first)).AppendTo(body);
    HomeSection(ReplyTag::kHome2, store_.Articles(latest)).AppendTo(body);
    HomeSection(ReplyTag::kHome3, store_.Articles(recommended)).AppendTo(body);
    HomeSection(ReplyTag::kHome4, store_.Articles(favourites)).AppendTo(body);
    return body;
}

ReplyBody ServiceHandler::Identity(const RequestContext& c) {
    ReplyTable t(ReplyTag::kUserIdentity,
                 {Col::kUserId, Col::kUserType, Col::kTrueName, Col::kOrgIdList, Col::kOrgId});
    // Only the session's own identity: a user name cannot be used to look up others.
    if (FromWire(c.params.GetOr("username")) == c.user.login) {
        t.Row({Num(c.user.id), Num(static_cast<int>(c.user.type)), c.user.trueName,
               c.user.orgIdList, Num(c.user.orgId)});
    }
    return t.Finish();
}

ReplyBody ServiceHandler::Article(const RequestContext& c) {
    ReplyTable t(ReplyTag::kArticle, {Col::kNewsText, kNewsTitleLower, kInsertDateLower,
                                      kAuthorColumn, kNewsIdLower, Col::kColumnName});
    if (auto id = ParseId(c.params.GetOr("newid"))) {
        if (auto a = store_.Article(*id)) {
            t.Row({a->html, a->title, FormatInsertDate(a->insertTime), a->author, Num(a->id),
                   a->columnName});
        }
    }
    return t.Finish();
}

ReplyBody ServiceHandler::NewChats(const RequestContext& c) {
    std::vector<ChatRecord> unread;
    if (IsSelf(c, "fromid")) {
        unread = store_.UnreadChats(c.user.id, kChatLimit);
    }
    // Nothing waiting: a reply without any record set, which the client's dispatcher drops.
    // An empty set would be kept as a pending message set, and opening a chat window takes
    // the oldest set only, so a message behind such empty sets would not show on opening.
    if (unread.empty()) {
        return {};
    }
    ReplyTable t(ReplyTag::kChatMessages,
                 {Col::kMsgDate, Col::kMsgState, Col::kMsgId, Col::kMsgContent, Col::kToId,
                  Col::kFromId, kAuthorColumn});
    for (const auto& m : unread) {
        t.Row({FormatMessageDate(m.sentTime), Num(m.state), Num(m.id), m.content, Num(m.toId),
               Num(m.fromId), m.fromName});
    }
    return t.Finish();
}

ReplyBody ServiceHandler::SendChat(const RequestContext& c) {
    if (!IsSelf(c, "fromid"))
        return Outcome(ServiceTag::kSendChat, false, "not your id");
    auto to = ParseId(c.params.GetOr("toid"));
    std::string content = FromWire(c.params.GetOr("msgcontent"));
    if (!to || content.empty() || content.size() > kMaxChatBytes) {
        return Outcome(ServiceTag::kSendChat, false, "bad message");
    }
    // Only to someone on the sender's contact list: a customer cannot write to other
    // customers, nor to staff of another organisation.
    const auto contacts = store_.Contacts(c.user.id, kOnlineWindowSeconds);
    if (std::none_of(contacts.begin(), contacts.end(),
                     [&](const ContactRecord& k) { return k.id == *to; })) {
        return Outcome(ServiceTag::kSendChat, false, "not a contact");
    }
    return Outcome(ServiceTag::kSendChat, store_.AddChat(c.user.id, *to, content).has_value());
}

ReplyBody ServiceHandler::MarkRead(const RequestContext& c) {
    auto id = ParseId(c.params.GetOr("msgid"));
    auto state = ParseId(c.params.GetOr("state", "1"));
    bool ok = id && state && (*state == 0 || *state == 1) &&
              store_.SetChatState(*id, c.user.id, static_cast<int>(*state));
    return Outcome(ServiceTag::kMarkRead, ok);
}

ReplyBody ServiceHandler::Contacts(const RequestContext& c) {
    // EB_SESSION_ID before EB_SESSION_VALUE: the client lets the later column decide,
    // and an offline contact carries no chosen state, so offline stays offline.
    ReplyTable t(ReplyTag::kContacts, {kUserIdUpper, Col::kTrueName, kUserTypeLower, Col::kOrgName,
                                       Col::kSessionId, Col::kSessionValue});
    for (const auto& k : store_.Contacts(c.user.id, kOnlineWindowSeconds)) {
        // A public number for the session, never its key: contacts must not be able
        // to act with each other's sessions.
        t.Row({Num(k.id), k.trueName, Num(static_cast<int>(k.type)), k.orgName,
               k.online ? "S" + Num(k.sessionId) : "", k.online ? k.loginState : ""});
    }
    return t.Finish();
}

ReplyBody ServiceHandler::Poll(const RequestContext& c) {
    ReplyBody body;
    ReplyTable news(ReplyTag::kNewNews, {Col::kNewsText, kNewsTitleLower, kAuthorColumn,
                                         Col::kColumnName, kInsertDateLower, kNewsIdLower});
    for (const auto& a : store_.TakeNewArticles(c.user.id, kAlertLimit)) {
        news.Row({PlainExcerpt(a.html, 600), a.title, a.author, a.columnName,
                  FormatInsertDate(a.insertTime), Num(a.id)});
    }
    news.AppendTo(body);
    if (c.user.reviewer) {
        auto pending = store_.TakeArticlesToReview(c.user.id, kAlertLimit);
        if (!pending.empty()) {
            ReplyTable check(ReplyTag::kNewsNeedCheck,
                             {kNewsIdLower, kNewsTitleLower, kAuthorColumn, kInsertDateLower});
            for (const auto& a : pending) {
                check.Row({Num(a.id), a.title, a.author, FormatInsertDate(a.insertTime)});
            }
            check.AppendTo(body);
        }
    }
    return body;
}

ReplyBody ServiceHandler::List1(const RequestContext& c) {
    ArticleQuery q;
    q.menuId = ParseId(c.params.GetOr("menuid")).value_or(4);
    q.limit = kListLimit;
    return ListReply(ReplyTag::kMore1, store_.Articles(q), ReplyTag::kMoreColumns, {});
}

ReplyBody ServiceHandler::List2(const RequestContext&) {
    ArticleQuery q;
    q.limit = kListLimit;
    return ListReply(ReplyTag::kMore2, store_.Articles(q), ReplyTag::kMoreColumns,
                     store_.Columns());
}

ReplyBody ServiceHandler::List3(const RequestContext&) {
    ArticleQuery q;
    q.recommendedOnly = true;
    q.limit = kListLimit;
    return ListReply(ReplyTag::kMore3, store_.Articles(q), ReplyTag::kMoreColumns,
                     store_.Columns());
}

ReplyBody ServiceHandler::List4(const RequestContext& c) {
    ArticleQuery q;
    q.favouritesOf = c.user.id;
    q.limit = kListLimit;
    return ListReply(ReplyTag::kMore4, store_.Articles(q), ReplyTag::kFavouriteColumns,
                     store_.Favourites(c.user.id));
}

ReplyBody ServiceHandler::ColumnNews(const RequestContext& c) {
    std::vector<ArticleRecord> news;
    if (auto id = ParseId(c.params.GetOr("coluid"))) {
        ArticleQuery q;
        q.columnId = *id;
        q.limit = kListLimit;
        news = store_.Articles(q);
    }
    return NewsTable(ReplyTag::kColumnNews, news).Finish();
}

ReplyBody ServiceHandler::MenuNews(const RequestContext& c) {
    std::vector<ArticleRecord> news;
    std::vector<ColumnRecord> columns;
    if (auto id = ParseId(c.params.GetOr("menuid"))) {
        ArticleQuery q;
        q.menuId = *id;
        q.limit = kListLimit;
        news = store_.Articles(q);
        columns = store_.Columns(*id);
    }
    return ListReply(ReplyTag::kMenuNews, news, ReplyTag::kMoreColumns, columns);
}

ReplyBody ServiceHandler::ChangePassword(const RequestContext& c) {
    bool ok = IsSelf(c, "virid") && store_.SetPasswordDigest(c.user.id, c.params.GetOr("newpass"));
    return Outcome(ServiceTag::kPassword, ok);
}

ReplyBody ServiceHandler::SetFavourite(const RequestContext& c) {
    auto column = ParseId(c.params.GetOr("mylove"));
    bool ok = IsSelf(c, "virid") && column && store_.AddFavourite(c.user.id, *column);
    return Outcome(ReplyTag::kFavourites, ok);
}

ReplyBody ServiceHandler::AllColumns(const RequestContext& c) {
    // The favourites page lists columns under the menu column names.
    ReplyTable t(ReplyTag::kAllColumns, {kMenuIdLower, kMenuNameLower, "is_mylove"});
    std::vector<ColumnRecord> mine = store_.Favourites(c.user.id);
    for (const auto& col : store_.Columns()) {
        bool fav =
            std::any_of(mine.begin(), mine.end(), [&](const auto& f) { return f.id == col.id; });
        t.Row({Num(col.id), col.name, fav ? "1" : "0"});
    }
    return t.Finish();
}

ReplyBody ServiceHandler::CustomRequestForm(const RequestContext& c) {
    CustomRequest f;
    f.userId = c.user.id;
    f.name = Trim(FromWire(c.params.GetOr("name")));
    f.userCode = Trim(FromWire(c.params.GetOr("usrcode")));
    f.address = Trim(FromWire(c.params.GetOr("addr")));
    f.mobile = Trim(c.params.GetOr("mobile"));
    f.phone = Trim(c.params.GetOr("pho"));
    for (const std::string* v : {&f.name, &f.userCode, &f.address, &f.mobile, &f.phone}) {
        if (v->empty() || v->size() > kMaxFormFieldBytes) {
            return Outcome(ReplyTag::kCustomRequest, false, "incomplete");
        }
    }
    if (!AllDigits(f.mobile) || !AllDigits(f.phone)) {
        return Outcome(ReplyTag::kCustomRequest, false, "numbers only");
    }
    return Outcome(ReplyTag::kCustomRequest, store_.AddCustomRequest(f));
}

ReplyBody ServiceHandler::QuestionnaireForm(const RequestContext& c) {
    Questionnaire f;
    f.userId = c.user.id;
    auto score = ParseId(c.params.GetOr("pinfen"));
    auto highlight = ParseId(c.params.GetOr("liangdian"));
    f.remark = Trim(FromWire(c.params.GetOr("jianyi")));
    bool ok = IsSelf(c, "virid") && score && *score >= 1 && *score <= 5 && highlight &&
              *highlight >= 1 && *highlight <= 4 && !f.remark.empty() &&
              f.remark.size() <= kMaxRemarkBytes;
    if (ok) {
        f.score = static_cast<int>(*score);
        f.highlight = static_cast<int>(*highlight);
        ok = store_.AddQuestionnaire(f);
    }
    return Outcome(ReplyTag::kQuestionnaire, ok);
}

ReplyBody ServiceHandler::LoginState(const RequestContext& c) {
    std::string state = c.params.GetOr("state");
    bool ok = IsSelf(c, "virid") && state.size() == 1 && state[0] >= '0' && state[0] <= '3' &&
              store_.SetLoginState(c.user.id, state);
    return Outcome(ReplyTag::kLoginState, ok);
}

ReplyBody ServiceHandler::BoardPost(const RequestContext& c) {
    auto parent = ParseId(c.params.GetOr("partenid"));
    std::string title = Trim(FromWire(c.params.GetOr("title")));
    std::string text = Trim(FromWire(c.params.GetOr("meno")));
    bool ok = IsSelf(c, "virid") && parent && (*parent == -1 || *parent > 0) &&
              title.size() <= kMaxBoardTitleBytes && text.size() <= kMaxBoardTextBytes &&
              store_.AddBoardMessage(*parent, c.user.id, c.user.orgId, title, text).has_value();
    return Outcome(ReplyTag::kBoardPost, ok);
}

ReplyBody ServiceHandler::BoardList(const RequestContext& c) {
    ReplyTable t(ReplyTag::kBoardList, {Col::kMessageTitle, kAuthorColumn, kInsertDateLower,
                                        Col::kMsgState, Col::kMessageId});
    for (const auto& b : store_.BoardThreads(c.user, kListLimit)) {
        t.Row({b.title, b.author, FormatInsertDate(b.insertTime), b.replies > 0 ? "1" : "0",
               Num(b.id)});
    }
    return t.Finish();
}

ReplyBody ServiceHandler::BoardMessage(const RequestContext& c) {
    ReplyTable t(ReplyTag::kBoardMessage, {kInsertDateLower, kAuthorColumn, Col::kMessageMeno,
                                           Col::kMessageTitle, Col::kMessageId});
    if (auto id = ParseId(c.params.GetOr("msgid"))) {
        for (const auto& b : store_.BoardThread(*id, c.user)) {
            t.Row({FormatInsertDate(b.insertTime), b.author, b.text, b.title, Num(b.id)});
        }
    }
    return t.Finish();
}

ReplyBody ServiceHandler::Images(const RequestContext&) {
    ReplyTable t(ReplyTag::kImages, {Col::kPhotoUrl, Col::kTextUrl});
    for (const auto& p : store_.Pictures()) {
        const int generated = GeneratedPictureNumber(p.photoUrl);
        if (generated == 0) {
            t.Row({p.photoUrl, p.textUrl});
            continue;
        }
        // Drawn here and sent whole: the page loads nothing from the network. The picture
        // names the article it leads to.
        std::string heading = "研究资讯";
        std::string caption;
        const size_t at = p.textUrl.find("prdid=");
        if (auto id = at == std::string::npos ? std::nullopt : ParseId(p.textUrl.substr(at + 6))) {
            if (auto a = store_.Article(*id)) {
                heading = a->columnName;
                caption = a->title;
            }
        }
        t.Row({SvgDataUrl(StripPictureSvg(generated, heading, caption)), p.textUrl});
    }
    return t.Finish();
}

ReplyBody ServiceHandler::Search(const RequestContext& c, SearchKind kind, std::string_view tag) {
    std::string text = Trim(FromWire(c.params.GetOr("cont")));
    std::vector<ArticleRecord> found;
    if (!text.empty() && text.size() <= kMaxSearchBytes) {
        ArticleQuery q;
        q.searchKind = kind;
        q.searchText = text;
        q.limit = kListLimit;
        found = store_.Articles(q);
    }
    return NewsTable(tag, found).Finish();
}

ReplyBody ServiceHandler::SearchStock(const RequestContext& c) {
    return Search(c, SearchKind::kStock, ReplyTag::kSearchByStock);
}
ReplyBody ServiceHandler::SearchTitles(const RequestContext& c) {
    return Search(c, SearchKind::kTitle, ReplyTag::kSearchInTitles);
}
ReplyBody ServiceHandler::SearchText(const RequestContext& c) {
    return Search(c, SearchKind::kText, ReplyTag::kSearchInText);
}
ReplyBody ServiceHandler::SearchAuthor(const RequestContext& c) {
    return Search(c, SearchKind::kAuthor, ReplyTag::kSearchByAuthor);
}

}  // namespace vqsvc
