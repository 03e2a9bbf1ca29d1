// The program's windows on a screen of scale 2: the login dialog with its drawn buttons,
// the main window's strip, the network settings form with its cut corners, the about box's
// texts and a corner pop-up, each shown by the Qt backend and grabbed from Qt. Pictures go
// to <build>/screenshots/<name>-<factor>x.png; VQ_TEST_SCALE=1 runs the same windows at 1x,
// 1.5 at a fractional factor (rendered at 2, scaled down by Qt).

#include <gtest/gtest.h>

#include <QApplication>
#include <QEvent>
#include <QImage>
#include <QPixmap>
#include <QWidget>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <thread>

#include "notifier/MsgWnd.h"
#include "notifier/PallinoteApp.h"
#include "notifier/PallinoteCtrl.h"
#include "notifier/PopupRegistry.h"
#include "platform/Backend.h"
#include "platform/Framework.h"
#include "platform/Region.h"
#include "platform/Resources.h"
#include "platform/qt/QtRegister.h"
#include "platform/qt/TopWindow.h"
#include "skin/CutCornerRegion.h"
#include "skin/MyDrawBtn.h"
#include "skin/SkinFrame.h"
#include "tests/platform_qt/QtTestEnv.h"

namespace {

using fw::UINT;

// The screen's scale factor as the test runs it (VQ_TEST_SCALE, 2 unless set).
std::string FactorText() {
    const char* s = std::getenv("VQ_TEST_SCALE");
    return s != nullptr && *s != '\0' ? s : "2";
}
double Factor() {
    return std::atof(FactorText().c_str());
}
// The scale the core renders at: the factor, a fractional one rounded up.
int TestScale() {
    return int(std::ceil(Factor() - 0.01));
}

std::filesystem::path Root(const char* var, const char* fallback) {
    const char* v = std::getenv(var);
    return v != nullptr && *v != '\0' ? std::filesystem::path(v) : std::filesystem::path(fallback);
}

std::shared_ptr<const fw::Bitmap> Art(UINT id) {
    return fw::Resources::Global().LoadBitmap(id);
}

bool PumpUntil(const std::function<bool()>& done) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        if (!fw::PumpPending()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    return true;
}

// A template with its background picture (or the main window's strip) and drawn buttons,
// each given one bitmap, as the windows that use these templates set themselves up.
class SkinnedDialog : public fw::Dialog {
public:
    enum class Back { Plain, Bitmap, Strip };
    SkinnedDialog(UINT id, Back back, UINT background, bool cutCorners,
                  std::map<UINT, UINT> buttons)
        : fw::Dialog(id),
          back_(back),
          background_(background),
          cut_(cutCorners),
          buttonArt_(std::move(buttons)) {}

