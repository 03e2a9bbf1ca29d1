#pragma once
// The house style: one palette, one font, and the few shapes every picture is
// built from, so that all art reads as one set.

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QRect>
#include <QString>

namespace artgen {

namespace pal {
inline const QColor kNavy900{15, 31, 51};
inline const QColor kNavy800{20, 40, 64};
inline const QColor kNavy700{26, 52, 82};
inline const QColor kNavy500{40, 74, 110};
inline const QColor kNavyLine{48, 88, 128};
inline const QColor kTeal700{22, 88, 92};
inline const QColor kTeal600{28, 110, 115};
inline const QColor kTeal500{36, 138, 138};
inline const QColor kTeal300{104, 184, 178};
inline const QColor kTeal100{220, 238, 236};
inline const QColor kAmber600{214, 143, 42};
inline const QColor kAmber500{232, 168, 64};
inline const QColor kAmber300{246, 204, 128};
inline const QColor kPanel{243, 245, 248};
inline const QColor kPanel2{230, 235, 241};
inline const QColor kLine{201, 211, 222};
inline const QColor kText{30, 43, 58};
inline const QColor kMuted{107, 122, 140};
inline const QColor kWhite{255, 255, 255};
inline const QColor kAlert{196, 84, 62};
inline const QColor kGood{62, 160, 96};
inline const QColor kMagenta{255, 0, 255};
inline const QColor kTealKey{0, 128, 128};
inline const QColor kRedKey{255, 0, 0};
}  // namespace pal

// Loads the CJK font from its Debian path; false when it is not installed.
bool LoadUiFont();
QFont UiFont(int pixelSize, bool bold = false);

// Device pixels per logical pixel of what is drawn from here on: 1 for the committed art,
// 2 for the copies the build makes for high-density screens. Everything is painted in
// logical coordinates; only the steps that touch single pixels look at the scale.
void SetScale(int scale);
int Scale();

// A transparent ARGB canvas to paint on, antialiased painter set up by the caller.
// Sizes are logical; the image holds Scale() device pixels per logical pixel.
QImage NewCanvas(int w, int h);
// An opaque picture, black until painted.
QImage NewImage(int w, int h);
QImage NewImage(QSize size);
// The whole picture in logical coordinates, for painting.
QRect Area(const QImage& img);
// The 1-pixel outline an aliased drawRect(r) paints at 1x (r.left() to r.right() + 1),
// drawn as fills so that it lands on the same pixels at every scale: scaled, Qt centres
// an aliased stroke on its coordinate instead, half outside the picture.
void Outline(QPainter& p, const QRect& r, QColor c);
void Smooth(QPainter& p);

// Opaque results. Transparent pixels become the key colour (magenta, or the
// emoticon teal); the rest keep their own colour, so no key-coloured fringe
// appears around antialiased edges.
QImage KeyOnMagenta(const QImage& canvas);
QImage KeyOn(const QImage& canvas, QColor key);
// Replaces the magenta key by a fixed colour, for art that is painted without a key.
QImage FillKey(const QImage& keyed, QColor under);
QImage OverColour(const QImage& canvas, QColor under, QColor key, int alphaCut);

// Sets to magenta every pixel outside a 6-pixel arc in the chosen corners, the
// pixels the window shape leaves out. At a higher scale each of those logical pixels
// becomes a whole block, because the window shape itself is not any finer.
enum Corner { kTopLeft = 1, kTopRight = 2, kBottomLeft = 4, kBottomRight = 8, kAllCorners = 15 };
void CutCorners(QImage& img, int corners);

// The company mark: a teal tile with a rising line.
void Emblem(QPainter& p, const QRectF& r);
// A title bar with the mark and a title, ending in the amber hairline.
void TitleBar(QPainter& p, const QRect& r, const QString& title, bool mark = true);
// A window body: light panel, 1-px navy border, optional title bar height.
void WindowChrome(QPainter& p, const QSize& size, int titleHeight, const QString& title);
// A sunken field frame where a control sits on a background.
void FieldFrame(QPainter& p, const QRect& r);
// A group box with a caption, for a calm grouping of controls.
void GroupBox(QPainter& p, const QRect& r, const QString& caption);
void Label(QPainter& p, const QRect& r, const QString& text, int px = 12, bool bold = false,
           QColor colour = pal::kText, int align = Qt::AlignVCenter | Qt::AlignLeft);

enum class BtnState { kNormal, kHover, kPressed, kDisabled };
enum class BtnStyle { kAccent, kPrimary, kSecondary, kCaption, kCaptionClose, kMenu, kNav, kTool };
enum class Glyph {
    kNone,
    kMinimise,
    kMaximise,
    kClose,
    kFont,
    kSmile,
    kFile,
    kShot,
    kPrev,
    kNext,
    kFirst,
    kLast,
    kKey,
    kStar,
    kPerson,
    kBell,
    kHelp,
    kGear,
    kChat
};

// One state of a drawn button, keyed on magenta outside its shape.
QImage Button(QSize size, BtnStyle style, BtnState state, const QString& label,
              Glyph glyph = Glyph::kNone);
void DrawGlyph(QPainter& p, Glyph g, const QRectF& r, QColor c);

}  // namespace artgen
