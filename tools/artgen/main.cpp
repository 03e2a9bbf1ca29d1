// Generates every picture, icon and sound of the program and the control
// library, the standard skin folder, the resource index, the desktop icons and a
// contact sheet. Output is byte-for-byte the same on every run.
//
//   artgen <res-dir> <docs-art-dir>
//   artgen --2x <runtime-res-dir> <runtime-skin-dir>
//
// The second form writes, beside every picture X.bmp of a runnable installation, X@2x.bmp:
// the same picture drawn at twice the resolution for screens that scale by two.

#include <iconv.h>

#include <QGuiApplication>
#include <QPainter>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "tools/artgen/Art.h"
#include "tools/artgen/Emoticons.h"
#include "tools/artgen/Encoders.h"
#include "tools/artgen/Paint.h"

namespace fs = std::filesystem;
using namespace artgen;

namespace {

const char* const kSkinName = "标准风格";

// The one place where this tool turns UTF-8 into the GBK the program reads.
std::string ToGbk(const std::string& utf8) {
    iconv_t cd = iconv_open("GBK", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return {};
    }
    std::string out(utf8.size() * 2 + 4, '\0');
    char* in = const_cast<char*>(utf8.data());
    size_t inLeft = utf8.size();
    char* o = out.data();
    size_t outLeft = out.size();
    const size_t r = iconv(cd, &in, &inLeft, &o, &outLeft);
    iconv_close(cd);
    if (r == static_cast<size_t>(-1)) {
        return {};
    }
    out.resize(out.size() - outLeft);
    return out;
}

QImage ReplaceColour(const QImage& img, QColor from, QColor to) {
    QImage out = img.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < out.height(); ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            if ((line[x] & 0xFFFFFF) == (from.rgb() & 0xFFFFFF))
                line[x] = to.rgb();
        }
    }
    return out;
}

Pixels ToPixels(const QImage& img) {
    const QImage src = img.convertToFormat(QImage::Format_RGB32);
    Pixels px;
    px.width = src.width();
    px.height = src.height();
    px.argb.reserve(static_cast<size_t>(px.width) * px.height);
    for (int y = 0; y < src.height(); ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(src.constScanLine(y));
        px.argb.insert(px.argb.end(), line, line + src.width());
    }
    return px;
}

std::vector<uint8_t> EncodeBitmap(const QImage& img, int bits) {
    const Pixels px = ToPixels(img);
    if (bits == 8) {
        const Indexed q = Quantise(px, 256, pal::kTealKey.rgb() & 0xFFFFFF);
        return EncodeBmpIndexed(px.width, px.height, q.index, q.palette, 8);
    }
    if (bits == 4) {
        const Indexed q = MapToPalette(px, StandardPalette16());
        return EncodeBmpIndexed(px.width, px.height, q.index, q.palette, 4);
    }
    return EncodeBmp24(px);
}

// What a palettised file will show, for the contact sheet.
QImage Decoded(const QImage& img, int bits) {
    if (bits == 24)
        return img;
    const Pixels px = ToPixels(img);
    const Indexed q = bits == 8 ? Quantise(px, 256, pal::kTealKey.rgb() & 0xFFFFFF)
                                : MapToPalette(px, StandardPalette16());
    QImage out(img.size(), QImage::Format_RGB32);
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) {
            out.setPixel(
                x, y, 0xFF000000u | q.palette[q.index[static_cast<size_t>(y) * img.width() + x]]);
        }
    }
    return out;
}

bool SavePng(const QImage& img, const fs::path& path) {
    return img.save(QString::fromStdString(path.string()), "PNG");
}

struct Tile {
    QImage image;
    QString caption;
    QString section;
    int zoom = 1;
};