    bool OnInitDialog() override {
        for (const auto& [id, bitmap] : buttonArt_) {
            auto btn = std::make_unique<CMyDrawBtn>();
            if (btn->SubclassDlgItem(id, this)) {
                btn->SetBitmaps(bitmap, bitmap, bitmap, bitmap);
                buttons_.emplace(id, std::move(btn));
            }
        }
        return true;
    }
    bool OnEraseBkgnd(fw::Canvas& dc) override {
        if (back_ == Back::Plain) {
            return fw::Dialog::OnEraseBkgnd(dc);
        }
        if (back_ == Back::Bitmap) {
            if (auto bg = Art(background_)) {
                dc.DrawBitmap(0, 0, *bg);
            }
        } else {
            // As the main window composes it: off screen first, at the screen's scale.
            fw::Canvas off = dc.Compatible(dc.Width(), dc.Height());
            auto left = Art(175), mid = Art(170), right = Art(168);
            if (left && mid && right) {
                off.DrawBitmap(0, 0, *left);
                off.StretchBlt(
                    fw::Rect{left->Width(), 0, off.Width() - right->Width(), mid->Height()}, *mid,
                    fw::Rect{0, 0, mid->Width(), mid->Height()});
                off.DrawBitmap(off.Width() - right->Width(), 0, *right);
            }
            dc.BitBlt(0, 0, dc.Width(), dc.Height(), off, 0, 0);
        }
        if (cut_) {
            CutCornerRegion(this, &dc);
        }
        return true;
    }

private:
    Back back_;
    UINT background_;
    bool cut_;
    std::map<UINT, UINT> buttonArt_;
    std::map<UINT, std::unique_ptr<CMyDrawBtn>> buttons_;
};

QWidget* Native(fw::HWND hwnd) {
    return static_cast<QWidget*>(fw::GetBackend()->NativeHandle(hwnd));
}

fw::qt::TopWindow* Top(const fw::Window& w) {
    return static_cast<fw::qt::TopWindow*>(Native(w.GetSafeHwnd()));
}

// Qt's own picture of the window, native widgets included, and saved under `name`. The
// shape's outside is shown white, as the desktop would show what lies behind.
QImage Grab(const fw::Window& w, const std::string& name) {
    QWidget* widget = Native(w.GetSafeHwnd());
    EXPECT_NE(widget, nullptr);
    if (widget == nullptr) {
        return {};
    }
    QApplication::processEvents();
    QImage image = widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
    if (w.HasWindowRgn()) {
        const fw::Region shape = w.GetWindowRgn();
        const double s = image.devicePixelRatio();
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                if (!shape.Contains({int(x / s), int(y / s)})) {
                    image.setPixel(x, y, qRgb(255, 255, 255));
                }
            }
        }
    }
    const std::filesystem::path dir = Root("VQ_BINARY_DIR", "..") / "screenshots";
    std::filesystem::create_directories(dir);
    EXPECT_TRUE(
        image.save(QString::fromStdString((dir / (name + "-" + FactorText() + "x.png")).string())));
    return image;
}

QRgb Device(const QImage& image, int x, int y) {
    return image.pixel(x, y) | 0xFF000000u;
}

// Count of places inside `r` (logical) of `image` where a device pixel at an odd column
// differs from its left neighbour: none in a picture whose pixels were only doubled.
int OddEdges(const QImage& image, const fw::Rect& r, int scale) {
    int edges = 0;
    for (int y = r.top * scale; y < r.bottom * scale; ++y) {
        for (int x = r.left * scale + 1; x < r.right * scale; x += 2) {
            if (Device(image, x, y) != Device(image, x - 1, y)) {
                ++edges;
            }
        }
    }
    return edges;
}

class ScaleGui : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        env_ = new qttest::Environment("offscreen");
        setenv("QT_SCALE_FACTOR", FactorText().c_str(), 1);
        auto backend = fw::qt::CreateBackend();
        ASSERT_TRUE(backend);
        const std::filesystem::path res = Root("VQ_SOURCE_DIR", "../..") / "res";
        ASSERT_TRUE(fw::InitWithBackend(std::move(backend), res.string()));
    }
    static void TearDownTestSuite() {
        fw::Shutdown();
        delete env_;
        env_ = nullptr;
    }
    static int S() { return TestScale(); }
    static qttest::Environment* env_;
};
qttest::Environment* ScaleGui::env_ = nullptr;

