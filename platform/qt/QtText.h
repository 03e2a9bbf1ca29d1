#pragma once
// The edge between the system's GBK texts and Qt, and the text renderer that puts the
// core's text records into its pictures.

#include <QFont>
#include <QString>
#include <string>
#include <string_view>

#include "platform/Bitmap.h"
#include "platform/Canvas.h"

namespace fw::qt {

QString FromGbk(std::string_view gbk);
std::string ToGbk(const QString& text);
QFont ToQFont(const Font& font);
// Qt alignment and wrapping flags for DT_* format bits.
int TextFlags(UINT format);
// Rasterises one text record into `target` inside `clip` (target coordinates).
void RenderText(Bitmap& target, const Rect& clip, const TextRecord& record);

}  // namespace fw::qt
