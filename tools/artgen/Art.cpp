#include "tools/artgen/Art.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cmath>

#include "tools/artgen/Emoticons.h"
#include "tools/artgen/Paint.h"

namespace artgen {
namespace {

using pal::kAmber500;
using pal::kNavy700;
using pal::kNavy900;

// Dialog units of the templates' font to pixels, rounded half up.
int DluX(int d) {
    return (d * 3 + 1) / 2;
}
int DluY(int d) {
    return (d * 13 + 4) / 8;
}

std::string Slug(int id, const char* what, const char* ext) {
    return "art/" + std::to_string(id) + "-" + what + "." + ext;
}

ArtItem Bitmap(int id, const char* slug, QImage img, const QString& note, const QString& group) {
    ArtItem a;
    a.module = "Orvanel";
    a.kind = "bitmap";
    a.id = id;
    a.file = Slug(id, slug, "bmp");
    a.image = img.convertToFormat(QImage::Format_RGB32);
    a.note = note;
    a.group = group;
    return a;
}

// The vertical gradient every title strip uses, so separately drawn pieces join.
void StripGradient(QPainter& p, const QRect& r, int fullHeight) {
    QLinearGradient g(0, 0, 0, fullHeight);
    g.setColorAt(0, kNavy700);
    g.setColorAt(1, kNavy900);
    p.fillRect(r, g);
    p.fillRect(QRect(r.left(), 0, r.width(), 1), QColor(58, 92, 130));
    if (r.bottom() >= fullHeight - 2) {
        p.fillRect(QRect(r.left(), fullHeight - 2, r.width(), 2), pal::kAmber600);
    }
}

void Wordmark(QPainter& p, int x, int y, int size, const QString& sub) {
    p.save();
    Smooth(p);
    p.setPen(pal::kWhite);
    p.setFont(UiFont(size, true));
    p.drawText(QPoint(x, y), QStringLiteral("Velquor"));
    const int w = p.fontMetrics().horizontalAdvance(QStringLiteral("Velquor"));
    if (!sub.isEmpty()) {
        p.setPen(pal::kTeal300);
        p.setFont(UiFont(std::max(11, size * 11 / 20)));
        p.drawText(QPoint(x + w + 10, y - 1), sub);
    }
    p.restore();
}

// A faint market line across a panel: calm decoration for the brand areas.
void MarketLine(QPainter& p, const QRectF& r, QColor c, int seed) {
    p.save();
    Smooth(p);
    QPainterPath path;
    const int steps = 24;
    for (int i = 0; i <= steps; ++i) {
        const double x = r.left() + r.width() * i / steps;
        const double wave = std::sin(i * 0.55 + seed) * 0.18 + std::sin(i * 1.7 + seed * 2) * 0.07;
        const double y = r.bottom() - r.height() * (0.25 + 0.5 * i / steps + wave);
        if (i == 0)
            path.moveTo(x, y);
        else
            path.lineTo(x, y);
    }
    QPainterPath area = path;
    area.lineTo(r.right(), r.bottom());
    area.lineTo(r.left(), r.bottom());
    area.closeSubpath();
    QColor fill = c;
    fill.setAlpha(28);
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawPath(area);
    p.setPen(QPen(c, 1.4));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
    p.restore();
}

// ---- dialog backgrounds ----------------------------------------------------

QImage LoginBackground() {
    const QSize s(DluX(330), DluY(170));
    QImage img = NewImage(s);
    QPainter p(&img);
    Smooth(p);
    WindowChrome(p, s, 34, QStringLiteral("Velquor3.0"));
    // Brand panel on the left.
    const QRect brand(1, 34, 178, s.height() - 35);
    QLinearGradient g(brand.topLeft(), brand.bottomRight());
    g.setColorAt(0, pal::kTeal600);
    g.setColorAt(1, pal::kNavy700);
    p.fillRect(brand, g);
    MarketLine(p, QRectF(brand.left() + 8, brand.top() + 120, brand.width() - 16, 90),
               pal::kTeal300, 1);
    Emblem(p, QRectF(24, 62, 40, 40));
    p.setPen(pal::kWhite);
    p.setFont(UiFont(22, true));
    p.drawText(QPoint(24, 132), QStringLiteral("Velquor"));
    p.setPen(pal::kTeal100);
    p.setFont(UiFont(12));
    p.drawText(QPoint(24, 154), QStringLiteral("研究 · 资讯 · 交流"));
    p.setPen(QColor(255, 255, 255, 40));
    p.drawLine(179, 34, 179, s.height() - 2);
    // The form side: a heading, and labels left of the two edits.
    Label(p, QRect(198, 48, 200, 24), QStringLiteral("用户登录"), 16, true, pal::kNavy700);
    p.fillRect(QRect(198, 74, 28, 2), kAmber500);
    Label(p, QRect(198, DluY(63), 74, 20), QStringLiteral("用户名"), 13, false, pal::kText);
    Label(p, QRect(198, DluY(85), 74, 20), QStringLiteral("密　码"), 13, false, pal::kText);
    p.setPen(pal::kLine);
    p.drawLine(198, DluY(124) - 8, s.width() - 20, DluY(124) - 8);
    return img;
}

QImage ChatBackground(bool history) {
    const QSize s(DluX(502), DluY(327));
    QImage img = NewImage(s);
    QPainter p(&img);
    Smooth(p);
    WindowChrome(p, s, 40, history ? QStringLiteral("聊天记录") : QStringLiteral("即时交流"));
    if (history) {
        Label(p, QRect(12, 52, 80, 24), QStringLiteral("联系人："), 13, true, pal::kNavy700);
        FieldFrame(p, QRect(6, 88, 742, 382));
        p.fillRect(QRect(1, 478, s.width() - 2, 1), pal::kLine);
    } else {
        // Contact card on the left.
        const QRect card(8, 48, 106, s.height() - 56);
        p.setPen(pal::kLine);
        p.setBrush(QColor(255, 255, 255, 170));
        p.drawRoundedRect(QRectF(card).adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
        QRadialGradient av(QPointF(61, 96), 34);
        av.setColorAt(0, pal::kTeal300);
        av.setColorAt(1, pal::kTeal600);
        p.setPen(QPen(pal::kWhite, 2));
        p.setBrush(av);
        p.drawEllipse(QPointF(61, 96), 30, 30);
        DrawGlyph(p, Glyph::kPerson, QRectF(41, 74, 40, 44), pal::kWhite);
        Label(p, QRect(8, 134, 106, 20), QStringLiteral("联系人"), 12, false, pal::kMuted,
              Qt::AlignCenter);
        MarketLine(p, QRectF(14, card.bottom() - 90, 94, 70), pal::kTeal500, 3);
        // Header band above the conversation, where the contact's name sits.
        p.fillRect(QRect(122, 48, 624, 30), QColor(255, 255, 255, 150));
        p.fillRect(QRect(122, 48, 3, 30), kAmber500);
        FieldFrame(p, QRect(122, 85, 624, 295));
        // Tool band between the views.
        p.fillRect(QRect(122, 386, 624, 28), pal::kPanel2);
        p.setPen(pal::kLine);
        p.drawLine(122, 386, 745, 386);
        FieldFrame(p, QRect(122, 420, 624, 77));
    }
    p.end();
    CutCorners(img, kAllCorners);
    return img;
}

QImage SettingsBackground() {
    const QSize s(DluX(431), DluY(252));
    QImage img = NewImage(s);
    QPainter p(&img);
    Smooth(p);
    WindowChrome(p, s, 40, QStringLiteral("系统设置"));
    QLinearGradient nav(0, 40, 0, s.height());
    nav.setColorAt(0, pal::kPanel2);
    nav.setColorAt(1, QColor(218, 225, 233));
    p.fillRect(QRect(1, 40, 189, s.height() - 41), nav);
    p.setPen(pal::kLine);
    p.drawLine(190, 40, 190, s.height() - 2);
    Label(p, QRect(16, 50, 160, 24), QStringLiteral("个人设置"), 14, true, pal::kNavy700);
    p.fillRect(QRect(16, 76, 24, 2), kAmber500);
    p.end();
    CutCorners(img, kAllCorners);
    return img;
}

QImage PageBackground(const QString& heading, const QString& hint,
                      const std::vector<std::pair<int, QString>>& labels) {
    const QSize s(450, 420);
    QImage img = NewImage(s);
    img.fill(pal::kPanel);
    QPainter p(&img);
    Smooth(p);
    GroupBox(p, QRect(10, 8, 430, 300), heading);
    Label(p, QRect(24, 34, 400, 20), hint, 12, false, pal::kMuted);
    for (const auto& [y, text] : labels) {
        Label(p, QRect(30, y, 96, 22), text, 13, false, pal::kText,
              Qt::AlignVCenter | Qt::AlignRight);
    }
    return img;
}

QImage NetSettingsBackground() {
    const QSize s(320, 200);
    QImage img = NewImage(s);
    QPainter p(&img);
    Smooth(p);
    WindowChrome(p, s, 34, QStringLiteral("服务器设置"));
    GroupBox(p, QRect(12, 44, 296, 104), QString());
    Label(p, QRect(20, 62, 82, 22), QStringLiteral("服务器地址"), 13, false, pal::kText,
          Qt::AlignVCenter | Qt::AlignRight);
    Label(p, QRect(20, 102, 82, 22), QStringLiteral("端口"), 13, false, pal::kText,
          Qt::AlignVCenter | Qt::AlignRight);
    p.end();
    CutCorners(img, kAllCorners);
    return img;
}

QImage CustomRequestBackground() {
    const QSize s(420, 330);
    QImage img = NewImage(s);
    QPainter p(&img);
    Smooth(p);
    WindowChrome(p, s, 40, QStringLiteral("定制服务申请"));
    Label(p, QRect(24, 50, 372, 20), QStringLiteral("请留下您的联系方式，客户经理将尽快与您联系。"),
          12, false, pal::kMuted);
    GroupBox(p, QRect(14, 76, 392, 196), QString());
    const QString rows[] = {QStringLiteral("姓　　名"), QStringLiteral("身份证号"),
                            QStringLiteral("联系地址"), QStringLiteral("手机号码"),
                            QStringLiteral("联系电话")};
    for (int i = 0; i < 5; ++i) {
        Label(p, QRect(24, 90 + i * 36, 84, 24), rows[i], 13, false, pal::kText,
              Qt::AlignVCenter | Qt::AlignRight);
    }
    p.end();
    CutCorners(img, kAllCorners);
    return img;
}

QImage QuestionnaireBackground() {
    const QSize s(467, 312);
    QImage img = NewImage(s);
    QPainter p(&img);
    Smooth(p);
    WindowChrome(p, s, 40, QStringLiteral("用户调查问卷"));
    Label(p, QRect(24, 52, 420, 22), QStringLiteral("一、您认为本系统最有价值的功能是："), 13, true,
          pal::kNavy700);
    const QString q1[] = {QStringLiteral("研究资讯"), QStringLiteral("即时交流"),
                          QStringLiteral("留言互动"), QStringLiteral("栏目订阅")};
    for (int i = 0; i < 4; ++i) {
        Label(p, QRect(40 + i * 104 + 18, 80, 84, 20), q1[i], 12);
    }
    Label(p, QRect(24, 114, 420, 22), QStringLiteral("二、您对本系统的总体评价："), 13, true,
          pal::kNavy700);
    const QString q2[] = {QStringLiteral("非常满意"), QStringLiteral("满意"),
                          QStringLiteral("一般"), QStringLiteral("不满意"),
                          QStringLiteral("很不满意")};
    for (int i = 0; i < 5; ++i) {
        Label(p, QRect(40 + i * 84 + 18, 142, 64, 20), q2[i], 12);
    }
    Label(p, QRect(24, 176, 420, 22), QStringLiteral("三、您的意见和建议："), 13, true,
          pal::kNavy700);
    FieldFrame(p, QRect(30, 202, 407, 60));
    return img;
}

QImage ComposeBackground() {
    const QSize s(519, 408);
    QImage img = NewImage(s);
    QPainter p(&img);
    Smooth(p);
    WindowChrome(p, s, 40, QStringLiteral("发表留言"));
    Label(p, QRect(16, 54, 54, 24), QStringLiteral("标　题"), 13, false, pal::kText,
          Qt::AlignVCenter | Qt::AlignRight);
    FieldFrame(p, QRect(80, 54, 420, 24));
    Label(p, QRect(16, 90, 54, 24), QStringLiteral("内　容"), 13, false, pal::kText,
          Qt::AlignVCenter | Qt::AlignRight);
    FieldFrame(p, QRect(80, 90, 420, 262));
    Label(p, QRect(80, 360, 300, 20), QStringLiteral("标题不超过 84 字，内容不超过 1000 字。"), 12,
          false, pal::kMuted);
    return img;
}

// ---- main window strip and frame pieces ------------------------------------

QImage MainStripLeft() {
    QImage img = NewImage(420, 49);
    QPainter p(&img);
    Smooth(p);
    StripGradient(p, Area(img), 49);
    MarketLine(p, QRectF(240, 6, 170, 38), QColor(90, 150, 170), 5);
    Emblem(p, QRectF(12, 9, 30, 30));
    Wordmark(p, 52, 32, 20, QStringLiteral("证券研究资讯平台"));
    return img;
}

QImage MainStripMiddle() {
    QImage img = NewImage(4, 49);
    QPainter p(&img);
    StripGradient(p, Area(img), 49);
    return img;
}

QImage MainStripRight() {
    QImage img = NewImage(280, 49);
    QPainter p(&img);
    Smooth(p);
    StripGradient(p, Area(img), 49);
    // Separator between the two menus and the window buttons (buttons at 755..975).
    p.setPen(QColor(255, 255, 255, 40));
    p.drawLine(148, 8, 148, 26);
    return img;
}

QImage FramePiece(int w, int h, bool top, int corners, bool mark) {
    QImage img = NewImage(w, h);
    QPainter p(&img);
    Smooth(p);
    if (top) {
        StripGradient(p, Area(img), h);
        if (mark) {
            Emblem(p, QRectF(12, 10, 26, 26));
            Wordmark(p, 46, 30, 18, QString());
        }
    } else {
        QLinearGradient g(0, 0, 0, h);
        g.setColorAt(0, kNavy700);
        g.setColorAt(1, kNavy900);
        p.fillRect(Area(img), g);
        p.fillRect(QRect(0, 0, w, 1), QColor(58, 92, 130));
        if (mark) {
            Label(p, QRect(12, 0, w - 12, h), QStringLiteral("Velquor 证券研究资讯"), 11, false,
                  QColor(150, 170, 195));
        }
    }
    p.setPen(kNavy900);
    if (corners & (kTopLeft | kBottomLeft))
        p.drawLine(0, 0, 0, h - 1);
    if (corners & (kTopRight | kBottomRight))
        p.drawLine(w - 1, 0, w - 1, h - 1);
    if (!top)
        p.drawLine(0, h - 1, w - 1, h - 1);
    p.end();
    CutCorners(img, corners);
    return img;
}

QImage BoardTitle() {
    // Sits on the frame's top strip (rows 0..45 of 48), so it repaints that gradient.
    QImage img = NewImage(120, 46);
    QPainter p(&img);
    Smooth(p);
    QLinearGradient g(0, 0, 0, 48);
    g.setColorAt(0, kNavy700);
    g.setColorAt(1, kNavy900);
    p.fillRect(Area(img), g);
    p.fillRect(QRect(0, 0, 120, 1), QColor(58, 92, 130));
    DrawGlyph(p, Glyph::kChat, QRectF(12, 12, 22, 22), pal::kAmber300);
    p.setPen(pal::kWhite);
    p.setFont(UiFont(18, true));
    p.drawText(QRect(38, 0, 82, 46), Qt::AlignVCenter | Qt::AlignLeft, QStringLiteral("留言板"));
    return img;
}

// ---- pictures ---------------------------------------------------------------

QImage ApplyInfo() {
    QImage img = NewImage(280, 40);
    img.fill(pal::kPanel);
    QPainter p(&img);
    Smooth(p);
    p.setPen(QPen(pal::kAmber500, 1));
    p.setBrush(QColor(253, 246, 232));
    p.drawRoundedRect(QRectF(0.5, 0.5, 279, 39), 4, 4);
    DrawGlyph(p, Glyph::kBell, QRectF(8, 10, 20, 20), pal::kAmber600);
    Label(p, QRect(34, 2, 240, 18), QStringLiteral("开通账号请携带身份证"), 12, true, pal::kText);
    Label(p, QRect(34, 20, 240, 18), QStringLiteral("到您所在的营业部柜台申请。"), 12, false,
          pal::kMuted);
    return img;
}

QImage BusyIndicator() {
    QImage img = NewImage(150, 20);
    img.fill(pal::kPanel);
    QPainter p(&img);
    Smooth(p);
    for (int i = 0; i < 3; ++i) {
        QColor c = pal::kTeal500;
        c.setAlpha(90 + i * 80);
        p.setPen(Qt::NoPen);
        p.setBrush(c);
        p.drawEllipse(QPointF(8 + i * 9, 10), 3, 3);
    }
    Label(p, QRect(36, 0, 114, 20), QStringLiteral("正在登录，请稍候…"), 12, false, pal::kTeal700);
    return img;
}

QImage StatusRadio(const QString& text, QColor dot, bool ring) {
    QImage img = NewCanvas(90, 22);
    QPainter p(&img);
    Smooth(p);
    if (ring) {
        p.setPen(QPen(dot, 2));
        p.setBrush(pal::kWhite);
    } else {
        p.setPen(QPen(dot.darker(130), 1));
        p.setBrush(dot);
    }
    p.drawEllipse(QPointF(11, 11), 5, 5);
    p.setPen(pal::kText);
    p.setFont(UiFont(13));
    p.drawText(QRect(22, 0, 68, 22), Qt::AlignVCenter | Qt::AlignLeft, text);
    p.end();
    return KeyOnMagenta(img);
}

// Icons are plain pictures (no transparency): a dark tile that reads on light and
// dark task bars alike.
QImage Icon(int variant) {
    QImage img = NewImage(32, 32);
    img.fill(pal::kNavy800);
    QPainter p(&img);
    Smooth(p);
    if (variant == 3) {  // alert: an amber speech bubble
        QPainterPath b;
        b.addRoundedRect(QRectF(3.5, 4.5, 25, 18), 5, 5);
        QPainterPath tail;
        tail.moveTo(9, 21);
        tail.lineTo(7.5, 28.5);
        tail.lineTo(16, 21);
        tail.closeSubpath();
        QLinearGradient g(0, 4, 0, 28);
        g.setColorAt(0, pal::kAmber300);
        g.setColorAt(1, pal::kAmber600);
        p.setPen(QPen(QColor(255, 230, 180), 1));
        p.setBrush(g);
        p.drawPath(b.united(tail));
        p.setPen(Qt::NoPen);
        p.setBrush(pal::kNavy900);
        for (int i = 0; i < 3; ++i) {
            p.drawEllipse(QPointF(10 + i * 6, 13.5), 1.8, 1.8);
        }
    } else {
        Emblem(p, QRectF(2, 2, 28, 28));
        if (variant == 1) {  // login: a small key badge
            p.setPen(QPen(pal::kNavy900, 1));
            p.setBrush(pal::kAmber500);
            p.drawEllipse(QPointF(24, 24), 7, 7);
            DrawGlyph(p, Glyph::kKey, QRectF(18.5, 18.5, 11, 11), pal::kNavy900);
        } else if (variant == 2) {  // signed in: a green presence dot
            p.setPen(QPen(pal::kWhite, 1.5));
            p.setBrush(pal::kGood);
            p.drawEllipse(QPointF(25, 25), 5.5, 5.5);
        }
    }
    return img;
}

// ---- the control library's pop-up ------------------------------------------

QImage PopupBackground() {
    QImage img = NewImage(273, 160);
    QPainter p(&img);
    Smooth(p);
    QLinearGradient body(0, 0, 0, 160);
    body.setColorAt(0, pal::kWhite);
    body.setColorAt(1, pal::kPanel2);
    p.fillRect(Area(img), body);
    QLinearGradient band(0, 0, 273, 0);
    band.setColorAt(0, pal::kTeal100);
    band.setColorAt(1, QColor(246, 250, 251));
    // The title sits at the top of its box and the first message starts at 30: the band
    // ends above it.
    p.fillRect(QRect(0, 0, 273, 27), band);
    p.fillRect(QRect(0, 27, 273, 1), pal::kAmber500);
    // A faint market line low on the left, clear of the view button and light enough for
    // message text over it.
    MarketLine(p, QRectF(12, 116, 130, 36), QColor(150, 200, 200), 2);
    Emblem(p, QRectF(10, 3, 21, 21));
    Outline(p, QRect(0, 0, 272, 159), pal::kNavy700);
    return img;
}

QImage PopupClose(bool hover) {
    QImage img = NewCanvas(15, 15);
    QPainter p(&img);
    Smooth(p);
    if (hover) {
        p.setPen(Qt::NoPen);
        p.setBrush(pal::kAlert);
        p.drawRoundedRect(QRectF(0, 0, 15, 15), 3, 3);
    }
    DrawGlyph(p, Glyph::kClose, QRectF(0, 0, 15, 15), hover ? pal::kWhite : pal::kNavy500);
    p.end();
    // Painted straight onto the light band, so no key colour: the band's tone.
    return OverColour(img, QColor(240, 247, 248), pal::kMagenta, 0);
}

QImage ToolboxBitmap() {
    // 16 x 15, reduced to the 16 standard colours by the writer.
    QImage img = NewImage(16, 15);
    img.fill(QColor(192, 192, 192));
    QPainter p(&img);
    p.fillRect(QRect(1, 2, 14, 11), QColor(255, 255, 255));
    Outline(p, QRect(1, 2, 13, 10), QColor(0, 0, 128));
    p.fillRect(QRect(2, 3, 12, 3), QColor(0, 128, 128));
    p.fillRect(QRect(3, 8, 8, 1), QColor(0, 0, 128));
    p.fillRect(QRect(3, 10, 6, 1), QColor(128, 128, 128));
    p.fillRect(QRect(11, 3, 2, 2), QColor(255, 255, 0));
    return img;
}

// ---- drawn buttons ------------------------------------------------------------

struct Slot {
    int id;
    BtnState state;
};

void AddButton(std::vector<ArtItem>& out, std::initializer_list<Slot> states, QSize size,
               BtnStyle style, const QString& label, Glyph glyph, const char* slug,
               const QString& note) {
    static const char* kStateName[] = {"normal", "hover", "pressed", "disabled"};
    for (const Slot& s : states) {
        const int st = static_cast<int>(s.state);
        const std::string name = std::string(slug) + "-" + kStateName[st];
        ArtItem a = Bitmap(
            s.id, name.c_str(), Button(size, style, s.state, label, glyph),
            note + QStringLiteral(" (") + QString::fromLatin1(kStateName[st]) + QStringLiteral(")"),
            QStringLiteral("buttons"));
        const bool onBar = style == BtnStyle::kCaption || style == BtnStyle::kCaptionClose ||
                           style == BtnStyle::kMenu;
        a.preview = onBar ? pal::kNavy800 : pal::kPanel;
        out.push_back(a);
    }
}

}  // namespace

std::vector<ArtItem> BuildArt() {
    std::vector<ArtItem> out;
    const QString bg = QStringLiteral("backgrounds");
    const QString pieces = QStringLiteral("strips and frame");
    const QString pics = QStringLiteral("pictures");
    using S = BtnState;

    // Dialog backgrounds.
    out.push_back(Bitmap(130, "login-background", LoginBackground(), "login dialog 129", bg));
    out.push_back(
        Bitmap(202, "chat-background", ChatBackground(false), "chat window 195, cut corners", bg));
    out.push_back(Bitmap(250, "history-background", ChatBackground(true),
                         "history window 220, cut corners", bg));
    out.push_back(Bitmap(239, "settings-background", SettingsBackground(),
                         "personal settings 238, cut corners", bg));
    out.push_back(Bitmap(
        257, "password-page",
        PageBackground(QStringLiteral("修改密码"), QStringLiteral("密码长度不超过 15 个字符。"),
                       {{70, QStringLiteral("原密码")},
                        {110, QStringLiteral("新密码")},
                        {150, QStringLiteral("确认新密码")}}),
        "password page 255", bg));
    out.push_back(Bitmap(271, "login-state-page",
                         PageBackground(QStringLiteral("登录状态"),
                                        QStringLiteral("选择登录后联系人看到的状态。"), {}),
                         "login-state page 276", bg));
    out.push_back(Bitmap(
        245, "favourites-page",
        PageBackground(QStringLiteral("栏目收藏"), QStringLiteral("选择一个您最关注的栏目。"), {}),
        "favourites page 243", bg));
    out.push_back(Bitmap(186, "net-settings-background", NetSettingsBackground(),
                         "network settings 190, cut corners", bg));
    out.push_back(Bitmap(259, "custom-request-background", CustomRequestBackground(),
                         "custom request 258, cut corners", bg));
    out.push_back(Bitmap(267, "questionnaire-background", QuestionnaireBackground(),
                         "questionnaire 266", bg));
    out.push_back(
        Bitmap(281, "compose-background", ComposeBackground(), "leave-word compose 279", bg));

    // Strips and frame pieces.
    out.push_back(
        Bitmap(175, "main-strip-left", MainStripLeft(), "main window strip, left", pieces));
    out.push_back(Bitmap(170, "main-strip-middle", MainStripMiddle(),
                         "main window strip, stretched", pieces));
    out.push_back(
        Bitmap(168, "main-strip-right", MainStripRight(), "main window strip, right", pieces));
    out.push_back(Bitmap(231, "frame-top-left", FramePiece(240, 48, true, kTopLeft, true),
                         "frame top left", pieces));
    out.push_back(Bitmap(232, "frame-top", FramePiece(4, 48, true, 0, false),
                         "frame top edge, stretched", pieces));
    out.push_back(Bitmap(233, "frame-top-right", FramePiece(100, 48, true, kTopRight, false),
                         "frame top right", pieces));
    out.push_back(Bitmap(229, "frame-bottom-left", FramePiece(240, 17, false, kBottomLeft, true),
                         "frame bottom left", pieces));
    out.push_back(Bitmap(234, "frame-bottom", FramePiece(4, 17, false, 0, false),
                         "frame bottom edge, stretched", pieces));
    out.push_back(Bitmap(230, "frame-bottom-right", FramePiece(100, 17, false, kBottomRight, false),
                         "frame bottom right", pieces));
    out.push_back(Bitmap(249, "board-title", BoardTitle(), "message dialog title 1099", pieces));

    // Caption buttons, 15 x 15 on the title bars.
    const QSize cap(15, 15);
    AddButton(out, {{141, S::kNormal}, {133, S::kHover}, {136, S::kPressed}}, cap,
              BtnStyle::kCaption, {}, Glyph::kMinimise, "minimise", QStringLiteral("最小化"));
    AddButton(out, {{140, S::kNormal}, {134, S::kHover}, {135, S::kPressed}}, cap,
              BtnStyle::kCaptionClose, {}, Glyph::kClose, "close", QStringLiteral("关闭"));
    AddButton(out, {{235, S::kNormal}, {237, S::kHover}, {236, S::kPressed}}, cap,
              BtnStyle::kCaption, {}, Glyph::kMaximise, "size-toggle", QStringLiteral("大小切换"));
    AddButton(out, {{197, S::kNormal}, {204, S::kHover}}, cap, BtnStyle::kCaption, {},
              Glyph::kMinimise, "chat-minimise", QStringLiteral("最小化"));
    AddButton(out, {{200, S::kNormal}, {199, S::kHover}}, cap, BtnStyle::kCaptionClose, {},
              Glyph::kClose, "chat-close", QStringLiteral("关闭"));

    // Main window.
    const QSize mainCap(26, 19);
    AddButton(out, {{160, S::kNormal}, {159, S::kHover}, {158, S::kPressed}}, mainCap,
              BtnStyle::kCaption, {}, Glyph::kMinimise, "main-minimise", QStringLiteral("最小化"));
    AddButton(out, {{151, S::kNormal}, {165, S::kHover}, {164, S::kPressed}}, mainCap,
              BtnStyle::kCaption, {}, Glyph::kMaximise, "main-maximise", QStringLiteral("最大化"));
    AddButton(out, {{154, S::kNormal}, {153, S::kHover}, {152, S::kPressed}}, mainCap,
              BtnStyle::kCaptionClose, {}, Glyph::kClose, "main-hide",
              QStringLiteral("隐藏到托盘"));
    AddButton(out, {{163, S::kNormal}, {162, S::kHover}, {161, S::kPressed}}, QSize(53, 16),
              BtnStyle::kMenu, QStringLiteral("系统"), Glyph::kNone, "main-system-menu",
              QStringLiteral("系统菜单"));
    AddButton(out, {{157, S::kNormal}, {156, S::kHover}, {155, S::kPressed}}, QSize(53, 16),
              BtnStyle::kMenu, QStringLiteral("帮助"), Glyph::kNone, "main-help-menu",
              QStringLiteral("帮助菜单"));
    AddButton(out, {{166, S::kNormal}}, QSize(100, 25), BtnStyle::kAccent,
              QStringLiteral("最新公告"), Glyph::kBell, "main-notice", QStringLiteral("公告"));
    AddButton(out, {{181, S::kNormal}}, QSize(97, 37), BtnStyle::kPrimary,
              QStringLiteral("在线帮助"), Glyph::kHelp, "main-help", QStringLiteral("帮助"));

    // Login dialog.
    AddButton(out, {{146, S::kNormal}, {147, S::kHover}, {145, S::kPressed}}, QSize(76, 26),
              BtnStyle::kAccent, QStringLiteral("确定"), Glyph::kNone, "login-ok",
              QStringLiteral("登录"));
    AddButton(out, {{187, S::kNormal}, {188, S::kHover}, {183, S::kPressed}}, QSize(96, 26),
              BtnStyle::kSecondary, QStringLiteral("服务器设置"), Glyph::kNone, "login-server",
              QStringLiteral("服务器设置"));
    AddButton(out, {{177, S::kNormal}, {263, S::kHover}, {264, S::kPressed}}, QSize(80, 22),
              BtnStyle::kSecondary, QStringLiteral("申请使用"), Glyph::kNone, "login-apply",
              QStringLiteral("申请使用"));

    // Chat and history.
    AddButton(out, {{207, S::kNormal}}, QSize(84, 24), BtnStyle::kSecondary,
              QStringLiteral("聊天记录"), Glyph::kNone, "chat-history", QStringLiteral("聊天记录"));
    AddButton(out, {{206, S::kNormal}}, QSize(68, 26), BtnStyle::kSecondary, QStringLiteral("关闭"),
              Glyph::kNone, "chat-close-text", QStringLiteral("关闭"));
    AddButton(out, {{205, S::kNormal}}, QSize(68, 26), BtnStyle::kAccent, QStringLiteral("发送"),
              Glyph::kNone, "chat-send", QStringLiteral("发送"));
    AddButton(out, {{209, S::kNormal}, {215, S::kHover}}, QSize(56, 24), BtnStyle::kTool,
              QStringLiteral("字体"), Glyph::kFont, "chat-font", QStringLiteral("字体"));
    AddButton(out, {{211, S::kNormal}, {214, S::kHover}}, QSize(56, 24), BtnStyle::kTool,
              QStringLiteral("表情"), Glyph::kSmile, "chat-emoticons", QStringLiteral("表情"));
    AddButton(out, {{208, S::kNormal}, {216, S::kHover}}, QSize(56, 24), BtnStyle::kTool,
              QStringLiteral("文件"), Glyph::kFile, "chat-file", QStringLiteral("文件"));
    AddButton(out, {{210, S::kNormal}, {213, S::kHover}}, QSize(56, 24), BtnStyle::kTool,
              QStringLiteral("截图"), Glyph::kShot, "chat-screenshot", QStringLiteral("截图"));
    AddButton(out, {{261, S::kNormal}}, QSize(76, 26), BtnStyle::kSecondary,
              QStringLiteral("上一页"), Glyph::kPrev, "history-older",
              QStringLiteral("较早的记录"));
    AddButton(out, {{262, S::kNormal}}, QSize(76, 26), BtnStyle::kSecondary,
              QStringLiteral("下一页"), Glyph::kNext, "history-newer",
              QStringLiteral("较新的记录"));
    AddButton(out, {{252, S::kNormal}}, QSize(76, 26), BtnStyle::kSecondary, QStringLiteral("首页"),
              Glyph::kFirst, "history-first", QStringLiteral("最早"));
    AddButton(out, {{253, S::kNormal}}, QSize(76, 26), BtnStyle::kSecondary, QStringLiteral("末页"),
              Glyph::kLast, "history-last", QStringLiteral("最新"));

    // Forms and settings.
    AddButton(out, {{280, S::kNormal}}, QSize(76, 26), BtnStyle::kAccent, QStringLiteral("发表"),
              Glyph::kNone, "compose-post", QStringLiteral("发表留言"));
    AddButton(out, {{260, S::kNormal}}, QSize(76, 26), BtnStyle::kAccent, QStringLiteral("提交"),
              Glyph::kNone, "form-submit", QStringLiteral("提交"));
    AddButton(out, {{248, S::kNormal}}, QSize(68, 26), BtnStyle::kAccent, QStringLiteral("确定"),
              Glyph::kNone, "page-ok", QStringLiteral("确定并关闭"));
    AddButton(out, {{246, S::kNormal}}, QSize(68, 26), BtnStyle::kPrimary, QStringLiteral("应用"),
              Glyph::kNone, "page-apply", QStringLiteral("应用"));
    AddButton(out, {{247, S::kNormal}}, QSize(68, 26), BtnStyle::kSecondary, QStringLiteral("取消"),
              Glyph::kNone, "page-cancel", QStringLiteral("取消"));
    AddButton(out, {{256, S::kNormal}}, QSize(160, 32), BtnStyle::kNav, QStringLiteral("修改密码"),
              Glyph::kKey, "nav-password", QStringLiteral("密码页"));
    AddButton(out, {{240, S::kNormal}}, QSize(160, 32), BtnStyle::kNav, QStringLiteral("栏目收藏"),
              Glyph::kStar, "nav-favourites", QStringLiteral("收藏页"));
    AddButton(out, {{278, S::kNormal}}, QSize(160, 32), BtnStyle::kNav, QStringLiteral("登录状态"),
              Glyph::kPerson, "nav-login-state", QStringLiteral("登录状态页"));
    AddButton(out, {{184, S::kNormal}}, QSize(68, 26), BtnStyle::kAccent, QStringLiteral("确定"),
              Glyph::kNone, "net-ok", QStringLiteral("确定"));
    AddButton(out, {{185, S::kNormal}}, QSize(68, 26), BtnStyle::kSecondary, QStringLiteral("取消"),
              Glyph::kNone, "net-cancel", QStringLiteral("取消"));

    // Pictures: login notices, login-state radios, emoticons.
    out.push_back(Bitmap(265, "apply-info", ApplyInfo(), "how to apply, shown by 申请使用", pics));
    out.push_back(Bitmap(270, "login-busy", BusyIndicator(), "login in progress", pics));
    out.push_back(Bitmap(273, "state-online",
                         StatusRadio(QStringLiteral("在线"), pal::kGood, false), "state 0 online",
                         pics));
    out.back().preview = pal::kPanel;
    out.push_back(Bitmap(275, "state-busy", StatusRadio(QStringLiteral("忙碌"), pal::kAlert, false),
                         "state 1 busy", pics));
    out.back().preview = pal::kPanel;
    out.push_back(Bitmap(272, "state-away",
                         StatusRadio(QStringLiteral("离开"), pal::kAmber500, false), "state 2 away",
                         pics));
    out.back().preview = pal::kPanel;
    out.push_back(Bitmap(274, "state-invisible",
                         StatusRadio(QStringLiteral("隐身"), pal::kMuted, true),
                         "state 3 invisible", pics));
    out.back().preview = pal::kPanel;
    {
        ArtItem e = Bitmap(196, "emoticons", EmoticonStrip(), "50 emoticons, 8 bpp, teal key",
                           QStringLiteral("emoticons"));
        e.bits = 8;
        out.push_back(e);
    }

    // Icons.
    const struct {
        int id;
        int variant;
        const char* slug;
        const char* note;
    } icons[] = {{128, 0, "main", "window and tray icon"},
                 {131, 1, "login-tray", "login tray icon"},
                 {150, 2, "main-tray", "main window tray icon"},
                 {218, 3, "new-message", "new-message alert icon"}};
    for (const auto& ic : icons) {
        ArtItem a;
        a.module = "Orvanel";
        a.kind = "icon";
        a.id = ic.id;
        a.file = Slug(ic.id, ic.slug, "bmp");
        a.image = Icon(ic.variant);
        a.note = QString::fromLatin1(ic.note);
        a.group = QStringLiteral("icons");
        out.push_back(a);
    }

    // Sounds.
    {
        ArtItem s;
        s.module = "Orvanel";
        s.kind = "sound";
        s.id = 277;
        s.file = Slug(277, "review-alert", "wav");
        s.samples = ChimeArpeggio();
        s.note = QStringLiteral("article waits for review");
        out.push_back(s);
    }

    // The control library's own resources.
    auto lib = [](int id, const char* slug, QImage img, const char* note, int bits = 24) {
        ArtItem a;
        a.module = "Pallinote";
        a.kind = "bitmap";
        a.id = id;
        a.file = "art/pallinote/" + std::to_string(id) + "-" + slug + ".bmp";
        a.image = img.convertToFormat(QImage::Format_RGB32);
        a.bits = bits;
        a.note = QString::fromLatin1(note);
        a.group = QStringLiteral("pop-up (control library)");
        return a;
    };
    out.push_back(lib(1, "toolbox", ToolboxBitmap(), "toolbox bitmap, 16 colours", 4));
    out.push_back(lib(212, "popup-background", PopupBackground(), "pop-up background"));
    out.push_back(lib(213, "popup-close", PopupClose(false), "close button"));
    out.push_back(lib(214, "popup-close-hover", PopupClose(true), "close button, hovered"));
    // Drawn plainly on the pop-up body near its bottom, so its corners take that tone.
    out.push_back(lib(
        218, "popup-view",
        FillKey(Button(QSize(63, 22), BtnStyle::kAccent, BtnState::kNormal, QStringLiteral("查看")),
                QColor(234, 238, 243)),
        "view button"));
    {
        ArtItem s;
        s.module = "Pallinote";
        s.kind = "sound";
        s.id = 216;
        s.file = "art/pallinote/216-popup-chime.wav";
        s.samples = ChimeTwoNote();
        s.note = QStringLiteral("pop-up alert");
        out.push_back(s);
    }
    return out;
}

}  // namespace artgen
