#pragma once
// Every picture and sound the program and the control library refer to by
// resource id, and the bitmaps of the standard skin folder.

#include <QColor>
#include <QImage>
#include <QString>
#include <cstdint>
#include <string>
#include <vector>

namespace artgen {

struct ArtItem {
    std::string module;  // "Orvanel" (the program) or "Pallinote" (the control library)
    std::string kind;    // bitmap, icon or sound
    int id = 0;
    std::string file;  // path under res/
    QImage image;      // pictures: opaque RGB32, icons ARGB32
    int bits = 24;     // bitmaps: 24, 8 or 4 bits per pixel
    std::vector<int16_t> samples;
    QString note;
    QString group;   // contact-sheet section
    QColor preview;  // contact sheet: what shows through the magenta key
};

std::vector<ArtItem> BuildArt();

struct SkinBitmap {
    std::string key;   // skin.ini key
    std::string file;  // name inside the skin folder
    QImage image;
    QString note;
    std::string maskOf;  // key of the red-keyed strip this is the mask of
};

std::vector<SkinBitmap> BuildSkinBitmaps();
// White where `keyed` shows the key colour, black elsewhere.
QImage KeyMask(const QImage& keyed, QColor key);

// The application icon of the desktop theme (hicolor), drawn anew for each size.
std::vector<int> AppIconSizes();
QImage AppIcon(int size);  // ARGB32, transparent around the tile
std::string AppIconSvg();

// Sounds, 22050 Hz mono.
constexpr int kSampleRate = 22050;
std::vector<int16_t> ChimeTwoNote();
std::vector<int16_t> ChimeArpeggio();

}  // namespace artgen
