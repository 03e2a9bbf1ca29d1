#include "platform/web/PageFile.h"

#include <algorithm>
#include <cctype>
#include <cstdint>

namespace fw::web {
namespace {

char Lower(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

std::string ToLower(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(), Lower);
    return out;
}

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
}

bool IsIdentStart(char c) {
    const unsigned char u = static_cast<unsigned char>(c);
    return std::isalpha(u) || c == '_' || c == '$' || u >= 0x80;
}

bool IsIdentChar(char c) {
    return IsIdentStart(c) || std::isdigit(static_cast<unsigned char>(c));
}

// Case-insensitive search from `from`.
std::size_t FindNoCase(std::string_view text, std::string_view what, std::size_t from) {
    if (what.empty() || from > text.size()) {
        return std::string_view::npos;
    }
    for (std::size_t i = from; i + what.size() <= text.size(); ++i) {
        std::size_t k = 0;
        while (k < what.size() && Lower(text[i + k]) == what[k]) {
            ++k;
        }
        if (k == what.size()) {
            return i;
        }
    }
    return std::string_view::npos;
}

void AppendUtf8(std::string& out, std::uint32_t cp) {
    if (cp == 0 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        cp = 0xFFFD;
    }
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

struct Tag {
    std::string name;  // lower case, without '/'
    bool end = false;
    bool selfClosing = false;
    std::vector<std::pair<std::string, std::string>> attrs;  // names lower case, values decoded
    std::size_t next = 0;                                    // index after '>'

    const std::string* Attr(std::string_view n) const {
        for (const auto& [k, v] : attrs) {
            if (k == n) {
                return &v;
            }
        }
        return nullptr;
    }
};

// Reads the tag whose '<' is at `pos`; false when it is not a tag (the '<' is text).
bool ReadTag(std::string_view html, std::size_t pos, Tag& tag) {
    std::size_t i = pos + 1;
    if (i < html.size() && html[i] == '/') {
        tag.end = true;
        ++i;
    }
    const std::size_t nameStart = i;
    while (i < html.size() && (std::isalnum(static_cast<unsigned char>(html[i])) ||
                               html[i] == '-' || html[i] == ':')) {
        ++i;
    }
    if (i == nameStart) {
        return false;
    }
    tag.name = ToLower(html.substr(nameStart, i - nameStart));
    while (i < html.size()) {
        while (i < html.size() && IsSpace(html[i])) {
            ++i;
        }
        if (i >= html.size()) {
            break;
        }
        if (html[i] == '>') {
            tag.next = i + 1;
            return true;
        }
        if (html[i] == '/') {
            tag.selfClosing = true;
            ++i;
            continue;
        }
        const std::size_t an = i;
        while (i < html.size() && !IsSpace(html[i]) && html[i] != '=' && html[i] != '>' &&
               html[i] != '/') {
            ++i;
        }
        if (i == an) {  // a stray '=' before any name
            ++i;
            continue;
        }
        std::string attrName = ToLower(html.substr(an, i - an));
        while (i < html.size() && IsSpace(html[i])) {
            ++i;
        }
        std::string value;
        if (i < html.size() && html[i] == '=') {
            ++i;
            while (i < html.size() && IsSpace(html[i])) {
                ++i;
            }
            if (i < html.size() && (html[i] == '"' || html[i] == '\'')) {
                const char q = html[i];
                const std::size_t close = html.find(q, i + 1);
                const std::size_t stop = close == std::string_view::npos ? html.size() : close;
                value = DecodeEntities(html.substr(i + 1, stop - i - 1));
                i = stop == html.size() ? stop : stop + 1;
            } else {
                const std::size_t vs = i;
                while (i < html.size() && !IsSpace(html[i]) && html[i] != '>') {
                    ++i;
                }
                value = DecodeEntities(html.substr(vs, i - vs));
            }
        }
        if (tag.attrs.size() < 64) {
            tag.attrs.emplace_back(std::move(attrName), std::move(value));
        }
    }
    tag.next = html.size();
    return true;
}

bool IsVoid(std::string_view name) {
    static const char* const kVoid[] = {"area",  "base", "br",   "col",   "embed",  "hr",    "img",
                                        "input", "link", "meta", "param", "source", "track", "wbr"};
    for (const char* v : kVoid) {
        if (name == v) {
            return true;
        }
    }
    return false;
}

bool IsFormControl(std::string_view name) {
    return name == "input" || name == "textarea" || name == "select" || name == "button";
}

// Skips a quoted string or a comment starting at `i` in script text; returns the index after
// it, or `i` when nothing starts there.
std::size_t SkipScriptNoise(std::string_view s, std::size_t i) {
    const char c = s[i];
    if (c == '"' || c == '\'' || c == '`') {
        std::size_t k = i + 1;
        while (k < s.size() && s[k] != c) {
            k += s[k] == '\\' ? 2 : 1;
        }
        return std::min(k + 1, s.size());
    }
    if (c == '/' && i + 1 < s.size() && s[i + 1] == '/') {
        const std::size_t nl = s.find('\n', i);
        return nl == std::string_view::npos ? s.size() : nl + 1;
    }
    if (c == '/' && i + 1 < s.size() && s[i + 1] == '*') {
        const std::size_t end = s.find("*/", i + 2);
        return end == std::string_view::npos ? s.size() : end + 2;
    }
    return i;
}

void AddName(std::vector<std::string>& names, std::string_view name) {
    if (names.size() >= kMaxPageFunctions) {
        return;
    }
    if (std::find(names.begin(), names.end(), name) == names.end()) {
        names.emplace_back(name);
    }
}

std::size_t SkipSpaces(std::string_view s, std::size_t i) {
    while (i < s.size() && IsSpace(s[i])) {
        ++i;
    }
    return i;
}

std::size_t ReadIdent(std::string_view s, std::size_t i) {
    if (i >= s.size() || !IsIdentStart(s[i])) {
        return i;
    }
    while (i < s.size() && IsIdentChar(s[i])) {
        ++i;
    }
    return i;
}

}  // namespace

std::string DecodeEntities(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '&') {
            out += text[i];
            continue;
        }
        const std::size_t semi = text.find(';', i + 1);
        if (semi == std::string_view::npos || semi - i > 10) {
            out += '&';
            continue;
        }
        const std::string_view ent = text.substr(i + 1, semi - i - 1);
        if (ent == "amp") {
            out += '&';
        } else if (ent == "lt") {
            out += '<';
        } else if (ent == "gt") {
            out += '>';
        } else if (ent == "quot") {
            out += '"';
        } else if (ent == "#39" || ent == "apos") {
            out += '\'';
        } else if (ent == "nbsp") {
            AppendUtf8(out, 0xA0);
        } else if (ent.size() >= 2 && ent[0] == '#') {
            const bool hex = ent[1] == 'x' || ent[1] == 'X';
            std::uint32_t cp = 0;
            bool ok = ent.size() > (hex ? 2u : 1u);
            for (std::size_t k = hex ? 2 : 1; k < ent.size() && ok; ++k) {
                const unsigned char d = static_cast<unsigned char>(ent[k]);
                unsigned v = 0;
                if (std::isdigit(d)) {
                    v = d - '0';
                } else if (hex && std::isxdigit(d)) {
                    v = unsigned(std::tolower(d) - 'a' + 10);
                } else {
                    ok = false;
                }
                cp = cp * (hex ? 16 : 10) + v;
                if (cp > 0x10FFFF) {
                    cp = 0x110000;  // stays out of range, becomes U+FFFD
                }
            }
            if (!ok) {
                out += '&';
                continue;
            }
            AppendUtf8(out, cp);
        } else {
            out += '&';
            continue;
        }
        i = semi;
    }
    return out;
}

