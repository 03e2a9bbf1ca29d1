#include "platform/web/Url.h"

#include <cctype>

#include "platform/core/Text.h"

namespace fw::web {
namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

bool IsValidUtf8(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size()) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        std::size_t extra = 0;
        unsigned min = 0;
        unsigned cp = 0;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            extra = 1;
            min = 0x80;
            cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            extra = 2;
            min = 0x800;
            cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            extra = 3;
            min = 0x10000;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (s.size() - i <= extra) {
            return false;
        }
        for (std::size_t k = 1; k <= extra; ++k) {
            const unsigned char t = static_cast<unsigned char>(s[i + k]);
            if ((t & 0xC0) != 0x80) {
                return false;
            }
            cp = (cp << 6) | (t & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            return false;
        }
        i += extra + 1;
    }
    return true;
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
    if (s.size() < prefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(s[i])) !=
            std::tolower(static_cast<unsigned char>(prefix[i]))) {
            return false;
        }
    }
    return true;
}

// Bytes a path may not carry as they are inside a URL.
std::string EncodePath(std::string_view path) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(path.size());
    for (const char ch : path) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (c <= 0x20 || c >= 0x7F || c == '%' || c == '"' || c == '<' || c == '>' || c == '\\') {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        } else {
            out += ch;
        }
    }
    return out;
}

// Where the part of a URL after its authority begins ("scheme://host" skipped).
std::size_t PathStart(std::string_view url) {
    const std::size_t colon = url.find(':');
    if (colon == std::string_view::npos) {
        return 0;
    }
    if (url.substr(colon + 1, 2) == "//") {
        const std::size_t slash = url.find_first_of("/?#", colon + 3);
        return slash == std::string_view::npos ? url.size() : slash;
    }
    return colon + 1;
}

}  // namespace

std::string PercentDecode(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            const int hi = HexValue(text[i + 1]);
            const int lo = HexValue(text[i + 2]);
            if (hi >= 0 && lo >= 0) {
                out += static_cast<char>(hi * 16 + lo);
                i += 2;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

bool HasScheme(std::string_view text) {
    if (text.empty() || !std::isalpha(static_cast<unsigned char>(text[0]))) {
        return false;
    }
    for (std::size_t i = 1; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == ':') {
            return true;
        }
        if (!std::isalnum(c) && c != '+' && c != '-' && c != '.') {
            return false;
        }
    }
    return false;
}

std::string FileUrlPath(std::string_view url) {
    if (!StartsWithNoCase(url, "file:")) {
        return {};
    }
    std::string_view rest = url.substr(5);
    if (rest.substr(0, 2) == "//") {
        rest.remove_prefix(2);
        const std::size_t slash = rest.find('/');
        // "file://localhost/p" and "file:///p" name the same file.
        rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash);
    }
    const std::size_t end = rest.find_first_of("?#");
    return PercentDecode(rest.substr(0, end));
}

std::string UrlToSystem(std::string_view url) {
    std::string decoded;
    if (StartsWithNoCase(url, "file:")) {
        const std::size_t tail = url.find_first_of("?#");
        decoded = FileUrlPath(url);
        if (tail != std::string_view::npos) {
            decoded += PercentDecode(url.substr(tail));
        }
    } else {
        decoded = PercentDecode(url);
    }
    if (IsValidUtf8(decoded)) {
        return vq::Utf8ToGbk(decoded);
    }
    return decoded;
}

std::string ResolveUrl(std::string_view base, std::string_view relative) {
    if (HasScheme(relative) || base.empty()) {
        return std::string(relative);
    }
    const std::size_t pathStart = PathStart(base);
    const std::size_t queryStart = base.find_first_of("?#", pathStart);
    const std::string_view noQuery = base.substr(0, queryStart);
    if (relative.empty()) {
        return std::string(base.substr(0, base.find('#')));
    }
    if (relative[0] == '#') {
        return std::string(base.substr(0, base.find('#'))) + std::string(relative);
    }
    if (relative[0] == '?') {
        return std::string(noQuery) + std::string(relative);
    }
    if (relative.substr(0, 2) == "//") {
        const std::size_t colon = base.find(':');
        return std::string(base.substr(0, colon + 1)) + std::string(relative);
    }
    if (relative[0] == '/') {
        return std::string(base.substr(0, pathStart)) + std::string(relative);
    }
    const std::size_t lastSlash = noQuery.rfind('/');
    std::string dir = lastSlash == std::string_view::npos || lastSlash < pathStart
                          ? std::string(noQuery) + "/"
                          : std::string(noQuery.substr(0, lastSlash + 1));
    while (relative.substr(0, 2) == "./") {
        relative.remove_prefix(2);
    }
    return dir + std::string(relative);
}

std::string SystemToUrl(std::string_view address, std::string_view baseUrl) {
    const std::string utf8 = vq::GbkToUtf8(address);
    if (HasScheme(utf8)) {
        return utf8;
    }
    if (!utf8.empty() && utf8[0] == '/') {
        const std::size_t tail = utf8.find_first_of("?#");
        std::string url = "file://" + EncodePath(std::string_view(utf8).substr(0, tail));
        if (tail != std::string::npos) {
            url += utf8.substr(tail);
        }
        return url;
    }
    return ResolveUrl(baseUrl, utf8);
}

}  // namespace fw::web