TEST_F(ScaleGui, LoginDialogLinesUpNativeEditsWithItsDrawnFramesAndButtons) {
    SkinnedDialog dlg(129, SkinnedDialog::Back::Bitmap, 130, false,
                      {{1, 146}, {1014, 187}, {1011, 177}, {1004, 140}, {1005, 141}});
    ASSERT_TRUE(dlg.Create());
    dlg.ShowWindow(fw::SW_SHOW);
    const fw::Rect client = dlg.GetClientRect();
    const QImage shot = Grab(dlg, "login");
    ASSERT_DOUBLE_EQ(shot.devicePixelRatio(), Factor());
    EXPECT_EQ(shot.width(), std::lround(client.Width() * Factor()));
    EXPECT_EQ(shot.height(), std::lround(client.Height() * Factor()));
    const QImage picture = Top(dlg)->Picture();
    ASSERT_EQ(picture.width(), client.Width() * S());
    ASSERT_EQ(int(picture.devicePixelRatio()), S());

    // The user-name edit: Qt puts the widget at its logical place times the scale, and the
    // core's one-pixel frame beneath it covers exactly that place's outermost device pixels.
    fw::Window* edit = dlg.GetDlgItem(1002);
    ASSERT_NE(edit, nullptr);
    const fw::Rect r = edit->GetRectInParent();
    QWidget* native = Native(edit->GetSafeHwnd());
    ASSERT_NE(native, nullptr);
    const QRect device(native->mapTo(Native(dlg.GetSafeHwnd()), QPoint(0, 0)) * S(),
                       native->size() * S());
    EXPECT_EQ(device, QRect(r.left * S(), r.top * S(), r.Width() * S(), r.Height() * S()));
    const QRgb frame = qRgb(122, 122, 122);
    const int midY = (r.top + r.Height() / 2) * S();
    for (int i = 0; i < S(); ++i) {
        EXPECT_EQ(Device(picture, r.left * S() + i, midY), frame) << i;
        EXPECT_EQ(Device(picture, r.right * S() - 1 - i, midY), frame) << i;
    }
    EXPECT_NE(Device(picture, r.left * S() - 1, midY), frame);
    EXPECT_NE(Device(picture, r.left * S() + S(), midY), frame);

    // The OK button shows its bitmap at the screen's scale: the double-size variant where
    // there is one, else the picture's own pixels repeated.
    const fw::Rect ok = dlg.GetDlgItem(1)->GetRectInParent();
    const auto art = Art(146);
    ASSERT_TRUE(art);
    const fw::Bitmap& drawn = art->VariantFor(S());
    int checked = 0;
    for (int y = 0; y < std::min(ok.Height(), art->Height()) * S(); y += 3) {
        for (int x = 0; x < std::min(ok.Width(), art->Width()) * S(); x += 3) {
            const std::uint32_t want =
                drawn.Row(y * drawn.Scale() / S())[x * drawn.Scale() / S()] | 0xFF000000u;
            if ((want & 0xFFFFFFu) == 0xFF00FFu) {
                continue;  // outside the button's shape: the background shows
            }
            ASSERT_EQ(Device(picture, ok.left * S() + x, ok.top * S() + y), want) << x << "," << y;
            ++checked;
        }
    }
    EXPECT_GT(checked, 50);
    dlg.DestroyWindow();
}

// Window and tray icons carry the drawn 2x picture beside the 1x one, so the desktop never
// has to enlarge the small one. The 2x pictures are drawn at build time, into the program's
// own resources.
TEST_F(ScaleGui, WindowIconsCarryTheirDrawnDoubleSize) {
    const char* runtime = std::getenv("VQ_RUNTIME_DIR");
    ASSERT_NE(runtime, nullptr);
    fw::Resources& res = fw::Resources::Global();
    res.Clear();
    ASSERT_TRUE(res.LoadDirectory((std::filesystem::path(runtime) / "res").string()));
    {
        SkinnedDialog dlg(129, SkinnedDialog::Back::Bitmap, 130, false, {});
        ASSERT_TRUE(dlg.Create());
        dlg.SetIcon(128, true);
        dlg.ShowWindow(fw::SW_SHOW);
        const QIcon icon = Native(dlg.GetSafeHwnd())->windowIcon();
        const QList<QSize> sizes = icon.availableSizes();
        EXPECT_TRUE(sizes.contains(QSize(32, 32)));
        EXPECT_TRUE(sizes.contains(QSize(64, 64)));
        const auto art = res.LoadIcon(128);
        ASSERT_TRUE(art && art->DoubleSize());
        const fw::Bitmap& twice = *art->DoubleSize();
        ASSERT_EQ(twice.DeviceWidth(), 64);
        const QImage big = icon.pixmap(QSize(64, 64), 1.0).toImage();
        ASSERT_EQ(big.size(), QSize(64, 64));
        int differ = 0;
        for (int y = 0; y < 64; y += 3) {
            for (int x = 0; x < 64; x += 3) {
                ASSERT_EQ(big.pixel(x, y), twice.Row(y)[x] | 0xFF000000u) << x << "," << y;
                // Finer than the 1x picture doubled, somewhere.
                differ += big.pixel(x, y) != (art->Row(y / 2)[x / 2] | 0xFF000000u) ? 1 : 0;
            }
        }
        EXPECT_GT(differ, 0);
        dlg.DestroyWindow();
    }
    res.Clear();
    res.LoadDirectory((Root("VQ_SOURCE_DIR", "../..") / "res").string());
}

