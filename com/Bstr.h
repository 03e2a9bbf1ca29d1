// BSTR: a length-prefixed UTF-16 text in one allocation. The 32-bit byte count
// sits just before the characters and a zero unit follows them, so a BSTR is
// also a valid zero-terminated text; embedded zeros are allowed.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

using OLECHAR = char16_t;
using BSTR = OLECHAR*;

// Null on allocation failure or when the length does not fit the 32-bit prefix.
BSTR SysAllocString(const OLECHAR* text);
BSTR SysAllocStringLen(const OLECHAR* text, std::uint32_t units);
void SysFreeString(BSTR s);
// A null BSTR counts as the empty text, as everywhere in COM.
std::uint32_t SysStringLen(BSTR s);
std::uint32_t SysStringByteLen(BSTR s);

BSTR BstrFromU16(std::u16string_view text);
std::u16string U16FromBstr(BSTR s);

// Owns one BSTR.
class CBstr {
public:
    CBstr() = default;
    explicit CBstr(std::u16string_view text) : s_(BstrFromU16(text)) {}
    CBstr(const CBstr&) = delete;
    CBstr& operator=(const CBstr&) = delete;
    CBstr(CBstr&& o) noexcept : s_(std::exchange(o.s_, nullptr)) {}
    CBstr& operator=(CBstr&& o) noexcept {
        if (this != &o) {
            SysFreeString(s_);
            s_ = std::exchange(o.s_, nullptr);
        }
        return *this;
    }
    ~CBstr() { SysFreeString(s_); }

    BSTR Get() const { return s_; }
    BSTR Detach() { return std::exchange(s_, nullptr); }
    // Takes ownership of s.
    void Attach(BSTR s) {
        SysFreeString(s_);
        s_ = s;
    }
    std::uint32_t Length() const { return SysStringLen(s_); }
    std::u16string Str() const { return U16FromBstr(s_); }

private:
    BSTR s_ = nullptr;
};
