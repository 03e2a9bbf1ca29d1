// The pictures at twice the resolution beside the program, read as the program reads them,
// and the desktop icons: sizes, keys that stay keys, finer detail than a pixel doubling.

#include <gtest/gtest.h>

#include <QImage>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "platform/Bitmap.h"

namespace {

namespace fs = std::filesystem;

const fw::Color kMagenta = fw::RGB(255, 0, 255);
const fw::Color kTeal = fw::RGB(0, 128, 128);
const fw::Color kRed = fw::RGB(255, 0, 0);
const fw::Color kNavy900 = fw::RGB(15, 31, 51);  // the window border

fs::path EnvDir(const char* name) {
    const char* dir = std::getenv(name);
    return dir != nullptr ? fs::path(dir) : fs::path();
}

fs::path Runtime() {
    return EnvDir("VQ_RUNTIME_DIR");
}

fs::path Source() {
    return EnvDir("VQ_SOURCE_DIR");
}

fs::path SkinDir() {
    return Runtime() / "Skin" / fs::u8path("标准风格");
}

fs::path Doubled(const fs::path& path) {
    return path.parent_path() / (path.stem().string() + "@2x" + path.extension().string());
}

struct Pair {
    fw::Bitmap low;
    fw::Bitmap high;
};

// Both pictures as the program's reader sees them; the 2x one at device pixels.
Pair Load(const fs::path& path) {
    Pair p;
    auto low = fw::Bitmap::FromBmpFile(path.string());
    auto high = fw::Bitmap::FromBmpFile(Doubled(path).string());
    EXPECT_TRUE(low.has_value()) << path;
    EXPECT_TRUE(high.has_value()) << Doubled(path);
    if (low && high) {
        p.low = *low;
        p.high = *high;
    }
    return p;
}

fw::Color High(const fw::Bitmap& b, int x, int y) {
    return fw::PixelToColor(b.Row(y)[x]);
}

bool IsKey(fw::Color c) {
    return c == kMagenta || c == kTeal || c == kRed;
}

int Distance(fw::Color a, fw::Color b) {
    return std::max({std::abs(int(fw::GetRValue(a)) - int(fw::GetRValue(b))),
                     std::abs(int(fw::GetGValue(a)) - int(fw::GetGValue(b))),
                     std::abs(int(fw::GetBValue(a)) - int(fw::GetBValue(b)))});
}

// Every key pixel at 1x is a block of four key pixels at 2x, and no pixel next to a key
// pixel at 2x comes close to the key colour without being it (it would show as a fringe
// of almost-key where the parent should show through). Returns the key pixels seen at 1x.
int ExpectKeyHeld(const fs::path& path, fw::Color key) {
    const Pair p = Load(path);
    if (p.low.IsNull() || p.high.IsNull())
        return 0;
    int keys = 0;
    int broken = 0;
    for (int y = 0; y < p.low.Height(); ++y) {
        for (int x = 0; x < p.low.Width(); ++x) {
            if (p.low.GetPixel(x, y) != key)
                continue;
            ++keys;
            for (int d = 0; d < 4; ++d)
                broken += High(p.high, 2 * x + d % 2, 2 * y + d / 2) != key ? 1 : 0;
        }
    }
    EXPECT_EQ(broken, 0) << path << ": 2x pixels that are not key where the 1x is";
    int fringe = 0;
    const int w = p.high.DeviceWidth();
    const int h = p.high.DeviceHeight();
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const fw::Color c = High(p.high, x, y);
            if (c == key || Distance(c, key) > 24)
                continue;
            bool nearKey = false;
            for (int dy = -2; dy <= 2; ++dy) {
                for (int dx = -2; dx <= 2; ++dx) {
                    const int nx = x + dx;
                    const int ny = y + dy;
                    if (nx >= 0 && ny >= 0 && nx < w && ny < h && High(p.high, nx, ny) == key)
                        nearKey = true;
                }
            }
            fringe += nearKey ? 1 : 0;
        }
    }
    EXPECT_EQ(fringe, 0) << path << ": near-key pixels beside the key";
    return keys;
}

