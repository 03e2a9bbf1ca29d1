#pragma once

// Byte helpers for the protocol tests, independent of the code under test.

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace testbytes {

using Bytes = std::vector<uint8_t>;

// "ff 00 1a" -> bytes; blanks and line breaks are ignored.
inline Bytes FromHex(std::string_view hex) {
    Bytes out;
    int nibble = -1;
    for (char c : hex) {
        int v = -1;
        if (c >= '0' && c <= '9')
            v = c - '0';
        if (c >= 'a' && c <= 'f')
            v = c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            v = c - 'A' + 10;
        if (v < 0)
            continue;
        if (nibble < 0) {
            nibble = v;
        } else {
            out.push_back(static_cast<uint8_t>(nibble * 16 + v));
            nibble = -1;
        }
    }
    return out;
}

inline void PutI32(Bytes& b, int32_t v) {
    for (int i = 0; i < 4; ++i)
        b.push_back(static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i)));
}

inline void PutText(Bytes& b, std::string_view s, size_t field) {
    for (size_t i = 0; i < field; ++i)
        b.push_back(i < s.size() ? static_cast<uint8_t>(s[i]) : 0);
}

// A column descriptor as on the wire.
inline void PutColumn(Bytes& b, std::string_view name, int32_t type, int32_t size, int32_t offset) {
    PutText(b, name, 16);
    PutI32(b, type);
    PutI32(b, size);
    PutI32(b, offset);
    b.insert(b.end(), 32, 0);
}

inline Bytes Append(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

inline const uint8_t* Data(const std::string& s) {
    return reinterpret_cast<const uint8_t*>(s.data());
}

}  // namespace testbytes
