#include "platform/Resources.h"

#include <unistd.h>
#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/core/Text.h"

namespace fw {

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kMaxErrors = 200;
constexpr std::size_t kMaxFileBytes = 64u * 1024u * 1024u;

struct KindName {
    ControlKind kind;
    const char* name;
};
constexpr std::array<KindName, 12> kKinds = {{
    {ControlKind::Static, "static"},
    {ControlKind::Picture, "picture"},
    {ControlKind::Button, "button"},
    {ControlKind::CheckBox, "checkbox"},
    {ControlKind::Radio, "radio"},
    {ControlKind::GroupBox, "groupbox"},
    {ControlKind::Edit, "edit"},
    {ControlKind::RichEdit, "richedit"},
    {ControlKind::IpAddress, "ipaddress"},
    {ControlKind::Html, "html"},
    {ControlKind::Site, "site"},
    {ControlKind::Custom, "custom"},
}};

struct FlagName {
    const char* name;
    DWORD bits;
};
constexpr std::array<FlagName, 8> kDialogStyles = {{
    {"popup", WS_POPUP},
    {"child", WS_CHILD},
    {"visible", WS_VISIBLE},
    {"caption", WS_CAPTION},
    {"sysmenu", WS_SYSMENU},
    {"border", WS_BORDER},
    {"clipchildren", WS_CLIPCHILDREN},
    {"minimizebox", WS_MINIMIZEBOX},
}};
constexpr std::array<FlagName, 4> kExStyles = {{
    {"topmost", WS_EX_TOPMOST},
    {"toolwindow", WS_EX_TOOLWINDOW},
    {"appwindow", WS_EX_APPWINDOW},
    {"transparent", WS_EX_TRANSPARENT},
}};
// Control flags; "hidden" is handled apart because it removes a bit.
constexpr std::array<FlagName, 18> kControlFlags = {{
    {"disabled", WS_DISABLED},
    {"group", WS_GROUP},
    {"tabstop", WS_TABSTOP},
    {"border", WS_BORDER},
    {"vscroll", WS_VSCROLL},
    {"ownerdraw", BS_OWNERDRAW},
    {"default", BS_DEFPUSHBUTTON},
    {"multiline", ES_MULTILINE},
    {"password", ES_PASSWORD},
    {"number", ES_NUMBER},
    {"readonly", ES_READONLY},
    {"autohscroll", ES_AUTOHSCROLL},
    {"autovscroll", ES_AUTOVSCROLL},
    {"wantreturn", ES_WANTRETURN},
    {"nohidesel", ES_NOHIDESEL},
    {"center", SS_CENTER},
    {"notify", SS_NOTIFY},
    {"bitmap", SS_BITMAP},
}};

// One token of a definition line: a word or a quoted text (unescaped).
struct Token {
    std::string text;
    bool quoted = false;
};

bool Tokenize(std::string_view line, std::vector<Token>& out) {
    out.clear();
    std::size_t i = 0;
    while (i < line.size()) {
        const char c = line[i];
        if (c == ' ' || c == '\t' || c == '\r') {
            ++i;
            continue;
        }
        Token t;
        if (c == '"') {
            t.quoted = true;
            ++i;
            bool closed = false;
            while (i < line.size()) {
                const char d = line[i++];
                if (d == '\\' && i < line.size() && (line[i] == '"' || line[i] == '\\')) {
                    t.text.push_back(line[i++]);
                } else if (d == '"') {
                    closed = true;
                    break;
                } else {
                    t.text.push_back(d);
                }
            }
            if (!closed) {
                return false;
            }
        } else {
            while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') {
                t.text.push_back(line[i++]);
            }
        }
        out.push_back(std::move(t));
    }
    return true;
}

