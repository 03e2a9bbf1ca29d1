#include "platform/core/Text.h"

#include <iconv.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>

namespace vq {
namespace {

enum Enc { kGbk = 0, kUtf8 = 1, kUtf16 = 2 };

const char* IconvName(Enc e) {
    switch (e) {
        case kGbk:
            return "GBK";
        case kUtf8:
            return "UTF-8";
        case kUtf16:
            break;
    }
    return std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE";
}

const iconv_t kNoIconv = reinterpret_cast<iconv_t>(-1);

// iconv_open is far slower than a conversion of a short text, so each thread keeps
// its descriptors; a descriptor is never shared between threads.
class IconvCache {
public:
    IconvCache() {
        for (auto& row : cd_) {
            std::fill(std::begin(row), std::end(row), kNoIconv);
        }
    }
    ~IconvCache() {
        for (auto& row : cd_) {
            for (iconv_t cd : row) {
                if (cd != kNoIconv) {
                    iconv_close(cd);
                }
            }
        }
    }
    IconvCache(const IconvCache&) = delete;
    IconvCache& operator=(const IconvCache&) = delete;

    iconv_t Get(Enc from, Enc to) {
        if (!tried_[from][to]) {
            tried_[from][to] = true;
            cd_[from][to] = iconv_open(IconvName(to), IconvName(from));
        }
        iconv_t cd = cd_[from][to];
        if (cd != kNoIconv) {
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
        return cd;
    }

private:
    iconv_t cd_[3][3];
    bool tried_[3][3] = {};
};

// Function-local so that texts converted during static initialisation work too.
IconvCache& ThreadIconv() {
    thread_local IconvCache cache;
    return cache;
}

struct Utf8Step {
    char32_t cp;
    std::size_t len;  // bytes consumed: the whole character, or the invalid part
    bool ok;
};

// Decodes one character; an invalid sequence consumes its longest prefix that could
// have begun a valid one (at least one byte), so one bad character gives one U+FFFD.
Utf8Step DecodeUtf8(const unsigned char* p, std::size_t n) {
    const unsigned char b = p[0];
    if (b < 0x80) {
        return {b, 1, true};
    }
    std::size_t need = 0;
    char32_t cp = 0;
    unsigned char lo = 0x80;
    unsigned char hi = 0xBF;
    if (b >= 0xC2 && b <= 0xDF) {
        need = 1;
        cp = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
        need = 2;
        cp = b & 0x0F;
        if (b == 0xE0)
            lo = 0xA0;
        if (b == 0xED)
            hi = 0x9F;  // no surrogates
    } else if (b >= 0xF0 && b <= 0xF4) {
        need = 3;
        cp = b & 0x07;
        if (b == 0xF0)
            lo = 0x90;
        if (b == 0xF4)
            hi = 0x8F;
    } else {
        return {0xFFFD, 1, false};
    }
    std::size_t i = 1;
    for (; i <= need; ++i) {
        if (i >= n || p[i] < lo || p[i] > hi) {
            return {0xFFFD, i, false};
        }
        lo = 0x80;
        hi = 0xBF;
        cp = (cp << 6) | (p[i] & 0x3F);
    }
    return {cp, i, true};
}

// Bytes of one bad character at `p` in the source encoding (n > 0).
std::size_t BadLength(Enc from, const unsigned char* p, std::size_t n) {
    switch (from) {
        case kGbk:
            return n >= 2 && IsGbkPair(p[0], p[1]) ? 2 : 1;
        case kUtf8:
            return DecodeUtf8(p, n).len;
        case kUtf16:
            break;
    }
    if (n < 2) {
        return n;
    }
    char16_t u[2] = {};
    std::memcpy(&u[0], p, 2);
    if (u[0] >= 0xD800 && u[0] <= 0xDBFF && n >= 4) {
        std::memcpy(&u[1], p + 2, 2);
        if (u[1] >= 0xDC00 && u[1] <= 0xDFFF) {
            return 4;
        }
    }
    return 2;
}

std::string_view Replacement(Enc to) {
    static constexpr char16_t kU16 = 0xFFFD;
    switch (to) {
        case kGbk:
            return "?";
        case kUtf8:
            return "\xEF\xBF\xBD";
        case kUtf16:
            break;
    }
    return {reinterpret_cast<const char*>(&kU16), sizeof kU16};
}

// Output bytes that a source text of n bytes most likely needs; the loop grows it.
std::size_t Estimate(Enc from, Enc to, std::size_t n) {
    if (from == kGbk && to == kUtf8)
        return n + n / 2 + 8;
    if (from == kUtf16 && to == kGbk)
        return n + 8;
    return n * 2 + 8;  // GBK to UTF-16, UTF-8 to GBK
}

// Converts with iconv, replacing what cannot be converted. Out is std::string or
// std::u16string; iconv writes its bytes straight into the string's storage.
template <class Out>
Out Convert(Enc from, Enc to, const void* src, std::size_t srcBytes) {
    using Unit = typename Out::value_type;
    Out out;
    if (srcBytes == 0) {
        return out;
    }
    const auto* in = static_cast<const unsigned char*>(src);
    std::size_t cap = Estimate(from, to, srcBytes);
    out.resize(cap / sizeof(Unit) + 1);
    std::size_t used = 0;
    const std::string_view repl = Replacement(to);
    auto room = [&](std::size_t bytes) {
        if (out.size() * sizeof(Unit) - used < bytes) {
            out.resize(out.size() * 2 + bytes);
        }
    };
    auto put = [&](std::string_view bytes) {
        room(bytes.size());
        std::memcpy(reinterpret_cast<char*>(out.data()) + used, bytes.data(), bytes.size());
        used += bytes.size();
    };

    iconv_t cd = ThreadIconv().Get(from, to);
    std::size_t left = srcBytes;
    while (left > 0) {
        if (cd == kNoIconv) {
            // No converter installed: keep ASCII, replace the rest.
            const std::size_t unit = from == kUtf16 ? 2 : 1;
            char16_t u = in[0];
            if (from == kUtf16 && left >= 2) {
                std::memcpy(&u, in, 2);
            }
            if (left >= unit && u < 0x80) {
                const char c = static_cast<char>(u);
                put(to == kUtf16 ? std::string_view(reinterpret_cast<const char*>(&u), 2)
                                 : std::string_view(&c, 1));
                in += unit;
                left -= unit;
                continue;
            }
            std::size_t bad = BadLength(from, in, left);
            in += bad;
            left -= bad;
            put(repl);
            continue;
        }
        char* inp = reinterpret_cast<char*>(const_cast<unsigned char*>(in));
        char* outp = reinterpret_cast<char*>(out.data()) + used;
        std::size_t outLeft = out.size() * sizeof(Unit) - used;
        std::size_t r = iconv(cd, &inp, &left, &outp, &outLeft);
        const int err = errno;
        used = static_cast<std::size_t>(outp - reinterpret_cast<char*>(out.data()));
        in = reinterpret_cast<const unsigned char*>(inp);
        if (r != static_cast<std::size_t>(-1)) {
            break;
        }
        if (err == E2BIG) {
            room(out.size() * sizeof(Unit) + 16);
            continue;
        }
        // EILSEQ: a bad or unconvertible character; EINVAL: a character cut off at the end.
        std::size_t bad = err == EINVAL ? left : std::min(left, BadLength(from, in, left));
        in += bad;
        left -= bad;
        put(repl);
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    out.resize(used / sizeof(Unit));
    return out;
}

bool IsAscii(std::string_view s) {
    return std::all_of(s.begin(), s.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

}  // namespace

std::string Gbk(std::string_view utf8) {
    return Utf8ToGbk(utf8);
}

std::string GbkToUtf8(std::string_view gbk) {
    if (IsAscii(gbk)) {
        return std::string(gbk);
    }
    return Convert<std::string>(kGbk, kUtf8, gbk.data(), gbk.size());
}

std::u16string GbkToUtf16(std::string_view gbk) {
    return Convert<std::u16string>(kGbk, kUtf16, gbk.data(), gbk.size());
}

std::string Utf8ToGbk(std::string_view utf8) {
    if (IsAscii(utf8)) {
        return std::string(utf8);
    }
    return Convert<std::string>(kUtf8, kGbk, utf8.data(), utf8.size());
}

std::string Utf16ToGbk(std::u16string_view utf16) {
    return Convert<std::string>(kUtf16, kGbk, utf16.data(), utf16.size() * sizeof(char16_t));
}

std::u16string Utf8ToUtf16(std::string_view utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
    std::size_t n = utf8.size();
    while (n > 0) {
        Utf8Step s = DecodeUtf8(p, n);
        p += s.len;
        n -= s.len;
        if (s.cp >= 0x10000) {
            const char32_t v = s.cp - 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (v >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (v & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(s.cp));
        }
    }
    return out;
}

std::string Utf16ToUtf8(std::u16string_view utf16) {
    std::string out;
    out.reserve(utf16.size() * 3 / 2 + 8);
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        char32_t cp = utf16[i];
        if (cp >= 0xD800 && cp <= 0xDFFF) {
            const bool pair = cp <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
                              utf16[i + 1] <= 0xDFFF;
            if (pair) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (utf16[++i] - 0xDC00);
            } else {
                cp = 0xFFFD;
            }
        }
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}

std::size_t GbkCutLength(std::string_view gbk, std::size_t maxBytes) {
    if (gbk.size() <= maxBytes) {
        return gbk.size();
    }
    // GBK cannot be read backwards (a trail byte may also be a lead byte), so walk
    // from the start.
    const auto* p = reinterpret_cast<const unsigned char*>(gbk.data());
    std::size_t i = 0;
    while (i < maxBytes) {
        const std::size_t step = IsGbkPair(p[i], p[i + 1]) ? 2 : 1;  // i + 1 < size here
        if (i + step > maxBytes) {
            break;
        }
        i += step;
    }
    return i;
}

std::string GbkCut(std::string_view gbk, std::size_t maxBytes) {
    return std::string(gbk.substr(0, GbkCutLength(gbk, maxBytes)));
}

}  // namespace vq
