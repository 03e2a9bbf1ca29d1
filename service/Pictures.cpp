#include "service/Pictures.h"

#include <cstdint>
#include <cstdio>

#include "service/RequestParams.h"

namespace vqsvc {

namespace {

struct Style {
    const char* from;
    const char* to;
    const char* line;
    const char* area;
};
constexpr Style kStyles[kGeneratedPictureStyles] = {
    {"#13315c", "#2a6fb0", "#ffd166", "rgba(255,209,102,0.22)"},
    {"#0b4f4a", "#1f8a70", "#f4f1de", "rgba(244,241,222,0.20)"},
    {"#5c1a33", "#a8324a", "#ffe8a3", "rgba(255,232,163,0.22)"},
    {"#2d2a5a", "#5b4fa8", "#7ee0c3", "rgba(126,224,195,0.22)"},
};

constexpr int kWidth = 300;
constexpr int kHeight = 168;
constexpr size_t kMaxHeadingChars = 8;
constexpr size_t kMaxCaptionChars = 13;

// At most `chars` characters of a UTF-8 text, with an ellipsis when cut.
std::string CutChars(std::string_view text, size_t chars) {
    size_t count = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) {
            continue;
        }
        if (count == chars) {
            return std::string(text.substr(0, i)) + "\xE2\x80\xA6";
        }
        ++count;
    }
    return std::string(text);
}

std::string XmlText(std::string_view text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '\'':
                out += "&apos;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                // Controls are not allowed in XML text at all.
                if (static_cast<unsigned char>(c) >= 0x20) {
                    out += c;
                }
        }
    }
    return out;
}

}  // namespace

std::string GeneratedPictureName(int number) {
    return std::string(kGeneratedPicturePrefix) + std::to_string(number);
}

int GeneratedPictureNumber(std::string_view name) {
    if (name.substr(0, kGeneratedPicturePrefix.size()) != kGeneratedPicturePrefix) {
        return 0;
    }
    const auto n = ParseId(name.substr(kGeneratedPicturePrefix.size()));
    return n && *n >= 1 && *n <= 1000000 ? static_cast<int>(*n) : 0;
}

std::string StripPictureSvg(int number, std::string_view heading, std::string_view caption) {
    const Style& s =
        kStyles[static_cast<size_t>((number > 0 ? number - 1 : 0) % kGeneratedPictureStyles)];
    // A market line that differs from picture to picture and never from run to run.
    uint32_t state = 2166136261u ^ static_cast<uint32_t>(number) * 16777619u;
    auto next = [&state] {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    };
    std::string line;
    int y = 50 + static_cast<int>(next() % 30);
    constexpr int kPoints = 13;
    for (int i = 0; i < kPoints; ++i) {
        const int x = i * kWidth / (kPoints - 1);
        y += static_cast<int>(next() % 23) - 12;
        y = y < 22 ? 22 : (y > 92 ? 92 : y);
        line += (i ? " " : "") + std::to_string(x) + "," + std::to_string(y);
    }
    char head[512];
    std::snprintf(head, sizeof head,
                  "<svg xmlns='http://www.w3.org/2000/svg' width='%d' height='%d' "
                  "viewBox='0 0 %d %d'><defs><linearGradient id='g' x1='0' y1='0' x2='1' "
                  "y2='1'><stop offset='0' stop-color='%s'/><stop offset='1' "
                  "stop-color='%s'/></linearGradient></defs>"
                  "<rect width='%d' height='%d' fill='url(#g)'/>",
                  kWidth, kHeight, kWidth, kHeight, s.from, s.to, kWidth, kHeight);
    std::string svg = head;
    svg += "<g stroke='rgba(255,255,255,0.13)' stroke-width='1'>";
    for (int gy = 24; gy <= 96; gy += 24) {
        svg += "<line x1='0' y1='" + std::to_string(gy) + "' x2='300' y2='" + std::to_string(gy) +
               "'/>";
    }
    svg += "</g>";
    svg += "<polygon points='0,104 " + line + " 300,104' fill='" + s.area + "'/>";
    svg += "<polyline points='" + line + "' fill='none' stroke='" + s.line +
           "' stroke-width='4' stroke-linejoin='round' stroke-linecap='round'/>";
    svg += "<rect y='104' width='300' height='64' fill='rgba(0,0,0,0.40)'/>";
    const char* font =
        "font-family='WenQuanYi Micro Hei,Noto Sans CJK SC,Microsoft YaHei,"
        "SimHei,sans-serif'";
    svg += std::string("<text x='14' y='131' font-size='24' font-weight='bold' fill='") + s.line +
           "' " + font + ">" + XmlText(CutChars(heading, kMaxHeadingChars)) + "</text>";
    svg += std::string("<text x='14' y='158' font-size='19' fill='#ffffff' ") + font + ">" +
           XmlText(CutChars(caption, kMaxCaptionChars)) + "</text>";
    svg += "</svg>";
    return svg;
}

std::string SvgDataUrl(std::string_view svg) {
    static const char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out = "data:image/svg+xml;base64,";
    size_t i = 0;
    for (; i + 2 < svg.size(); i += 3) {
        const uint32_t v = static_cast<uint32_t>(static_cast<unsigned char>(svg[i])) << 16 |
                           static_cast<uint32_t>(static_cast<unsigned char>(svg[i + 1])) << 8 |
                           static_cast<unsigned char>(svg[i + 2]);
        out += kAlphabet[v >> 18];
        out += kAlphabet[(v >> 12) & 63];
        out += kAlphabet[(v >> 6) & 63];
        out += kAlphabet[v & 63];
    }
    if (i < svg.size()) {
        uint32_t v = static_cast<uint32_t>(static_cast<unsigned char>(svg[i])) << 16;
        if (i + 1 < svg.size()) {
            v |= static_cast<uint32_t>(static_cast<unsigned char>(svg[i + 1])) << 8;
        }
        out += kAlphabet[v >> 18];
        out += kAlphabet[(v >> 12) & 63];
        out += i + 1 < svg.size() ? kAlphabet[(v >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

}  // namespace vqsvc