void ScanScriptFunctions(std::string_view s, std::vector<std::string>& names) {
    int depth = 0;
    std::size_t i = 0;
    while (i < s.size()) {
        const std::size_t skipped = SkipScriptNoise(s, i);
        if (skipped != i) {
            i = skipped;
            continue;
        }
        const char c = s[i];
        if (c == '{' || c == '(' || c == '[') {
            ++depth;
            ++i;
            continue;
        }
        if (c == '}' || c == ')' || c == ']') {
            depth = depth > 0 ? depth - 1 : 0;
            ++i;
            continue;
        }
        if (!IsIdentStart(c) || (i > 0 && (IsIdentChar(s[i - 1]) || s[i - 1] == '.'))) {
            ++i;
            continue;
        }
        const std::size_t end = ReadIdent(s, i);
        const std::string_view word = s.substr(i, end - i);
        if (depth != 0) {
            i = end;
            continue;
        }
        if (word == "function") {
            // function name(
            std::size_t k = SkipSpaces(s, end);
            const std::size_t nameEnd = ReadIdent(s, k);
            if (nameEnd > k && SkipSpaces(s, nameEnd) < s.size() &&
                s[SkipSpaces(s, nameEnd)] == '(') {
                AddName(names, s.substr(k, nameEnd - k));
            }
            i = nameEnd > k ? nameEnd : end;
            continue;
        }
        // [var|let|const] [window.]name = function / name = (...) =>
        std::size_t nameStart = i;
        std::size_t nameEnd = end;
        if (word == "var" || word == "let" || word == "const") {
            nameStart = SkipSpaces(s, end);
            nameEnd = ReadIdent(s, nameStart);
        } else if (word == "window") {
            std::size_t k = SkipSpaces(s, end);
            if (k < s.size() && s[k] == '.') {
                nameStart = SkipSpaces(s, k + 1);
                nameEnd = ReadIdent(s, nameStart);
            }
        }
        if (nameEnd > nameStart) {
            std::size_t k = SkipSpaces(s, nameEnd);
            if (k < s.size() && s[k] == '=' && (k + 1 >= s.size() || s[k + 1] != '=')) {
                k = SkipSpaces(s, k + 1);
                const std::size_t we = ReadIdent(s, k);
                std::string_view rhs = s.substr(k, we - k);
                if (rhs == "async") {
                    k = SkipSpaces(s, we);
                    rhs = s.substr(k, ReadIdent(s, k) - k);
                }
                if (rhs == "function") {
                    AddName(names, s.substr(nameStart, nameEnd - nameStart));
                }
            }
            i = nameEnd;
            continue;
        }
        i = end;
    }
}

