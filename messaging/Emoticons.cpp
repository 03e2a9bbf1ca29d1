#include "messaging/Emoticons.h"

#include <mutex>

#include "messaging/ImageDataObject.h"
#include "platform/Resources.h"
#include "platform/Window.h"
#include "skin/ImageList.h"
#include "skin/Skin.h"

const std::array<std::string_view, kEmoticonCount> kEmoticonCodes = {
    "/:O",   "/:-/", "/:*",  "/>:",   "/8-)",  "/:(",  "/:$",   "/:-X",  "/:-Z",  "/:'(",
    "/:-|",  "/:@",  "/:P",  "/:D",   "/:)",   "/<D>", "/<J>",  "/<H>",  "/<M>",  "/<QQ>",
    "/<MM>", "/<L>", "/<S>", "/<K>",  "/<T>",  "/<$>", "/<O>",  "/<&>",  "/<B>",  "/<F>",
    "/<U>",  "/<V>", "/<W>", "/<Y1>", "/<Y2>", "/<%>", "/<@@>", "/<X>",  "/<I>",  "/<G>",
    "/<!!>", "/<~>", "/<C>", "/<Z>",  "/<*>",  "/<)>", "/<OK>", "/<NO>", "/<00>", "/<11>",
};

namespace {

constexpr fw::Color kWhite = fw::RGB(255, 255, 255);
constexpr int kImageSize = 20;

struct ImageSource {
    std::mutex lock;
    std::shared_ptr<const CImageList> chosen;
    std::shared_ptr<const CImageList> fromResource;
};

ImageSource& Source() {
    static ImageSource source;
    return source;
}

// The list the skin would build: 20x20 images of resource 196 keyed on teal.
std::shared_ptr<const CImageList> BuildFromResource() {
    auto list = std::make_shared<CImageList>();
    list->Create(kImageSize, kImageSize, CImageList::ILC_COLOR8 | CImageList::ILC_MASK,
                 kEmoticonCount, kEmoticonCount);
    if (auto strip = fw::Resources::Global().LoadBitmap(CSkin::kEmoticonBitmapId)) {
        list->Add(*strip, CSkin::kEmoticonMask);
    }
    return list;
}

// The picture goes in through a data object, as any embedded object does: the rich edit
// keeps its own copy and the data object frees the one it was given.
void InsertPictureOf(fw::RichEdit& edit, const CImageList& images, int index) {
    auto* data = new CImageDataObject();
    IDataObject* object = nullptr;
    data->QueryInterface(IID_IDataObject, reinterpret_cast<void**>(&object));
    data->SetBitmap(CreateBitmapHandle(EmoticonPicture(images, index)));
    FORMATETC format = data->Format();
    STGMEDIUM medium;
    if (SUCCEEDED(object->GetData(&format, &medium))) {
        if (const fw::Bitmap* copy = BitmapOfHandle(medium.hBitmap)) {
            edit.InsertPicture(std::make_shared<const fw::Bitmap>(*copy), std::uint32_t(index));
        }
        ReleaseStgMedium(&medium);
    }
    object->Release();
}

}  // namespace

std::string_view EmoticonCode(int index) {
    if (index < 0 || index >= kEmoticonCount) {
        return {};
    }
    return kEmoticonCodes[std::size_t(index)];
}

int MatchEmoticon(std::string_view text, std::size_t pos) {
    if (pos >= text.size() || text[pos] != '/') {
        return -1;
    }
    const std::string_view rest = text.substr(pos);
    for (int i = 0; i < kEmoticonCount; ++i) {
        if (rest.starts_with(kEmoticonCodes[std::size_t(i)])) {
            return i;
        }
    }
    return -1;
}

void SetEmoticonImages(std::shared_ptr<const CImageList> images) {
    ImageSource& s = Source();
    std::lock_guard<std::mutex> guard(s.lock);
    s.chosen = std::move(images);
}

const CImageList& EmoticonImages() {
    ImageSource& s = Source();
    std::lock_guard<std::mutex> guard(s.lock);
    if (s.chosen) {
        return *s.chosen;
    }
    if (!s.fromResource || s.fromResource->GetImageCount() == 0) {
        s.fromResource = BuildFromResource();
    }
    return *s.fromResource;
}

fw::Bitmap EmoticonPicture(const CImageList& images, int index) {
    const fw::Size size = images.IsCreated() ? images.GetImageSize() : fw::Size{20, 20};
    fw::Bitmap picture(size.cx, size.cy, kWhite);
    if (index >= 0 && index < images.GetImageCount()) {
        fw::Canvas canvas(picture);
        images.Draw(canvas, index, fw::Point{0, 0});
    }
    return picture;
}

void InsertEmoticonText(const std::string& text, fw::RichEdit& edit) {
    InsertEmoticonText(text, edit, EmoticonImages());
}

void InsertEmoticonText(const std::string& text, fw::RichEdit& edit, const CImageList& images) {
    std::size_t start = 0;
    std::size_t search = 0;
    while (true) {
        const std::size_t slash = text.find('/', search);
        if (slash == std::string::npos) {
            break;
        }
        const int index = MatchEmoticon(text, slash);
        if (index < 0) {
            search = slash + 1;
            continue;
        }
        if (slash > start) {
            edit.ReplaceSel(text.substr(start, slash - start));
        }
        InsertPictureOf(edit, images, index);
        start = search = slash + kEmoticonCodes[std::size_t(index)].size();
    }
    if (start < text.size()) {
        edit.ReplaceSel(text.substr(start));
    }
}

std::string ReadEmoticonText(const fw::RichEdit& edit) {
    const int count = edit.GetObjectCount();
    std::string out;
    int from = 0;
    for (int k = 0; k < count; ++k) {
        fw::RichObjectInfo info;
        if (!edit.GetObjectInfo(k, info)) {
            break;
        }
        out += edit.GetTextRange(from, info.cp);
        out += EmoticonCode(int(info.user));
        from = info.cp + 1;
    }
    out += edit.GetTextRange(from, -1);
    return out;
}

void InsertEmoticon(fw::RichEdit& edit, int index) {
    InsertEmoticon(edit, index, EmoticonImages());
}

void InsertEmoticon(fw::RichEdit& edit, int index, const CImageList& images) {
    if (index < 0 || index >= kEmoticonCount) {
        return;
    }
    InsertPictureOf(edit, images, index);
}

void ClearRichText(fw::RichEdit& edit) {
    edit.SetSel(0, -1);
    edit.Clear();
    edit.ReplaceSel("");
}
