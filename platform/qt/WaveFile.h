#pragma once
// A check of WAVE sound resources before they reach the audio stack: the RIFF chunks are
// walked with every size checked against the bytes, so a damaged resource is refused here
// instead of inside a decoder. No Qt in this file (the fuzzer builds it alone).

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace fw::qt {

struct WaveInfo {
    std::uint16_t format = 0;  // 1 PCM, 3 float, 0xFFFE extensible
    std::uint16_t channels = 0;
    std::uint32_t sampleRate = 0;
    std::uint16_t bitsPerSample = 0;
    std::size_t dataOffset = 0;
    std::size_t dataSize = 0;  // clamped to the bytes present
};

std::optional<WaveInfo> ParseWave(std::span<const std::uint8_t> data);

}  // namespace fw::qt