bool ParseInt(const std::string& s, long lo, long hi, long& value) {
    if (s.empty() || s.size() > 11) {
        return false;
    }
    std::size_t i = 0;
    bool neg = false;
    if (s[0] == '-') {
        neg = true;
        i = 1;
    }
    if (i >= s.size()) {
        return false;
    }
    long v = 0;
    for (; i < s.size(); ++i) {
        if (s[i] < '0' || s[i] > '9') {
            return false;
        }
        v = v * 10 + (s[i] - '0');
        if (v > 1000000000L) {
            return false;
        }
    }
    v = neg ? -v : v;
    if (v < lo || v > hi) {
        return false;
    }
    value = v;
    return true;
}

bool ParseId(const std::string& s, UINT& id) {
    long v = 0;
    if (!ParseInt(s, 0, 65535, v)) {
        return false;
    }
    id = UINT(v);
    return true;
}

template <std::size_t N>
bool ParseFlags(const std::string& text, const std::array<FlagName, N>& table, DWORD& bits,
                bool* hidden = nullptr) {
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t bar = text.find('|', start);
        if (bar == std::string::npos) {
            bar = text.size();
        }
        const std::string word = text.substr(start, bar - start);
        bool found = false;
        if (hidden != nullptr && word == "hidden") {
            *hidden = true;
            found = true;
        }
        for (const FlagName& f : table) {
            if (word == f.name) {
                bits |= f.bits;
                found = true;
            }
        }
        if (!found) {
            return false;
        }
        start = bar + 1;
    }
    return true;
}

std::string ToGbk(const std::string& utf8) {
    // Most texts of the files are plain ASCII, which is the same in both encodings.
    if (std::all_of(utf8.begin(), utf8.end(),
                    [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
        return utf8;
    }
    return vq::Utf8ToGbk(utf8);
}

}  // namespace

std::optional<ControlKind> ControlKindFromName(std::string_view name) {
    for (const KindName& k : kKinds) {
        if (name == k.name) {
            return k.kind;
        }
    }
    return std::nullopt;
}

const char* ControlKindName(ControlKind kind) {
    for (const KindName& k : kKinds) {
        if (k.kind == kind) {
            return k.name;
        }
    }
    return "custom";
}

Resources& Resources::Global() {
    static Resources r;
    return r;
}

void Resources::Clear() {
    dialogs_.clear();
    menus_.clear();
    strings_.clear();
    files_.clear();
    errors_.clear();
    modules_.clear();
    std::lock_guard<std::mutex> lock(cacheLock_);
    cache_.clear();
}

const Resources& Resources::Module(const std::string& name) const {
    static const Resources kEmpty;
    auto it = modules_.find(name);
    return it == modules_.end() ? kEmpty : *it->second;
}

int Resources::ParseIndex(std::string_view text, const std::string& baseDir) {
    Resources* into = this;
    bool sawEntry = false;
    int taken = 0;
    std::size_t lineNo = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        ++lineNo;
        while (!line.empty() &&
               (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) {
            line.remove_suffix(1);
        }
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) {
            line.remove_prefix(1);
        }
        if (line.empty() || line.front() == '#') {
            continue;
        }
        auto fail = [&](const char* why) {
            if (errors_.size() < kMaxErrors) {
                errors_.push_back("index line " + std::to_string(lineNo) + ": " + why);
            }
        };
        const std::size_t sp1 = line.find_first_of(" \t");
        if (sp1 == std::string_view::npos) {
            fail("missing id");
            continue;
        }
        const std::string kind(line.substr(0, sp1));
        std::string_view rest = line.substr(sp1);
        rest.remove_prefix(std::min(rest.size(), rest.find_first_not_of(" \t")));
        if (kind == "module") {
            if (sawEntry || rest.empty() || into != this) {
                fail("misplaced module line");
                continue;
            }
            auto& mod = modules_[std::string(rest)];
            if (!mod) {
                mod = std::make_unique<Resources>();
            }
            into = mod.get();
            continue;
        }
        sawEntry = true;
        const std::size_t sp2 = rest.find_first_of(" \t");
        if (sp2 == std::string_view::npos) {
            fail("missing path");
            continue;
        }
        const std::string idText(rest.substr(0, sp2));
        std::string_view path = rest.substr(sp2);
        path.remove_prefix(std::min(path.size(), path.find_first_not_of(" \t")));
        int k = -1;
        if (kind == "bitmap") {
            k = int(ResourceKind::Bitmap);
        } else if (kind == "icon") {
            k = int(ResourceKind::Icon);
        } else if (kind == "sound") {
            k = int(ResourceKind::Sound);
        } else if (kind == "html") {
            k = int(ResourceKind::Html);
        }
        UINT id = 0;
        if (k < 0) {
            fail("unknown kind");
            continue;
        }
        if (!ParseId(idText, id) || id == 0) {
            fail("bad id");
            continue;
        }
        const std::string p(path);
        const bool escapes = p.empty() || p.front() == '/' || p.find('\\') != std::string::npos ||
                             p == ".." || p.rfind("../", 0) == 0 ||
                             p.find("/../") != std::string::npos ||
                             (p.size() >= 3 && p.compare(p.size() - 3, 3, "/..") == 0);
        if (escapes) {
            fail("path outside the resource folder");
            continue;
        }
        into->files_[{k, id}] = baseDir.empty() ? p : baseDir + "/" + p;
        ++taken;
    }
    return taken;
}

