#include "com/Guid.h"

#include <cstdio>
#include <tuple>

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Reads exactly `digits` hex digits from text at pos.
bool ReadHex(std::string_view text, std::size_t& pos, int digits, std::uint64_t& out) {
    if (pos + static_cast<std::size_t>(digits) > text.size())
        return false;
    out = 0;
    for (int i = 0; i < digits; ++i) {
        const int d = HexDigit(text[pos++]);
        if (d < 0)
            return false;
        out = (out << 4) | static_cast<std::uint64_t>(d);
    }
    return true;
}

bool Expect(std::string_view text, std::size_t& pos, char c) {
    if (pos >= text.size() || text[pos] != c)
        return false;
    ++pos;
    return true;
}

}  // namespace

std::optional<GUID> GuidFromString(std::string_view text) {
    const bool braced = !text.empty() && text.front() == '{';
    if (braced && (text.size() < 2 || text.back() != '}'))
        return std::nullopt;
    if (braced)
        text = text.substr(1, text.size() - 2);
    if (text.size() != 36)
        return std::nullopt;
    GUID g;
    std::size_t pos = 0;
    std::uint64_t v = 0;
    if (!ReadHex(text, pos, 8, v))
        return std::nullopt;
    g.Data1 = static_cast<std::uint32_t>(v);
    if (!Expect(text, pos, '-') || !ReadHex(text, pos, 4, v))
        return std::nullopt;
    g.Data2 = static_cast<std::uint16_t>(v);
    if (!Expect(text, pos, '-') || !ReadHex(text, pos, 4, v))
        return std::nullopt;
    g.Data3 = static_cast<std::uint16_t>(v);
    if (!Expect(text, pos, '-'))
        return std::nullopt;
    for (int i = 0; i < 8; ++i) {
        if (i == 2 && !Expect(text, pos, '-'))
            return std::nullopt;
        if (!ReadHex(text, pos, 2, v))
            return std::nullopt;
        g.Data4[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v);
    }
    return g;
}

std::string GuidToString(const GUID& g) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned>(g.Data1), static_cast<unsigned>(g.Data2),
                  static_cast<unsigned>(g.Data3), g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3],
                  g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
    return buf;
}

bool GuidLess::operator()(const GUID& a, const GUID& b) const {
    return std::tie(a.Data1, a.Data2, a.Data3, a.Data4) <
           std::tie(b.Data1, b.Data2, b.Data3, b.Data4);
}
