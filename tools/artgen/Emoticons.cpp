#include "tools/artgen/Emoticons.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <algorithm>
#include <cmath>

#include "tools/artgen/Paint.h"

namespace artgen {
namespace {

struct Entry {
    const char* code;
    const char* meaning;
};

// Index = emoticon code number.
const Entry kFaces[50] = {
    {"/:O", "惊讶"},   {"/:-/", "疑惑"},  {"/:*", "飞吻"},   {"/>:", "坏笑"},   {"/8-)", "酷"},
    {"/:(", "难过"},   {"/:$", "害羞"},   {"/:-X", "闭嘴"},  {"/:-Z", "困"},    {"/:'(", "大哭"},
    {"/:-|", "无语"},  {"/:@", "发怒"},   {"/:P", "调皮"},   {"/:D", "大笑"},   {"/:)", "微笑"},
    {"/<D>", "干杯"},  {"/<J>", "得意"},  {"/<H>", "流汗"},  {"/<M>", "音乐"},  {"/<QQ>", "委屈"},
    {"/<MM>", "美女"}, {"/<L>", "爱心"},  {"/<S>", "晚安"},  {"/<K>", "红唇"},  {"/<T>", "电话"},
    {"/<$>", "财富"},  {"/<O>", "时间"},  {"/<&>", "合作"},  {"/<B>", "啤酒"},  {"/<F>", "鲜花"},
    {"/<U>", "心碎"},  {"/<V>", "胜利"},  {"/<W>", "凋谢"},  {"/<Y1>", "赞"},   {"/<Y2>", "弱"},
    {"/<%>", "上涨"},  {"/<@@>", "晕"},   {"/<X>", "完了"},  {"/<I>", "灵感"},  {"/<G>", "礼物"},
    {"/<!!>", "惊吓"}, {"/<~>", "再见"},  {"/<C>", "咖啡"},  {"/<Z>", "猪头"},  {"/<*>", "星星"},
    {"/<)>", "眨眼"},  {"/<OK>", "好的"}, {"/<NO>", "不行"}, {"/<00>", "发呆"}, {"/<11>", "蛋糕"},
};

const QColor kInk(74, 46, 14);
const QColor kFaceTop(255, 218, 92);
const QColor kFaceBottom(236, 168, 40);
const QColor kFaceEdge(176, 116, 18);
const QColor kTear(86, 160, 226);
const QColor kRed(214, 52, 60);
const QColor kPink(240, 120, 150);
const QColor kSkin(246, 200, 150);
const QColor kSkinEdge(184, 120, 70);
const QColor kGreen(70, 150, 80);

QPen Ink(double w = 1.2, QColor c = kInk) {
    return QPen(c, w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void Face(QPainter& p, QColor top = kFaceTop, QColor bottom = kFaceBottom,
          QColor edge = kFaceEdge) {
    QRadialGradient g(QPointF(8, 6.5), 12);
    g.setColorAt(0, top.lighter(112));
    g.setColorAt(0.55, top);
    g.setColorAt(1, bottom);
    p.setPen(QPen(edge, 1));
    p.setBrush(g);
    p.drawEllipse(QPointF(10, 10), 9.1, 9.1);
}

void DotEyes(QPainter& p, double y = 8, double r = 1.25) {
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    p.drawEllipse(QPointF(7, y), r * 0.85, r * 1.15);
    p.drawEllipse(QPointF(13, y), r * 0.85, r * 1.15);
}

void ClosedEyes(QPainter& p, bool happy) {
    p.setPen(Ink(1.1));
    p.setBrush(Qt::NoBrush);
    for (double x : {7.0, 13.0}) {
        QPainterPath a;
        if (happy) {
            a.moveTo(x - 2, 8.6);
            a.quadTo(x, 6.2, x + 2, 8.6);
        } else {
            a.moveTo(x - 2, 7.8);
            a.quadTo(x, 9.8, x + 2, 7.8);
        }
        p.drawPath(a);
    }
}

void Smile(QPainter& p, double depth = 3.0, double width = 4.0) {
    p.setPen(Ink(1.2));
    p.setBrush(Qt::NoBrush);
    QPainterPath m;
    m.moveTo(10 - width, 12);
    m.quadTo(10, 12 + depth * 1.6, 10 + width, 12);
    p.drawPath(m);
}

void Frown(QPainter& p) {
    p.setPen(Ink(1.2));
    p.setBrush(Qt::NoBrush);
    QPainterPath m;
    m.moveTo(6.5, 15);
    m.quadTo(10, 11.2, 13.5, 15);
    p.drawPath(m);
}

void Heart(QPainter& p, QPointF c, double s, QColor col) {
    QPainterPath h;
    h.moveTo(c.x(), c.y() + s * 0.9);
    h.cubicTo(c.x() - s * 1.4, c.y() - s * 0.1, c.x() - s * 0.7, c.y() - s * 1.1, c.x(),
              c.y() - s * 0.35);
    h.cubicTo(c.x() + s * 0.7, c.y() - s * 1.1, c.x() + s * 1.4, c.y() - s * 0.1, c.x(),
              c.y() + s * 0.9);
    p.setPen(QPen(col.darker(140), 0.8));
    p.setBrush(col);
    p.drawPath(h);
}

void Hand(QPainter& p, const QRectF& palm) {
    p.setPen(QPen(kSkinEdge, 0.9));
    p.setBrush(kSkin);
    p.drawRoundedRect(palm, 2.2, 2.2);
}

void Draw(QPainter& p, int i) {
    switch (i) {
        case 0:  // surprised
            Face(p);
            p.setPen(Ink(1.0));
            p.drawLine(QPointF(5.5, 5), QPointF(8, 4.4));
            p.drawLine(QPointF(12, 4.4), QPointF(14.5, 5));
            DotEyes(p, 8, 1.4);
            p.setPen(Ink(1.0));
            p.setBrush(QColor(120, 40, 20));
            p.drawEllipse(QPointF(10, 14), 2.1, 2.8);
            break;
        case 1:  // doubtful
            Face(p);
            p.setPen(Ink(1.0));
            p.drawLine(QPointF(5.5, 5.8), QPointF(8.3, 5.8));
            p.drawLine(QPointF(11.8, 4.6), QPointF(14.5, 5.6));
            DotEyes(p);
            p.setPen(Ink(1.3));
            p.drawLine(QPointF(6.5, 14.6), QPointF(13.5, 12.4));
            break;
        case 2:  // kiss
            Face(p);
            ClosedEyes(p, true);
            p.setPen(QPen(kRed, 1.2));
            p.setBrush(Qt::NoBrush);
            p.drawArc(QRectF(8.4, 11.5, 3, 2.4), -90 * 16, 180 * 16);
            p.drawArc(QRectF(8.4, 13.6, 3, 2.4), -90 * 16, 180 * 16);
            Heart(p, QPointF(16.3, 4.2), 2.4, kRed);
            break;
        case 3: {  // devilish grin
            const QColor purple(150, 110, 200);
            p.setPen(QPen(QColor(90, 60, 130), 0.9));
            p.setBrush(QColor(110, 70, 160));
            QPainterPath horns;
            horns.moveTo(3.5, 6);
            horns.lineTo(2.6, 0.8);
            horns.lineTo(7, 3.6);
            horns.moveTo(16.5, 6);
            horns.lineTo(17.4, 0.8);
            horns.lineTo(13, 3.6);
            p.drawPath(horns);
            Face(p, purple, QColor(112, 72, 170), QColor(80, 50, 120));
            p.setPen(Ink(1.2, QColor(40, 20, 60)));
            p.drawLine(QPointF(5.5, 6), QPointF(8.5, 7.6));
            p.drawLine(QPointF(14.5, 6), QPointF(11.5, 7.6));
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(40, 20, 60));
            p.drawEllipse(QPointF(7.4, 9), 1, 1);
            p.drawEllipse(QPointF(12.6, 9), 1, 1);
            p.setBrush(QColor(255, 255, 255));
            p.setPen(Ink(1.0, QColor(40, 20, 60)));
            QPainterPath g;
            g.moveTo(5.5, 12);
            g.quadTo(10, 17.5, 14.5, 12);
            g.quadTo(10, 14, 5.5, 12);
            p.drawPath(g);
            break;
        }
        case 4:  // cool
            Face(p);
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(30, 36, 48));
            p.drawRoundedRect(QRectF(4, 6.3, 5.4, 3.6), 1.4, 1.4);
            p.drawRoundedRect(QRectF(10.6, 6.3, 5.4, 3.6), 1.4, 1.4);
            p.drawRect(QRectF(8.5, 7, 3, 1));
            p.setBrush(QColor(255, 255, 255, 140));
            p.drawRect(QRectF(5, 7, 1.5, 0.8));
            p.drawRect(QRectF(11.6, 7, 1.5, 0.8));
            Smile(p, 2.2, 3.6);
            break;
        case 5:  // sad
            Face(p);
            p.setPen(Ink(1.0));
            p.drawLine(QPointF(5.6, 6.6), QPointF(8.2, 5.6));
            p.drawLine(QPointF(14.4, 6.6), QPointF(11.8, 5.6));
            DotEyes(p, 8.6);
            Frown(p);
            break;
        case 6:  // blush
            Face(p);
            ClosedEyes(p, false);
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(240, 110, 120, 170));
            p.drawEllipse(QPointF(5, 11.4), 2.2, 1.4);
            p.drawEllipse(QPointF(15, 11.4), 2.2, 1.4);
            p.setPen(Ink(1.0));
            p.setBrush(Qt::NoBrush);
            {
                QPainterPath w;
                w.moveTo(8, 13.8);
                w.quadTo(9, 12.8, 10, 13.8);
                w.quadTo(11, 14.8, 12, 13.8);
                p.drawPath(w);
            }
            break;
        case 7:  // lips sealed
            Face(p);
            DotEyes(p);
            p.setPen(Ink(1.2));
            p.drawLine(QPointF(6, 13.5), QPointF(14, 13.5));
            p.setPen(Ink(0.9));
            for (double x : {7.5, 10.0, 12.5}) {
                p.drawLine(QPointF(x - 0.9, 12.4), QPointF(x + 0.9, 14.6));
                p.drawLine(QPointF(x + 0.9, 12.4), QPointF(x - 0.9, 14.6));
            }
            break;
        case 8:  // sleepy
            Face(p);
            p.setPen(Ink(1.1));
            p.drawLine(QPointF(5.4, 9), QPointF(8.6, 9));
            p.drawLine(QPointF(11.4, 9), QPointF(14.6, 9));
            p.setBrush(QColor(120, 40, 20));
            p.drawEllipse(QPointF(10, 14), 1.3, 1.0);
            p.setFont(UiFont(6, true));
            p.setPen(QColor(40, 90, 170));
            p.drawText(QRectF(13, -1, 7, 8), Qt::AlignCenter, QStringLiteral("z"));
            p.setFont(UiFont(4, true));
            p.drawText(QRectF(11, 2, 4, 5), Qt::AlignCenter, QStringLiteral("z"));
            break;
        case 9:  // crying
            Face(p);
            ClosedEyes(p, false);
            p.setPen(Qt::NoPen);
            p.setBrush(kTear);
            p.drawRoundedRect(QRectF(5.6, 9, 1.8, 8), 0.9, 0.9);
            p.drawRoundedRect(QRectF(12.6, 9, 1.8, 8), 0.9, 0.9);
            p.setPen(Ink(1.0));
            p.setBrush(QColor(120, 40, 20));
            {
                QPainterPath m;
                m.moveTo(7.8, 15.5);
                m.quadTo(10, 11.5, 12.2, 15.5);
                m.closeSubpath();
                p.drawPath(m);
            }
            break;
        case 10:  // speechless
            Face(p);
            DotEyes(p);
            p.setPen(Ink(1.3));
            p.drawLine(QPointF(6.6, 13.6), QPointF(13.4, 13.6));
            break;
        case 11:  // angry
            Face(p, QColor(250, 120, 90), QColor(210, 60, 40), QColor(150, 36, 24));
            p.setPen(Ink(1.4, QColor(70, 10, 5)));
            p.drawLine(QPointF(5, 5.8), QPointF(8.6, 7.6));
            p.drawLine(QPointF(15, 5.8), QPointF(11.4, 7.6));
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(70, 10, 5));
            p.drawEllipse(QPointF(7.4, 9.4), 1.1, 1.1);
            p.drawEllipse(QPointF(12.6, 9.4), 1.1, 1.1);
            p.setPen(Ink(1.3, QColor(70, 10, 5)));
            p.setBrush(Qt::NoBrush);
            {
                QPainterPath m;
                m.moveTo(6.5, 15.2);
                m.quadTo(10, 12, 13.5, 15.2);
                p.drawPath(m);
            }
            break;
        case 12:  // tongue
            Face(p);
            DotEyes(p);
            p.setPen(Ink(1.1));
            p.drawLine(QPointF(6, 12.4), QPointF(14, 12.4));
            p.setPen(QPen(QColor(200, 60, 90), 0.8));
            p.setBrush(kPink);
            p.drawRoundedRect(QRectF(8.6, 12.4, 3.6, 4.4), 1.8, 1.8);
            break;
        case 13:  // big grin
            Face(p);
            DotEyes(p, 7.6);
            p.setPen(Ink(1.0));
            p.setBrush(QColor(120, 40, 20));
            {
                QPainterPath m;
                m.moveTo(5, 11);
                m.lineTo(15, 11);
                m.quadTo(14.5, 17.5, 10, 17.5);
                m.quadTo(5.5, 17.5, 5, 11);
                p.drawPath(m);
                p.setPen(Qt::NoPen);
                p.setBrush(QColor(255, 255, 255));
                p.drawRect(QRectF(5.8, 11.5, 8.4, 1.8));
            }
            break;
        case 14:  // smile
            Face(p);
            DotEyes(p);
            Smile(p);
            break;
        case 15: {  // cocktail
            p.setPen(QPen(QColor(90, 120, 150), 0.9));
            p.setBrush(QColor(190, 225, 245, 200));
            QPainterPath g;
            g.moveTo(3, 3.5);
            g.lineTo(17, 3.5);
            g.lineTo(10, 11);
            g.closeSubpath();
            p.drawPath(g);
            p.setBrush(QColor(230, 90, 120));
            QPainterPath d;
            d.moveTo(5.4, 6);
            d.lineTo(14.6, 6);
            d.lineTo(10, 11);
            d.closeSubpath();
            p.setPen(Qt::NoPen);
            p.drawPath(d);
            p.setPen(QPen(QColor(90, 120, 150), 1.2));
            p.drawLine(QPointF(10, 11), QPointF(10, 17));
            p.drawLine(QPointF(6.5, 17.5), QPointF(13.5, 17.5));
            p.setPen(QPen(QColor(60, 90, 40), 0.8));
            p.setBrush(QColor(120, 170, 60));
            p.drawEllipse(QPointF(13.6, 3.2), 1.7, 1.7);
            break;
        }
        case 16:  // smug
            Face(p);
            p.setPen(Ink(1.1));
            p.drawLine(QPointF(5.2, 8.2), QPointF(8.8, 8.2));
            p.drawLine(QPointF(11.2, 8.2), QPointF(14.8, 8.2));
            p.setPen(Qt::NoPen);
            p.setBrush(kInk);
            p.drawChord(QRectF(5.6, 6.6, 3.2, 3.4), 180 * 16, 180 * 16);
            p.drawChord(QRectF(11.6, 6.6, 3.2, 3.4), 180 * 16, 180 * 16);
            p.setPen(Ink(1.2));
            p.setBrush(Qt::NoBrush);
            {
                QPainterPath m;
                m.moveTo(7, 13.6);
                m.quadTo(11, 14.6, 14, 11.8);
                p.drawPath(m);
            }
            break;
        case 17:  // sweat
            Face(p);
            ClosedEyes(p, true);
            p.setPen(Ink(1.2));
            p.drawLine(QPointF(7, 13.4), QPointF(13, 13.4));
            p.setPen(QPen(QColor(40, 110, 190), 0.8));
            p.setBrush(kTear);
            {
                QPainterPath s;
                s.moveTo(16, 2.4);
                s.quadTo(18.8, 6.4, 16, 7.6);
                s.quadTo(13.2, 6.4, 16, 2.4);
                p.drawPath(s);
            }
            break;
        case 18: {  // music
            p.setPen(Qt::NoPen);
            p.setBrush(pal::kTeal700);
            p.drawEllipse(QPointF(5.6, 15.4), 2.6, 2);
            p.drawEllipse(QPointF(14, 13.4), 2.6, 2);
            p.setPen(QPen(pal::kTeal700, 1.3));
            p.drawLine(QPointF(7.9, 15), QPointF(7.9, 4.2));
            p.drawLine(QPointF(16.3, 13), QPointF(16.3, 2.4));
            p.setPen(QPen(pal::kTeal700, 2.2));
            p.drawLine(QPointF(7.9, 4.4), QPointF(16.3, 2.6));
            break;
        }
        case 19:  // teary eyes
            Face(p);
            for (double x : {6.8, 13.2}) {
                p.setPen(QPen(kInk, 0.8));
                p.setBrush(QColor(60, 40, 20));
                p.drawEllipse(QPointF(x, 8.6), 2.3, 2.6);
                p.setPen(Qt::NoPen);
                p.setBrush(QColor(255, 255, 255));
                p.drawEllipse(QPointF(x - 0.7, 7.6), 0.9, 0.9);
                p.setBrush(QColor(86, 160, 226, 200));
                p.drawChord(QRectF(x - 2.3, 7.2, 4.6, 4.0), 180 * 16, 180 * 16);
            }
            p.setPen(Ink(1.1));
            p.setBrush(Qt::NoBrush);
            {
                QPainterPath m;
                m.moveTo(8, 15);
                m.quadTo(10, 13.4, 12, 15);
                p.drawPath(m);
            }
            break;
        case 20:  // girl
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(70, 40, 30));
            p.drawEllipse(QPointF(10, 9.6), 9.6, 9.8);
            p.drawRect(QRectF(0.6, 9, 3.6, 10));
            p.drawRect(QRectF(15.8, 9, 3.6, 10));
            p.setPen(QPen(kSkinEdge, 0.8));
            p.setBrush(QColor(252, 214, 176));
            p.drawEllipse(QPointF(10, 11), 6.6, 7.4);
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(70, 40, 30));
            p.drawChord(QRectF(3.2, 2.4, 13.6, 10), 0, 180 * 16);
            DotEyes(p, 10.4, 1.0);
            p.setBrush(QColor(240, 120, 140, 150));
            p.drawEllipse(QPointF(5.8, 13), 1.4, 0.9);
            p.drawEllipse(QPointF(14.2, 13), 1.4, 0.9);
            p.setPen(QPen(kRed, 1.0));
            p.drawLine(QPointF(9, 15.2), QPointF(11, 15.2));
            p.setPen(Qt::NoPen);
            p.setBrush(kPink);
            p.drawEllipse(QPointF(15.2, 2.8), 2.2, 1.6);
            p.drawEllipse(QPointF(18.6, 2.8), 2.0, 1.6);
            p.setBrush(kRed);
            p.drawEllipse(QPointF(16.9, 2.8), 1, 1);
            break;
        case 21:  // heart
            Heart(p, QPointF(10, 10.4), 7.4, QColor(224, 50, 70));
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(255, 255, 255, 120));
            p.drawEllipse(QPointF(6.4, 6.8), 1.6, 1.1);
            break;
        case 22: {  // good night moon
            QPainterPath moon;
            moon.addEllipse(QPointF(9, 10.5), 7.6, 7.6);
            QPainterPath bite;
            bite.addEllipse(QPointF(13, 7.4), 6.6, 6.6);
            p.setPen(QPen(QColor(200, 150, 30), 0.9));
            p.setBrush(QColor(252, 212, 90));
            p.drawPath(moon.subtracted(bite));
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(250, 230, 140));
            p.drawEllipse(QPointF(16, 13.6), 1.3, 1.3);
            p.drawEllipse(QPointF(17.4, 3.2), 0.9, 0.9);
            break;
        }
        case 23: {  // lips
            p.setPen(QPen(QColor(150, 20, 40), 0.9));
            p.setBrush(QColor(210, 40, 70));
            QPainterPath up;
            up.moveTo(2.5, 10);
            up.quadTo(6, 4.5, 10, 7.6);
            up.quadTo(14, 4.5, 17.5, 10);
            up.quadTo(10, 11.6, 2.5, 10);
            p.drawPath(up);
            QPainterPath lo;
            lo.moveTo(2.5, 10);
            lo.quadTo(10, 11.6, 17.5, 10);
            lo.quadTo(14, 16.6, 10, 16.2);
            lo.quadTo(6, 16.6, 2.5, 10);
            p.setBrush(QColor(230, 70, 95));
            p.drawPath(lo);
            break;
        }
        case 24: {  // telephone
            p.setPen(QPen(QColor(20, 60, 70), 0.9));
            p.setBrush(pal::kTeal500);
            QPainterPath h;
            h.moveTo(3, 6.5);
            h.quadTo(10, 1.2, 17, 6.5);
            h.lineTo(17, 8.8);
            h.lineTo(13.6, 8.8);
            h.lineTo(13, 6.6);
            h.quadTo(10, 5.6, 7, 6.6);
            h.lineTo(6.4, 8.8);
            h.lineTo(3, 8.8);
            h.closeSubpath();
            p.drawPath(h);
            p.drawRoundedRect(QRectF(4.6, 10, 10.8, 7.6), 2, 2);
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(255, 255, 255, 220));
            for (int r = 0; r < 2; ++r) {
                for (int c = 0; c < 3; ++c) {
                    p.drawRect(QRectF(6.6 + c * 2.6, 11.8 + r * 2.4, 1.4, 1.2));
                }
            }
            break;
        }
        case 25:  // money
            p.setPen(QPen(QColor(170, 110, 10), 1));
            p.setBrush(QColor(250, 200, 60));
            p.drawEllipse(QPointF(10, 10), 8.6, 8.6);
            p.setPen(QPen(QColor(200, 140, 20), 0.8));
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(QPointF(10, 10), 6.6, 6.6);
            p.setFont(UiFont(11, true));
            p.setPen(QColor(140, 80, 0));
            p.drawText(QRectF(0, 0.5, 20, 20), Qt::AlignCenter, QString(QChar(0xA5)));
            break;
        case 26:  // clock
            p.setPen(QPen(pal::kNavy700, 1.2));
            p.setBrush(QColor(255, 255, 255));
            p.drawEllipse(QPointF(10, 10), 8.4, 8.4);
            p.setPen(QPen(pal::kNavy700, 1.3, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(10, 10), QPointF(10, 4.6));
            p.drawLine(QPointF(10, 10), QPointF(13.8, 11.8));
            p.setPen(Qt::NoPen);
            p.setBrush(pal::kAmber600);
            p.drawEllipse(QPointF(10, 10), 1.1, 1.1);
            for (int k = 0; k < 4; ++k) {
                const double a = k * M_PI / 2;
                p.setBrush(pal::kNavy500);
                p.drawEllipse(QPointF(10 + 6.6 * std::cos(a), 10 + 6.6 * std::sin(a)), 0.7, 0.7);
            }
            break;
        case 27:  // handshake
            p.setPen(QPen(QColor(30, 60, 110), 0.8));
            p.setBrush(QColor(60, 110, 180));
            p.drawRect(QRectF(0.5, 9, 4.5, 6.5));
            p.setBrush(pal::kTeal500);
            p.drawRect(QRectF(15, 9, 4.5, 6.5));
            p.setPen(QPen(kSkinEdge, 0.9));
            p.setBrush(kSkin);
            p.drawRoundedRect(QRectF(4.4, 8.2, 11.2, 8), 3.4, 3.4);
            p.setPen(QPen(kSkinEdge, 0.8));
            p.drawLine(QPointF(8, 9.4), QPointF(8, 15));
            p.drawLine(QPointF(10.4, 9.4), QPointF(10.4, 15));
            p.drawLine(QPointF(12.8, 9.4), QPointF(12.8, 15));
            p.setPen(QPen(pal::kAmber500, 1.1, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(6, 5), QPointF(7, 6.6));
            p.drawLine(QPointF(10, 3.4), QPointF(10, 5.6));
            p.drawLine(QPointF(14, 5), QPointF(13, 6.6));
            break;
        case 28:  // beer
            p.setPen(QPen(QColor(150, 100, 20), 0.9));
            p.setBrush(QColor(245, 180, 50));
            p.drawRoundedRect(QRectF(3.5, 6, 9.5, 12), 1.2, 1.2);
            p.setBrush(Qt::NoBrush);
            p.setPen(QPen(QColor(150, 100, 20), 1.6));
            p.drawRoundedRect(QRectF(12.6, 8.6, 4, 6), 2, 2);
            {
                // Foam with an outline, so it still shows on the white chat view.
                QPainterPath foam;
                foam.addEllipse(QPointF(5.6, 5.6), 2.6, 2.4);
                foam.addEllipse(QPointF(9, 4.8), 3, 2.8);
                foam.addEllipse(QPointF(11.6, 5.8), 2.2, 2.2);
                p.setPen(QPen(QColor(190, 170, 120), 0.8));
                p.setBrush(QColor(255, 250, 228));
                p.drawPath(foam.simplified());
                p.setPen(Qt::NoPen);
            }
            p.setBrush(QColor(255, 255, 255, 110));
            p.drawRect(QRectF(5, 9, 1.4, 7.4));
            break;
        case 29:  // rose
            p.setPen(QPen(kGreen.darker(120), 1.2));
            p.drawLine(QPointF(10, 10), QPointF(10, 19));
            p.setPen(Qt::NoPen);
            p.setBrush(kGreen);
            p.drawEllipse(QPointF(12.6, 15), 2.6, 1.2);
            p.setPen(QPen(QColor(140, 20, 40), 0.8));
            p.setBrush(QColor(210, 40, 60));
            p.drawEllipse(QPointF(10, 6.6), 5.6, 5.2);
            p.setBrush(QColor(235, 80, 95));
            p.drawEllipse(QPointF(10, 6.2), 3.2, 3);
            p.setPen(QPen(QColor(140, 20, 40), 0.8));
            p.setBrush(Qt::NoBrush);
            p.drawArc(QRectF(8.4, 4.8, 3.2, 3), 0, 270 * 16);
            break;
        case 30: {  // broken heart
            QPainterPath clipL;
            clipL.moveTo(0, 0);
            clipL.lineTo(10.6, 0);
            clipL.lineTo(9, 6);
            clipL.lineTo(11, 9);
            clipL.lineTo(9, 13);
            clipL.lineTo(10, 20);
            clipL.lineTo(0, 20);
            clipL.closeSubpath();
            p.save();
            p.setClipPath(clipL);
            p.translate(-1, 0.6);
            Heart(p, QPointF(10, 10.4), 7.2, QColor(160, 60, 80));
            p.restore();
            QPainterPath clipR;
            clipR.addRect(0, 0, 20, 20);
            p.save();
            p.setClipPath(clipR.subtracted(clipL));
            p.translate(1, -0.2);
            Heart(p, QPointF(10, 10.4), 7.2, QColor(160, 60, 80));
            p.restore();
            break;
        }
        case 31:  // victory
            Hand(p, QRectF(5, 9.6, 10, 9));
            p.setPen(QPen(kSkinEdge, 0.9));
            p.setBrush(kSkin);
            p.save();
            p.translate(8, 10);
            p.rotate(-12);
            p.drawRoundedRect(QRectF(-1.6, -9, 3.2, 10), 1.6, 1.6);
            p.restore();
            p.save();
            p.translate(12, 10);
            p.rotate(12);
            p.drawRoundedRect(QRectF(-1.6, -9, 3.2, 10), 1.6, 1.6);
            p.restore();
            p.drawLine(QPointF(6.4, 14), QPointF(13.6, 14));
            break;
        case 32: {  // wilted flower: bent stem, drooping head, a fallen petal
            p.setPen(QPen(QColor(96, 110, 50), 1.5, Qt::SolidLine, Qt::RoundCap));
            p.setBrush(Qt::NoBrush);
            QPainterPath s;
            s.moveTo(6, 19.5);
            s.cubicTo(5.5, 10, 9, 4.5, 14, 6.5);
            p.drawPath(s);
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(120, 130, 60));
            p.drawEllipse(QPointF(8.6, 14.6), 2.6, 1.1);
            p.setPen(QPen(QColor(80, 30, 50), 0.8));
            p.setBrush(QColor(150, 60, 90));
            p.save();
            p.translate(14.6, 10.2);
            p.rotate(20);
            QPainterPath head;
            head.moveTo(-3.2, -2.6);
            head.quadTo(0, -4, 3.2, -2.6);
            head.lineTo(2.4, 3.4);
            head.quadTo(0, 4.6, -2.4, 3.4);
            head.closeSubpath();
            p.drawPath(head);
            p.restore();
            p.setBrush(QColor(150, 60, 90));
            p.drawEllipse(QPointF(15.4, 18.2), 1.8, 0.9);
            break;
        }
        case 33:  // thumbs up
        case 34:  // thumbs down
            p.save();
            if (i == 34) {
                p.translate(20, 20);
                p.rotate(180);
            }
            Hand(p, QRectF(5.4, 8.6, 9.6, 9.6));
            p.setPen(QPen(kSkinEdge, 0.9));
            p.setBrush(kSkin);
            p.drawRoundedRect(QRectF(6.2, 1.6, 3.6, 9), 1.8, 1.8);
            p.drawLine(QPointF(9.6, 11.6), QPointF(15, 11.6));
            p.drawLine(QPointF(9.6, 14.6), QPointF(15, 14.6));
            p.setPen(QPen(QColor(60, 110, 180), 0.8));
            p.setBrush(QColor(60, 110, 180));
            p.drawRect(QRectF(1.6, 9, 3.4, 9));
            p.restore();
            break;
        case 35: {  // market up
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(255, 255, 255));
            p.drawRoundedRect(QRectF(1, 1, 18, 18), 3, 3);
            p.setPen(QPen(pal::kLine, 0.8));
            p.setBrush(Qt::NoBrush);
            p.drawRoundedRect(QRectF(1, 1, 18, 18), 3, 3);
            p.setPen(Qt::NoPen);
            const double bars[4] = {4, 7, 6, 11};
            for (int k = 0; k < 4; ++k) {
                p.setBrush(k == 2 ? QColor(60, 150, 90) : QColor(210, 50, 50));
                p.drawRect(QRectF(3.4 + k * 3.4, 17 - bars[k], 2.4, bars[k]));
            }
            p.setPen(QPen(pal::kAmber600, 1.3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            QPainterPath a;
            a.moveTo(3, 11);
            a.lineTo(8, 8);
            a.lineTo(11, 10);
            a.lineTo(16.6, 3.4);
            p.drawPath(a);
            p.drawLine(QPointF(16.6, 3.4), QPointF(13.6, 3.6));
            p.drawLine(QPointF(16.6, 3.4), QPointF(16.6, 6.4));
            break;
        }
        case 36:  // dizzy
            Face(p);
            p.setPen(Ink(0.9));
            p.setBrush(Qt::NoBrush);
            for (double x : {7.0, 13.0}) {
                QPainterPath s;
                s.moveTo(x, 8.4);
                for (int k = 1; k <= 14; ++k) {
                    const double a = k * 0.9;
                    const double r = 0.18 * k;
                    s.lineTo(x + r * std::cos(a), 8.4 + r * std::sin(a));
                }
                p.drawPath(s);
            }
            {
                QPainterPath m;
                m.moveTo(6.5, 14);
                m.quadTo(8, 12.6, 9.3, 14);
                m.quadTo(10.6, 15.4, 12, 14);
                m.quadTo(12.8, 13.2, 13.5, 14);
                p.drawPath(m);
            }
            break;
        case 37:  // skull
            p.setPen(QPen(QColor(110, 110, 120), 0.9));
            p.setBrush(QColor(236, 236, 240));
            p.drawEllipse(QPointF(10, 8.6), 7.6, 7.2);
            p.drawRoundedRect(QRectF(6, 12, 8, 6.4), 1.6, 1.6);
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(50, 50, 60));
            p.drawEllipse(QPointF(7.2, 9), 2, 2.2);
            p.drawEllipse(QPointF(12.8, 9), 2, 2.2);
            {
                QPainterPath n;
                n.moveTo(10, 11.4);
                n.lineTo(9, 13.4);
                n.lineTo(11, 13.4);
                n.closeSubpath();
                p.drawPath(n);
            }
            p.setPen(QPen(QColor(110, 110, 120), 0.8));
            p.drawLine(QPointF(8.5, 15.4), QPointF(8.5, 18.2));
            p.drawLine(QPointF(11.5, 15.4), QPointF(11.5, 18.2));
            break;
        case 38:  // light bulb
            p.setPen(QPen(QColor(200, 140, 20), 0.9));
            p.setBrush(QColor(255, 226, 110));
            p.drawEllipse(QPointF(10, 7.6), 5.8, 5.8);
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(255, 226, 110));
            p.drawRect(QRectF(7.4, 11, 5.2, 2.6));
            p.setBrush(QColor(140, 150, 165));
            p.drawRoundedRect(QRectF(7.2, 13.4, 5.6, 4.2), 1, 1);
            p.setPen(QPen(QColor(100, 110, 125), 0.7));
            p.drawLine(QPointF(7.4, 15), QPointF(12.6, 15));
            p.setPen(QPen(QColor(255, 255, 255, 200), 1.1, Qt::SolidLine, Qt::RoundCap));
            p.drawArc(QRectF(6.4, 4, 5, 5), 100 * 16, 70 * 16);
            p.setPen(QPen(pal::kAmber500, 1.0, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(2, 3), QPointF(3.4, 4));
            p.drawLine(QPointF(18, 3), QPointF(16.6, 4));
            p.drawLine(QPointF(10, 0.2), QPointF(10, 1.2));
            break;
        case 39:  // gift
            p.setPen(QPen(QColor(30, 80, 90), 0.9));
            p.setBrush(pal::kTeal500);
            p.drawRect(QRectF(3, 8.5, 14, 9.5));
            p.setBrush(pal::kTeal300);
            p.drawRect(QRectF(2, 6, 16, 3));
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(220, 60, 70));
            p.drawRect(QRectF(8.8, 6, 2.4, 12));
            p.setPen(QPen(QColor(220, 60, 70), 1.3));
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(QPointF(7.4, 4.2), 2.4, 1.6);
            p.drawEllipse(QPointF(12.6, 4.2), 2.4, 1.6);
            break;
        case 40:  // shocked
            Face(p, QColor(214, 232, 246), QColor(150, 190, 224), QColor(70, 110, 150));
            p.setPen(QPen(QColor(40, 50, 70), 0.8));
            p.setBrush(QColor(255, 255, 255));
            p.drawEllipse(QPointF(6.8, 8.4), 2.2, 2.4);
            p.drawEllipse(QPointF(13.2, 8.4), 2.2, 2.4);
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(40, 50, 70));
            p.drawEllipse(QPointF(6.8, 8.4), 0.7, 0.7);
            p.drawEllipse(QPointF(13.2, 8.4), 0.7, 0.7);
            p.setPen(QPen(QColor(40, 50, 70), 0.9));
            p.setBrush(QColor(80, 30, 30));
            p.drawRoundedRect(QRectF(7.6, 12.4, 4.8, 5), 2.2, 2.2);
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(214, 50, 50));
            for (double x : {15.6, 18.2}) {
                p.drawRoundedRect(QRectF(x - 0.8, 0.4, 1.6, 4.4), 0.8, 0.8);
                p.drawEllipse(QPointF(x, 6.4), 0.9, 0.9);
            }
            break;
        case 41:  // waving goodbye
            Hand(p, QRectF(5.6, 8.8, 8.8, 9.4));
            p.setPen(QPen(kSkinEdge, 0.9));
            p.setBrush(kSkin);
            for (int k = 0; k < 4; ++k) {
                p.drawRoundedRect(QRectF(5.8 + k * 2.2, 2.6 + (k == 0 || k == 3 ? 1.6 : 0), 2.2, 8),
                                  1.1, 1.1);
            }
            p.save();
            p.translate(5.6, 13.4);
            p.rotate(-50);
            p.drawRoundedRect(QRectF(-1.1, -6, 2.2, 6.4), 1.1, 1.1);
            p.restore();
            p.setPen(QPen(pal::kTeal500, 1.0, Qt::SolidLine, Qt::RoundCap));
            p.setBrush(Qt::NoBrush);
            p.drawArc(QRectF(14.6, 3, 5, 8), -60 * 16, 120 * 16);
            p.drawArc(QRectF(0.2, 3, 5, 8), 120 * 16, 120 * 16);
            break;
        case 42:  // coffee
            p.setPen(QPen(QColor(120, 80, 50), 0.9));
            p.setBrush(QColor(255, 255, 255));
            p.drawRoundedRect(QRectF(3, 8, 11, 9), 2, 2);
            p.setBrush(Qt::NoBrush);
            p.setPen(QPen(QColor(120, 80, 50), 1.4));
            p.drawRoundedRect(QRectF(13.4, 9.6, 3.8, 4.6), 1.8, 1.8);
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(120, 70, 40));
            p.drawRect(QRectF(3.8, 8.8, 9.4, 2.2));
            p.setBrush(QColor(200, 200, 205));
            p.drawEllipse(QPointF(8.5, 18.2), 7, 1.2);
            p.setPen(QPen(QColor(160, 170, 180), 0.9, Qt::SolidLine, Qt::RoundCap));
            p.setBrush(Qt::NoBrush);
            for (double x : {6.5, 10.0}) {
                QPainterPath s;
                s.moveTo(x, 6.6);
                s.quadTo(x - 1.4, 4.8, x, 3.4);
                s.quadTo(x + 1.4, 2, x, 0.6);
                p.drawPath(s);
            }
            break;
        case 43:  // pig
            p.setPen(QPen(QColor(190, 100, 120), 0.9));
            p.setBrush(QColor(248, 180, 196));
            {
                QPainterPath ears;
                ears.moveTo(3, 6);
                ears.lineTo(3.4, 1.4);
                ears.lineTo(7.4, 3.6);
                ears.moveTo(17, 6);
                ears.lineTo(16.6, 1.4);
                ears.lineTo(12.6, 3.6);
                p.drawPath(ears);
            }
            Face(p, QColor(252, 196, 210), QColor(240, 150, 172), QColor(190, 100, 120));
            DotEyes(p, 7.8, 1.0);
            p.setPen(QPen(QColor(190, 100, 120), 0.9));
            p.setBrush(QColor(240, 140, 164));
            p.drawEllipse(QPointF(10, 12.6), 3.8, 2.8);
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(160, 70, 90));
            p.drawEllipse(QPointF(8.6, 12.6), 0.8, 1.0);
            p.drawEllipse(QPointF(11.4, 12.6), 0.8, 1.0);
            break;
        case 44: {  // star
            QPainterPath s;
            for (int k = 0; k < 10; ++k) {
                const double a = -M_PI / 2 + k * M_PI / 5;
                const double r = k % 2 == 0 ? 9.2 : 3.9;
                const QPointF pt(10 + r * std::cos(a), 10.6 + r * std::sin(a));
                if (k == 0)
                    s.moveTo(pt);
                else
                    s.lineTo(pt);
            }
            s.closeSubpath();
            p.setPen(QPen(QColor(200, 130, 10), 0.9, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.setBrush(QColor(252, 200, 50));
            p.drawPath(s);
            break;
        }
        case 45:  // wink
            Face(p);
            p.setPen(Qt::NoPen);
            p.setBrush(kInk);
            p.drawEllipse(QPointF(7, 8), 1.05, 1.4);
            p.setPen(Ink(1.1));
            p.setBrush(Qt::NoBrush);
            {
                QPainterPath a;
                a.moveTo(11, 8.4);
                a.quadTo(13, 6.6, 15, 8.4);
                p.drawPath(a);
            }
            Smile(p, 2.6, 4.0);
            break;
        case 46:  // OK
            p.setPen(QPen(QColor(40, 110, 60), 0.9));
            p.setBrush(QColor(70, 170, 100));
            p.drawEllipse(QPointF(10, 10), 9, 9);
            p.setFont(UiFont(9, true));
            p.setPen(QColor(255, 255, 255));
            p.drawText(QRectF(0, 0, 20, 20), Qt::AlignCenter, QStringLiteral("OK"));
            break;
        case 47:  // no
            p.setPen(QPen(QColor(214, 46, 46), 2.4));
            p.setBrush(QColor(255, 255, 255));
            p.drawEllipse(QPointF(10, 10), 7.8, 7.8);
            p.drawLine(QPointF(4.6, 4.6), QPointF(15.4, 15.4));
            break;
        case 48:  // blank stare
            Face(p);
            p.setPen(QPen(kInk, 0.8));
            p.setBrush(QColor(255, 255, 255));
            p.drawEllipse(QPointF(6.8, 8.4), 2.6, 2.6);
            p.drawEllipse(QPointF(13.2, 8.4), 2.6, 2.6);
            p.setPen(Qt::NoPen);
            p.setBrush(kInk);
            p.drawEllipse(QPointF(6.8, 8.4), 0.6, 0.6);
            p.drawEllipse(QPointF(13.2, 8.4), 0.6, 0.6);
            p.setPen(Ink(1.0));
            p.drawLine(QPointF(8.6, 14.4), QPointF(11.4, 14.4));
            break;
        case 49:  // cake
            p.setPen(QPen(QColor(150, 90, 60), 0.9));
            p.setBrush(QColor(250, 230, 200));
            p.drawRoundedRect(QRectF(2.6, 10, 14.8, 8), 1.6, 1.6);
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(236, 120, 150));
            p.drawRect(QRectF(3.2, 10.4, 13.6, 2.6));
            p.setBrush(QColor(120, 70, 40));
            p.drawRect(QRectF(3.2, 14.6, 13.6, 1.2));
            p.setBrush(QColor(120, 170, 230));
            p.drawRect(QRectF(7.2, 4.6, 1.6, 5.4));
            p.drawRect(QRectF(11.2, 4.6, 1.6, 5.4));
            p.setBrush(QColor(255, 170, 40));
            p.drawEllipse(QPointF(8, 3.2), 1.1, 1.6);
            p.drawEllipse(QPointF(12, 3.2), 1.1, 1.6);
            break;
        default:
            break;
    }
}

}  // namespace

