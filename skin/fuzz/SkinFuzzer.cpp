// Fuzz target for what the skin reads from files: colour values of skin.ini, and bitmap
// files cut into image lists and scanned for the corner key.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

#include "skin/CutCornerRegion.h"
#include "skin/ImageList.h"
#include "skin/Skin.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) {
        return 0;
    }
    const std::uint8_t mode = data[0];
    const std::uint8_t cell = static_cast<std::uint8_t>(data[1] % 32 + 1);
    const std::span<const std::uint8_t> rest(data + 2, size - 2);
    if (mode % 2 == 0) {
        CSkin skin;
        const fw::Color c =
            skin.ParseColor(std::string(reinterpret_cast<const char*>(rest.data()), rest.size()));
        if ((c & 0xFF000000u) != 0) {
            std::abort();  // three bytes only
        }
        return 0;
    }
    auto bmp = fw::Bitmap::FromBmp(rest);
    if (!bmp || bmp->Width() > 2048 || bmp->Height() > 2048) {
        return 0;
    }
    CImageList list;
    list.Create(cell, cell, CImageList::ILC_COLOR32 | CImageList::ILC_MASK, 0, 1);
    const int first = list.Add(*bmp, fw::RGB(255, 0, 0));
    if (first >= 0 && list.GetImageCount() != bmp->Width() / cell) {
        std::abort();
    }
    fw::Canvas canvas(bmp->Width(), bmp->Height());
    for (int i = 0; i < list.GetImageCount(); ++i) {
        list.Draw(canvas, i, {i * cell, 0});
    }
    canvas.DrawBitmap(0, 0, *bmp);
    const fw::Region region = CornerRegion(bmp->Width(), bmp->Height(), canvas);
    const long long all = static_cast<long long>(bmp->Width()) * bmp->Height();
    if (region.Area() > all || region.Area() < all - 4 * kCornerSize * kCornerSize) {
        std::abort();
    }
    return 0;
}
