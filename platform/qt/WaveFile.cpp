#include "platform/qt/WaveFile.h"

#include <cstring>

namespace fw::qt {

namespace {

std::uint32_t Le32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
           (std::uint32_t(p[3]) << 24);
}

std::uint16_t Le16(const std::uint8_t* p) {
    return std::uint16_t(p[0] | (p[1] << 8));
}

}  // namespace

std::optional<WaveInfo> ParseWave(std::span<const std::uint8_t> data) {
    if (data.size() < 12 || std::memcmp(data.data(), "RIFF", 4) != 0 ||
        std::memcmp(data.data() + 8, "WAVE", 4) != 0) {
        return std::nullopt;
    }
    WaveInfo info;
    bool haveFormat = false;
    std::size_t pos = 12;
    while (data.size() - pos >= 8) {
        const std::uint8_t* chunk = data.data() + pos;
        const std::size_t size = Le32(chunk + 4);
        const std::size_t body = pos + 8;
        const std::size_t left = data.size() - body;
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            if (size < 16 || size > left) {
                return std::nullopt;
            }
            const std::uint8_t* f = data.data() + body;
            info.format = Le16(f);
            info.channels = Le16(f + 2);
            info.sampleRate = Le32(f + 4);
            info.bitsPerSample = Le16(f + 14);
            haveFormat = true;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (!haveFormat) {
                return std::nullopt;
            }
            info.dataOffset = body;
            // Writers that never patched the size leave it too large; play what is there.
            info.dataSize = size < left ? size : left;
            break;
        }
        if (size > left) {
            return std::nullopt;
        }
        pos = body + size + (size & 1u);
        if (pos > data.size()) {
            return std::nullopt;
        }
    }
    const bool knownFormat = info.format == 1 || info.format == 3 || info.format == 0xFFFE;
    const bool knownBits = info.bitsPerSample == 8 || info.bitsPerSample == 16 ||
                           info.bitsPerSample == 24 || info.bitsPerSample == 32;
    if (!haveFormat || info.dataOffset == 0 || !knownFormat || !knownBits || info.channels == 0 ||
        info.channels > 8 || info.sampleRate == 0 || info.sampleRate > 384000) {
        return std::nullopt;
    }
    return info;
}

}  // namespace fw::qt
