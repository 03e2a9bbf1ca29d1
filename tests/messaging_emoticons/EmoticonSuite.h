#pragma once
// Emoticons in rich edits and the picker, held to the same behaviour on every backend. A
// backend's binary instantiates the suite with a traits type:
//
//   struct Traits {
//       static std::unique_ptr<fw::Backend> Make();
//       static void LetTimePass(int ms);  // timers due in that time fire
//   };
//
// The framework runs on the program's own resources (res/ of the source tree), so the
// pictures are the real emoticon strip.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "messaging/Emoticons.h"
#include "messaging/ImageDataObject.h"
#include "messaging/ImageSelector.h"
#include "messaging/RichEditCtrlEx.h"
#include "platform/Backend.h"
#include "platform/Framework.h"
#include "platform/Window.h"
#include "platform/core/Text.h"
#include "skin/ImageList.h"

namespace emotest {

inline std::string G(const char* utf8) {
    return vq::Gbk(utf8);
}

inline std::filesystem::path SourceDir() {
    const char* dir = std::getenv("VQ_SOURCE_DIR");
    return dir != nullptr && *dir != '\0'
               ? std::filesystem::path(dir)
               : std::filesystem::path(__FILE__).parent_path().parent_path().parent_path();
}

// A top-level window that writes down the commands and notifications it gets.
class Host : public fw::Window {
public:
    bool Make(int x = 200, int y = 150) {
        return CreateEx(0, "host", fw::WS_POPUP | fw::WS_VISIBLE,
                        fw::Rect::FromXYWH(x, y, 640, 400), nullptr);
    }
    bool OnCommand(fw::UINT id, fw::UINT code, fw::HWND) override {
        commands.emplace_back(id, code);
        return true;
    }
    int Count(fw::UINT id, fw::UINT code) const {
        return int(std::count(commands.begin(), commands.end(), std::make_pair(id, code)));
    }
    std::vector<std::pair<fw::UINT, fw::UINT>> commands;
};

// What a rich edit holds, item by item: "t:<text>" or "p:<index>".
inline std::vector<std::string> Items(const fw::RichEdit& edit) {
    std::vector<std::string> out;
    const int objects = edit.GetObjectCount();
    int from = 0;
    for (int k = 0; k < objects; ++k) {
        fw::RichObjectInfo info;
        if (!edit.GetObjectInfo(k, info)) {
            break;
        }
        if (info.cp > from) {
            out.push_back("t:" + edit.GetTextRange(from, info.cp));
        }
        out.push_back("p:" + std::to_string(info.user));
        from = info.cp + 1;
    }
    if (edit.GetTextLength() > from) {
        out.push_back("t:" + edit.GetTextRange(from, -1));
    }
    return out;
}

}  // namespace emotest

template <typename Traits>
class EmoticonSuite : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(fw::InitWithBackend(Traits::Make(), (emotest::SourceDir() / "res").string()));
        SetEmoticonImages(nullptr);
        ASSERT_TRUE(host_.Make());
        ASSERT_TRUE(
            edit_.Create(fw::WS_VISIBLE | fw::ES_MULTILINE | fw::ES_AUTOVSCROLL | fw::ES_WANTRETURN,
                         fw::Rect{10, 10, 630, 300}, &host_, 1034));
        edit_.SetEventMask(edit_.GetEventMask() | fw::ENM_CHANGE);
        // A desktop activates a new window a moment after it shows: let that pass before the
        // tests open pickers over it.
        Traits::LetTimePass(50);
    }
    void TearDown() override {
        host_.DestroyWindow();
        fw::Shutdown();
    }
    int Changes() const { return host_.Count(1034, fw::EN_CHANGE); }

    emotest::Host host_;
    CRichEditCtrlEx edit_;
};

TYPED_TEST_SUITE_P(EmoticonSuite);

using emotest::G;
using emotest::Items;
using Strings = std::vector<std::string>;

