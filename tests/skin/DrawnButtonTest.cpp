// Drawn buttons, the red-text button and the corner-cut window shape, on the headless
// framework with its virtual clock; what the window shows is read back pixel by pixel.

#include <gtest/gtest.h>

#include "platform/core/Text.h"
#include "skin/CutCornerRegion.h"
#include "skin/DrawRadioBtn.h"
#include "skin/MyDrawBtn.h"
#include "skin/SkinBtn.h"
#include "tests/skin/TestSupport.h"

namespace {

using fw::RGB;

constexpr fw::UINT kDialogId = 9100;
constexpr fw::UINT kButtonId = 1005;
constexpr fw::UINT kOtherId = 1006;
constexpr fw::UINT kRadioId = 1100;
// Bitmap ids of this test: four states, and one id with no file.
constexpr fw::UINT kNormal = 9101;
constexpr fw::UINT kHover = 9102;
constexpr fw::UINT kPressed = 9103;
constexpr fw::UINT kDisabled = 9104;
constexpr fw::UINT kMissing = 9199;
constexpr fw::Color kMagenta = RGB(255, 0, 255);

fw::Color StateColour(int state) {
    return RGB(10 * (state + 1), 0, 200);
}

// What the dialog paints as its background: a colour that differs at every x.
fw::Color Backdrop(int x, int y) {
    return RGB(x % 256, 40 + y % 100, 90);
}

void RegisterOnce() {
    static skintest::TempDir dir;
    static const bool done = [] {
        std::vector<std::pair<fw::UINT, fw::Bitmap>> bitmaps;
        for (int s = 0; s < 4; ++s) {
            // 16 x 10, smaller than the button, with one magenta pixel at (2, 2).
            fw::Bitmap b(16, 10, StateColour(s));
            b.SetPixel(2, 2, kMagenta);
            bitmaps.emplace_back(kNormal + fw::UINT(s), b);
        }
        skintest::RegisterBitmaps(dir, bitmaps);
        const std::string defs = vq::GbkToUtf8(
            "DIALOG 9100 200 120 UNITS PX\n"
            "  STYLE popup|visible\n"
            "  CONTROL 1005 button 40 30 20 12 \"\" tabstop\n"
            "  CONTROL 1006 button 80 30 20 12 \"\" tabstop\n"
            "  CONTROL 1100 button 40 70 60 20 \"" +
            vq::Gbk("在线") + "\" ownerdraw\n" + "END\n");
        return fw::Resources::Global().ParseDefinitions(defs, "skin-test.vqrc") > 0;
    }();
    ASSERT_TRUE(done);
}

template <typename Btn>
class Host : public fw::Dialog {
public:
    Host() : fw::Dialog(kDialogId) {}
    bool OnInitDialog() override {
        button.SubclassDlgItem(kButtonId, this);
        other.SubclassDlgItem(kOtherId, this);
        radio.SubclassDlgItem(kRadioId, this);
        return true;
    }
    bool OnEraseBkgnd(fw::Canvas& canvas) override {
        for (int y = 0; y < canvas.Height(); ++y) {
            for (int x = 0; x < canvas.Width(); ++x) {
                canvas.SetPixel(x, y, Backdrop(x, y));
            }
        }
        return true;
    }
    Btn button;
    Btn other;
    CDrawRadioBtn radio;
};

template <typename Btn>
class DrawnButtonTest : public ::testing::Test {
protected:
    void SetUp() override {
        skintest::EnsureFramework();
        RegisterOnce();
        fw::headless::ClearRecords();
        ASSERT_TRUE(host_.Create(kDialogId, nullptr));
        host_.ShowWindow(fw::SW_SHOW);
        host_.button.SetBitmaps(kNormal, kHover, kPressed, kDisabled);
        host_.other.SetBitmaps(kNormal, kHover, kPressed, kDisabled);
        MoveCursorOutside();
    }
    void TearDown() override { host_.DestroyWindow(); }

