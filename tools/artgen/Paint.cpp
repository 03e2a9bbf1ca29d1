#include "tools/artgen/Paint.h"

#include <QFontDatabase>
#include <QLinearGradient>
#include <QPainterPath>
#include <QPen>
#include <cmath>

namespace artgen {
namespace {

QString g_family = QStringLiteral("WenQuanYi Micro Hei");
int g_scale = 1;

struct Tones {
    QColor top, bottom, border, text, highlight;
};

Tones ButtonTones(BtnStyle style, BtnState s) {
    using namespace pal;
    const bool hover = s == BtnState::kHover;
    const bool down = s == BtnState::kPressed;
    if (s == BtnState::kDisabled) {
        return {QColor(222, 226, 231), QColor(205, 211, 218), QColor(176, 185, 195),
                QColor(150, 160, 172), QColor(255, 255, 255, 90)};
    }
    switch (style) {
        case BtnStyle::kAccent:
            if (down)
                return {kAmber600, QColor(224, 156, 54), QColor(160, 104, 24), QColor(45, 28, 4),
                        QColor(0, 0, 0, 0)};
            if (hover)
                return {QColor(250, 200, 110), kAmber500, QColor(176, 118, 34), QColor(45, 28, 4),
                        QColor(255, 255, 255, 120)};
            return {QColor(242, 186, 92), kAmber600, QColor(170, 112, 30), QColor(45, 28, 4),
                    QColor(255, 255, 255, 90)};
        case BtnStyle::kPrimary:
            if (down)
                return {kTeal700, kTeal600, QColor(16, 66, 70), kWhite, QColor(0, 0, 0, 0)};
            if (hover)
                return {QColor(52, 160, 158), kTeal500, QColor(20, 80, 84), kWhite,
                        QColor(255, 255, 255, 90)};
            return {kTeal500, kTeal600, QColor(20, 80, 84), kWhite, QColor(255, 255, 255, 70)};
        case BtnStyle::kSecondary:
        case BtnStyle::kTool:
        case BtnStyle::kNav:
            if (down)
                return {QColor(214, 223, 232), QColor(226, 232, 239), kTeal600, kNavy700,
                        QColor(0, 0, 0, 0)};
            if (hover)
                return {kWhite, kTeal100, kTeal500, kNavy700, QColor(255, 255, 255, 200)};
            return {kWhite, kPanel2, QColor(168, 181, 196), kNavy700, QColor(255, 255, 255, 200)};
        case BtnStyle::kCaption:
        case BtnStyle::kCaptionClose:
        case BtnStyle::kMenu:
            break;
    }
    return {kNavy700, kNavy800, kNavyLine, kWhite, QColor(0, 0, 0, 0)};
}

}  // namespace

bool LoadUiFont() {
    const int id = QFontDatabase::addApplicationFont(
        QStringLiteral("/usr/share/fonts/truetype/wqy/wqy-microhei.ttc"));
    if (id < 0) {
        return false;
    }
    const QStringList families = QFontDatabase::applicationFontFamilies(id);
    if (!families.isEmpty()) {
        g_family = families.first();
    }
    return true;
}

QFont UiFont(int pixelSize, bool bold) {
    QFont f(g_family);
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    f.setHintingPreference(QFont::PreferFullHinting);
    f.setStyleStrategy(QFont::PreferAntialias);
    return f;
}

void SetScale(int scale) {
    g_scale = std::max(1, scale);
}

int Scale() {
    return g_scale;
}

QImage NewCanvas(int w, int h) {
    QImage img(w * g_scale, h * g_scale, QImage::Format_ARGB32_Premultiplied);
    img.setDevicePixelRatio(g_scale);
    img.fill(Qt::transparent);
    return img;
}

QImage NewImage(int w, int h) {
    QImage img(w * g_scale, h * g_scale, QImage::Format_RGB32);
    img.setDevicePixelRatio(g_scale);
    img.fill(Qt::black);
    return img;
}

QImage NewImage(QSize size) {
    return NewImage(size.width(), size.height());
}

QRect Area(const QImage& img) {
    const QSizeF s = img.deviceIndependentSize();
    return QRect(0, 0, qRound(s.width()), qRound(s.height()));
}

void Smooth(QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
}

void Outline(QPainter& p, const QRect& r, QColor c) {
    const int w = r.width() + 1;
    const int h = r.height() + 1;
    p.fillRect(QRect(r.left(), r.top(), w, 1), c);
    p.fillRect(QRect(r.left(), r.top() + h - 1, w, 1), c);
    p.fillRect(QRect(r.left(), r.top() + 1, 1, h - 2), c);
    p.fillRect(QRect(r.left() + w - 1, r.top() + 1, 1, h - 2), c);
}

QImage KeyOnMagenta(const QImage& canvas) {
    return KeyOn(canvas, pal::kMagenta);
}

QImage FillKey(const QImage& keyed, QColor under) {
    QImage out = keyed.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < out.height(); ++y) {
        QRgb* o = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            if ((o[x] & 0xFFFFFF) == 0xFF00FF)
                o[x] = under.rgb();
        }
    }
    return out;
}