// 2x2 blocks of the 2x picture that are not one colour: zero for a pixel doubling.
int MixedBlocks(const fw::Bitmap& high) {
    int mixed = 0;
    for (int y = 0; y + 1 < high.DeviceHeight(); y += 2) {
        for (int x = 0; x + 1 < high.DeviceWidth(); x += 2) {
            const fw::Color c = High(high, x, y);
            if (High(high, x + 1, y) != c || High(high, x, y + 1) != c ||
                High(high, x + 1, y + 1) != c)
                ++mixed;
        }
    }
    return mixed;
}

class ArtAtTwice : public ::testing::Test {
protected:
    void SetUp() override {
        if (Runtime().empty())
            GTEST_SKIP() << "VQ_RUNTIME_DIR is not set";
    }
};

TEST_F(ArtAtTwice, EveryPictureBesideTheProgramHasOneOfTwiceItsSize) {
    int pictures = 0;
    for (const fs::path& root : {Runtime() / "res", Runtime() / "Skin"}) {
        for (const auto& e : fs::recursive_directory_iterator(root)) {
            const std::string name = e.path().filename().string();
            if (e.path().extension() != ".bmp" || name.find("@2x") != std::string::npos)
                continue;
            ++pictures;
            SCOPED_TRACE(e.path().string());
            ASSERT_TRUE(fs::exists(Doubled(e.path())));
            const Pair p = Load(e.path());
            EXPECT_EQ(p.high.Width(), 2 * p.low.Width());
            EXPECT_EQ(p.high.Height(), 2 * p.low.Height());
            EXPECT_EQ(p.high.BitsPerPixel(), p.low.BitsPerPixel());
            // The program's own loader takes it as the picture's sharper variant.
            auto withVariant = fw::Bitmap::FromBmpFileWithDoubleSize(e.path().string());
            ASSERT_TRUE(withVariant.has_value());
            EXPECT_NE(withVariant->DoubleSize(), nullptr);
        }
    }
    // res/art, its pallinote folder and the skin hold well over a hundred pictures.
    EXPECT_GE(pictures, 100);
}

TEST_F(ArtAtTwice, StripsKeepCellsOfTwiceTheirSize) {
    const struct {
        fs::path file;
        int width, height;
    } strips[] = {
        {Runtime() / "res/art/196-emoticons.bmp", 2000, 40},  // 50 faces of 40 x 40
        {SkinDir() / "MainIcon.bmp", 256, 32},                // 8 icons of 32 x 32
        {SkinDir() / "MsgWndIcon.bmp", 320, 32},              // 10 icons
        {SkinDir() / "NotifyUserAnimate.bmp", 128, 32},       // 4 frames
        {SkinDir() / "SmallStatus.bmp", 160, 32},             // 5 dots
    };
    for (const auto& s : strips) {
        SCOPED_TRACE(s.file.string());
        const Pair p = Load(s.file);
        EXPECT_EQ(p.high.Width(), s.width);
        EXPECT_EQ(p.high.Height(), s.height);
    }
    // The emoticon strip stays 8 bits, as the chat views expect.
    EXPECT_EQ(Load(Runtime() / "res/art/196-emoticons.bmp").high.BitsPerPixel(), 8);
}

TEST_F(ArtAtTwice, KeysStayKeysAndLeaveNoFringe) {
    // Cut corners of the chat and network-settings windows and of the frame.
    EXPECT_GT(ExpectKeyHeld(Runtime() / "res/art/202-chat-background.bmp", kMagenta), 0);
    EXPECT_GT(ExpectKeyHeld(Runtime() / "res/art/186-net-settings-background.bmp", kMagenta), 0);
    EXPECT_GT(ExpectKeyHeld(Runtime() / "res/art/231-frame-top-left.bmp", kMagenta), 0);
    // Drawn buttons, a caption button on the title bar and a login-state radio.
    EXPECT_GT(ExpectKeyHeld(Runtime() / "res/art/146-login-ok-normal.bmp", kMagenta), 0);
    EXPECT_GT(ExpectKeyHeld(Runtime() / "res/art/159-main-minimise-hover.bmp", kMagenta), 0);
    EXPECT_GT(ExpectKeyHeld(Runtime() / "res/art/273-state-online.bmp", kMagenta), 0);
    // The emoticon strip's teal and the skin strips' red.
    EXPECT_GT(ExpectKeyHeld(Runtime() / "res/art/196-emoticons.bmp", kTeal), 0);
    EXPECT_GT(ExpectKeyHeld(SkinDir() / "MainIcon.bmp", kRed), 0);
    EXPECT_GT(ExpectKeyHeld(SkinDir() / "SmallStatus.bmp", kRed), 0);
    EXPECT_GT(ExpectKeyHeld(SkinDir() / "Corner.bmp", kMagenta), 0);
}

