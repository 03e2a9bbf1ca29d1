// The emoticon table, the picture data object, and the shared emoticon suite on the
// headless backend.

#include "platform/headless/Headless.h"
#include "tests/messaging_emoticons/EmoticonSuite.h"

namespace {

struct HeadlessTraits {
    static std::unique_ptr<fw::Backend> Make() { return fw::headless::CreateBackend(); }
    static void LetTimePass(int ms) { fw::headless::AdvanceClock(ms); }
};

}  // namespace

INSTANTIATE_TYPED_TEST_SUITE_P(Headless, EmoticonSuite, ::testing::Types<HeadlessTraits>);

namespace {

TEST(EmoticonTable, HoldsTheFiftyCodes) {
    // Typed from the design's table: index, code.
    const std::vector<std::pair<int, std::string>> samples = {
        {0, "/:O"},    {1, "/:-/"},   {3, "/>:"},    {4, "/8-)"},   {7, "/:-X"},
        {9, "/:'("},   {10, "/:-|"},  {13, "/:D"},   {14, "/:)"},   {19, "/<QQ>"},
        {20, "/<MM>"}, {25, "/<$>"},  {33, "/<Y1>"}, {36, "/<@@>"}, {40, "/<!!>"},
        {41, "/<~>"},  {46, "/<OK>"}, {48, "/<00>"}, {49, "/<11>"}};
    for (const auto& [index, code] : samples) {
        EXPECT_EQ(EmoticonCode(index), code) << index;
    }
    EXPECT_EQ(EmoticonCode(-1), "");
    EXPECT_EQ(EmoticonCode(50), "");
    // Every code can be reached: none is shadowed by an earlier code it starts with.
    for (int i = 0; i < kEmoticonCount; ++i) {
        const std::string_view code = EmoticonCode(i);
        ASSERT_FALSE(code.empty());
        EXPECT_EQ(code.front(), '/');
        EXPECT_EQ(MatchEmoticon(code, 0), i) << code;
    }
}

TEST(EmoticonTable, MatchingTakesTheFirstCodeThatFollowsTheSlash) {
    EXPECT_EQ(MatchEmoticon("a/:)b", 1), 14);
    EXPECT_EQ(MatchEmoticon("a/:)b", 0), -1);  // not at a slash
    EXPECT_EQ(MatchEmoticon("/:-Xyz", 0), 7);
    EXPECT_EQ(MatchEmoticon("/:-", 0), -1);
    EXPECT_EQ(MatchEmoticon("//:D", 0), -1);
    EXPECT_EQ(MatchEmoticon("//:D", 1), 13);
    EXPECT_EQ(MatchEmoticon("/<Y", 0), -1);  // a code cut short by the end of the text
    EXPECT_EQ(MatchEmoticon("x", 5), -1);
}

TEST(EmoticonPictures, AreTheImageOverWhite) {
    // Two 20x20 images: the second red with a teal (transparent) corner pixel.
    fw::Bitmap strip(40, 20, fw::RGB(0, 0, 255));
    for (int y = 0; y < 20; ++y) {
        for (int x = 20; x < 40; ++x) {
            strip.SetPixel(x, y, fw::RGB(255, 0, 0));
        }
    }
    strip.SetPixel(20, 0, fw::RGB(0, 128, 128));
    CImageList list;
    ASSERT_TRUE(list.Create(20, 20, CImageList::ILC_COLOR8 | CImageList::ILC_MASK, 50, 50));
    ASSERT_EQ(list.Add(strip, fw::RGB(0, 128, 128)), 0);
    const fw::Bitmap picture = EmoticonPicture(list, 1);
    EXPECT_EQ(picture.GetSize(), (fw::Size{20, 20}));
    EXPECT_EQ(picture.GetPixel(0, 0), fw::RGB(255, 255, 255));
    EXPECT_EQ(picture.GetPixel(1, 0), fw::RGB(255, 0, 0));
    EXPECT_EQ(picture.GetPixel(19, 19), fw::RGB(255, 0, 0));
    EXPECT_EQ(EmoticonPicture(list, 0).GetPixel(0, 0), fw::RGB(0, 0, 255));
    // An image the list does not have is a white square.
    EXPECT_EQ(EmoticonPicture(list, 7).GetPixel(5, 5), fw::RGB(255, 255, 255));
}

// ---- The data object ----

class DataObject : public ::testing::Test {
protected:
    void SetUp() override {
        handles_ = LiveBitmapHandles();
        objects_ = CImageDataObject::LiveObjects();
    }
    void TearDown() override {
        EXPECT_EQ(LiveBitmapHandles(), handles_);
        EXPECT_EQ(CImageDataObject::LiveObjects(), objects_);
    }
    static HBITMAP Red() { return CreateBitmapHandle(fw::Bitmap(3, 2, fw::RGB(255, 0, 0))); }
    int handles_ = 0;
    int objects_ = 0;
};

TEST_F(DataObject, AnswersItsTwoInterfacesAndCountsReferences) {
    auto* object = new CImageDataObject();
    IDataObject* data = nullptr;
    ASSERT_EQ(object->QueryInterface(IID_IDataObject, reinterpret_cast<void**>(&data)), S_OK);
    ASSERT_NE(data, nullptr);
    IUnknown* unknown = nullptr;
    ASSERT_EQ(data->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
    EXPECT_EQ(static_cast<void*>(unknown), static_cast<void*>(data));
    void* other = reinterpret_cast<void*>(1);
    const IID dispatch =
        MakeGuid(0x00020400, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);
    EXPECT_EQ(data->QueryInterface(dispatch, &other), E_NOINTERFACE);
    EXPECT_EQ(other, nullptr);
    EXPECT_EQ(data->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
    EXPECT_EQ(data->AddRef(), 3u);
    EXPECT_EQ(data->Release(), 2u);
    EXPECT_EQ(unknown->Release(), 1u);
    EXPECT_EQ(CImageDataObject::LiveObjects(), objects_ + 1);
    EXPECT_EQ(data->Release(), 0u);  // gone
}

TEST_F(DataObject, KeepsAndCopiesItsBitmap) {
    auto* object = new CImageDataObject();
    object->AddRef();
    FORMATETC format;
    STGMEDIUM medium;
    EXPECT_EQ(object->GetData(&format, &medium), E_HANDLE);  // nothing stored yet

    HBITMAP red = Red();
    ASSERT_EQ(object->SetBitmap(red), S_OK);
    EXPECT_EQ(object->Format().cfFormat, CF_BITMAP);
    EXPECT_EQ(object->Format().ptd, nullptr);
    EXPECT_EQ(object->Format().dwAspect, DVASPECT_CONTENT);
    EXPECT_EQ(object->Format().lindex, -1);
    EXPECT_EQ(object->Format().tymed, TYMED_GDI);
    format = object->Format();
    ASSERT_EQ(object->GetData(&format, &medium), S_OK);
    EXPECT_EQ(medium.tymed, TYMED_GDI);
    EXPECT_EQ(medium.pUnkForRelease, nullptr);
    EXPECT_NE(medium.hBitmap, red);  // a copy, the caller's to free
    const fw::Bitmap* copy = BitmapOfHandle(medium.hBitmap);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->GetSize(), (fw::Size{3, 2}));
    EXPECT_EQ(copy->GetPixel(2, 1), fw::RGB(255, 0, 0));
    ReleaseStgMedium(&medium);
    EXPECT_EQ(medium.hBitmap, nullptr);
    EXPECT_NE(BitmapOfHandle(red), nullptr);  // still the object's

    // A second bitmap replaces the first, which the object owned and frees.
    ASSERT_EQ(object->SetBitmap(Red()), S_OK);
    EXPECT_EQ(BitmapOfHandle(red), nullptr);
    EXPECT_EQ(object->Release(), 0u);  // frees the second
}

TEST_F(DataObject, LeavesABitmapItDoesNotOwn) {
    HBITMAP red = Red();
    auto* object = new CImageDataObject();
    object->AddRef();
    FORMATETC format;
    format.cfFormat = CF_BITMAP;
    format.tymed = TYMED_GDI;
    STGMEDIUM medium;
    medium.tymed = TYMED_GDI;
    medium.hBitmap = red;
    ASSERT_EQ(object->SetData(&format, &medium, 0), S_OK);
    EXPECT_EQ(object->SetData(nullptr, &medium, 0), E_POINTER);
    object->Release();
    EXPECT_NE(BitmapOfHandle(red), nullptr);
    EXPECT_TRUE(DeleteObject(red));
    EXPECT_FALSE(DeleteObject(red));  // a handle dies once
    EXPECT_EQ(OleDuplicateData(red, CF_BITMAP, 0), nullptr);
}

TEST_F(DataObject, OtherMembersAreNotImplemented) {
    auto* object = new CImageDataObject();
    object->AddRef();
    FORMATETC format;
    STGMEDIUM medium;
    IEnumFORMATETC* formats = nullptr;
    IEnumSTATDATA* advises = nullptr;
    DWORD connection = 0;
    EXPECT_EQ(object->GetDataHere(&format, &medium), E_NOTIMPL);
    EXPECT_EQ(object->QueryGetData(&format), E_NOTIMPL);
    EXPECT_EQ(object->GetCanonicalFormatEtc(&format, &format), E_NOTIMPL);
    EXPECT_EQ(object->EnumFormatEtc(1, &formats), E_NOTIMPL);
    EXPECT_EQ(object->DAdvise(&format, 0, nullptr, &connection), E_NOTIMPL);
    EXPECT_EQ(object->DUnadvise(connection), E_NOTIMPL);
    EXPECT_EQ(object->EnumDAdvise(&advises), E_NOTIMPL);
    object->Release();
}

TEST_F(DataObject, DuplicatesOnlyBitmaps) {
    HBITMAP red = Red();
    EXPECT_EQ(OleDuplicateData(red, CLIPFORMAT(1), 0), nullptr);
    HBITMAP copy = OleDuplicateData(red, CF_BITMAP, 0);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(BitmapOfHandle(copy)->GetPixel(0, 0), fw::RGB(255, 0, 0));
    // A medium with a release object hands the release to it and keeps the bitmap.
    auto* owner = new CImageDataObject();
    owner->AddRef();
    STGMEDIUM medium;
    medium.tymed = TYMED_GDI;
    medium.hBitmap = copy;
    medium.pUnkForRelease = owner;
    ReleaseStgMedium(&medium);
    EXPECT_NE(BitmapOfHandle(copy), nullptr);
    DeleteObject(copy);
    DeleteObject(red);
}

}  // namespace
