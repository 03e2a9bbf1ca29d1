// 128-bit identifiers of classes, interfaces, type libraries and categories.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

struct GUID {
    std::uint32_t Data1 = 0;
    std::uint16_t Data2 = 0;
    std::uint16_t Data3 = 0;
    std::array<std::uint8_t, 8> Data4{};

    friend bool operator==(const GUID&, const GUID&) = default;
};

using IID = GUID;
using CLSID = GUID;
using CATID = GUID;
using REFGUID = const GUID&;
using REFIID = const IID&;
using REFCLSID = const CLSID&;

constexpr GUID GUID_NULL{};

// Accepts the registry form "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" (any hex case);
// braces are optional. Anything else is refused.
std::optional<GUID> GuidFromString(std::string_view text);

// Upper-case registry form with braces.
std::string GuidToString(const GUID& g);

// For literal identifiers in tables; a malformed literal yields GUID_NULL,
// which the tests of each table catch.
constexpr GUID MakeGuid(std::uint32_t d1, std::uint16_t d2, std::uint16_t d3, std::uint8_t a,
                        std::uint8_t b, std::uint8_t c, std::uint8_t d, std::uint8_t e,
                        std::uint8_t f, std::uint8_t g, std::uint8_t h) {
    return GUID{d1, d2, d3, {a, b, c, d, e, f, g, h}};
}

struct GuidLess {
    bool operator()(const GUID& a, const GUID& b) const;
};