int Resources::ParseDefinitions(std::string_view text, const std::string& fileName) {
    enum class State { Top, Dialog, Menu, Strings };
    State state = State::Top;
    DialogTemplate dlg;
    MenuTemplate menu;
    std::vector<std::vector<MenuItem>*> menuStack;
    bool dlu = true;
    int taken = 0;
    std::size_t lineNo = 0;
    std::size_t pos = 0;
    std::vector<Token> tok;
    auto fail = [&](const std::string& why) {
        if (errors_.size() < kMaxErrors) {
            errors_.push_back(fileName + ":" + std::to_string(lineNo) + ": " + why);
        }
    };
    auto px = [&](long v, bool horizontal) {
        if (!dlu) {
            return int(v);
        }
        return horizontal ? DluToPixelsX(int(v)) : DluToPixelsY(int(v));
    };
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        const std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        ++lineNo;
        if (!Tokenize(line, tok)) {
            fail("unclosed text");
            continue;
        }
        if (tok.empty() || (!tok[0].quoted && !tok[0].text.empty() && tok[0].text[0] == '#')) {
            continue;
        }
        const std::string& kw = tok[0].quoted ? std::string() : tok[0].text;
        switch (state) {
            case State::Top: {
                if (kw == "DIALOG") {
                    long w = 0, h = 0;
                    dlg = DialogTemplate{};
                    dlu = true;
                    if (tok.size() < 4 || !ParseId(tok[1].text, dlg.id) ||
                        !ParseInt(tok[2].text, 0, 32767, w) ||
                        !ParseInt(tok[3].text, 0, 32767, h)) {
                        fail("bad DIALOG line");
                        state = State::Dialog;  // skip to END with an id of 0
                        dlg.id = 0;
                        break;
                    }
                    if (tok.size() >= 6 && tok[4].text == "UNITS") {
                        dlu = tok[5].text != "PX";
                    }
                    dlg.size = {px(w, true), px(h, false)};
                    dlg.style = WS_POPUP;
                    state = State::Dialog;
                } else if (kw == "MENU") {
                    menu = MenuTemplate{};
                    if (tok.size() < 2 || !ParseId(tok[1].text, menu.id)) {
                        fail("bad MENU line");
                        menu.id = 0;
                    }
                    menuStack.assign(1, &menu.items);
                    state = State::Menu;
                } else if (kw == "STRINGTABLE") {
                    state = State::Strings;
                } else {
                    fail("unknown statement");
                }
                break;
            }
            case State::Dialog: {
                if (kw == "END") {
                    if (dlg.id != 0) {
                        dialogs_[dlg.id] = std::move(dlg);
                        ++taken;
                    }
                    dlg = DialogTemplate{};
                    state = State::Top;
                } else if (kw == "CAPTION" && tok.size() >= 2) {
                    dlg.caption = ToGbk(tok[1].text);
                } else if (kw == "FONT" && tok.size() >= 3) {
                    long pt = 0;
                    if (ParseInt(tok[1].text, 1, 200, pt)) {
                        dlg.font = Font::FromPoints(ToGbk(tok[2].text), int(pt));
                    } else {
                        fail("bad FONT");
                    }
                } else if (kw == "STYLE" && tok.size() >= 2) {
                    DWORD bits = 0;
                    if (ParseFlags(tok[1].text, kDialogStyles, bits)) {
                        dlg.style = bits;
                    } else {
                        fail("bad STYLE");
                    }
                } else if (kw == "EXSTYLE" && tok.size() >= 2) {
                    DWORD bits = 0;
                    if (ParseFlags(tok[1].text, kExStyles, bits)) {
                        dlg.exStyle = bits;
                    } else {
                        fail("bad EXSTYLE");
                    }
                } else if (kw == "CONTROL") {
                    ControlTemplate c;
                    long x = 0, y = 0, w = 0, h = 0;
                    std::optional<ControlKind> kind;
                    if (tok.size() < 8 || !ParseId(tok[1].text, c.id) ||
                        !(kind = ControlKindFromName(tok[2].text)) ||
                        !ParseInt(tok[3].text, -32768, 32767, x) ||
                        !ParseInt(tok[4].text, -32768, 32767, y) ||
                        !ParseInt(tok[5].text, 0, 32767, w) ||
                        !ParseInt(tok[6].text, 0, 32767, h) || !tok[7].quoted) {
                        fail("bad CONTROL line");
                        break;
                    }
                    c.kind = *kind;
                    c.rect = Rect::FromXYWH(px(x, true), px(y, false), px(w, true), px(h, false));
                    c.caption = ToGbk(tok[7].text);
                    c.style = WS_CHILD | WS_VISIBLE;
                    bool ok = true;
                    for (std::size_t i = 8; i < tok.size() && ok; ++i) {
                        if (tok[i].text == "IMAGE" && i + 1 < tok.size()) {
                            ok = ParseId(tok[i + 1].text, c.imageId);
                            ++i;
                        } else {
                            bool hidden = false;
                            ok = ParseFlags(tok[i].text, kControlFlags, c.style, &hidden);
                            if (hidden) {
                                c.style &= ~WS_VISIBLE;
                            }
                        }
                    }
                    if (!ok) {
                        fail("bad CONTROL flags");
                        break;
                    }
                    dlg.controls.push_back(std::move(c));
                } else {
                    fail("unknown dialog statement");
                }
                break;
            }
            case State::Menu: {
                std::vector<MenuItem>& items = *menuStack.back();
                if (kw == "END") {
                    menuStack.pop_back();
                    if (menuStack.empty()) {
                        if (menu.id != 0) {
                            menus_[menu.id] = std::move(menu);
                            ++taken;
                        }
                        menu = MenuTemplate{};
                        state = State::Top;
                    }
                } else if (kw == "POPUP" && tok.size() >= 2 && menuStack.size() < 8) {
                    MenuItem popup;
                    popup.text = ToGbk(tok[1].text);
                    items.push_back(std::move(popup));
                    menuStack.push_back(&items.back().items);
                } else if (kw == "ITEM" && tok.size() >= 3) {
                    MenuItem item;
                    if (!ParseId(tok[1].text, item.id) || item.id == 0) {
                        fail("bad ITEM id");
                        break;
                    }
                    item.text = ToGbk(tok[2].text);
                    item.isDefault = tok.size() >= 4 && tok[3].text == "DEFAULT";
                    items.push_back(std::move(item));
                } else if (kw == "SEPARATOR") {
                    MenuItem sep;
                    sep.separator = true;
                    items.push_back(std::move(sep));
                } else {
                    fail("unknown menu statement");
                }
                break;
            }
            case State::Strings: {
                if (kw == "END") {
                    state = State::Top;
                    break;
                }
                UINT id = 0;
                if (tok.size() >= 2 && ParseId(tok[0].text, id) && tok[1].quoted) {
                    strings_[id] = ToGbk(tok[1].text);
                    ++taken;
                } else {
                    fail("bad string line");
                }
                break;
            }
        }
    }
    if (state != State::Top) {
        fail("missing END");
    }
    return taken;
}

