#include "com/Bstr.h"

#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

constexpr std::size_t kPrefix = sizeof(std::uint32_t);

std::uint32_t* PrefixOf(BSTR s) {
    return reinterpret_cast<std::uint32_t*>(reinterpret_cast<unsigned char*>(s) - kPrefix);
}

}  // namespace

BSTR SysAllocStringLen(const OLECHAR* text, std::uint32_t units) {
    // The byte count must fit the prefix; the limit keeps the size arithmetic exact.
    if (units > (std::numeric_limits<std::uint32_t>::max() - kPrefix) / sizeof(OLECHAR) - 1) {
        return nullptr;
    }
    const std::size_t bytes = static_cast<std::size_t>(units) * sizeof(OLECHAR);
    auto* block = static_cast<unsigned char*>(std::malloc(kPrefix + bytes + sizeof(OLECHAR)));
    if (block == nullptr)
        return nullptr;
    const auto count = static_cast<std::uint32_t>(bytes);
    std::memcpy(block, &count, kPrefix);
    auto* chars = reinterpret_cast<OLECHAR*>(block + kPrefix);
    if (text != nullptr) {
        std::memcpy(chars, text, bytes);
    } else {
        std::memset(chars, 0, bytes);
    }
    chars[units] = 0;
    return chars;
}

BSTR SysAllocString(const OLECHAR* text) {
    if (text == nullptr)
        return nullptr;
    std::size_t n = 0;
    while (text[n] != 0)
        ++n;
    if (n > std::numeric_limits<std::uint32_t>::max())
        return nullptr;
    return SysAllocStringLen(text, static_cast<std::uint32_t>(n));
}

void SysFreeString(BSTR s) {
    if (s != nullptr)
        std::free(PrefixOf(s));
}

std::uint32_t SysStringByteLen(BSTR s) {
    if (s == nullptr)
        return 0;
    std::uint32_t count = 0;
    std::memcpy(&count, PrefixOf(s), kPrefix);
    return count;
}

std::uint32_t SysStringLen(BSTR s) {
    return SysStringByteLen(s) / sizeof(OLECHAR);
}

BSTR BstrFromU16(std::u16string_view text) {
    if (text.size() > std::numeric_limits<std::uint32_t>::max())
        return nullptr;
    return SysAllocStringLen(text.data(), static_cast<std::uint32_t>(text.size()));
}

std::u16string U16FromBstr(BSTR s) {
    if (s == nullptr)
        return {};
    return std::u16string(s, SysStringLen(s));
}