TEST_F(ScaleGui, TextIsRasterisedAtTheDeviceSize) {
    SkinnedDialog dlg(100, SkinnedDialog::Back::Plain, 0, false, {});
    ASSERT_TRUE(dlg.Create());
    dlg.ShowWindow(fw::SW_SHOW);
    const QImage shot = Grab(dlg, "about");
    const QImage picture = Top(dlg)->Picture();
    const fw::Bitmap one = fw::RenderWindow(dlg.GetSafeHwnd());
    const fw::Rect text = dlg.GetDlgItem(1102)->GetRectInParent();
    // The scale-1 picture has text there at all.
    int inked = 0;
    for (int y = text.top; y < text.bottom; ++y) {
        for (int x = text.left; x < text.right; ++x) {
            inked += one.GetPixel(x, y) != one.GetPixel(text.left, text.top) ? 1 : 0;
        }
    }
    ASSERT_GT(inked, 20);
    if (S() == 1) {
        GTEST_SKIP() << "scale 1: pictures saved only";
    }
    // At scale 2 the glyphs are drawn anew, not the 1x ones doubled: they differ from the
    // doubled picture and have edges between the two device pixels of a logical one.
    int differing = 0;
    for (int y = text.top * S(); y < text.bottom * S(); ++y) {
        for (int x = text.left * S(); x < text.right * S(); ++x) {
            const fw::Color c = one.GetPixel(x / S(), y / S());
            const QRgb doubled = qRgb(fw::GetRValue(c), fw::GetGValue(c), fw::GetBValue(c));
            differing += Device(picture, x, y) != doubled ? 1 : 0;
        }
    }
    EXPECT_GT(differing, 20);
    EXPECT_GT(OddEdges(picture, text, S()), 20);
    // Qt shows the picture one to one on the device pixels at a whole factor.
    if (Factor() == S()) {
        EXPECT_GT(OddEdges(shot, text, S()), 20);
    }
    // Nothing else moved: the picture control's pixels are the 1x ones repeated.
    const fw::Rect icon = dlg.GetDlgItem(1100)->GetRectInParent();
    if (!Art(128)->DoubleSize()) {
        EXPECT_EQ(OddEdges(picture, icon, S()), 0);
    }
    dlg.DestroyWindow();
}

TEST_F(ScaleGui, MainWindowAndFormWithCutCorners) {
    SkinnedDialog main(102, SkinnedDialog::Back::Strip, 0, false,
                       {{1006, 160}, {1007, 151}, {1008, 154}, {1010, 163}, {1011, 157}});
    ASSERT_TRUE(main.Create());
    main.ShowWindow(fw::SW_SHOW);
    const QImage mainShot = Grab(main, "main");
    EXPECT_EQ(mainShot.width(), std::lround(main.GetClientRect().Width() * Factor()));
    // The strip's composition canvas followed the scale: its edges stay where the 1x
    // picture has them, and the minimise button's picture sits on it.
    const fw::Bitmap one = fw::RenderWindow(main.GetSafeHwnd());
    const QImage picture = Top(main)->Picture();
    const auto left = Art(175);
    ASSERT_TRUE(left);
    const fw::Bitmap& leftDrawn = left->VariantFor(S());
    EXPECT_EQ(Device(picture, 3 * S(), 3 * S()),
              leftDrawn.Row(3 * leftDrawn.Scale())[3 * leftDrawn.Scale()] | 0xFF000000u);
    main.DestroyWindow();

    SkinnedDialog form(190, SkinnedDialog::Back::Bitmap, 186, true,
                       {{1019, 184}, {1020, 185}, {1021, 140}});
    ASSERT_TRUE(form.Create());
    form.ShowWindow(fw::SW_SHOW);
    Grab(form, "form-network");
    ASSERT_TRUE(form.HasWindowRgn());
    // The shape stays logical: Qt's mask is the region, and the corner the region leaves
    // out is all of its device pixels in the picture too (the key colour of the art).
    const fw::Region shape = form.GetWindowRgn();
    EXPECT_FALSE(shape.Contains({0, 0}));
    const QImage formPicture = Top(form)->Picture();
    const QRgb key = qRgb(255, 0, 255);
    for (int y = 0; y < S(); ++y) {
        for (int x = 0; x < S(); ++x) {
            EXPECT_EQ(Device(formPicture, x, y), key) << x << "," << y;
        }
    }
    const QRegion mask = Native(form.GetSafeHwnd())->mask();
    if (!mask.isEmpty()) {
        EXPECT_EQ(mask.boundingRect().width(), form.GetClientRect().Width());
        EXPECT_FALSE(mask.contains(QPoint(0, 0)));
    }
    form.DestroyWindow();
}