    fw::Rect ButtonRect() const { return host_.button.GetRectInParent(); }
    // The colour the window shows at (x, y) of the button.
    fw::Color At(int x, int y) {
        const fw::Bitmap shot = fw::RenderWindow(host_.GetSafeHwnd());
        return shot.GetPixel(ButtonRect().left + x, ButtonRect().top + y);
    }
    void MoveCursorInside() {
        const fw::Rect r = host_.button.GetWindowRect();
        fw::headless::SetCursorPos({r.left + 5, r.top + 5});
    }
    void MoveCursorOutside() {
        const fw::Rect r = host_.button.GetWindowRect();
        fw::headless::SetCursorPos({r.right + 50, r.bottom + 50});
    }
    void MouseMove() {
        MoveCursorInside();
        fw::input::Mouse(host_.button.GetSafeHwnd(), fw::WM_MOUSEMOVE, {5, 5});
    }

    Host<Btn> host_;
};

using ButtonTypes = ::testing::Types<CMyDrawBtn, CSkinBtn>;
TYPED_TEST_SUITE(DrawnButtonTest, ButtonTypes);

TYPED_TEST(DrawnButtonTest, TakingOverMakesTheButtonOwnerDrawn) {
    EXPECT_TRUE(this->host_.button.IsOwnerDraw());
    EXPECT_EQ(this->At(5, 5), StateColour(0));
    EXPECT_TRUE(this->host_.button.HasBackground());
    EXPECT_TRUE(this->host_.button.HasWindowRgn());
    EXPECT_EQ(this->host_.button.GetWindowRgn(), fw::Region(this->host_.button.GetClientRect()));
}

TYPED_TEST(DrawnButtonTest, HoverShowsAtOnceAndTheLeavePollRestoresNormal) {
    this->MouseMove();
    EXPECT_EQ(this->host_.button.GetState(), CMyDrawBtn::kHover);
    EXPECT_EQ(this->At(5, 5), StateColour(1));
    // While the pointer stays, polls change nothing.
    fw::headless::AdvanceClock(100);
    EXPECT_EQ(this->At(5, 5), StateColour(1));
    // Out of the window: still the hover picture until the next poll...
    this->MoveCursorOutside();
    EXPECT_EQ(this->At(5, 5), StateColour(1));
    // ...and normal within one 10 ms period.
    fw::headless::AdvanceClock(CMyDrawBtn::kLeavePollMs);
    EXPECT_EQ(this->At(5, 5), StateColour(0));
    EXPECT_FALSE(this->host_.button.IsHovering());
    // The next visit hovers again.
    this->MouseMove();
    EXPECT_EQ(this->At(5, 5), StateColour(1));
}

TYPED_TEST(DrawnButtonTest, ARepaintOfTheWholeWindowKeepsTheHover) {
    this->MouseMove();
    this->host_.Invalidate();
    EXPECT_EQ(this->At(5, 5), StateColour(1));
    EXPECT_EQ(this->At(5, 5), StateColour(1));
}

TYPED_TEST(DrawnButtonTest, PressingShowsThePressedPicture) {
    this->MouseMove();
    fw::input::Mouse(this->host_.button.GetSafeHwnd(), fw::WM_LBUTTONDOWN, {5, 5}, fw::MK_LBUTTON);
    EXPECT_EQ(this->At(5, 5), StateColour(2));
    fw::input::Mouse(this->host_.button.GetSafeHwnd(), fw::WM_LBUTTONUP, {5, 5});
    // Focused and still under the pointer: the hover picture.
    EXPECT_EQ(this->At(5, 5), StateColour(1));
}

TYPED_TEST(DrawnButtonTest, ADisabledButtonShowsItsPictureAndIgnoresTheMouse) {
    this->host_.button.EnableWindow(false);
    EXPECT_EQ(this->At(5, 5), StateColour(3));
    EXPECT_FALSE(this->host_.button.IsTrackingEnabled());
    // Neither the pointer nor a move sent to it straight changes anything.
    this->MouseMove();
    this->host_.button.SendMessage(fw::WM_MOUSEMOVE, 0, fw::MAKELPARAM(5, 5));
    EXPECT_FALSE(this->host_.button.IsHovering());
    EXPECT_EQ(this->At(5, 5), StateColour(3));
    fw::headless::AdvanceClock(50);
    EXPECT_EQ(this->At(5, 5), StateColour(3));

    this->host_.button.EnableWindow(true);
    EXPECT_TRUE(this->host_.button.IsTrackingEnabled());
    EXPECT_EQ(this->At(5, 5), StateColour(0));
    this->MouseMove();
    EXPECT_EQ(this->At(5, 5), StateColour(1));
}

TYPED_TEST(DrawnButtonTest, DisablingAHoveredButtonEndsItsLeavePoll) {
    this->MouseMove();
    ASSERT_TRUE(this->host_.button.IsHovering());
    this->host_.button.EnableWindow(false);
    EXPECT_FALSE(this->host_.button.IsHovering());
    EXPECT_EQ(this->At(5, 5), StateColour(3));
    this->host_.button.EnableWindow(true);
    this->MouseMove();
    EXPECT_EQ(this->At(5, 5), StateColour(1));
}

TYPED_TEST(DrawnButtonTest, MagentaAndUncoveredPixelsShowTheParentsBackground) {
    const fw::Rect r = this->ButtonRect();
    EXPECT_EQ(this->At(2, 2), Backdrop(r.left + 2, r.top + 2));
    EXPECT_EQ(this->At(3, 2), StateColour(0));
    // The bitmap is 16 x 10 in a 20 x 12 button.
    EXPECT_EQ(this->At(18, 5), Backdrop(r.left + 18, r.top + 5));
    EXPECT_EQ(this->At(5, 11), Backdrop(r.left + 5, r.top + 11));
}

TYPED_TEST(DrawnButtonTest, OneIdForAllStatesLooksTheSameInEach) {
    this->host_.button.SetBitmaps(kPressed, kPressed, kPressed, kPressed);
    const fw::Color normal = this->At(5, 5);
    this->MouseMove();
    const fw::Color hover = this->At(5, 5);
    this->host_.button.EnableWindow(false);
    const fw::Color disabled = this->At(5, 5);
    EXPECT_EQ(normal, StateColour(2));
    EXPECT_EQ(hover, normal);
    EXPECT_EQ(disabled, normal);
}

TYPED_TEST(DrawnButtonTest, AMissingBitmapDrawsOnlyTheBackground) {
    this->host_.button.SetBitmaps(kNormal, kMissing, kPressed, kDisabled);
    EXPECT_TRUE(this->host_.button.Image(CMyDrawBtn::kHover).IsNull());
    this->MouseMove();
    const fw::Rect r = this->ButtonRect();
    EXPECT_EQ(this->At(5, 5), Backdrop(r.left + 5, r.top + 5));
}

TYPED_TEST(DrawnButtonTest, ShowsTheHandCursor) {
    EXPECT_EQ(this->host_.button.SendMessage(fw::WM_SETCURSOR, 0, 0), 1);
}

// The main window's button 1005 tells the main window of moves after the first.
class MainWindow : public fw::Window {
public:
    fw::LRESULT WindowProc(fw::UINT message, fw::WPARAM wParam, fw::LPARAM lParam) override {
        if (message == CSkinBtn::kHoverMessage) {
            ++notices;
            EXPECT_EQ(wParam, 0u);
            EXPECT_EQ(lParam, 0);
        }
        return fw::Window::WindowProc(message, wParam, lParam);
    }
    int notices = 0;
};

class SkinBtnTest : public DrawnButtonTest<CSkinBtn> {};

TEST_F(SkinBtnTest, Button1005NotifiesTheMainWindowOfLaterMoves) {
    MainWindow main;
    ASSERT_TRUE(main.CreateEx(0, "main", fw::WS_POPUP, fw::Rect{0, 0, 10, 10}, nullptr));
    CSkinBtn::SetMainWindow(main.GetSafeHwnd());
    MouseMove();
    EXPECT_EQ(main.notices, 0);
    MouseMove();
    MouseMove();
    EXPECT_EQ(main.notices, 2);
    // Another id says nothing.
    fw::input::Mouse(host_.other.GetSafeHwnd(), fw::WM_MOUSEMOVE, {5, 5});
    fw::input::Mouse(host_.other.GetSafeHwnd(), fw::WM_MOUSEMOVE, {5, 5});
    EXPECT_EQ(main.notices, 2);
    CSkinBtn::SetMainWindow(fw::kNoWindow);
    main.DestroyWindow();
}

TEST_F(SkinBtnTest, RadioButtonDrawsItsTextInRedAndShowsItsParent) {
    std::vector<fw::TextRecord> texts;
    fw::RenderWindow(host_.GetSafeHwnd(), texts);
    const auto it = std::find_if(texts.begin(), texts.end(),
                                 [](const fw::TextRecord& t) { return t.text == vq::Gbk("在线"); });
    ASSERT_NE(it, texts.end());
    EXPECT_EQ(it->color, RGB(255, 0, 0));
    EXPECT_EQ(it->format & (fw::DT_CENTER | fw::DT_VCENTER | fw::DT_SINGLELINE),
              fw::DT_CENTER | fw::DT_VCENTER | fw::DT_SINGLELINE);
    EXPECT_EQ(it->rect, host_.radio.GetRectInParent());

    host_.ShowWindow(fw::SW_HIDE);
    ASSERT_FALSE(host_.IsWindowVisible());
    host_.radio.SendMessage(fw::WM_LBUTTONUP, 0, fw::MAKELPARAM(3, 3));
    EXPECT_TRUE(host_.IsWindowVisible());
}

TEST(CutCorner, RemovesExactlyTheMagentaPixelsOfTheFourCorners) {
    fw::Canvas bg(40, 30, RGB(1, 2, 3));
    const fw::Point cut[] = {{0, 0}, {1, 0}, {0, 1}, {5, 5}, {39, 0}, {0, 29}, {39, 29}, {34, 24}};
    const fw::Point kept[] = {{6, 6}, {20, 15}, {33, 0}, {0, 23}};
    for (fw::Point p : cut)
        bg.SetPixel(p.x, p.y, kMagenta);
    for (fw::Point p : kept)
        bg.SetPixel(p.x, p.y, kMagenta);
    bg.SetPixel(2, 0, RGB(254, 0, 255));  // near magenta is not magenta

    const fw::Region region = CornerRegion(40, 30, bg);
    EXPECT_EQ(region.Area(), 40 * 30 - static_cast<long long>(std::size(cut)));
    for (fw::Point p : cut)
        EXPECT_FALSE(region.Contains(p)) << p.x << "," << p.y;
    for (fw::Point p : kept)
        EXPECT_TRUE(region.Contains(p)) << p.x << "," << p.y;
    EXPECT_TRUE(region.Contains({2, 0}));
}

TEST(CutCorner, ShapesTheWindowFromTheShippedChatBackground) {
    skintest::EnsureFramework();
    fw::Resources res;
    res.ParseIndex("bitmap 202 art/202-chat-background.bmp\n",
                   (skintest::SourceDir() / "res").string());
    auto bg = res.LoadBitmap(202);
    ASSERT_TRUE(bg);
    fw::Window wnd;
    ASSERT_TRUE(wnd.CreateEx(0, "chat", fw::WS_POPUP,
                             fw::Rect::FromXYWH(0, 0, bg->Width(), bg->Height()), nullptr));
    fw::Canvas canvas(bg->Width(), bg->Height());
    canvas.DrawBitmap(0, 0, *bg);
    CutCornerRegion(&wnd, &canvas);
    ASSERT_TRUE(wnd.HasWindowRgn());
    const fw::Region region = wnd.GetWindowRgn();
    long long magenta = 0;
    for (std::uint32_t p : bg->Pixels())
        magenta += fw::PixelToColor(p) == kMagenta ? 1 : 0;
    EXPECT_GT(magenta, 4);
    EXPECT_EQ(region.Area(), static_cast<long long>(bg->Width()) * bg->Height() - magenta);
    EXPECT_FALSE(region.Contains({0, 0}));
    EXPECT_FALSE(region.Contains({bg->Width() - 1, bg->Height() - 1}));
    EXPECT_TRUE(region.Contains({6, 6}));
    // Null arguments do nothing.
    CutCornerRegion(nullptr, &canvas);
    CutCornerRegion(&wnd, nullptr);
    EXPECT_EQ(wnd.GetWindowRgn(), region);
    wnd.DestroyWindow();
}

}  // namespace
