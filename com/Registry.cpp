#include "com/Registry.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr std::string_view kHeader = "VQREG 1";

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool NeedsEscape(unsigned char c) {
    return c < 0x20 || c == '%' || c == 0x7F;
}

void Escape(std::string_view in, std::string& out) {
    static const char kHex[] = "0123456789ABCDEF";
    for (char ch : in) {
        const auto c = static_cast<unsigned char>(ch);
        if (NeedsEscape(c)) {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        } else {
            out += ch;
        }
    }
}

int Hex(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

bool Unescape(std::string_view in, std::string& out) {
    out.clear();
    for (std::size_t i = 0; i < in.size(); ++i) {
        const auto c = static_cast<unsigned char>(in[i]);
        if (c == '%') {
            if (in.size() - i < 3)
                return false;
            const int hi = Hex(in[i + 1]);
            const int lo = Hex(in[i + 2]);
            if (hi < 0 || lo < 0)
                return false;
            out += static_cast<char>(hi * 16 + lo);
            i += 2;
        } else if (NeedsEscape(c)) {
            return false;
        } else {
            out += static_cast<char>(c);
        }
    }
    return true;
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
    if (s.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (LowerAscii(s[i]) != LowerAscii(prefix[i]))
            return false;
    }
    return true;
}

std::string Parent(std::string_view key) {
    const auto cut = key.rfind('\\');
    return cut == std::string_view::npos ? std::string() : std::string(key.substr(0, cut));
}

bool MakeDirs(const std::string& dir) {
    if (dir.empty())
        return true;
    struct stat st {};
    if (stat(dir.c_str(), &st) == 0)
        return S_ISDIR(st.st_mode);
    const auto cut = dir.rfind('/');
    if (cut != std::string::npos && cut > 0 && !MakeDirs(dir.substr(0, cut)))
        return false;
    return mkdir(dir.c_str(), 0700) == 0 || errno == EEXIST;
}

std::string DirOf(const std::string& path) {
    const auto cut = path.rfind('/');
    return cut == std::string::npos ? std::string() : path.substr(0, cut);
}

bool WriteAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t n = write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

}  // namespace

bool Registry::NoCaseLess::operator()(std::string_view a, std::string_view b) const {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const char x = LowerAscii(a[i]);
        const char y = LowerAscii(b[i]);
        if (x != y)
            return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
    }
    return a.size() < b.size();
}

std::string Registry::DefaultPath() {
    if (const char* p = std::getenv("VQ_COM_REGISTRY"); p != nullptr && *p != '\0')
        return p;
    if (const char* x = std::getenv("XDG_DATA_HOME"); x != nullptr && *x == '/') {
        return std::string(x) + "/velquor/registry";
    }
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr ? home : "") + "/.local/share/velquor/registry";
}

bool Registry::IsValidKey(std::string_view key) {
    if (key.empty() || key.front() == '\\' || key.back() == '\\')
        return false;
    if (key.find("\\\\") != std::string_view::npos)
        return false;
    for (char c : key) {
        if (static_cast<unsigned char>(c) < 0x20)
            return false;
    }
    return true;
}

bool Registry::CreateKey(std::string_view key) {
    if (!IsValidKey(key))
        return false;
    std::string k(key);
    while (!k.empty()) {
        keys_.try_emplace(k);
        k = Parent(k);
    }
    return true;
}

bool Registry::KeyExists(std::string_view key) const {
    return keys_.find(key) != keys_.end();
}

bool Registry::DeleteKey(std::string_view key) {
    auto it = keys_.find(key);
    if (it == keys_.end())
        return false;
    const std::string prefix = it->first + "\\";
    keys_.erase(it);
    it = keys_.lower_bound(prefix);
    while (it != keys_.end() && StartsWithNoCase(it->first, prefix)) {
        it = keys_.erase(it);
    }
    return true;
}

bool Registry::SetValue(std::string_view key, std::string_view name, std::string_view value) {
    if (!CreateKey(key))
        return false;
    keys_.find(key)->second.insert_or_assign(std::string(name), std::string(value));
    return true;
}

std::optional<std::string> Registry::GetValue(std::string_view key, std::string_view name) const {
    const auto k = keys_.find(key);
    if (k == keys_.end())
        return std::nullopt;
    const auto v = k->second.find(name);
    if (v == k->second.end())
        return std::nullopt;
    return v->second;
}

bool Registry::DeleteValue(std::string_view key, std::string_view name) {
    const auto k = keys_.find(key);
    if (k == keys_.end())
        return false;
    const auto v = k->second.find(name);
    if (v == k->second.end())
        return false;
    k->second.erase(v);
    return true;
}

