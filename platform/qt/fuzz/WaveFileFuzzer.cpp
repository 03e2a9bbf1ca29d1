// Bytes that reach the Qt backend from outside: WAVE resources, and window titles and
// window lists read from the X server. The first byte picks the reader.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "platform/qt/WaveFile.h"
#include "platform/qt/X11Windows.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::span<const std::uint8_t> rest(data + 1, size - 1);
    switch (data[0] % 4) {
        case 0:
            if (auto info = fw::qt::ParseWave(rest)) {
                // What is handed to the audio stack lies inside the bytes.
                if (info->dataOffset > rest.size() ||
                    info->dataSize > rest.size() - info->dataOffset) {
                    std::abort();
                }
            }
            break;
        case 1:
            (void)fw::qt::x11::DecodeTitle(true, rest);
            break;
        case 2:
            (void)fw::qt::x11::DecodeTitle(false, rest);
            break;
        default:
            if (fw::qt::x11::DecodeWindowList(32, rest).size() > rest.size() / 4) {
                std::abort();
            }
            break;
    }
    return 0;
}