QImage ContactSheet(const std::vector<Tile>& tiles) {
    const int width = 1560;
    const int gap = 14;
    // Lay out twice: first to measure, then to paint.
    auto layout = [&](QPainter* p) {
        int x = gap;
        int y = gap;
        int rowH = 0;
        QString section;
        for (const Tile& t : tiles) {
            const int w = t.image.width() * t.zoom;
            const int h = t.image.height() * t.zoom;
            if (t.section != section) {
                section = t.section;
                y += rowH + (rowH ? gap * 2 : 0);
                x = gap;
                rowH = 0;
                if (p) {
                    p->fillRect(QRect(gap, y, width - 2 * gap, 26), pal::kNavy700);
                    p->setPen(pal::kWhite);
                    p->setFont(UiFont(14, true));
                    p->drawText(QRect(gap + 10, y, width, 26), Qt::AlignVCenter, section);
                }
                y += 26 + gap;
            }
            const int cellW = std::max(w, 92);
            if (x + cellW > width - gap) {
                x = gap;
                y += rowH + gap;
                rowH = 0;
            }
            if (p) {
                p->drawImage(QRect(x, y, w, h), t.image);
                p->setPen(pal::kText);
                p->setFont(UiFont(11));
                p->drawText(QRect(x, y + h + 2, std::max(cellW, 150), 16),
                            Qt::AlignLeft | Qt::AlignTop, t.caption);
            }
            rowH = std::max(rowH, h + 20);
            x += cellW + gap;
        }
        return y + rowH + gap;
    };
    const int height = layout(nullptr);
    QImage sheet(width, height, QImage::Format_RGB32);
    sheet.fill(QColor(250, 250, 251));
    QPainter p(&sheet);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    layout(&p);
    return sheet;
}

const char* const kColourKeys[] = {"MainBk",
                                   "MainBorder",
                                   "TreeGroupColor",
                                   "MaxMinBarColor",
                                   "ShortCutBkColor",
                                   "DragWndFirstLine1",
                                   "DragWndFirstLine2",
                                   "DragWndFirstLine3",
                                   "DragWndSecLine1",
                                   "DragWndSecLine2",
                                   "DragWndSecLine3",
                                   "DragWndThrLine1",
                                   "DragWndThrLine2",
                                   "DragWndThrLine3",
                                   "DragWndFourLine1",
                                   "DragWndFourLine2",
                                   "DragWndFourLine3",
                                   "MsgWndEdgeClr",
                                   "MsgWndPropTextIMClr",
                                   "MsgWndPropTextSMSClr",
                                   "MsgWndToolBarBGClr",
                                   "MsgWndSpaceTopLeftClr",
                                   "MsgWndSpaceBottomRightClr",
                                   "MsgWndVertBarClr",
                                   "TreeBkColor",
                                   "MsgIWantColor",
                                   "TreeUserNameColor",
                                   "EmailColor",
                                   "ChatGrpColor",
                                   "ChatRoomColor",
                                   "ChatFocusColor",
                                   "MsgWndToolTextClr",
                                   "MsgWndVertBannerTextClr",
                                   "MsgWndVertBannerFlyByClr",
                                   "MsgWndVertToolTextClr",
                                   "MsgWndVertToolFlyByClr",
                                   "ChatWndVertListTextClr",
                                   "ChatIWantBarColor",
                                   "ChatShortCutBk",
                                   "ULImTextClr",
                                   "ULImPropTextClr",
                                   "ULImPropBGClr",
                                   "ULImListTextClr",
                                   "ULImListBGClr",
                                   "ULSmsTextClr",
                                   "ULSmsPropTextClr",
                                   "ULSmsPropBGClr",
                                   "ULSmsListTextClr",
                                   "ULSmsListBGClr",
                                   "ULChatTextClr",
                                   "ULChatPropTextClr",
                                   "ULChatPropBGClr",
                                   "ULChatListTextClr",
                                   "ULChatListBGClr",
                                   "ULImLineClr",
                                   "ULSmsLineClr",
                                   "ULChatLineClr",
                                   "ShortCutIWantTxtClr",
                                   "ShortCutIWantFocusClr",
                                   "ShortCutNormalTextClr",
                                   "ShortCutFocusTextClr"};