std::vector<std::string> Registry::SubKeys(std::string_view key) const {
    std::vector<std::string> out;
    const std::string prefix = std::string(key) + "\\";
    for (auto it = keys_.lower_bound(prefix); it != keys_.end(); ++it) {
        const std::string_view k = it->first;
        if (!StartsWithNoCase(k, prefix))
            break;
        const std::string_view rest = k.substr(prefix.size());
        if (rest.find('\\') == std::string_view::npos)
            out.emplace_back(rest);
    }
    return out;
}

std::string Registry::Serialize() const {
    std::string out(kHeader);
    out += '\n';
    for (const auto& [key, values] : keys_) {
        Escape(key, out);
        out += '\n';
        for (const auto& [name, value] : values) {
            Escape(key, out);
            out += '\t';
            Escape(name, out);
            out += '\t';
            Escape(value, out);
            out += '\n';
        }
    }
    return out;
}

bool Registry::Parse(std::string_view text) {
    if (text.size() > kMaxFileBytes)
        return false;
    if (text.substr(0, kHeader.size()) != kHeader)
        return false;
    text.remove_prefix(kHeader.size());
    if (text.empty() || text.front() != '\n')
        return false;
    text.remove_prefix(1);
    Registry parsed;
    std::string key, name, value;
    while (!text.empty()) {
        const auto eol = text.find('\n');
        if (eol == std::string_view::npos)
            return false;  // the last line is terminated too
        std::string_view line = text.substr(0, eol);
        text.remove_prefix(eol + 1);
        const auto t1 = line.find('\t');
        if (t1 == std::string_view::npos) {
            if (!Unescape(line, key) || !parsed.CreateKey(key))
                return false;
            continue;
        }
        const auto t2 = line.find('\t', t1 + 1);
        if (t2 == std::string_view::npos || line.find('\t', t2 + 1) != std::string_view::npos) {
            return false;
        }
        if (!Unescape(line.substr(0, t1), key) ||
            !Unescape(line.substr(t1 + 1, t2 - t1 - 1), name) ||
            !Unescape(line.substr(t2 + 1), value) || !parsed.SetValue(key, name, value)) {
            return false;
        }
    }
    keys_ = std::move(parsed.keys_);
    return true;
}

HRESULT Registry::Load(const std::string& path) {
    keys_.clear();
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr)
        return errno == ENOENT ? S_OK : REGDB_E_READREGDB;
    std::string text;
    char buf[8192];
    std::size_t n = 0;
    bool tooLarge = false;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) {
        if (text.size() + n > kMaxFileBytes) {
            tooLarge = true;
            break;
        }
        text.append(buf, n);
    }
    const bool readError = std::ferror(f) != 0;
    std::fclose(f);
    if (tooLarge || readError || !Parse(text))
        return REGDB_E_READREGDB;
    return S_OK;
}

HRESULT Registry::Save(const std::string& path) const {
    if (!MakeDirs(DirOf(path)))
        return REGDB_E_WRITEREGDB;
    const std::string tmp = path + ".tmp." + std::to_string(getpid());
    const int fd = open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return REGDB_E_WRITEREGDB;
    const bool ok = WriteAll(fd, Serialize()) && fsync(fd) == 0;
    if (close(fd) != 0 || !ok || rename(tmp.c_str(), path.c_str()) != 0) {
        unlink(tmp.c_str());
        return REGDB_E_WRITEREGDB;
    }
    return S_OK;
}

HRESULT ReadRegistry(Registry& out) {
    return out.Load(Registry::DefaultPath());
}

HRESULT UpdateRegistry(const std::function<HRESULT(Registry&)>& change) {
    const std::string path = Registry::DefaultPath();
    if (!MakeDirs(DirOf(path)))
        return REGDB_E_WRITEREGDB;
    // A separate lock file: the registry file itself is replaced by rename.
    const std::string lockPath = path + ".lock";
    const int lock = open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (lock < 0)
        return REGDB_E_WRITEREGDB;
    while (flock(lock, LOCK_EX) != 0) {
        if (errno != EINTR) {
            close(lock);
            return REGDB_E_WRITEREGDB;
        }
    }
    Registry reg;
    HRESULT hr = reg.Load(path);
    if (SUCCEEDED(hr))
        hr = change(reg);
    if (SUCCEEDED(hr)) {
        const HRESULT saved = reg.Save(path);
        if (FAILED(saved))
            hr = saved;
    }
    flock(lock, LOCK_UN);
    close(lock);
    return hr;
}
