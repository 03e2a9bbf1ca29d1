#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>

#include "tools/artgen/Art.h"
#include "tools/artgen/Paint.h"

namespace artgen {
namespace {

// A strip of 16 x 16 glyphs on pure red, the key the skin's image lists use.
QImage IconStrip(std::initializer_list<std::pair<Glyph, QColor>> glyphs) {
    QImage canvas = NewCanvas(static_cast<int>(glyphs.size()) * 16, 16);
    QPainter p(&canvas);
    Smooth(p);
    int x = 0;
    for (const auto& [g, c] : glyphs) {
        DrawGlyph(p, g, QRectF(x + 1, 1, 14, 14), c);
        x += 16;
    }
    p.end();
    return KeyOn(canvas, pal::kRedKey);
}

QImage Dots(std::initializer_list<std::pair<QColor, bool>> dots) {
    QImage canvas = NewCanvas(static_cast<int>(dots.size()) * 16, 16);
    QPainter p(&canvas);
    Smooth(p);
    int x = 0;
    for (const auto& [c, ring] : dots) {
        p.setPen(QPen(ring ? c : c.darker(130), ring ? 2 : 1));
        p.setBrush(ring ? QColor(255, 255, 255) : c);
        p.drawEllipse(QPointF(x + 8, 8), 5, 5);
        x += 16;
    }
    p.end();
    return KeyOn(canvas, pal::kRedKey);
}

QImage Band(int w, int h, QColor top, QColor bottom, QColor line) {
    QImage img = NewImage(w, h);
    QPainter p(&img);
    QLinearGradient g(0, 0, 0, h);
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    p.fillRect(Area(img), g);
    p.fillRect(QRect(0, h - 1, w, 1), line);
    return img;
}

}  // namespace

QImage KeyMask(const QImage& keyed, QColor key) {
    QImage mask(keyed.size(), QImage::Format_RGB32);
    mask.setDevicePixelRatio(keyed.devicePixelRatio());
    const QRgb k = key.rgb() & 0xFFFFFF;
    for (int y = 0; y < keyed.height(); ++y) {
        for (int x = 0; x < keyed.width(); ++x) {
            const bool hole = (keyed.pixel(x, y) & 0xFFFFFF) == k;
            mask.setPixel(x, y, hole ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
        }
    }
    return mask;
}

std::vector<SkinBitmap> BuildSkinBitmaps() {
    using namespace pal;
    std::vector<SkinBitmap> out;
    out.push_back({"MainIcon", "MainIcon.bmp",
                   IconStrip({{Glyph::kStar, kAmber600},
                              {Glyph::kPerson, kTeal600},
                              {Glyph::kPerson, kMuted},
                              {Glyph::kChat, kNavy500},
                              {Glyph::kFile, kNavy500},
                              {Glyph::kBell, kAmber600},
                              {Glyph::kGear, kNavy500},
                              {Glyph::kHelp, kTeal600}}),
                   "16 x 16 icons on red"});
    {
        QImage img = NewImage(200, 120);
        QPainter p(&img);
        QLinearGradient g(0, 0, 0, 120);
        g.setColorAt(0, kPanel);
        g.setColorAt(1, kPanel2);
        p.fillRect(Area(img), g);
        out.push_back({"MainBkImg", "MainBkImg.bmp", img, "panel background"});
    }
    out.push_back({"MainStatus", "MainStatus.bmp",
                   Band(240, 22, kPanel2, QColor(214, 222, 231), kLine), "status bar"});
    out.push_back({"SmallStatus", "SmallStatus.bmp",
                   Dots({{kGood, false},
                         {kAlert, false},
                         {kAmber500, false},
                         {kMuted, true},
                         {QColor(170, 178, 188), false}}),
                   "presence dots on red"});
    out.push_back(
        {"TabBkPhoto", "TabBkPhoto.bmp", Band(84, 26, kWhite, kTeal100, kTeal500), "selected tab"});
    {
        QImage img = NewImage(12, 12);
        img.fill(kNavy700);
        CutCorners(img, kTopLeft);
        out.push_back({"Corner", "Corner.bmp", img, "corner, magenta outside"});
    }
    out.push_back({"ShortCutMenuIcon", "ShortCutMenuIcon.bmp",
                   IconStrip({{Glyph::kFile, kNavy500},
                              {Glyph::kChat, kTeal600},
                              {Glyph::kStar, kAmber600},
                              {Glyph::kPerson, kNavy500},
                              {Glyph::kBell, kAmber600},
                              {Glyph::kGear, kNavy500},
                              {Glyph::kHelp, kTeal600},
                              {Glyph::kKey, kNavy500}}),
                   "shortcut menu icons on red"});
    {
        QImage img = Band(120, 28, kNavy700, kNavy900, kAmber600);
        QPainter p(&img);
        for (int x = 52; x <= 68; x += 4)
            p.fillRect(QRect(x, 10, 1, 8), QColor(255, 255, 255, 60));
        out.push_back({"DragMenuPhoto", "DragMenuPhoto.bmp", img, "drag handle"});
    }
    {
        QImage canvas = NewCanvas(64, 16);
        QPainter p(&canvas);
        Smooth(p);
        for (int i = 0; i < 4; ++i) {
            QColor c = kAmber500;
            c.setAlpha(255);
            p.setPen(Qt::NoPen);
            p.setBrush(c);
            p.drawEllipse(QPointF(i * 16 + 8, 8), 3.0 + i, 3.0 + i);
        }
        p.end();
        out.push_back({"NotifyUserAnimate", "NotifyUserAnimate.bmp", KeyOn(canvas, kRedKey),
                       "4-frame pulse on red"});
    }
    out.push_back({"MsgWndIcon", "MsgWndIcon.bmp",
                   IconStrip({{Glyph::kChat, kTeal600},
                              {Glyph::kChat, kAmber600},
                              {Glyph::kPerson, kTeal600},
                              {Glyph::kPerson, kMuted},
                              {Glyph::kFile, kNavy500},
                              {Glyph::kSmile, kAmber600},
                              {Glyph::kFont, kNavy500},
                              {Glyph::kShot, kNavy500},
                              {Glyph::kBell, kAlert},
                              {Glyph::kGear, kNavy500}}),
                   "message window icons on red"});
    out.push_back({"Tab2Bmp", "Tab2Bmp.bmp", Band(84, 26, kPanel2, QColor(214, 222, 231), kLine),
                   "unselected tab"});
    out.push_back({"TrayMenuIcon", "TrayMenuIcon.bmp",
                   IconStrip({{Glyph::kStar, kTeal600},
                              {Glyph::kGear, kNavy500},
                              {Glyph::kHelp, kNavy500},
                              {Glyph::kClose, kAlert}}),
                   "tray menu icons on red"});
    {
        QImage img = NewImage(48, 48);
        img.fill(kWhite);
        QPainter p(&img);
        Smooth(p);
        QRadialGradient g(QPointF(24, 20), 30);
        g.setColorAt(0, kTeal300);
        g.setColorAt(1, kTeal600);
        p.setPen(QPen(kLine, 1));
        p.setBrush(g);
        p.drawRoundedRect(QRectF(0.5, 0.5, 47, 47), 6, 6);
        DrawGlyph(p, Glyph::kPerson, QRectF(8, 6, 32, 38), kWhite);
        out.push_back({"ChatSmallPhoto", "ChatSmallPhoto.bmp", img, "contact picture"});
    }
    const QImage ul = Dots({{kGood, false}, {kAmber500, false}, {kAlert, false}, {kMuted, true}});
    out.push_back({"ULBmp", "ULBmp.bmp", ul, "user list marks on red"});
    out.push_back({"ULMaskBmp", "ULMaskBmp.bmp", KeyMask(ul, kRedKey), "mask of ULBmp", "ULBmp"});
    return out;
}

}  // namespace artgen
