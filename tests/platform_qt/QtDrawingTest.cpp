// Pictures on screen: colour-keyed bitmaps, window shapes, text rasterised with fonts,
// alignment and wrapping, and screenshots of dialogs saved to the build tree.

#include <QBitmap>
#include <QPainter>

#include "platform/qt/QtText.h"
#include "platform/qt/TopWindow.h"
#include "tests/platform_qt/QtFixture.h"

namespace qttest {
namespace {

using QtDrawing = QtFixture;

class KeyedButton : public fw::Window {
public:
    void DrawItem(const fw::DrawItemStruct& dis) override {
        if (auto bmp = fw::Resources::Global().LoadBitmap(9300)) {
            dis.canvas->TransparentBlt(fw::Rect{0, 0, 4, 2}, *bmp, fw::Rect{0, 0, 4, 2},
                                       fw::RGB(255, 0, 255));
        }
    }
};

struct Ink {
    int left = INT32_MAX, top = INT32_MAX, right = -1, bottom = -1, count = 0;
};

// Pixels that differ from `paper`.
Ink InkOf(const fw::Bitmap& b, fw::Color paper) {
    Ink ink;
    for (int y = 0; y < b.Height(); ++y) {
        for (int x = 0; x < b.Width(); ++x) {
            if (b.GetPixel(x, y) != paper) {
                ink.left = std::min(ink.left, x);
                ink.right = std::max(ink.right, x);
                ink.top = std::min(ink.top, y);
                ink.bottom = std::max(ink.bottom, y);
                ++ink.count;
            }
        }
    }
    return ink;
}

fw::TextRecord Text(const char* utf8, fw::Rect r, fw::UINT format,
                    fw::Color color = fw::RGB(0, 0, 0)) {
    fw::TextRecord t;
    t.text = G(utf8);
    t.rect = r;
    t.font = fw::Font::FromHeight("Arial", 16);
    t.color = color;
    t.format = format;
    t.bkMode = fw::TRANSPARENT;
    return t;
}

TEST_F(QtDrawing, ColourKeyedBitmapShowsTheBackgroundThrough) {
    Recorder dlg(9002);
    dlg.background = fw::RGB(0, 0, 128);
    ASSERT_TRUE(dlg.Create());
    dlg.ShowWindow(fw::SW_SHOW);
    KeyedButton button;
    ASSERT_TRUE(button.SubclassDlgItem(30, &dlg));
    const QImage shot = Shot(dlg.GetSafeHwnd());
    ASSERT_EQ(shot.size(), QSize(40, 30));
    EXPECT_EQ(Pixel(shot, 0, 0), QColor(0, 0, 128));
    EXPECT_EQ(Pixel(shot, 10, 10), QColor(255, 0, 0));
    EXPECT_EQ(Pixel(shot, 11, 10), QColor(0, 0, 128));  // the key colour is left out
    EXPECT_EQ(Pixel(shot, 12, 10), QColor(0, 255, 0));
    EXPECT_EQ(Pixel(shot, 13, 10), QColor(0, 0, 255));
    EXPECT_EQ(Pixel(shot, 10, 11), QColor(0, 0, 128));
    // A change to the picture shows after invalidation.
    dlg.background = fw::RGB(0, 128, 0);
    dlg.Invalidate();
    EXPECT_EQ(Pixel(Shot(dlg.GetSafeHwnd()), 0, 0), QColor(0, 128, 0));
}

TEST_F(QtDrawing, WindowRegionBecomesTheWidgetMask) {
    Recorder dlg(9002);
    ASSERT_TRUE(dlg.Create());
    dlg.ShowWindow(fw::SW_SHOW);
    QWidget* top = W(dlg.GetSafeHwnd());
    EXPECT_TRUE(top->mask().isEmpty());
    fw::Region cut(fw::Rect{0, 0, 40, 30});
    cut.Difference(fw::Region(fw::Rect{0, 0, 2, 1}))
        .Difference(fw::Region(fw::Rect{39, 29, 40, 30}));
    dlg.SetWindowRgn(cut);
    const QRegion mask = top->mask();
    EXPECT_FALSE(mask.contains(QPoint(0, 0)));
    EXPECT_FALSE(mask.contains(QPoint(1, 0)));
    EXPECT_TRUE(mask.contains(QPoint(2, 0)));
    EXPECT_TRUE(mask.contains(QPoint(0, 1)));
    EXPECT_FALSE(mask.contains(QPoint(39, 29)));
    EXPECT_TRUE(mask.contains(QPoint(38, 29)));
    dlg.ClearWindowRgn();
    EXPECT_TRUE(top->mask().isEmpty());
}

TEST_F(QtDrawing, TextIsRasterisedWithAlignmentWrapAndClip) {
    const fw::Color white = fw::RGB(255, 255, 255);
    const fw::Rect box{0, 0, 200, 40};

    fw::Bitmap centred(200, 40, white);
    fw::qt::RenderText(centred, box,
                       Text("Velquor", box, fw::DT_CENTER | fw::DT_VCENTER | fw::DT_SINGLELINE));
    const Ink c = InkOf(centred, white);
    ASSERT_GT(c.count, 20);
    EXPECT_LE(std::abs(c.left - (199 - c.right)), 3);
    EXPECT_LE(std::abs(c.top - (39 - c.bottom)), 5);

    fw::Bitmap right(200, 40, white);
    fw::qt::RenderText(right, box, Text("Velquor", box, fw::DT_RIGHT | fw::DT_SINGLELINE));
    const Ink r = InkOf(right, white);
    EXPECT_GE(r.right, 195);
    EXPECT_GT(r.left, 100);
    EXPECT_LT(r.top, 10);  // top aligned without DT_VCENTER

    // Word wrap breaks a long line inside its rectangle; without it the text stays on one.
    const fw::Rect narrow{0, 0, 80, 120};
    fw::Bitmap wrapped(80, 120, white);
    fw::qt::RenderText(wrapped, narrow, Text("one two three four five", narrow, fw::DT_WORDBREAK));
    fw::Bitmap single(80, 120, white);
    fw::qt::RenderText(single, narrow, Text("one two three four five", narrow, fw::DT_SINGLELINE));
    EXPECT_GT(InkOf(wrapped, white).bottom, 2 * 16);
    EXPECT_LT(InkOf(single, white).bottom, 20);

    // Chinese text with a colour; nothing outside the clip.
    fw::Bitmap red(200, 40, white);
    fw::qt::RenderText(red, fw::Rect{0, 0, 100, 40},
                       Text("您有新的消息", box, fw::DT_LEFT, fw::RGB(255, 0, 0)));
    const Ink k = InkOf(red, white);
    ASSERT_GT(k.count, 20);
    EXPECT_LT(k.right, 100);
    bool reddish = false;
    for (int y = 0; y < 40 && !reddish; ++y) {
        for (int x = 0; x < 100; ++x) {
            const fw::Color p = red.GetPixel(x, y);
            if (fw::GetRValue(p) > 200 && fw::GetGValue(p) < 60) {
                reddish = true;
                break;
            }
        }
    }
    EXPECT_TRUE(reddish);

    // Weight and underline come from the font.
    fw::Bitmap normal(200, 40, white);
    fw::Bitmap bold(200, 40, white);
    fw::Bitmap underlined(200, 40, white);
    fw::TextRecord n = Text("Velquor", box, fw::DT_LEFT | fw::DT_SINGLELINE);
    fw::TextRecord b = n;
    b.font.weight = fw::FW_BOLD;
    fw::TextRecord u = n;
    u.font.underline = true;
    fw::qt::RenderText(normal, box, n);
    fw::qt::RenderText(bold, box, b);
    fw::qt::RenderText(underlined, box, u);
    EXPECT_GT(InkOf(bold, white).count, InkOf(normal, white).count * 11 / 10);
    // The underline is a row inked under most of the word; plain text has no such row.
    const auto widestRow = [&](const fw::Bitmap& pic) {
        int best = 0;
        for (int y = 0; y < pic.Height(); ++y) {
            int n = 0;
            for (int x = 0; x < pic.Width(); ++x) {
                n += pic.GetPixel(x, y) != white ? 1 : 0;
            }
            best = std::max(best, n);
        }
        return best;
    };
    const Ink word = InkOf(normal, white);
    EXPECT_GT(widestRow(underlined), (word.right - word.left) * 8 / 10);
    EXPECT_LT(widestRow(normal), (word.right - word.left) * 8 / 10);

    // An opaque background fills behind the text.
    fw::Bitmap opaque(200, 40, white);
    fw::TextRecord t = Text("x", box, fw::DT_LEFT | fw::DT_SINGLELINE);
    t.bkMode = fw::OPAQUE;
    t.bkColor = fw::RGB(0, 255, 0);
    fw::qt::RenderText(opaque, box, t);
    EXPECT_EQ(opaque.GetPixel(1, 1), fw::RGB(0, 255, 0));
    EXPECT_EQ(opaque.GetPixel(150, 30), white);
}

// Vertical stripes, two pixels wide, so that a flat patch anywhere shows.
fw::Color StripeAt(int x) {
    return (x / 2) % 2 == 0 ? fw::RGB(200, 40, 40) : fw::RGB(40, 40, 200);
}

class StripedDialog : public Recorder {
public:
    using Recorder::Recorder;
    bool OnEraseBkgnd(fw::Canvas& canvas) override {
        const fw::Rect r = canvas.ClientRect();
        for (int x = r.left; x < r.right; ++x) {
            canvas.FillSolidRect(fw::Rect{x, r.top, x + 1, r.bottom}, StripeAt(x));
        }
        return true;
    }
};

QColor Q(fw::Color c) {
    return QColor(int(fw::GetRValue(c)), int(fw::GetGValue(c)), int(fw::GetBValue(c)));
}

TEST_F(QtDrawing, CheckBoxesAndRadioButtonsShowTheBackgroundThroughThem) {
    StripedDialog dlg(9005);
    ASSERT_TRUE(dlg.Create());
    dlg.MoveWindow(20, 20, 160, 60);
    dlg.CheckDlgButton(51, fw::BST_CHECKED);
    dlg.ShowWindow(fw::SW_SHOW);
    const QImage shot = Shot(dlg.GetSafeHwnd());
    ASSERT_TRUE(
        shot.save(QString::fromStdString((ScreenshotDir() / "qt-radio-9005.png").string())));
    // Beyond their box and label the controls are see-through, stripes and all.
    const auto seeThrough = [&](const QRect& r) {
        int wrong = 0;
        for (int y = r.top(); y <= r.bottom(); ++y) {
            for (int x = r.left(); x <= r.right(); ++x) {
                wrong += Pixel(shot, x, y) != Q(StripeAt(x));
            }
        }
        return wrong;
    };
    EXPECT_EQ(seeThrough(QRect(52, 5, 18, 16)), 0);   // picture radio 50
    EXPECT_EQ(seeThrough(QRect(52, 25, 18, 16)), 0);  // radio 51, checked
    EXPECT_EQ(seeThrough(QRect(130, 5, 20, 16)), 0);  // check box 52
    // The picture radio shows its picture, and its magenta frame nowhere.
    int red = 0;
    int magenta = 0;
    for (int y = 0; y < shot.height(); ++y) {
        for (int x = 0; x < shot.width(); ++x) {
            red += Pixel(shot, x, y) == QColor(255, 0, 0) && y >= 5 && y < 21 ? 1 : 0;
            magenta += Pixel(shot, x, y) == QColor(255, 0, 255) ? 1 : 0;
        }
    }
    EXPECT_GE(red, 36);
    EXPECT_EQ(magenta, 0);
    // The box and label are drawn once, by the widget: the core's own drawing of the
    // same control (a second box at its left edge) is left out of the picture.
    auto* top = static_cast<fw::qt::TopWindow*>(W(dlg.GetSafeHwnd()));
    const QImage picture = top->Picture();
    for (int y = 25; y < 41; ++y) {
        for (int x = 10; x < 70; ++x) {
            ASSERT_EQ(QColor(picture.pixel(x, y)), Q(StripeAt(x))) << x << "," << y;
        }
    }
}

TEST_F(QtDrawing, LoginStatePageWithItsPictureRadioButtons) {
    // The program's own art: page 276 on its background picture 271.
    fw::Shutdown();
    const char* source = std::getenv("VQ_SOURCE_DIR");
    const std::filesystem::path root =
        source != nullptr && *source != '\0'
            ? std::filesystem::path(source)
            : std::filesystem::path(__FILE__).parent_path().parent_path().parent_path();
    ASSERT_TRUE(fw::InitWithBackend(MakeBackend(), (root / "res").string()));
    const auto background = fw::Resources::Global().LoadBitmap(271);
    ASSERT_TRUE(background);
    class Page : public fw::Dialog {
    public:
        using fw::Dialog::Dialog;
        bool OnEraseBkgnd(fw::Canvas& canvas) override {
            if (auto bmp = fw::Resources::Global().LoadBitmap(271)) {
                canvas.DrawBitmap(0, 0, *bmp);
            }
            return true;
        }
    };
    fw::Window host;
    ASSERT_TRUE(host.CreateEx(0, "host", fw::WS_POPUP | fw::WS_VISIBLE,
                              fw::Rect::FromXYWH(30, 30, 450, 420), nullptr));
    Page page(276, &host);
    ASSERT_TRUE(page.Create());
    page.ShowWindow(fw::SW_SHOW);
    page.CheckRadioButton(1089, 1092, 1090);
    const QImage shot = Shot(host.GetSafeHwnd());
    ASSERT_TRUE(
        shot.save(QString::fromStdString((ScreenshotDir() / "qt-login-state-276.png").string())));
    int magenta = 0;
    int flat = 0;
    for (const fw::UINT id : {1089u, 1090u, 1091u, 1092u}) {
        const fw::Rect r = page.GetDlgItem(id)->GetRectInParent();
        for (int y = r.top; y < r.bottom; ++y) {
            for (int x = r.left; x < r.right; ++x) {
                magenta += Pixel(shot, x, y) == QColor(255, 0, 255) ? 1 : 0;
            }
            // The right end of each button is the page's picture, not a patch over it.
            for (int x = r.right - 12; x < r.right; ++x) {
                flat += Pixel(shot, x, y) != Q(background->GetPixel(x, y)) ? 1 : 0;
            }
        }
    }
    EXPECT_EQ(magenta, 0);
    EXPECT_EQ(flat, 0);
    page.DestroyWindow();
    host.DestroyWindow();
}

TEST_F(QtDrawing, DialogScreenshotIsSavedToTheBuildTree) {
    Recorder dlg(9001);
    ASSERT_TRUE(dlg.Create());
    dlg.SetDlgItemText(11, G("张三"));
    dlg.CheckDlgButton(15, fw::BST_CHECKED);
    static_cast<fw::IpAddressCtrl*>(dlg.GetDlgItem(22))->SetAddress(127, 0, 0, 1);
    dlg.ShowWindow(fw::SW_SHOW);
    fw::Region shape(dlg.GetClientRect());
    shape.Difference(fw::Region(fw::Rect{0, 0, 6, 6}));
    dlg.SetWindowRgn(shape);

    QWidget* top = W(dlg.GetSafeHwnd());
    QImage shot = Shot(dlg.GetSafeHwnd());
    // What lies outside the window's shape is not the window's: show it as such.
    QPainter painter(&shot);
    painter.setClipRegion(QRegion(shot.rect()) - top->mask());
    painter.fillRect(shot.rect(), QColor(255, 0, 255));
    painter.end();
    const auto path = ScreenshotDir() / "qt-dialog-9001.png";
    ASSERT_TRUE(shot.save(QString::fromStdString(path.string())));
    EXPECT_GT(std::filesystem::file_size(path), 1000u);

    EXPECT_EQ(Pixel(shot, 0, 0), QColor(255, 0, 255));
    // The label is text drawn into the picture by the core and rasterised here.
    const QRect label(fw::DluToPixelsX(4), fw::DluToPixelsY(4), fw::DluToPixelsX(40),
                      fw::DluToPixelsY(8));
    const QColor paper = Pixel(shot, label.right() + 2, label.top());
    int ink = 0;
    for (int y = label.top(); y <= label.bottom(); ++y) {
        for (int x = label.left(); x <= label.right(); ++x) {
            ink += Pixel(shot, x, y) != paper ? 1 : 0;
        }
    }
    EXPECT_GT(ink, 10);
}

}  // namespace
}  // namespace qttest