TEST_F(ArtAtTwice, TheMaskFollowsItsStripAtTwice) {
    const Pair strip = Load(SkinDir() / "ULBmp.bmp");
    const Pair mask = Load(SkinDir() / "ULMaskBmp.bmp");
    ASSERT_EQ(strip.high.DeviceWidth(), mask.high.DeviceWidth());
    ASSERT_EQ(strip.high.DeviceHeight(), mask.high.DeviceHeight());
    int wrong = 0;
    for (int y = 0; y < strip.high.DeviceHeight(); ++y) {
        for (int x = 0; x < strip.high.DeviceWidth(); ++x) {
            const fw::Color want =
                High(strip.high, x, y) == kRed ? fw::RGB(255, 255, 255) : fw::RGB(0, 0, 0);
            wrong += High(mask.high, x, y) != want ? 1 : 0;
        }
    }
    EXPECT_EQ(wrong, 0);
}

TEST_F(ArtAtTwice, TheWindowBorderFillsTheOuterDevicePixels) {
    // A border drawn half a pixel off would leave the outermost device row or column in
    // the panel's colour, a light line around the window.
    const Pair p = Load(Runtime() / "res/art/202-chat-background.bmp");
    ASSERT_FALSE(p.low.IsNull());
    const int w = p.low.Width();
    const int h = p.low.Height();
    int border = 0;
    int wrong = 0;
    auto check = [&](int x, int y) {
        if (p.low.GetPixel(x, y) != kNavy900)
            return;
        ++border;
        for (int d = 0; d < 4; ++d)
            wrong += High(p.high, 2 * x + d % 2, 2 * y + d / 2) != kNavy900 ? 1 : 0;
    };
    for (int x = 0; x < w; ++x) {
        check(x, 0);
        check(x, h - 1);
    }
    for (int y = 0; y < h; ++y) {
        check(0, y);
        check(w - 1, y);
    }
    EXPECT_GT(border, 2 * (w + h) - 100);
    EXPECT_EQ(wrong, 0);
}

TEST_F(ArtAtTwice, PicturesAreDrawnFinerNotDoubled) {
    for (const fs::path& file :
         {Runtime() / "res/art/130-login-background.bmp",
          Runtime() / "res/art/175-main-strip-left.bmp",
          Runtime() / "res/art/146-login-ok-normal.bmp", Runtime() / "res/art/196-emoticons.bmp",
          Runtime() / "res/art/pallinote/212-popup-background.bmp", SkinDir() / "MainIcon.bmp"}) {
        SCOPED_TRACE(file.string());
        const Pair p = Load(file);
        ASSERT_FALSE(p.high.IsNull());
        // Text, curves and gradients give blocks of several colours; at least one in fifty.
        const int blocks = p.low.Width() * p.low.Height();
        EXPECT_GT(MixedBlocks(p.high) * 50, blocks);
        // Still the same picture: each block averages close to its 1x pixel (blocks
        // touching a key are left out: there a finer edge replaces colour by key).
        long diff = 0;
        int compared = 0;
        for (int y = 0; y < p.low.Height(); ++y) {
            for (int x = 0; x < p.low.Width(); ++x) {
                const fw::Color c = p.low.GetPixel(x, y);
                bool key = IsKey(c);
                for (int d = 0; d < 4; ++d)
                    key |= IsKey(High(p.high, 2 * x + d % 2, 2 * y + d / 2));
                if (key)
                    continue;
                ++compared;
                for (int ch = 0; ch < 3; ++ch) {
                    int sum = 0;
                    for (int d = 0; d < 4; ++d) {
                        const fw::Color hc = High(p.high, 2 * x + d % 2, 2 * y + d / 2);
                        sum += ch == 0 ? fw::GetRValue(hc)
                                       : (ch == 1 ? fw::GetGValue(hc) : fw::GetBValue(hc));
                    }
                    const int want = ch == 0 ? fw::GetRValue(c)
                                             : (ch == 1 ? fw::GetGValue(c) : fw::GetBValue(c));
                    diff += std::abs(sum / 4 - want);
                }
            }
        }
        // Mean difference per channel: a shifted or different picture lands far above.
        ASSERT_GT(compared, blocks / 8);
        EXPECT_LT(diff / (3.0 * compared), 6.0) << diff / (3.0 * compared);
    }
}