bool Resources::LoadDirectory(const std::string& dirUtf8) {
    std::error_code ec;
    if (dirUtf8.empty() || !fs::is_directory(dirUtf8, ec)) {
        return false;
    }
    std::vector<fs::path> files;
    for (fs::recursive_directory_iterator
             it(dirUtf8, fs::directory_options::skip_permission_denied, ec),
         endIt;
         !ec && it != endIt; it.increment(ec)) {
        if (!it->is_regular_file(ec)) {
            continue;
        }
        const std::string ext = it->path().extension().string();
        if (ext == ".idx" || ext == ".vqrc") {
            files.push_back(it->path());
        }
    }
    std::sort(files.begin(), files.end());
    const std::string base = fs::path(dirUtf8).lexically_normal().string();
    for (const fs::path& p : files) {
        std::ifstream in(p, std::ios::binary);
        std::ostringstream ss;
        ss << in.rdbuf();
        const std::string content = ss.str();
        if (content.size() > kMaxFileBytes) {
            errors_.push_back(p.string() + ": too large");
            continue;
        }
        if (p.extension() == ".idx") {
            ParseIndex(content, base);
        } else {
            ParseDefinitions(content, p.filename().string());
        }
    }
    return true;
}

const DialogTemplate* Resources::FindDialog(UINT id) const {
    auto it = dialogs_.find(id);
    return it == dialogs_.end() ? nullptr : &it->second;
}