// Colour of each key, by the role its name gives it.
QColor SkinColour(const std::string& key) {
    using namespace pal;
    static const std::map<std::string, QColor> fixed = {{"MainBk", kPanel},
                                                        {"MainBorder", kNavy900},
                                                        {"TreeGroupColor", kNavy700},
                                                        {"MaxMinBarColor", kNavy700},
                                                        {"ShortCutBkColor", kPanel2},
                                                        {"DragWndFirstLine1", QColor(58, 92, 130)},
                                                        {"DragWndFirstLine2", kNavy700},
                                                        {"DragWndFirstLine3", kNavy900},
                                                        {"DragWndSecLine1", kLine},
                                                        {"DragWndSecLine2", kPanel2},
                                                        {"DragWndSecLine3", kWhite},
                                                        {"DragWndThrLine1", kTeal300},
                                                        {"DragWndThrLine2", kTeal500},
                                                        {"DragWndThrLine3", kTeal700},
                                                        {"DragWndFourLine1", kAmber300},
                                                        {"DragWndFourLine2", kAmber500},
                                                        {"DragWndFourLine3", kAmber600},
                                                        {"MsgWndEdgeClr", kNavy700},
                                                        {"MsgWndPropTextIMClr", kTeal600},
                                                        {"MsgWndPropTextSMSClr", kAmber600},
                                                        {"MsgWndToolBarBGClr", kPanel2},
                                                        {"MsgWndSpaceTopLeftClr", kWhite},
                                                        {"MsgWndSpaceBottomRightClr", kLine},
                                                        {"MsgWndVertBarClr", kTeal500},
                                                        {"TreeBkColor", kWhite},
                                                        {"MsgIWantColor", kTeal600},
                                                        {"EmailColor", kNavy500},
                                                        {"ChatGrpColor", kNavy700},
                                                        {"ChatRoomColor", kTeal600},
                                                        {"ChatFocusColor", kAmber500},
                                                        {"MsgWndVertBannerTextClr", kWhite},
                                                        {"MsgWndVertBannerFlyByClr", kAmber300},
                                                        {"MsgWndVertToolTextClr", kPanel2},
                                                        {"MsgWndVertToolFlyByClr", kAmber300},
                                                        {"ChatIWantBarColor", kTeal100},
                                                        {"ChatShortCutBk", kPanel},
                                                        {"ULImPropTextClr", kTeal600},
                                                        {"ULImPropBGClr", kTeal100},
                                                        {"ULSmsPropTextClr", kAmber600},
                                                        {"ULSmsPropBGClr", QColor(253, 246, 232)},
                                                        {"ULChatPropTextClr", kNavy500},
                                                        {"ULChatPropBGClr", kPanel2},
                                                        {"ShortCutIWantTxtClr", kTeal600},
                                                        {"ShortCutIWantFocusClr", kAmber600},
                                                        {"ShortCutFocusTextClr", kTeal600}};
    const auto it = fixed.find(key);
    if (it != fixed.end())
        return it->second;
    if (key.find("BG") != std::string::npos)
        return kWhite;
    if (key.find("Line") != std::string::npos)
        return kLine;
    return kText;  // the text colours
}

std::string SkinIni(const std::vector<SkinBitmap>& bitmaps) {
    std::ostringstream s;
    s << "; Velquor standard skin. Values: file names relative to this folder, colours as\n"
         "; red,green,blue, numbers in pixels.\n";
    s << "[" << kSkinName << "]\n";
    for (const SkinBitmap& b : bitmaps)
        s << b.key << "=" << b.file << "\n";
    for (const char* key : kColourKeys) {
        const QColor c = SkinColour(key);
        s << key << "=" << c.red() << "," << c.green() << "," << c.blue() << "\n";
    }
    s << "TabIconTop=5\nTabIconLeft=8\nIMTabSpace=2\nIMTabTopEdge=3\n";
    return ToGbk(s.str());
}

bool Write(const fs::path& path, const std::vector<uint8_t>& bytes) {
    fs::create_directories(path.parent_path());
    if (!WriteFile(path.string(), bytes)) {
        std::fprintf(stderr, "artgen: cannot write %s\n", path.string().c_str());
        return false;
    }
    return true;
}