QImage KeyOn(const QImage& canvas, QColor key) {
    const QRgb k = key.rgb();
    const QImage src = canvas.convertToFormat(QImage::Format_ARGB32);
    QImage out(src.size(), QImage::Format_RGB32);
    out.setDevicePixelRatio(src.devicePixelRatio());
    // Scaled, thin text stems are antialiased over two device pixels that each fall short
    // of half cover: keeping fainter pixels keeps the strokes whole. The colour stays the
    // shape's own, so this widens nothing towards the key.
    const int cut = src.devicePixelRatio() > 1 ? 40 : 128;
    for (int y = 0; y < src.height(); ++y) {
        const QRgb* in = reinterpret_cast<const QRgb*>(src.constScanLine(y));
        QRgb* o = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < src.width(); ++x) {
            const QRgb c = in[x];
            // Premultiplied input is unpremultiplied by the conversion above.
            o[x] = qAlpha(c) < cut ? k : qRgb(qRed(c), qGreen(c), qBlue(c));
            // A shape colour that happens to be the key would read as a hole.
            if (qAlpha(c) >= cut && o[x] == k) {
                o[x] = qRgb(qRed(c), qGreen(c), qBlue(c) ^ 1);
            }
        }
    }
    return out;
}

QImage OverColour(const QImage& canvas, QColor under, QColor key, int alphaCut) {
    const QImage src = canvas.convertToFormat(QImage::Format_ARGB32);
    QImage out(src.size(), QImage::Format_RGB32);
    out.setDevicePixelRatio(src.devicePixelRatio());
    for (int y = 0; y < src.height(); ++y) {
        const QRgb* in = reinterpret_cast<const QRgb*>(src.constScanLine(y));
        QRgb* o = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < src.width(); ++x) {
            const QRgb c = in[x];
            const int a = qAlpha(c);
            if (a < alphaCut) {
                o[x] = key.rgb();
                continue;
            }
            auto mix = [a](int fg, int bg) { return (fg * a + bg * (255 - a) + 127) / 255; };
            QRgb v = qRgb(mix(qRed(c), under.red()), mix(qGreen(c), under.green()),
                          mix(qBlue(c), under.blue()));
            if (v == key.rgb()) {
                v = qRgb(qRed(v), qGreen(v), qBlue(v) ^ 1);
            }
            o[x] = v;
        }
    }
    return out;
}

void CutCorners(QImage& img, int corners) {
    const int s = std::max(1, qRound(img.devicePixelRatio()));
    const int w = img.width() / s;
    const int h = img.height() / s;
    const double r = 6.0;
    auto key = [&img, s](int x, int y) {
        for (int by = 0; by < s; ++by) {
            for (int bx = 0; bx < s; ++bx)
                img.setPixel(x * s + bx, y * s + by, qRgb(255, 0, 255));
        }
    };
    for (int dy = 0; dy < 6; ++dy) {
        for (int dx = 0; dx < 6; ++dx) {
            // Distance of the pixel centre from the arc centre at (6, 6).
            const double ex = r - (dx + 0.5);
            const double ey = r - (dy + 0.5);
            if (std::sqrt(ex * ex + ey * ey) <= r - 0.35) {
                continue;
            }
            if (corners & kTopLeft)
                key(dx, dy);
            if (corners & kTopRight)
                key(w - 1 - dx, dy);
            if (corners & kBottomLeft)
                key(dx, h - 1 - dy);
            if (corners & kBottomRight)
                key(w - 1 - dx, h - 1 - dy);
        }
    }
}