const MenuTemplate* Resources::FindMenu(UINT id) const {
    auto it = menus_.find(id);
    return it == menus_.end() ? nullptr : &it->second;
}

std::optional<std::string> Resources::LoadString(UINT id) const {
    auto it = strings_.find(id);
    if (it == strings_.end()) {
        return std::nullopt;
    }
    return it->second;
}

std::vector<UINT> Resources::DialogIds() const {
    std::vector<UINT> ids;
    for (const auto& [id, d] : dialogs_) {
        ids.push_back(id);
    }
    return ids;
}

std::string Resources::FilePath(ResourceKind kind, UINT id) const {
    auto it = files_.find({int(kind), id});
    return it == files_.end() ? std::string() : it->second;
}

std::optional<std::vector<std::uint8_t>> Resources::ReadFile(ResourceKind kind, UINT id) const {
    const std::string path = FilePath(kind, id);
    if (path.empty()) {
        return std::nullopt;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                    std::istreambuf_iterator<char>());
    return bytes;
}

std::shared_ptr<const Bitmap> Resources::LoadPicture(ResourceKind kind, UINT id) const {
    const std::pair<int, UINT> key{int(kind), id};
    {
        std::lock_guard<std::mutex> lock(cacheLock_);
        auto it = cache_.find(key);
        if (it != cache_.end()) {
            return it->second;
        }
    }
    std::shared_ptr<const Bitmap> bmp;
    const std::string path = FilePath(kind, id);
    if (!path.empty()) {
        if (auto b = Bitmap::FromBmpFileWithDoubleSize(path)) {
            bmp = std::make_shared<const Bitmap>(std::move(*b));
        }
    }
    std::lock_guard<std::mutex> lock(cacheLock_);
    cache_[key] = bmp;
    return bmp;
}

std::shared_ptr<const Bitmap> Resources::LoadBitmap(UINT id) const {
    return LoadPicture(ResourceKind::Bitmap, id);
}

std::shared_ptr<const Bitmap> Resources::LoadIcon(UINT id) const {
    auto icon = LoadPicture(ResourceKind::Icon, id);
    return icon;
}

std::string FindResourceDir(const char* argv0) {
    if (const char* env = std::getenv("VQ_RES_DIR"); env != nullptr && *env != '\0') {
        return env;
    }
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec && argv0 != nullptr) {
        exe = fs::absolute(argv0, ec);
    }
    return (exe.parent_path() / "res").string();
}

}  // namespace fw
