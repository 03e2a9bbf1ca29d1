// Pictures come from files: any bytes must be refused or read within bounds.
#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/Bitmap.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto bmp = fw::Bitmap::FromBmp(std::span<const std::uint8_t>(data, size));
    if (bmp) {
        volatile fw::Color sink = bmp->GetPixel(bmp->Width() - 1, bmp->Height() - 1);
        (void)sink;
        // Large pictures make the fuzzer slow without finding more.
        if (std::size_t(bmp->Width()) * std::size_t(bmp->Height()) <= 65536) {
            (void)bmp->ToBmp();
        }
    }
    return 0;
}
