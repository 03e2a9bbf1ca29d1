#include "platform/qt/QtText.h"

#include <QImage>
#include <QPainter>
#include <algorithm>

#include "platform/core/Text.h"

namespace fw::qt {

QString FromGbk(std::string_view gbk) {
    const std::string utf8 = vq::GbkToUtf8(gbk);
    return QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
}

std::string ToGbk(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    return vq::Utf8ToGbk(std::string_view(utf8.constData(), std::size_t(utf8.size())));
}

QFont ToQFont(const Font& font) {
    QFont f(FromGbk(font.face));
    // Faces of the original desktop ("MS Shell Dlg", "Impact") are often missing here.
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(std::max(1, font.pixelHeight));
    f.setWeight(QFont::Weight(std::clamp(font.weight <= 0 ? FW_NORMAL : font.weight, 100, 900)));
    f.setItalic(font.italic);
    f.setUnderline(font.underline);
    return f;
}

int TextFlags(UINT format) {
    int flags = 0;
    if ((format & DT_CENTER) != 0) {
        flags |= Qt::AlignHCenter;
    } else if ((format & DT_RIGHT) != 0) {
        flags |= Qt::AlignRight;
    } else {
        flags |= Qt::AlignLeft;
    }
    // Vertical placement applies to single lines only; a wrapped text starts at the top.
    const bool single = (format & DT_SINGLELINE) != 0;
    if (single && (format & DT_VCENTER) != 0) {
        flags |= Qt::AlignVCenter;
    } else if (single && (format & DT_BOTTOM) != 0) {
        flags |= Qt::AlignBottom;
    } else {
        flags |= Qt::AlignTop;
    }
    if ((format & DT_SINGLELINE) != 0) {
        flags |= Qt::TextSingleLine;
    } else if ((format & DT_WORDBREAK) != 0) {
        flags |= Qt::TextWordWrap;
    }
    if ((format & DT_NOPREFIX) == 0) {
        flags |= Qt::TextShowMnemonic;
    }
    return flags;
}

void RenderText(Bitmap& target, const Rect& clip, const TextRecord& record) {
    const Rect bounds{0, 0, target.Width(), target.Height()};
    const Rect area = clip.Intersect(bounds);
    if (target.IsNull() || area.IsEmpty() || (record.text.empty() && record.wide.empty()) ||
        record.rect.IsEmpty()) {
        return;
    }
    // Paints straight into the core's pixels: same layout as Format_RGB32. With the scale as
    // the image's pixel ratio, Qt lays the text out in logical units and rasterises the
    // glyphs at the device size.
    QImage image(reinterpret_cast<uchar*>(target.Pixels().data()), target.DeviceWidth(),
                 target.DeviceHeight(), qsizetype(target.DeviceWidth()) * 4, QImage::Format_RGB32);
    image.setDevicePixelRatio(target.Scale());
    QPainter painter(&image);
    painter.setClipRect(QRect(area.left, area.top, area.Width(), area.Height()));
    painter.setFont(ToQFont(record.font));
    QString text = record.wide.empty()
                       ? FromGbk(record.text)
                       : QString::fromUtf16(record.wide.data(), qsizetype(record.wide.size()));
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QChar('\r'), QChar('\n'));
    const QRect box(record.rect.left, record.rect.top, record.rect.Width(), record.rect.Height());
    const int flags = TextFlags(record.format);
    if (record.bkMode == OPAQUE) {
        const QRect used = painter.boundingRect(box, flags, text).intersected(box);
        painter.fillRect(used,
                         QColor(int(GetRValue(record.bkColor)), int(GetGValue(record.bkColor)),
                                int(GetBValue(record.bkColor))));
    }
    painter.setPen(QColor(int(GetRValue(record.color)), int(GetGValue(record.color)),
                          int(GetBValue(record.color))));
    painter.drawText(box, flags, text);
}

}  // namespace fw::qt
