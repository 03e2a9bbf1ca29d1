#include "platform/core/Profile.h"

#include <climits>

#include "platform/core/File.h"
#include "platform/core/Text.h"

namespace vq {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// A stray "\r" (as in "\r\r\n") is trimmed like a blank.
bool IsTrimmed(char c) {
    return IsBlank(c) || c == '\r';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsTrimmed(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsTrimmed(s.back()))
        s.remove_suffix(1);
    return s;
}

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (Lower(a[i]) != Lower(b[i]))
            return false;
    }
    return true;
}

enum class Kind { kOther, kSection, kKey };

// One line of the file; offsets into the content.
struct Line {
    std::size_t begin = 0;  // first byte of the line
    std::size_t end = 0;    // end of its text, before "\r\n" or "\n"
    std::size_t next = 0;   // first byte of the following line
    Kind kind = Kind::kOther;
    std::string_view name;   // section name or key, trimmed
    std::string_view value;  // key lines: the value, trimmed
    std::size_t keyBegin = 0;
};

Line ParseLine(std::string_view text, std::size_t begin) {
    Line l;
    l.begin = begin;
    std::size_t nl = text.find('\n', begin);
    l.next = nl == std::string_view::npos ? text.size() : nl + 1;
    l.end = nl == std::string_view::npos ? text.size() : nl;
    if (l.end > begin && text[l.end - 1] == '\r')
        --l.end;
    const std::string_view raw = text.substr(begin, l.end - begin);
    const std::string_view body = Trim(raw);
    if (body.empty() || body.front() == ';')
        return l;
    if (body.front() == '[') {
        std::string_view name = body.substr(1);
        name = name.substr(0, name.find(']'));
        l.kind = Kind::kSection;
        l.name = Trim(name);
        return l;
    }
    const std::size_t eq = body.find('=');
    if (eq == std::string_view::npos)
        return l;
    l.kind = Kind::kKey;
    l.name = Trim(body.substr(0, eq));
    l.value = Trim(body.substr(eq + 1));
    l.keyBegin = static_cast<std::size_t>(body.data() - text.data());
    return l;
}

// Where `key` of `section` sits, or where it would go.
struct Place {
    bool sectionFound = false;
    bool keyFound = false;
    Line keyLine;              // when keyFound
    std::size_t insertAt = 0;  // when only the section was found: after its last key
};

Place Locate(std::string_view text, std::string_view section, std::string_view key) {
    Place p;
    bool inside = false;
    for (std::size_t pos = 0; pos < text.size();) {
        Line l = ParseLine(text, pos);
        pos = l.next;
        if (l.kind == Kind::kSection) {
            if (inside)
                break;  // the first section of the name has ended
            if (SameName(l.name, section)) {
                inside = true;
                p.sectionFound = true;
                p.insertAt = l.next;
            }
        } else if (inside && l.kind == Kind::kKey) {
            if (SameName(l.name, key)) {
                p.keyFound = true;
                p.keyLine = l;
                return p;
            }
            p.insertAt = l.next;
        }
    }
    return p;
}

bool HasLineBreak(std::string_view s) {
    return s.find_first_of("\r\n") != std::string_view::npos;
}

bool ValidName(std::string_view s) {
    return !s.empty() && !IsBlank(s.front()) && !IsBlank(s.back()) && !HasLineBreak(s);
}

}  // namespace

int ParseIntLikeAtoi(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (IsBlank(text[i]) || text[i] == '\n' || text[i] == '\r' ||
                               text[i] == '\v' || text[i] == '\f')) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    long long v = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        v = v * 10 + (text[i] - '0');
        if (v > static_cast<long long>(INT_MAX) + 1) {
            v = static_cast<long long>(INT_MAX) + 1;  // saturate; keeps going through digits
        }
    }
    if (negative)
        return static_cast<int>(-v);  // -(INT_MAX + 1) == INT_MIN fits
    return v > INT_MAX ? INT_MAX : static_cast<int>(v);
}

bool FindProfileValue(std::string_view content, std::string_view section, std::string_view key,
                      std::string& value) {
    Place p = Locate(content, section, key);
    if (!p.keyFound)
        return false;
    value.assign(p.keyLine.value);
    return true;
}

bool SetProfileValue(std::string& content, std::string_view section, std::string_view key,
                     std::string_view value) {
    if (!ValidName(section) || section.find(']') != std::string_view::npos)
        return false;
    if (!ValidName(key) || key.find('=') != std::string_view::npos || key.front() == '[' ||
        key.front() == ';') {
        return false;
    }
    if (HasLineBreak(value))
        return false;

    Place p = Locate(content, section, key);
    if (p.keyFound) {
        std::string line(p.keyLine.name);
        line += '=';
        line += value;
        content.replace(p.keyLine.keyBegin, p.keyLine.end - p.keyLine.keyBegin, line);
        return true;
    }
    std::string line;
    std::size_t at = p.sectionFound ? p.insertAt : content.size();
    if (at > 0 && content[at - 1] != '\n')
        line += "\r\n";  // only at an unterminated end
    if (!p.sectionFound) {
        if (!content.empty())
            line += "\r\n";
        line += '[';
        line += section;
        line += "]\r\n";
    }
    line += key;
    line += '=';
    line += value;
    line += "\r\n";
    content.insert(at, line);
    return true;
}

std::string GetPrivateProfileString(std::string_view section, std::string_view key,
                                    std::string_view def, std::size_t maxChars,
                                    std::string_view path) {
    if (maxChars == 0)
        return {};
    std::string content;
    std::string value;
    ReadWholeFile(path, content);
    if (!FindProfileValue(content, section, key, value))
        value.assign(def);
    value.resize(GbkCutLength(value, maxChars - 1));
    return value;
}

int GetPrivateProfileInt(std::string_view section, std::string_view key, int def,
                         std::string_view path) {
    std::string content;
    std::string value;
    ReadWholeFile(path, content);
    if (!FindProfileValue(content, section, key, value) || value.empty())
        return def;
    return ParseIntLikeAtoi(value);
}

bool WritePrivateProfileString(std::string_view section, std::string_view key,
                               std::string_view value, std::string_view path) {
    SettingsFileLock lock(path);
    std::string content;
    // An unreadable file must not be replaced by one holding a single key.
    if (ReadWholeFile(path, content) == ReadResult::kFailed)
        return false;
    if (!SetProfileValue(content, section, key, value))
        return false;
    return WriteFileAtomic(path, content);
}

}  // namespace vq