TYPED_TEST_P(EmoticonSuite, CodesInTextBecomePictures) {
    CRichEditCtrlEx& edit = this->edit_;
    InsertEmoticonText("a/:)b", edit);
    EXPECT_EQ(Items(edit), (Strings{"t:a", "p:14", "t:b"}));
    EXPECT_EQ(edit.GetTextLength(), 3);  // a picture is one character

    ClearRichText(edit);
    EXPECT_EQ(edit.GetTextLength(), 0);
    EXPECT_EQ(edit.GetObjectCount(), 0);
    InsertEmoticonText("/:-Xyz", edit);
    EXPECT_EQ(Items(edit), (Strings{"p:7", "t:yz"}));

    // A start of a code that goes no further stays text.
    ClearRichText(edit);
    InsertEmoticonText("/:-", edit);
    EXPECT_EQ(Items(edit), (Strings{"t:/:-"}));

    // A slash that starts no code is a letter; the search goes on right after it.
    ClearRichText(edit);
    InsertEmoticonText("//:D", edit);
    EXPECT_EQ(Items(edit), (Strings{"t:/", "p:13"}));

    // Codes side by side, at both ends, among Chinese text and line breaks.
    ClearRichText(edit);
    InsertEmoticonText(G("/<OK>/<NO>张三：你好/:(\r\n/abc /<11>"), edit);
    EXPECT_EQ(Items(edit),
              (Strings{"p:46", "p:47", G("t:张三：你好"), "p:5", "t:\r\n/abc ", "p:49"}));

    // Each picture is the emoticon's image drawn over white, at the image size.
    const CImageList& images = EmoticonImages();
    ASSERT_EQ(images.GetImageCount(), kEmoticonCount);
    EXPECT_EQ(images.GetImageSize(), (fw::Size{20, 20}));
    const std::vector<fw::RichItem>& content = edit.Content();
    const auto picture = std::find_if(content.begin(), content.end(),
                                      [](const fw::RichItem& i) { return i.isObject; });
    ASSERT_NE(picture, content.end());
    ASSERT_TRUE(picture->picture);
    EXPECT_EQ(picture->picture->GetSize(), (fw::Size{20, 20}));
    const fw::Bitmap expected = images.Render(46, fw::RGB(255, 255, 255));
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 20; ++x) {
            ASSERT_EQ(picture->picture->GetPixel(x, y), expected.GetPixel(x, y)) << x << "," << y;
        }
    }
}

TYPED_TEST_P(EmoticonSuite, PlainTextGoesInInOnePiece) {
    CRichEditCtrlEx& edit = this->edit_;
    const int before = this->Changes();
    InsertEmoticonText(G("今天的行情：上证指数 3000 点，http://quote.example.cn/a\r\n明天见"),
                       edit);
    EXPECT_EQ(this->Changes(), before + 1);
    EXPECT_EQ(edit.GetObjectCount(), 0);
    // With codes, each stretch of text and each picture is one insertion.
    InsertEmoticonText("x/:Dy/:Pz", edit);
    EXPECT_EQ(this->Changes(), before + 1 + 5);
}

TYPED_TEST_P(EmoticonSuite, PicturesReadBackAsTheirCodes) {
    CRichEditCtrlEx& edit = this->edit_;
    edit.ReplaceSel("x");
    InsertEmoticon(edit, 3);
    edit.ReplaceSel("y");
    EXPECT_EQ(ReadEmoticonText(edit), "x/>:y");

    // Whatever goes in comes out, Chinese before pictures included.
    const std::string message =
        G("你好/:)\r\n今天/<Y1>/<Y2>涨了/:O吗？/:-|/:'(") + std::string("/<11>");
    ClearRichText(edit);
    InsertEmoticonText(message, edit);
    EXPECT_EQ(ReadEmoticonText(edit), message);
    EXPECT_EQ(edit.GetObjectCount(), 7);

    // Inserted where the caret is.
    ClearRichText(edit);
    InsertEmoticonText(G("前后"), edit);
    edit.SetSel(1, 1);
    InsertEmoticon(edit, 14);
    EXPECT_EQ(ReadEmoticonText(edit), G("前/:)后"));
    // A number outside the table inserts nothing and a stray one reads as nothing.
    InsertEmoticon(edit, 50);
    InsertEmoticon(edit, -1);
    EXPECT_EQ(edit.GetObjectCount(), 1);
    edit.InsertPicture(std::make_shared<const fw::Bitmap>(20, 20), 77);
    EXPECT_EQ(ReadEmoticonText(edit), G("前/:)后"));

    // Nothing is left behind by the data objects that carried the pictures.
    EXPECT_EQ(CImageDataObject::LiveObjects(), 0);
    EXPECT_EQ(LiveBitmapHandles(), 0);
}

