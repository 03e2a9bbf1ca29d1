// Chat text comes from the network: any bytes go into a rich edit with pictures and links
// and read back as they came (NUL ends a text there, so it is left out).

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "messaging/Emoticons.h"
#include "platform/Framework.h"
#include "platform/Window.h"
#include "platform/headless/Headless.h"
#include "skin/ImageList.h"

namespace {

struct Harness {
    Harness() {
        fw::InitWithBackend(fw::headless::CreateBackend(), "");
        images.Create(20, 20, CImageList::ILC_COLOR8 | CImageList::ILC_MASK, 50, 50);
        images.Add(fw::Bitmap(1000, 20, fw::RGB(0, 128, 128)), fw::RGB(0, 128, 128));
        host.CreateEx(0, "host", fw::WS_POPUP, fw::Rect{0, 0, 100, 100}, nullptr);
        edit.Create(fw::ES_MULTILINE, fw::Rect{0, 0, 100, 100}, &host, 1);
        edit.SetAutoUrlDetect(true);
    }
    CImageList images;
    fw::Window host;
    fw::RichEdit edit;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Harness h;
    std::string text;
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] != 0) {
            text += char(data[i]);
        }
    }
    ClearRichText(h.edit);
    InsertEmoticonText(text, h.edit, h.images);
    if (ReadEmoticonText(h.edit) != text) {
        std::abort();
    }
    const int length = h.edit.GetTextLength();
    int last = 0;
    for (const fw::RichLink& link : h.edit.GetLinks()) {
        if (link.range.cpMin < last || link.range.cpMax <= link.range.cpMin ||
            link.range.cpMax > length ||
            h.edit.GetTextRange(link.range.cpMin, link.range.cpMax) != link.text) {
            std::abort();
        }
        last = link.range.cpMax;
    }
    return 0;
}
