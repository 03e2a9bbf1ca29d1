// The application icon of the desktop theme, drawn for each size: the company mark
// on the dark tile of the program's own icon 128, simplified below 32 pixels so that
// the mark stays legible where only a few pixels are available.

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <cmath>
#include <cstdio>

#include "tools/artgen/Art.h"
#include "tools/artgen/Paint.h"

namespace artgen {
namespace {

// The mark's rising line, as fractions of its tile (the same as Emblem's).
constexpr double kLine[4][2] = {{0.18, 0.70}, {0.40, 0.48}, {0.56, 0.60}, {0.80, 0.28}};

QPainterPath LinePath(const QRectF& r) {
    QPainterPath line;
    for (int i = 0; i < 4; ++i) {
        const QPointF pt(r.left() + r.width() * kLine[i][0], r.top() + r.height() * kLine[i][1]);
        if (i == 0)
            line.moveTo(pt);
        else
            line.lineTo(pt);
    }
    return line;
}

// At 22 and 24 pixels the teal tile fills the icon and the strokes sit on the pixel grid.
// Points are pixel centres, chosen by hand for each size; the diagonals run at 45 degrees
// where they can, which antialiasing draws crisply.
struct SmallLayout {
    int size;
    double radius;
    double pen;
    QPointF points[4];
    QRectF dot;
};

const SmallLayout kSmall[] = {
    {22, 4, 2.2, {{4.5, 15.5}, {8.5, 11.5}, {12, 13.5}, {16.5, 7.5}}, QRectF(14.5, 5.5, 4, 4)},
    {24, 4, 2.3, {{4.5, 16.5}, {9, 12}, {12.5, 14.5}, {18, 7.5}}, QRectF(16, 5.5, 4, 4)},
};

void SmallTile(QPainter& p, int size, double radius) {
    Smooth(p);
    const QRectF tile(0.5, 0.5, size - 1, size - 1);
    QLinearGradient g(0, 0, 0, size);
    g.setColorAt(0, pal::kTeal500);
    g.setColorAt(1, pal::kTeal700);
    // A navy rim so the tile holds its shape on light and dark panels alike.
    p.setPen(QPen(pal::kNavy800, 1));
    p.setBrush(g);
    p.drawRoundedRect(tile, radius, radius);
}

// At 16 pixels an antialiased line loses its dip: the line is set pixel by pixel, two
// pixels tall on 45-degree steps, and only the dot is left round.
QImage Icon16() {
    QImage img(16, 16, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    SmallTile(p, 16, 3);
    const int line[][2] = {{3, 11}, {4, 10}, {5, 9},  {6, 8},  {7, 9},
                           {8, 10}, {9, 9},  {10, 8}, {11, 7}, {12, 6}};
    for (const auto& pt : line)
        p.fillRect(QRect(pt[0], pt[1], 1, 2), pal::kWhite);
    p.setPen(Qt::NoPen);
    p.setBrush(pal::kAmber500);
    p.drawEllipse(QPointF(12.5, 4.5), 1.9, 1.9);
    return img;
}

QImage SmallIcon(const SmallLayout& l) {
    QImage img(l.size, l.size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    SmallTile(p, l.size, l.radius);
    QPainterPath line;
    line.moveTo(l.points[0]);
    for (int i = 1; i < 4; ++i)
        line.lineTo(l.points[i]);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(pal::kWhite, l.pen, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(line);
    p.setPen(Qt::NoPen);
    p.setBrush(pal::kAmber500);
    p.drawEllipse(l.dot);
    return img;
}

// From 32 pixels: the dark tile of icon 128 with the teal mark inside; from 48 a soft
// shadow, from 64 the faint area under the line and a sheen on the mark.
void LargeIcon(QPainter& p, double n) {
    Smooth(p);
    const double margin = n >= 48 ? std::round(n * 0.06) : 0;
    const QRectF outer(margin, margin * 0.6, n - 2 * margin, n - 2 * margin);
    const double outerRadius = outer.width() * 0.2;
    if (n >= 48) {
        // Layered translucent outlines make a soft shadow without a blur filter.
        const int layers = static_cast<int>(std::max(3.0, n / 32));
        p.setPen(Qt::NoPen);
        for (int i = layers; i >= 1; --i) {
            const double grow = i * n / 160.0;
            p.setBrush(QColor(0, 0, 0, 90 / layers));
            p.drawRoundedRect(outer.translated(0, n * 0.025).adjusted(-grow, -grow, grow, grow),
                              outerRadius + grow, outerRadius + grow);
        }
    }
    QLinearGradient dark(outer.topLeft(), outer.bottomLeft());
    dark.setColorAt(0, pal::kNavy700);
    dark.setColorAt(1, pal::kNavy900);
    const double px = n / 32.0;  // one pixel of the 32-pixel icon
    p.setPen(QPen(pal::kNavy900, std::max(1.0, px * 0.5)));
    p.setBrush(dark);
    p.drawRoundedRect(outer.adjusted(0.5, 0.5, -0.5, -0.5), outerRadius, outerRadius);
    // The mark, inset as in icon 128 (2 of 32 pixels) and a little more at large sizes.
    const double inset = n >= 48 ? outer.width() * 0.1 : 2;
    const QRectF mark = outer.adjusted(inset, inset, -inset, -inset);
    const double rad = mark.width() * 0.22;
    QLinearGradient teal(mark.topLeft(), mark.bottomRight());
    teal.setColorAt(0, pal::kTeal500);
    teal.setColorAt(1, pal::kTeal700);
    p.setPen(QPen(QColor(255, 255, 255, 70), std::max(1.0, px * 0.5)));
    p.setBrush(teal);
    p.drawRoundedRect(mark.adjusted(0.5, 0.5, -0.5, -0.5), rad, rad);
    const QPainterPath line = LinePath(mark);
    if (n >= 64) {
        QPainterPath clip;
        clip.addRoundedRect(mark.adjusted(1, 1, -1, -1), rad, rad);
        p.save();
        p.setClipPath(clip);
        // The area under the line, carried flat to both edges of the mark.
        QPainterPath area;
        area.moveTo(mark.left(), mark.bottom());
        area.lineTo(mark.left(), mark.top() + mark.height() * kLine[0][1]);
        area.connectPath(line);
        area.lineTo(mark.right(), mark.top() + mark.height() * kLine[3][1]);
        area.lineTo(mark.right(), mark.bottom());
        area.closeSubpath();
        QLinearGradient fade(0, mark.top() + mark.height() * 0.3, 0, mark.bottom());
        fade.setColorAt(0, QColor(255, 255, 255, 56));
        fade.setColorAt(0.8, QColor(255, 255, 255, 0));
        p.setPen(Qt::NoPen);
        p.setBrush(fade);
        p.drawPath(area);
        // A sheen across the upper half.
        QLinearGradient sheen(mark.topLeft(), QPointF(mark.left(), mark.center().y()));
        sheen.setColorAt(0, QColor(255, 255, 255, 46));
        sheen.setColorAt(1, QColor(255, 255, 255, 0));
        p.setBrush(sheen);
        p.drawRect(QRectF(mark.topLeft(), QPointF(mark.right(), mark.center().y())));
        p.restore();
    }
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(pal::kWhite, std::max(1.5, mark.width() / 11.0), Qt::SolidLine, Qt::RoundCap,
                  Qt::RoundJoin));
    p.drawPath(line);
    const QPointF peak(mark.left() + mark.width() * kLine[3][0],
                       mark.top() + mark.height() * kLine[3][1]);
    const double dot = mark.width() * 0.10;
    if (n >= 64) {
        p.setPen(QPen(pal::kAmber600, px * 0.5));
    } else {
        p.setPen(Qt::NoPen);
    }
    p.setBrush(pal::kAmber500);
    p.drawEllipse(peak, dot, dot);
}

std::string Num(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.2f", v);
    std::string s = buf;
    while (s.back() == '0')
        s.pop_back();
    if (s.back() == '.')
        s.pop_back();
    return s;
}

std::string Hex(QColor c) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "#%02x%02x%02x", c.red(), c.green(), c.blue());
    return buf;
}

}  // namespace

std::vector<int> AppIconSizes() {
    return {16, 22, 24, 32, 48, 64, 128, 256};
}

QImage AppIcon(int size) {
    if (size == 16)
        return Icon16().convertToFormat(QImage::Format_ARGB32);
    for (const SmallLayout& l : kSmall) {
        if (l.size == size)
            return SmallIcon(l).convertToFormat(QImage::Format_ARGB32);
    }
    QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    {
        QPainter p(&img);
        LargeIcon(p, size);
    }
    return img.convertToFormat(QImage::Format_ARGB32);
}

std::string AppIconSvg() {
    // The 256-pixel drawing without its shadow, in the same numbers.
    const double n = 256;
    const double m = std::round(n * 0.06);
    const double side = n - 2 * m;
    const double top = m * 0.6;
    const double inset = side * 0.1;
    const double mx = m + inset;
    const double my = top + inset;
    const double mw = side - 2 * inset;
    std::string s;
    s += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"256\" height=\"256\" "
         "viewBox=\"0 0 256 256\">\n";
    s += "  <defs>\n";
    s += "    <linearGradient id=\"tile\" x1=\"0\" y1=\"0\" x2=\"0\" y2=\"1\">\n";
    s += "      <stop offset=\"0\" stop-color=\"" + Hex(pal::kNavy700) + "\"/>\n";
    s += "      <stop offset=\"1\" stop-color=\"" + Hex(pal::kNavy900) + "\"/>\n";
    s += "    </linearGradient>\n";
    s += "    <linearGradient id=\"mark\" x1=\"0\" y1=\"0\" x2=\"1\" y2=\"1\">\n";
    s += "      <stop offset=\"0\" stop-color=\"" + Hex(pal::kTeal500) + "\"/>\n";
    s += "      <stop offset=\"1\" stop-color=\"" + Hex(pal::kTeal700) + "\"/>\n";
    s += "    </linearGradient>\n";
    s += "  </defs>\n";
    s += "  <rect x=\"" + Num(m + 0.5) + "\" y=\"" + Num(top + 0.5) + "\" width=\"" +
         Num(side - 1) + "\" height=\"" + Num(side - 1) + "\" rx=\"" + Num(side * 0.2) +
         "\" fill=\"url(#tile)\" stroke=\"" + Hex(pal::kNavy900) + "\" stroke-width=\"4\"/>\n";
    s += "  <rect x=\"" + Num(mx + 0.5) + "\" y=\"" + Num(my + 0.5) + "\" width=\"" + Num(mw - 1) +
         "\" height=\"" + Num(mw - 1) + "\" rx=\"" + Num(mw * 0.22) +
         "\" fill=\"url(#mark)\" stroke=\"#ffffff\" stroke-opacity=\"0.27\" "
         "stroke-width=\"4\"/>\n";
    std::string points;
    for (int i = 0; i < 4; ++i) {
        points += (i ? " " : "") + Num(mx + mw * kLine[i][0]) + "," + Num(my + mw * kLine[i][1]);
    }
    s += "  <polyline points=\"" + points + "\" fill=\"none\" stroke=\"#ffffff\" stroke-width=\"" +
         Num(mw / 11.0) + "\" stroke-linecap=\"round\" stroke-linejoin=\"round\"/>\n";
    s += "  <circle cx=\"" + Num(mx + mw * kLine[3][0]) + "\" cy=\"" + Num(my + mw * kLine[3][1]) +
         "\" r=\"" + Num(mw * 0.10) + "\" fill=\"" + Hex(pal::kAmber500) + "\" stroke=\"" +
         Hex(pal::kAmber600) + "\" stroke-width=\"4\"/>\n";
    s += "</svg>\n";
    return s;
}

}  // namespace artgen