void Emblem(QPainter& p, const QRectF& r) {
    p.save();
    Smooth(p);
    QLinearGradient g(r.topLeft(), r.bottomRight());
    g.setColorAt(0, pal::kTeal500);
    g.setColorAt(1, pal::kTeal700);
    p.setPen(QPen(QColor(255, 255, 255, 70), 1));
    p.setBrush(g);
    const double rad = r.width() * 0.22;
    p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), rad, rad);
    const double w = r.width();
    const double h = r.height();
    QPainterPath line;
    line.moveTo(r.left() + w * 0.18, r.top() + h * 0.70);
    line.lineTo(r.left() + w * 0.40, r.top() + h * 0.48);
    line.lineTo(r.left() + w * 0.56, r.top() + h * 0.60);
    line.lineTo(r.left() + w * 0.80, r.top() + h * 0.28);
    p.setBrush(Qt::NoBrush);
    p.setPen(
        QPen(pal::kWhite, std::max(1.5, w / 11.0), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(line);
    p.setPen(Qt::NoPen);
    p.setBrush(pal::kAmber500);
    p.drawEllipse(QPointF(r.left() + w * 0.80, r.top() + h * 0.28), w * 0.10, w * 0.10);
    p.restore();
}

void TitleBar(QPainter& p, const QRect& r, const QString& title, bool mark) {
    p.save();
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, pal::kNavy700);
    g.setColorAt(1, pal::kNavy900);
    p.fillRect(r, g);
    p.fillRect(QRect(r.left(), r.top(), r.width(), 1), QColor(58, 92, 130));
    p.fillRect(QRect(r.left(), r.bottom() - 1, r.width(), 2), pal::kAmber600);
    int x = r.left() + 10;
    if (mark) {
        const int s = std::min(22, r.height() - 12);
        Emblem(p, QRectF(x, r.top() + (r.height() - 2 - s) / 2.0, s, s));
        x += s + 8;
    }
    if (!title.isEmpty()) {
        Smooth(p);
        p.setPen(pal::kWhite);
        p.setFont(UiFont(13, true));
        p.drawText(QRect(x, r.top(), r.width() - x - 80, r.height() - 2),
                   Qt::AlignVCenter | Qt::AlignLeft, title);
    }
    p.restore();
}

void WindowChrome(QPainter& p, const QSize& size, int titleHeight, const QString& title) {
    const QRect all(0, 0, size.width(), size.height());
    QLinearGradient body(0, titleHeight, 0, size.height());
    body.setColorAt(0, pal::kPanel);
    body.setColorAt(1, pal::kPanel2);
    p.fillRect(all, body);
    if (titleHeight > 0) {
        TitleBar(p, QRect(0, 0, size.width(), titleHeight), title);
    }
    Outline(p, all.adjusted(0, 0, -1, -1), pal::kNavy900);
    p.fillRect(QRect(1, titleHeight, 1, size.height() - 1 - titleHeight),
               QColor(255, 255, 255, 110));
}

void FieldFrame(QPainter& p, const QRect& r) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.fillRect(r, pal::kWhite);
    Outline(p, r.adjusted(-1, -1, 0, 0), QColor(160, 174, 190));
    p.fillRect(QRect(r.left(), r.top(), r.width(), 1), QColor(226, 232, 238));
    p.restore();
}