bool WriteText(const fs::path& path, const std::string& text) {
    return Write(path, std::vector<uint8_t>(text.begin(), text.end()));
}

// "art/130-x.bmp" -> "art/130-x@2x.bmp": the name the program looks for beside the picture.
std::string DoubleName(const std::string& file) {
    const size_t dot = file.rfind('.');
    return dot == std::string::npos ? file + "@2x" : file.substr(0, dot) + "@2x" + file.substr(dot);
}

bool IsKey(QRgb c) {
    const QRgb rgb = c & 0xFFFFFF;
    return rgb == (pal::kMagenta.rgb() & 0xFFFFFF) || rgb == (pal::kTealKey.rgb() & 0xFFFFFF) ||
           rgb == (pal::kRedKey.rgb() & 0xFFFFFF);
}

// Where the 1x picture shows a key colour, the whole 2x2 block shows it too: a finer edge
// may only ever take pixels away from the shape at the same spot, never leave a speck of
// shape where the program expects a hole. Edges keep their own colours, as at 1x.
QImage HoldKeys(const QImage& low, const QImage& high) {
    QImage out = high.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < low.height(); ++y) {
        for (int x = 0; x < low.width(); ++x) {
            const QRgb c = low.pixel(x, y);
            if (!IsKey(c))
                continue;
            for (int by = 0; by < 2; ++by) {
                for (int bx = 0; bx < 2; ++bx)
                    out.setPixel(2 * x + bx, 2 * y + by, c);
            }
        }
    }
    return out;
}

bool SameLayout(const QImage& low, const QImage& high, const std::string& name) {
    if (high.width() == 2 * low.width() && high.height() == 2 * low.height())
        return true;
    std::fprintf(stderr, "artgen: %s is %dx%d at 2x, %dx%d at 1x\n", name.c_str(), high.width(),
                 high.height(), low.width(), low.height());
    return false;
}

int WriteDoubled(const fs::path& res, const fs::path& skinRoot) {
    SetScale(1);
    const std::vector<ArtItem> low = BuildArt();
    std::vector<SkinBitmap> lowSkin = BuildSkinBitmaps();
    SetScale(2);
    const std::vector<ArtItem> high = BuildArt();
    std::vector<SkinBitmap> highSkin = BuildSkinBitmaps();
    SetScale(1);
    if (low.size() != high.size() || lowSkin.size() != highSkin.size()) {
        std::fprintf(stderr, "artgen: the 2x art is not the same set as the 1x art\n");
        return 1;
    }
    bool ok = true;
    int written = 0;
    for (size_t i = 0; i < low.size(); ++i) {
        const ArtItem& a = low[i];
        if (a.kind == "sound")
            continue;
        if (high[i].file != a.file || !SameLayout(a.image, high[i].image, a.file)) {
            ok = false;
            continue;
        }
        ok &=
            Write(res / DoubleName(a.file), EncodeBitmap(HoldKeys(a.image, high[i].image), a.bits));
        ++written;
    }
    for (size_t i = 0; i < lowSkin.size(); ++i) {
        if (!SameLayout(lowSkin[i].image, highSkin[i].image, lowSkin[i].file)) {
            ok = false;
            continue;
        }
        highSkin[i].image = HoldKeys(lowSkin[i].image, highSkin[i].image);
    }
    for (SkinBitmap& b : highSkin) {
        if (b.maskOf.empty())
            continue;
        // A mask follows its strip's keys as they are after holding them.
        for (const SkinBitmap& strip : highSkin) {
            if (strip.key == b.maskOf)
                b.image = KeyMask(strip.image, pal::kRedKey);
        }
    }
    const fs::path skinDir = skinRoot / fs::u8path(kSkinName);
    for (const SkinBitmap& b : highSkin) {
        ok &= Write(skinDir / DoubleName(b.file), EncodeBmp24(ToPixels(b.image)));
        ++written;
    }
    std::printf("artgen: %d pictures at 2x\n", written);
    return ok ? 0 : 1;
}