TYPED_TEST_P(EmoticonSuite, PickerShowsTheGridAndItsCodes) {
    const CImageList& images = EmoticonImages();
    CImageSelector* picker = CImageSelector::Show(images, 300, 200, &this->host_);
    ASSERT_NE(picker, nullptr);
    const fw::HWND handle = picker->GetSafeHwnd();
    // Ten columns and five rows of 26x26 cells.
    EXPECT_EQ(picker->CellSize(), (fw::Size{26, 26}));
    EXPECT_EQ(picker->GetWindowRect(), (fw::Rect{300, 200, 560, 330}));
    EXPECT_TRUE(picker->IsWindowVisible());
    EXPECT_EQ(fw::GetFocus(), handle);
    EXPECT_EQ(picker->Highlighted(), (fw::Point{-1, -1}));

    const fw::ToolTipCtrl& tip = picker->ToolTip();
    EXPECT_EQ(tip.GetToolCount(), 50);
    EXPECT_EQ(tip.GetTipTextColor(), fw::Color(0x00808000));
    std::string text;
    fw::Rect rect;
    ASSERT_TRUE(tip.GetToolText(1000, text));
    EXPECT_EQ(text, "/:O");
    ASSERT_TRUE(tip.GetToolText(1010, text));
    EXPECT_EQ(text, "/:-|");
    ASSERT_TRUE(tip.GetToolText(1049, text));
    EXPECT_EQ(text, "/<11>");
    ASSERT_TRUE(tip.GetToolRect(1014, rect));  // column 4, row 1
    EXPECT_EQ(rect, (fw::Rect{104, 26, 130, 52}));
    ASSERT_TRUE(tip.GetToolRect(1049, rect));
    EXPECT_EQ(rect, (fw::Rect{234, 104, 260, 130}));
    EXPECT_FALSE(tip.GetToolText(1050, text));

    // Each image sits 3 pixels into its cell, its transparent pixels on the button face.
    fw::Bitmap shot = fw::RenderWindow(handle);
    ASSERT_EQ(shot.GetSize(), (fw::Size{260, 130}));
    const fw::Color face = shot.GetPixel(130, 28 + 26);  // inside a cell's margin
    const fw::Bitmap smile = images.Render(14, face);
    int differing = 0;
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 20; ++x) {
            differing += shot.GetPixel(104 + 3 + x, 26 + 3 + y) != smile.GetPixel(x, y);
        }
    }
    EXPECT_EQ(differing, 0);

    // Moving over a cell raises its frame: light above and left, dark below and right.
    fw::input::Mouse(handle, fw::WM_MOUSEMOVE, {110, 30});
    EXPECT_EQ(picker->Highlighted(), (fw::Point{4, 1}));
    shot = fw::RenderWindow(handle);
    const fw::Color light = shot.GetPixel(110, 26);
    const fw::Color dark = shot.GetPixel(110, 51);
    EXPECT_EQ(shot.GetPixel(104, 40), light);
    EXPECT_EQ(shot.GetPixel(129, 40), dark);
    EXPECT_NE(light, face);
    EXPECT_NE(dark, face);
    EXPECT_NE(light, dark);
    // Moving on puts the old frame back to the face colour.
    fw::input::Mouse(handle, fw::WM_MOUSEMOVE, {140, 30});
    EXPECT_EQ(picker->Highlighted(), (fw::Point{5, 1}));
    shot = fw::RenderWindow(handle);
    EXPECT_EQ(shot.GetPixel(110, 26), face);
    EXPECT_EQ(shot.GetPixel(110, 51), face);
    EXPECT_EQ(shot.GetPixel(140, 26), light);

    // The code shows as a tooltip once the pointer rests.
    TypeParam::LetTimePass(int(fw::ToolTipCtrl::kInitialDelayMs) + 200);
    EXPECT_EQ(tip.ShownTool(), 1015u);
    EXPECT_EQ(tip.GetWindowText(), "/<D>");
    EXPECT_TRUE(fw::IsWindow(handle));
}

