#pragma once
// GBK (code page 936) is the program's working encoding; the UI, file paths and the
// browser take UTF-8 or UTF-16. These are the only conversions between them.
//
// Every function is thread-safe, never throws for bad input and never fails: a byte
// sequence that is not valid in the source encoding, or a character the target
// encoding lacks, becomes one replacement character ('?' in GBK, U+FFFD in UTF-8 and
// UTF-16) and the conversion goes on with the next character.

#include <cstddef>
#include <string>
#include <string_view>

namespace vq {

// A UTF-8 source literal as GBK: the one place where the program's own texts are
// converted, e.g. Gbk("提示").
std::string Gbk(std::string_view utf8);

std::string GbkToUtf8(std::string_view gbk);
std::u16string GbkToUtf16(std::string_view gbk);
std::string Utf8ToGbk(std::string_view utf8);
std::string Utf16ToGbk(std::u16string_view utf16);
std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);

// Length of the longest prefix of `gbk` of at most `maxBytes` bytes that does not end
// in the middle of a double-byte character. A lead byte (0x81-0xFE) followed by a
// trail byte (0x40-0x7E, 0x80-0xFE) is one character; any other byte stands alone.
std::size_t GbkCutLength(std::string_view gbk, std::size_t maxBytes);
std::string GbkCut(std::string_view gbk, std::size_t maxBytes);

// True for a GBK lead byte followed by a valid trail byte.
constexpr bool IsGbkPair(unsigned char lead, unsigned char trail) {
    return lead >= 0x81 && lead <= 0xFE && trail >= 0x40 && trail <= 0xFE && trail != 0x7F;
}

}  // namespace vq