void GroupBox(QPainter& p, const QRect& r, const QString& caption) {
    p.save();
    Smooth(p);
    p.setPen(QPen(pal::kLine, 1));
    p.setBrush(QColor(255, 255, 255, 150));
    p.drawRoundedRect(QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
    if (!caption.isEmpty()) {
        p.fillRect(QRect(r.left() + 12, r.top() + 10, 3, 14), pal::kAmber500);
        p.setPen(pal::kNavy700);
        p.setFont(UiFont(13, true));
        p.drawText(QRect(r.left() + 22, r.top() + 6, r.width() - 30, 22),
                   Qt::AlignVCenter | Qt::AlignLeft, caption);
    }
    p.restore();
}

void Label(QPainter& p, const QRect& r, const QString& text, int px, bool bold, QColor colour,
           int align) {
    p.save();
    Smooth(p);
    p.setPen(colour);
    p.setFont(UiFont(px, bold));
    p.drawText(r, align, text);
    p.restore();
}

void DrawGlyph(QPainter& p, Glyph g, const QRectF& r, QColor c) {
    p.save();
    Smooth(p);
    const double w = r.width();
    const double h = r.height();
    const QPointF m = r.center();
    QPen pen(c, std::max(1.2, std::min(w, h) / 8.0), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    switch (g) {
        case Glyph::kNone:
            break;
        case Glyph::kMinimise:
            p.setRenderHint(QPainter::Antialiasing, false);
            p.fillRect(
                QRectF(r.left() + w * 0.25, r.top() + h * 0.62, w * 0.5, std::max(1.0, h / 8.0))
                    .toAlignedRect(),
                c);
            break;
        case Glyph::kMaximise: {
            // A window outline with a thick top edge, on whole pixels.
            const QRect box =
                QRectF(r.left() + w * 0.25, r.top() + h * 0.28, w * 0.5, h * 0.44).toAlignedRect();
            Outline(p, box, c);
            p.fillRect(QRect(box.left(), box.top() + 1, box.width(), 1), c);
            break;
        }
        case Glyph::kClose:
            p.drawLine(QPointF(r.left() + w * 0.3, r.top() + h * 0.3),
                       QPointF(r.right() - w * 0.3, r.bottom() - h * 0.3));
            p.drawLine(QPointF(r.right() - w * 0.3, r.top() + h * 0.3),
                       QPointF(r.left() + w * 0.3, r.bottom() - h * 0.3));
            break;
        case Glyph::kFont:
            p.setFont(UiFont(static_cast<int>(h * 0.85), true));
            p.setPen(c);
            p.drawText(r, Qt::AlignCenter, QStringLiteral("A"));
            break;
        case Glyph::kSmile:
            p.drawEllipse(r.adjusted(w * 0.1, h * 0.1, -w * 0.1, -h * 0.1));
            p.drawArc(r.adjusted(w * 0.3, h * 0.3, -w * 0.3, -h * 0.25), 200 * 16, 140 * 16);
            p.setBrush(c);
            p.setPen(Qt::NoPen);
            p.drawEllipse(QPointF(m.x() - w * 0.15, m.y() - h * 0.1), w * 0.06, w * 0.06);
            p.drawEllipse(QPointF(m.x() + w * 0.15, m.y() - h * 0.1), w * 0.06, w * 0.06);
            break;
        case Glyph::kFile: {
            QPainterPath f;
            f.moveTo(r.left() + w * 0.25, r.top() + h * 0.1);
            f.lineTo(r.left() + w * 0.6, r.top() + h * 0.1);
            f.lineTo(r.left() + w * 0.78, r.top() + h * 0.3);
            f.lineTo(r.left() + w * 0.78, r.bottom() - h * 0.1);
            f.lineTo(r.left() + w * 0.25, r.bottom() - h * 0.1);
            f.closeSubpath();
            p.drawPath(f);
            p.drawLine(QPointF(r.left() + w * 0.36, m.y()), QPointF(r.left() + w * 0.66, m.y()));
            p.drawLine(QPointF(r.left() + w * 0.36, m.y() + h * 0.16),
                       QPointF(r.left() + w * 0.66, m.y() + h * 0.16));
            break;
        }
        case Glyph::kShot:
            p.drawRect(r.adjusted(w * 0.12, h * 0.28, -w * 0.12, -h * 0.16));
            p.drawEllipse(QPointF(m.x(), m.y() + h * 0.06), w * 0.15, w * 0.15);
            p.drawLine(QPointF(m.x() - w * 0.12, r.top() + h * 0.28),
                       QPointF(m.x() - w * 0.05, r.top() + h * 0.16));
            p.drawLine(QPointF(m.x() - w * 0.05, r.top() + h * 0.16),
                       QPointF(m.x() + w * 0.12, r.top() + h * 0.16));
            break;
        case Glyph::kPrev:
        case Glyph::kNext:
        case Glyph::kFirst:
        case Glyph::kLast: {
            const bool left = g == Glyph::kPrev || g == Glyph::kFirst;
            const double s = left ? -1 : 1;
            QPainterPath a;
            a.moveTo(m.x() - s * w * 0.12, m.y() - h * 0.25);
            a.lineTo(m.x() + s * w * 0.12, m.y());
            a.lineTo(m.x() - s * w * 0.12, m.y() + h * 0.25);
            p.drawPath(a);
            if (g == Glyph::kFirst || g == Glyph::kLast) {
                p.drawLine(QPointF(m.x() + s * w * 0.22, m.y() - h * 0.25),
                           QPointF(m.x() + s * w * 0.22, m.y() + h * 0.25));
            }
            break;
        }
        case Glyph::kKey:
            p.drawEllipse(QPointF(r.left() + w * 0.32, m.y()), w * 0.17, w * 0.17);
            p.drawLine(QPointF(r.left() + w * 0.49, m.y()), QPointF(r.right() - w * 0.1, m.y()));
            p.drawLine(QPointF(r.right() - w * 0.22, m.y()),
                       QPointF(r.right() - w * 0.22, m.y() + h * 0.18));
            break;
        case Glyph::kStar: {
            QPainterPath s;
            for (int i = 0; i < 10; ++i) {
                const double ang = -M_PI / 2 + i * M_PI / 5;
                const double rad = (i % 2 == 0 ? 0.45 : 0.2) * w;
                const QPointF pt(m.x() + rad * std::cos(ang),
                                 m.y() + rad * std::sin(ang) + h * 0.04);
                if (i == 0)
                    s.moveTo(pt);
                else
                    s.lineTo(pt);
            }
            s.closeSubpath();
            p.setPen(QPen(c, 1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.setBrush(c);
            p.drawPath(s);
            break;
        }
        case Glyph::kPerson:
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(QPointF(m.x(), r.top() + h * 0.33), w * 0.17, w * 0.17);
            p.drawArc(QRectF(m.x() - w * 0.32, r.top() + h * 0.58, w * 0.64, h * 0.6), 0, 180 * 16);
            break;
        case Glyph::kBell:
        case Glyph::kHelp:
            p.drawEllipse(r.adjusted(w * 0.12, h * 0.12, -w * 0.12, -h * 0.12));
            p.setFont(UiFont(static_cast<int>(h * 0.62), true));
            p.setPen(c);
            p.drawText(r, Qt::AlignCenter,
                       g == Glyph::kHelp ? QStringLiteral("?") : QStringLiteral("!"));
            break;
        case Glyph::kGear:
            p.drawEllipse(m, w * 0.16, w * 0.16);
            for (int i = 0; i < 8; ++i) {
                const double ang = i * M_PI / 4;
                p.drawLine(
                    QPointF(m.x() + w * 0.26 * std::cos(ang), m.y() + w * 0.26 * std::sin(ang)),
                    QPointF(m.x() + w * 0.40 * std::cos(ang), m.y() + w * 0.40 * std::sin(ang)));
            }
            break;
        case Glyph::kChat: {
            QPainterPath b;
            b.addRoundedRect(r.adjusted(w * 0.1, h * 0.15, -w * 0.1, -h * 0.3), w * 0.15, w * 0.15);
            p.drawPath(b);
            p.drawLine(QPointF(r.left() + w * 0.3, r.bottom() - h * 0.3),
                       QPointF(r.left() + w * 0.25, r.bottom() - h * 0.1));
            break;
        }
    }
    p.restore();
}

QImage Button(QSize size, BtnStyle style, BtnState state, const QString& label, Glyph glyph) {
    QImage img = NewCanvas(size.width(), size.height());
    QPainter p(&img);
    Smooth(p);
    const QRectF box(0, 0, size.width(), size.height());
    const bool down = state == BtnState::kPressed;
    const bool hover = state == BtnState::kHover;
    const bool disabled = state == BtnState::kDisabled;
    const QPointF shift = down ? QPointF(0, 1) : QPointF(0, 0);

    if (style == BtnStyle::kCaption || style == BtnStyle::kCaptionClose ||
        style == BtnStyle::kMenu) {
        // These sit on the navy title bars: only the hover and pressed plates are
        // drawn, the rest shows the bar through magenta.
        if (hover || down) {
            // Opaque plates: anything translucent would fall to the key colour.
            QColor plate = style == BtnStyle::kCaptionClose ? pal::kAlert : pal::kNavy500;
            if (down) {
                plate = style == BtnStyle::kCaptionClose ? QColor(160, 62, 44) : pal::kNavy900;
            }
            p.setPen(Qt::NoPen);
            p.setBrush(plate);
            p.drawRoundedRect(box.adjusted(0, 0, 0, 0), 3, 3);
        }
        QColor ink = disabled ? QColor(120, 140, 162) : pal::kWhite;
        if (style == BtnStyle::kMenu && hover)
            ink = pal::kAmber300;
        if (!label.isEmpty()) {
            p.setFont(UiFont(std::min(12, size.height() - 3), false));
            p.setPen(ink);
            QRectF t = box.translated(shift);
            if (style == BtnStyle::kMenu) {
                t.adjust(0, 0, -9, 0);
                QPainterPath tri;
                const double cx = box.right() - 9;
                const double cy = box.center().y() + shift.y();
                tri.moveTo(cx, cy - 1.5);
                tri.lineTo(cx + 5, cy - 1.5);
                tri.lineTo(cx + 2.5, cy + 1.5);
                tri.closeSubpath();
                p.setPen(Qt::NoPen);
                p.setBrush(ink);
                p.drawPath(tri);
                p.setPen(ink);
            }
            p.drawText(t, Qt::AlignCenter, label);
        }
        if (glyph != Glyph::kNone) {
            const double s = std::min(size.width(), size.height());
            DrawGlyph(
                p, glyph,
                QRectF(box.center().x() - s / 2, box.center().y() - s / 2, s, s).translated(shift),
                ink);
        }
        p.end();
        return KeyOnMagenta(img);
    }

    const Tones t = ButtonTones(style, state);
    const double radius = style == BtnStyle::kNav ? 2 : 4;
    const QRectF frame = box.adjusted(0.5, 0.5, -0.5, -0.5);
    if (style == BtnStyle::kTool && state == BtnState::kNormal) {
        // Toolbar buttons stay flat until the pointer reaches them.
    } else {
        QLinearGradient g(box.topLeft(), box.bottomLeft());
        g.setColorAt(0, t.top);
        g.setColorAt(1, t.bottom);
        p.setPen(QPen(t.border, 1));
        p.setBrush(g);
        p.drawRoundedRect(frame, radius, radius);
        if (t.highlight.alpha() > 0) {
            p.setPen(QPen(t.highlight, 1));
            p.setBrush(Qt::NoBrush);
            p.drawLine(QPointF(radius + 1, 1.5), QPointF(box.width() - radius - 1, 1.5));
        }
        if (style == BtnStyle::kNav && !disabled) {
            p.setPen(Qt::NoPen);
            p.setBrush(hover || down ? pal::kAmber500 : pal::kTeal500);
            p.drawRect(QRectF(1, 3, 3, box.height() - 6));
        }
    }
    QColor ink = t.text;
    if (style == BtnStyle::kTool && state == BtnState::kNormal)
        ink = pal::kNavy500;
    const int px = size.height() >= 30 ? 14 : (size.height() >= 22 ? 13 : 12);
    const bool bold = style == BtnStyle::kAccent || style == BtnStyle::kPrimary;
    QRectF area = box.translated(shift);
    if (style == BtnStyle::kNav)
        area.adjust(16, 0, 0, 0);
    if (glyph != Glyph::kNone && !label.isEmpty()) {
        p.setFont(UiFont(px, bold));
        const double tw = p.fontMetrics().horizontalAdvance(label);
        const double gs = std::min(16.0, size.height() - 6.0);
        const double total = gs + 4 + tw;
        double x = style == BtnStyle::kNav ? area.left() : area.center().x() - total / 2;
        DrawGlyph(p, glyph, QRectF(x, area.center().y() - gs / 2, gs, gs), ink);
        p.setPen(ink);
        p.drawText(QRectF(x + gs + 4, area.top(), tw + 2, area.height()),
                   Qt::AlignVCenter | Qt::AlignLeft, label);
    } else if (glyph != Glyph::kNone) {
        const double gs = std::min(size.width(), size.height()) - 4.0;
        DrawGlyph(p, glyph, QRectF(area.center().x() - gs / 2, area.center().y() - gs / 2, gs, gs),
                  ink);
    } else {
        p.setFont(UiFont(px, bold));
        p.setPen(ink);
        p.drawText(area,
                   (style == BtnStyle::kNav ? Qt::AlignLeft : Qt::AlignHCenter) | Qt::AlignVCenter,
                   label);
    }
    p.end();
    return KeyOnMagenta(img);
}

}  // namespace artgen