TYPED_TEST_P(EmoticonSuite, PickerClickSendsTheChoiceAndCloses) {
    const CImageList& images = EmoticonImages();
    CImageSelector* picker = CImageSelector::Show(images, 0, 0, &this->host_);
    ASSERT_NE(picker, nullptr);
    fw::HWND handle = picker->GetSafeHwnd();
    fw::input::Mouse(handle, fw::WM_MOUSEMOVE, {250, 120});
    fw::input::Mouse(handle, fw::WM_LBUTTONDOWN, {250, 120}, fw::MK_LBUTTON);
    EXPECT_EQ(this->host_.commands, (std::vector<std::pair<fw::UINT, fw::UINT>>{{10049, 0}}));
    EXPECT_FALSE(fw::IsWindow(handle));

    // A press with no move before it chooses the cell under it too.
    picker = CImageSelector::Show(images, 0, 0, &this->host_);
    ASSERT_NE(picker, nullptr);
    handle = picker->GetSafeHwnd();
    fw::input::Mouse(handle, fw::WM_LBUTTONDOWN, {1, 1}, fw::MK_LBUTTON);
    EXPECT_EQ(this->host_.commands.back(), (std::pair<fw::UINT, fw::UINT>{10000, 0}));
    EXPECT_FALSE(fw::IsWindow(handle));

    // The chosen picture goes into the input box where its caret is.
    const int chosen = int(this->host_.commands.back().first) - 10000;
    this->edit_.ReplaceSel(G("好"));
    InsertEmoticon(this->edit_, chosen);
    EXPECT_EQ(ReadEmoticonText(this->edit_), G("好/:O"));
}

TYPED_TEST_P(EmoticonSuite, PickerClosesWhenTheFocusGoesElsewhere) {
    const CImageList& images = EmoticonImages();
    CImageSelector* picker = CImageSelector::Show(images, 0, 0, &this->host_);
    ASSERT_NE(picker, nullptr);
    fw::HWND handle = picker->GetSafeHwnd();
    const fw::HWND tip = picker->ToolTip().GetSafeHwnd();
    fw::input::Focus(this->edit_.GetSafeHwnd());
    EXPECT_FALSE(fw::IsWindow(handle));
    EXPECT_FALSE(fw::IsWindow(tip));
    EXPECT_TRUE(this->host_.commands.empty() ||
                this->host_.commands.back().first < CImageSelector::kFirstCommand);

    // Another program taking the keyboard closes it too, and so does its owner closing.
    picker = CImageSelector::Show(images, 0, 0, &this->host_);
    ASSERT_NE(picker, nullptr);
    handle = picker->GetSafeHwnd();
    fw::input::Focus(fw::kNoWindow);
    EXPECT_FALSE(fw::IsWindow(handle));
    picker = CImageSelector::Show(images, 0, 0, &this->host_);
    ASSERT_NE(picker, nullptr);
    handle = picker->GetSafeHwnd();
    this->host_.DestroyWindow();
    EXPECT_FALSE(fw::IsWindow(handle));
}

REGISTER_TYPED_TEST_SUITE_P(EmoticonSuite, CodesInTextBecomePictures, PlainTextGoesInInOnePiece,
                            PicturesReadBackAsTheirCodes, PickerShowsTheGridAndItsCodes,
                            PickerClickSendsTheChoiceAndCloses,
                            PickerClosesWhenTheFocusGoesElsewhere);