bool WriteIcons(const fs::path& res, std::vector<Tile>& tiles, std::ostringstream& list) {
    const fs::path theme = res / "icons" / "hicolor";
    fs::remove_all(theme);
    bool ok = true;
    list << "\n## Application icon (desktop theme)\n\n| size | file |\n|---|---|\n";
    for (int n : AppIconSizes()) {
        const std::string dir = std::to_string(n) + "x" + std::to_string(n);
        const fs::path path = theme / dir / "apps" / "velquor.png";
        fs::create_directories(path.parent_path());
        const QImage icon = AppIcon(n);
        if (!SavePng(icon, path)) {
            std::fprintf(stderr, "artgen: cannot write %s\n", path.string().c_str());
            ok = false;
        }
        list << "| " << dir << " | `icons/hicolor/" << dir << "/apps/velquor.png` |\n";
        // On the contact sheet's own light ground and, zoomed, on a dark one.
        Tile t;
        t.image = icon;
        t.caption = QString::fromStdString(dir);
        t.section = QStringLiteral("application icon, hicolor theme (res/icons)");
        tiles.push_back(t);
    }
    for (int n : {16, 22, 24, 32}) {
        QImage dark(n, n, QImage::Format_RGB32);
        dark.fill(QColor(40, 40, 44));
        QPainter p(&dark);
        p.drawImage(0, 0, AppIcon(n));
        p.end();
        Tile t;
        t.image = dark;
        t.zoom = 4;
        t.caption = QString::number(n) + QStringLiteral(", 4x on dark");
        t.section = QStringLiteral("application icon, hicolor theme (res/icons)");
        tiles.push_back(t);
    }
    ok &= WriteText(theme / "scalable" / "apps" / "velquor.svg", AppIconSvg());
    list << "| scalable | `icons/hicolor/scalable/apps/velquor.svg` |\n";
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    const bool doubled = argc == 4 && std::string(argv[1]) == "--2x";
    if (argc != 3 && !doubled) {
        std::fprintf(stderr,
                     "usage: artgen <res-dir> <docs-art-dir>\n"
                     "       artgen --2x <runtime-res-dir> <runtime-skin-dir>\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    if (!LoadUiFont()) {
        std::fprintf(stderr,
                     "artgen: the font WenQuanYi Micro Hei is missing (fonts-wqy-microhei)\n");
        return 1;
    }
    if (doubled)
        return WriteDoubled(argv[2], argv[3]);
    const fs::path res = argv[1];
    const fs::path docs = argv[2];
    if (!fs::is_directory(res)) {
        std::fprintf(stderr, "artgen: %s is not a folder\n", argv[1]);
        return 2;
    }
    // Only our own output folders are cleared, so renamed files leave no leftovers.
    const fs::path skinDir = res / "Skin" / fs::u8path(kSkinName);
    fs::remove_all(res / "art");
    fs::remove_all(skinDir);

    const std::vector<ArtItem> art = BuildArt();
    std::map<std::string, std::ostringstream> index;
    std::ostringstream list;
    list << "# Art by resource id\n\nGenerated by `tools/artgen` (target `vq_art`); do not edit by "
            "hand.\n"
            "Magenta RGB(255, 0, 255) is the key of drawn buttons and of the corners that the "
            "window\n"
            "shape cuts; teal RGB(0, 128, 128) is the key of the emoticon strip; pure red the key "
            "of the\n"
            "skin's icon strips.\n\n| module | kind | id | size | file | what "
            "|\n|---|---|---|---|---|---|\n";
    std::vector<Tile> tiles;
    bool ok = true;
    for (const ArtItem& a : art) {
        const fs::path path = res / a.file;
        std::string size;
        if (a.kind == "sound") {
            ok &= Write(path, EncodeWave16(a.samples, kSampleRate));
            size = std::to_string(a.samples.size() * 1000 / kSampleRate) + " ms";
        } else {
            ok &= Write(path, EncodeBitmap(a.image, a.bits));
            size = std::to_string(a.image.width()) + "x" + std::to_string(a.image.height()) + "x" +
                   std::to_string(a.bits);
        }
        index[a.module] << a.kind << " " << a.id << " " << a.file << "\n";
        if (a.kind == "icon" && a.id == 128) {
            // The about box shows the program's icon in a picture control, which takes
            // bitmaps: the same picture under the bitmap id too.
            index[a.module] << "bitmap " << a.id << " " << a.file << "\n";
        }
        list << "| " << a.module << " | " << a.kind << " | " << a.id << " | " << size << " | `"
             << a.file << "` | " << a.note.toStdString() << " |\n";
        if (a.kind != "sound") {
            Tile t;
            t.image = a.kind == "icon" ? a.image : Decoded(a.image, a.bits);
            if (a.preview.isValid())
                t.image = FillKey(t.image, a.preview);
            t.caption = QString::number(a.id) + QStringLiteral("  ") +
                        QString::number(a.image.width()) + QStringLiteral("x") +
                        QString::number(a.image.height());
            t.section = a.module == "Pallinote" ? a.group : a.group;
            if (a.id == 196) {
                // Two-times zoom, ten faces a row, each with its code.
                for (int i = 0; i < 50; ++i) {
                    Tile f;
                    // As the chat views show them: on white.
                    f.image =
                        ReplaceColour(t.image.copy(i * 20, 0, 20, 20), pal::kTealKey, pal::kWhite);
                    f.zoom = 3;
                    f.caption = EmoticonMeaning(i);
                    f.section = QStringLiteral(
                        "emoticons 196 (1000x20, 8 bpp), zoomed 3x on white as chats show them");
                    tiles.push_back(f);
                }
                t.section = QStringLiteral("emoticon strip 196 as stored");
            }
            if (a.kind == "icon")
                t.zoom = 2;
            tiles.push_back(t);
        }
    }
    // The control library's ids overlap the program's (213, 214 and 218 are other pictures
    // there): its index names its module, so the program never sees those entries.
    ok &= WriteText(res / "art" / "art.idx",
                    "# Pictures, icons and sounds of the program, by resource id. Generated by\n"
                    "# tools/artgen; regenerate with the build target vq_art.\n" +
                        index["Orvanel"].str());
    ok &= WriteText(res / "art" / "pallinote" / "pallinote.idx",
                    "# Resources of the control library Pallinote.ocx. Generated by tools/artgen.\n"
                    "module Pallinote\n" +
                        index["Pallinote"].str());

    const std::vector<SkinBitmap> skin = BuildSkinBitmaps();
    for (const SkinBitmap& b : skin) {
        ok &= Write(skinDir / b.file, EncodeBmp24(ToPixels(b.image)));
        Tile t;
        t.image = ReplaceColour(b.image, pal::kRedKey, pal::kWhite);
        t.zoom = b.image.height() <= 16 ? 2 : 1;
        t.caption = QString::fromStdString(b.key);
        t.section = QStringLiteral("skin folder Skin/标准风格 (skin.ini bitmaps)");
        tiles.push_back(t);
        list << "| skin | bitmap | " << b.key << " | " << b.image.width() << "x" << b.image.height()
             << "x24 | `Skin/" << kSkinName << "/" << b.file << "` | " << b.note.toStdString()
             << " |\n";
    }
    list << "\n## Emoticons of 196, in code order\n\n| i | code and meaning |\n|---|---|\n";
    for (int i = 0; i < 50; ++i) {
        // A "|" inside a table cell must be escaped.
        list << "| " << i << " | "
             << EmoticonMeaning(i).replace(QStringLiteral("|"), QStringLiteral("\\|")).toStdString()
             << " |\n";
    }
    const std::string ini = SkinIni(skin);
    if (ini.empty()) {
        std::fprintf(stderr, "artgen: no GBK converter\n");
        return 1;
    }
    ok &= WriteText(skinDir / "skin.ini", ini);

    ok &= WriteIcons(res, tiles, list);

    fs::create_directories(docs);
    ok &= WriteText(docs / "art-list.md", list.str());
    ok &= SavePng(ContactSheet(tiles), docs / "contact-sheet.png");
    return ok ? 0 : 1;
}