// ---- desktop icons ---------------------------------------------------------

TEST(AppIcon, EachSizeOfTheThemeIsItsOwnPngWithAlpha) {
    const fs::path theme = Source() / "res/icons/hicolor";
    for (int n : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const std::string dir = std::to_string(n) + "x" + std::to_string(n);
        const fs::path file = theme / dir / "apps" / "velquor.png";
        SCOPED_TRACE(file.string());
        std::ifstream in(file, std::ios::binary);
        char magic[8] = {};
        in.read(magic, 8);
        ASSERT_EQ(std::string(magic, 8), std::string("\x89PNG\r\n\x1a\n", 8));
        const QImage icon(QString::fromStdString(file.string()));
        ASSERT_FALSE(icon.isNull());
        EXPECT_EQ(icon.width(), n);
        EXPECT_EQ(icon.height(), n);
        EXPECT_TRUE(icon.hasAlphaChannel());
        std::set<QRgb> colours;
        int clear = 0;
        int partial = 0;
        int solid = 0;
        for (int y = 0; y < n; ++y) {
            for (int x = 0; x < n; ++x) {
                const QRgb c = icon.pixel(x, y);
                colours.insert(c);
                const int a = qAlpha(c);
                (a == 0 ? clear : (a == 255 ? solid : partial)) += 1;
            }
        }
        // A rounded tile: see-through corners, smooth edges, a solid body, several tones.
        EXPECT_GE(colours.size(), 8u);
        EXPECT_GT(partial, 0);
        EXPECT_GT(solid, n * n / 2);
        EXPECT_EQ(qAlpha(icon.pixel(n / 2, n / 2)), 255);
        EXPECT_LT(qAlpha(icon.pixel(0, 0)), 128);
        // The mark's amber dot is there at every size: some clearly amber pixel.
        bool amber = false;
        for (QRgb c : colours) {
            amber |= qAlpha(c) == 255 && qRed(c) > 200 && qGreen(c) > 130 && qGreen(c) < 190 &&
                     qBlue(c) < 110;
        }
        EXPECT_TRUE(amber);
    }
    std::ifstream svg(theme / "scalable/apps/velquor.svg");
    std::string text((std::istreambuf_iterator<char>(svg)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text.rfind("<svg ", 0), 0u);
    EXPECT_NE(text.find("viewBox=\"0 0 256 256\""), std::string::npos);
    EXPECT_NE(text.find("</svg>"), std::string::npos);
}

TEST(AppIcon, SmallSizesAreDrawnForTheirGridNotScaledDown) {
    // A picture scaled down from 256 would blur the white line into the teal; drawn for
    // 16 pixels, the line has pixels of (nearly) full white.
    const QImage icon(
        QString::fromStdString((Source() / "res/icons/hicolor/16x16/apps/velquor.png").string()));
    ASSERT_FALSE(icon.isNull());
    int white = 0;
    for (int y = 0; y < icon.height(); ++y) {
        for (int x = 0; x < icon.width(); ++x) {
            const QRgb c = icon.pixel(x, y);
            white += qRed(c) > 235 && qGreen(c) > 235 && qBlue(c) > 235 ? 1 : 0;
        }
    }
    EXPECT_GE(white, 5);
}

}  // namespace
