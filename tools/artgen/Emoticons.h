#pragma once

#include <QImage>
#include <QString>

namespace artgen {

// The 50 faces in the order of the emoticon codes, 20 x 20 each, on the
// transparent teal RGB(0, 128, 128); edges are blended towards white because
// the chat views paint them on white.
QImage EmoticonStrip();
// What face i shows, for the contact sheet and the notes.
QString EmoticonMeaning(int i);

}  // namespace artgen