// The six-piece frame of the large windows with its corners cut, as the stock search window
// draws it, counting its paints.
class FramedWindow : public fw::Dialog {
public:
    FramedWindow() : fw::Dialog(268) { frame_.Load(); }
    bool OnEraseBkgnd(fw::Canvas& dc) override {
        ++paints;
        frame_.Paint(dc, dc.ClientRect());
        CutCornerRegion(this, &dc);
        return true;
    }
    int paints = 0;

private:
    CSkinFrame frame_;
};

// Device pixel (x, y) of `art` drawn at the test's scale at logical (left, top).
void ExpectPiece(const QImage& picture, const fw::Bitmap& art, int left, int top) {
    const fw::Bitmap& drawn = art.VariantFor(TestScale());
    const int s = TestScale();
    for (int y = 0; y < art.Height() * s; y += 2) {
        for (int x = 0; x < art.Width() * s; x += 2) {
            const std::uint32_t want =
                drawn.Row(y * drawn.Scale() / s)[x * drawn.Scale() / s] | 0xFF000000u;
            ASSERT_EQ(Device(picture, left * s + x, top * s + y), want) << x << "," << y;
        }
    }
}

TEST_F(ScaleGui, SkinFrameCornersAndRenderingAgainOnAnotherScreen) {
    FramedWindow framed;
    ASSERT_TRUE(framed.Create());
    framed.ShowWindow(fw::SW_SHOW);
    Grab(framed, "frame");
    const fw::Rect client = framed.GetClientRect();
    const QImage picture = Top(framed)->Picture();
    ASSERT_EQ(picture.width(), client.Width() * S());
    const auto topLeft = Art(231);
    const auto bottomRight = Art(230);
    ASSERT_TRUE(topLeft && bottomRight);
    ExpectPiece(picture, *topLeft, 0, 0);
    ASSERT_TRUE(framed.HasWindowRgn());
    EXPECT_FALSE(framed.GetWindowRgn().Contains({0, 0}));
    ExpectPiece(picture, *bottomRight, client.Width() - bottomRight->Width(),
                client.Height() - bottomRight->Height());

    // Painting again uses the picture made; a move to another screen makes a new one.
    fw::qt::TopWindow* top = Top(framed);
    const int before = framed.paints;
    top->repaint();
    EXPECT_EQ(framed.paints, before);
    QEvent moved(QEvent::ScreenChangeInternal);
    QApplication::sendEvent(top, &moved);
    top->repaint();
    EXPECT_GT(framed.paints, before);
    framed.DestroyWindow();
}

TEST_F(ScaleGui, CornerPopUpDrawsItsTextAtTheDeviceSize) {
    CComPtr<IDispatch> disp;
    ASSERT_EQ(CPallinoteCtrl::CreateInstance(nullptr, IID_IDispatch, disp.PutVoid()), S_OK);
    auto* ctrl = static_cast<CPallinoteCtrl*>(disp.Get());
    ThePallinoteApp().ResetMessageCounter();
    ctrl->ShowMessage(u"最新", u"研究所晨报：今日市场综述 [42|查看全文] 请及时阅读", u"http://x/42",
                      u"30", u"1", u"0", 0x00402000, u"", u"", u"");
    CMsgWnd* popup = ThePallinoteApp().Popups()->Find(1001);
    ASSERT_NE(popup, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return popup->ShownHeight() >= 170; }));
    const QImage shot = Grab(*popup, "popup");
    const fw::Rect client = popup->GetClientRect();
    EXPECT_EQ(shot.width(), std::lround(client.Width() * Factor()));
    if (S() > 1) {
        const QImage picture = Top(*popup)->Picture();
        EXPECT_GT(OddEdges(picture, fw::Rect{0, 30, client.Width(), client.Height()}, S()), 20);
    }
    disp.Reset();
}

}  // namespace