QImage EmoticonStrip() {
    // Drawn four times larger than stored and reduced, so the small faces keep smooth edges.
    const int supersample = 4;
    const int cell = 20 * Scale();
    QImage strip = NewImage(1000, 20);
    strip.fill(pal::kTealKey);
    for (int i = 0; i < 50; ++i) {
        QImage big(cell * supersample, cell * supersample, QImage::Format_ARGB32_Premultiplied);
        big.fill(Qt::transparent);
        {
            QPainter p(&big);
            Smooth(p);
            p.scale(supersample * Scale(), supersample * Scale());
            Draw(p, i);
        }
        const QImage small =
            OverColour(big.scaled(cell, cell, Qt::IgnoreAspectRatio, Qt::SmoothTransformation),
                       pal::kWhite, pal::kTealKey, 40);
        for (int y = 0; y < cell; ++y) {
            const QRgb* from = reinterpret_cast<const QRgb*>(small.constScanLine(y));
            QRgb* to = reinterpret_cast<QRgb*>(strip.scanLine(y)) + i * cell;
            std::copy(from, from + cell, to);
        }
    }
    return strip;
}

QString EmoticonMeaning(int i) {
    if (i < 0 || i >= 50) {
        return {};
    }
    return QString::fromUtf8(kFaces[i].code) + QLatin1Char(' ') +
           QString::fromUtf8(kFaces[i].meaning);
}

}  // namespace artgen