PageInfo ParsePage(std::string_view html) {
    PageInfo info;
    info.bodyBegin = 0;
    info.bodyEnd = html.size();

    const std::size_t cs =
        FindNoCase(html.substr(0, std::min<std::size_t>(html.size(), 2048)), "charset", 0);
    if (cs != std::string_view::npos) {
        std::size_t k = cs + 7;
        while (k < html.size() &&
               (IsSpace(html[k]) || html[k] == '=' || html[k] == '"' || html[k] == '\'')) {
            ++k;
        }
        std::size_t e = k;
        while (e < html.size() && e - k < 16 &&
               (std::isalnum(static_cast<unsigned char>(html[e])) || html[e] == '-')) {
            ++e;
        }
        const std::string cset = ToLower(html.substr(k, e - k));
        info.gbk = cset == "gb2312" || cset == "gbk" || cset == "gb18030";
    }

    std::vector<int> open;  // recorded elements still open, innermost last
    std::vector<std::string> openTags;
    int currentForm = -1;
    bool bodySeen = false;
    std::size_t i = 0;
    while (i < html.size()) {
        const std::size_t lt = html.find('<', i);
        if (lt == std::string_view::npos) {
            break;
        }
        if (html.substr(lt, 4) == "<!--") {
            const std::size_t end = html.find("-->", lt + 4);
            i = end == std::string_view::npos ? html.size() : end + 3;
            continue;
        }
        if (lt + 1 < html.size() && (html[lt + 1] == '!' || html[lt + 1] == '?')) {
            const std::size_t gt = html.find('>', lt);
            i = gt == std::string_view::npos ? html.size() : gt + 1;
            continue;
        }
        Tag tag;
        if (!ReadTag(html, lt, tag)) {
            i = lt + 1;
            continue;
        }
        i = tag.next;
        if (tag.end) {
            if (tag.name == "body" && bodySeen) {
                info.bodyEnd = lt;
            }
            if (tag.name == "form") {
                currentForm = -1;
            }
            // Close the innermost open element of this name and everything inside it.
            for (std::size_t k = openTags.size(); k-- > 0;) {
                if (openTags[k] == tag.name) {
                    openTags.resize(k);
                    open.resize(k);
                    break;
                }
            }
            continue;
        }
        if (tag.name == "body" && !bodySeen) {
            bodySeen = true;
            info.bodyBegin = tag.next;
        }
        // Raw text elements: their content is not markup.
        if (tag.name == "script" || tag.name == "style" || tag.name == "textarea" ||
            tag.name == "title") {
            const std::string closing = "</" + tag.name;
            const std::size_t close = FindNoCase(html, closing, tag.next);
            const std::size_t stop = close == std::string_view::npos ? html.size() : close;
            const std::string_view content = html.substr(tag.next, stop - tag.next);
            if (tag.name == "script") {
                const std::string* src = tag.Attr("src");
                if (src == nullptr) {
                    ScanScriptFunctions(content, info.functions);
                }
            }
            if (tag.name == "textarea") {
                tag.attrs.emplace_back("value", DecodeEntities(content));
            }
            const std::size_t gt = close == std::string_view::npos ? stop : html.find('>', close);
            i = gt == std::string_view::npos ? html.size() : gt + 1;
            if (tag.name != "textarea") {
                continue;
            }
            tag.selfClosing = true;
        }
        if (tag.name == "form" && info.forms.size() < kMaxPageElements) {
            PageForm form;
            if (const std::string* n = tag.Attr("name")) {
                form.name = *n;
            }
            if (const std::string* a = tag.Attr("action")) {
                form.action = *a;
            }
            info.forms.push_back(std::move(form));
            currentForm = int(info.forms.size()) - 1;
        }
        const std::string* id = tag.Attr("id");
        const std::string* name = tag.Attr("name");
        int recorded = -1;
        if ((id != nullptr || name != nullptr) && info.elements.size() < kMaxPageElements) {
            PageElement e;
            e.tag = tag.name;
            e.id = id != nullptr ? *id : std::string();
            e.name = name != nullptr ? *name : std::string();
            if (const std::string* v = tag.Attr("value")) {
                e.value = *v;
            }
            if (const std::string* h = tag.Attr("href")) {
                e.href = *h;
            }
            if (const std::string* t = tag.Attr("type")) {
                e.type = ToLower(*t);
            }
            e.parent = open.empty() ? -1 : open.back();
            if (IsFormControl(tag.name) && currentForm >= 0 && name != nullptr) {
                e.form = currentForm;
                info.forms[std::size_t(currentForm)].elements.push_back(info.elements.size());
            }
            info.elements.push_back(std::move(e));
            recorded = int(info.elements.size()) - 1;
        }
        if (!tag.selfClosing && !IsVoid(tag.name) && openTags.size() < 4096) {
            openTags.push_back(tag.name);
            open.push_back(recorded >= 0 ? recorded : (open.empty() ? -1 : open.back()));
        }
    }
    if (info.bodyEnd < info.bodyBegin) {
        info.bodyEnd = html.size();
    }
    return info;
}

}  // namespace fw::web
