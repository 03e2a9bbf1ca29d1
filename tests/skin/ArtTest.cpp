// The committed art: every resource the program and the control library name by id is
// there, decodes, has the size and depth its window needs, and keeps magenta exactly
// where a window shape or a drawn button leaves pixels out.

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>

#include "platform/Resources.h"
#include "skin/CutCornerRegion.h"
#include "tests/skin/TestSupport.h"

namespace {

const fw::Color kMagenta = fw::RGB(255, 0, 255);
const fw::Color kTeal = fw::RGB(0, 128, 128);

std::filesystem::path ResDir() {
    return skintest::SourceDir() / "res";
}

std::string ReadText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

class ArtTest : public ::testing::Test {
protected:
    void SetUp() override {
        program_.ParseIndex(ReadText(ResDir() / "art" / "art.idx"), ResDir().string());
        libraryIndex_.ParseIndex(ReadText(ResDir() / "art" / "pallinote" / "pallinote.idx"),
                                 ResDir().string());
    }
    std::shared_ptr<const fw::Bitmap> Bmp(fw::UINT id) { return program_.LoadBitmap(id); }
    const fw::Resources& Lib() const { return libraryIndex_.Module("Pallinote"); }
    fw::Size SizeOf(fw::UINT id) {
        auto b = Bmp(id);
        return b ? b->GetSize() : fw::Size{};
    }
    static int CountMagentaOutsideCorners(const fw::Bitmap& b) {
        int n = 0;
        for (int y = 0; y < b.Height(); ++y) {
            for (int x = 0; x < b.Width(); ++x) {
                const bool cornerX = x < kCornerSize || x >= b.Width() - kCornerSize;
                const bool cornerY = y < kCornerSize || y >= b.Height() - kCornerSize;
                if (!(cornerX && cornerY) && b.GetPixel(x, y) == kMagenta) {
                    ++n;
                }
            }
        }
        return n;
    }
    static int CountColour(const fw::Bitmap& b, fw::Color c) {
        int n = 0;
        for (std::uint32_t p : b.Pixels()) {
            n += fw::PixelToColor(p) == c ? 1 : 0;
        }
        return n;
    }
    fw::Resources program_;
    // Holds the module "Pallinote" that the library's index names.
    fw::Resources libraryIndex_;
};

TEST_F(ArtTest, EveryIdTheProgramNamesIsThereAndDecodes) {
    const fw::UINT bitmaps[] = {
        130, 133, 134, 135, 136, 140, 141, 145, 146, 147, 151, 152, 153, 154, 155, 156,
        157, 158, 159, 160, 161, 162, 163, 164, 165, 166, 168, 170, 175, 177, 181, 183,
        184, 185, 186, 187, 188, 196, 197, 199, 200, 202, 204, 205, 206, 207, 208, 209,
        210, 211, 213, 214, 215, 216, 229, 230, 231, 232, 233, 234, 235, 236, 237, 239,
        240, 245, 246, 247, 248, 249, 250, 252, 253, 256, 257, 259, 260, 261, 262, 263,
        264, 265, 267, 270, 271, 272, 273, 274, 275, 278, 280, 281};
    for (fw::UINT id : bitmaps) {
        EXPECT_TRUE(Bmp(id)) << "bitmap " << id;
    }
    for (fw::UINT id : {128u, 131u, 150u, 218u}) {
        auto icon = program_.LoadIcon(id);
        ASSERT_TRUE(icon) << "icon " << id;
        EXPECT_EQ(icon->GetSize(), (fw::Size{32, 32}));
    }
    EXPECT_TRUE(program_.ReadFile(fw::ResourceKind::Sound, 277));
    for (fw::UINT id : {1u, 212u, 213u, 214u, 218u}) {
        EXPECT_TRUE(Lib().LoadBitmap(id)) << "library bitmap " << id;
    }
    EXPECT_TRUE(Lib().ReadFile(fw::ResourceKind::Sound, 216));
    EXPECT_TRUE(program_.Errors().empty());
    EXPECT_TRUE(libraryIndex_.Errors().empty());
}

TEST_F(ArtTest, DialogBackgroundsHaveTheSizeOfTheirDialogs) {
    using fw::DluToPixelsX;
    using fw::DluToPixelsY;
    EXPECT_EQ(SizeOf(130), (fw::Size{DluToPixelsX(330), DluToPixelsY(170)}));
    EXPECT_EQ(SizeOf(202), (fw::Size{DluToPixelsX(502), DluToPixelsY(327)}));
    EXPECT_EQ(SizeOf(250), (fw::Size{DluToPixelsX(502), DluToPixelsY(327)}));
    EXPECT_EQ(SizeOf(239), (fw::Size{DluToPixelsX(431), DluToPixelsY(252)}));
    EXPECT_EQ(SizeOf(267), (fw::Size{467, 312}));
    EXPECT_EQ(SizeOf(281), (fw::Size{519, 408}));
    for (fw::UINT page : {257u, 271u, 245u}) {
        EXPECT_EQ(SizeOf(page), (fw::Size{450, 420})) << page;
    }
    // The chat views sit on the frames drawn for them.
    auto chat = Bmp(202);
    ASSERT_TRUE(chat);
    EXPECT_EQ(chat->GetPixel(122 + 300, 85 + 100), fw::RGB(255, 255, 255));
    EXPECT_EQ(chat->GetPixel(122 + 300, 420 + 40), fw::RGB(255, 255, 255));
}

TEST_F(ArtTest, ButtonSetsShareOneSizeAndTheSizesTheWindowsPlace) {
    const std::vector<std::vector<fw::UINT>> sets = {
        {141, 133, 136}, {140, 134, 135}, {235, 237, 236}, {146, 147, 145}, {187, 188, 183},
        {177, 263, 264}, {160, 159, 158}, {151, 165, 164}, {154, 153, 152}, {163, 162, 161},
        {157, 156, 155}, {197, 204},      {200, 199},      {209, 215},      {211, 214},
        {208, 216},      {210, 213}};
    for (const auto& set : sets) {
        const fw::Size first = SizeOf(set[0]);
        auto normal = Bmp(set[0]);
        ASSERT_TRUE(normal);
        for (std::size_t i = 1; i < set.size(); ++i) {
            EXPECT_EQ(SizeOf(set[i]), first) << set[0] << " and " << set[i];
            auto other = Bmp(set[i]);
            ASSERT_TRUE(other);
            EXPECT_FALSE(std::equal(normal->Pixels().begin(), normal->Pixels().end(),
                                    other->Pixels().begin()))
                << set[i] << " looks the same as " << set[0];
        }
    }
    for (fw::UINT id : {140u, 141u, 235u, 197u, 200u}) {
        EXPECT_EQ(SizeOf(id), (fw::Size{15, 15})) << id;
    }
    for (fw::UINT id : {160u, 151u, 154u}) {
        EXPECT_EQ(SizeOf(id), (fw::Size{26, 19})) << id;
    }
    EXPECT_EQ(SizeOf(163), (fw::Size{53, 16}));
    EXPECT_EQ(SizeOf(157), (fw::Size{53, 16}));
    EXPECT_EQ(SizeOf(166), (fw::Size{100, 25}));
    EXPECT_EQ(SizeOf(181), (fw::Size{97, 37}));
    EXPECT_EQ(SizeOf(249), (fw::Size{120, 46}));
}

TEST_F(ArtTest, CutCornerBackgroundsAreMagentaOnlyInTheirCorners) {
    const struct {
        fw::UINT id;
        bool tl, tr, bl, br;
    } shaped[] = {{202, true, true, true, true},    {250, true, true, true, true},
                  {239, true, true, true, true},    {186, true, true, true, true},
                  {259, true, true, true, true},    {231, true, false, false, false},
                  {233, false, true, false, false}, {229, false, false, true, false},
                  {230, false, false, false, true}};
    for (const auto& s : shaped) {
        auto b = Bmp(s.id);
        ASSERT_TRUE(b) << s.id;
        const int w = b->Width();
        const int h = b->Height();
        EXPECT_EQ(b->GetPixel(0, 0) == kMagenta, s.tl) << s.id;
        EXPECT_EQ(b->GetPixel(w - 1, 0) == kMagenta, s.tr) << s.id;
        EXPECT_EQ(b->GetPixel(0, h - 1) == kMagenta, s.bl) << s.id;
        EXPECT_EQ(b->GetPixel(w - 1, h - 1) == kMagenta, s.br) << s.id;
        EXPECT_NE(b->GetPixel(std::min(5, w - 1), std::min(5, h - 1)), kMagenta) << s.id;
        EXPECT_EQ(CountMagentaOutsideCorners(*b), 0) << s.id;
    }
    // Pictures drawn without a window shape must hold no magenta at all.
    for (fw::UINT id :
         {130u, 267u, 281u, 257u, 271u, 245u, 175u, 170u, 168u, 232u, 234u, 249u, 265u, 270u}) {
        auto b = Bmp(id);
        ASSERT_TRUE(b) << id;
        EXPECT_EQ(CountColour(*b, kMagenta), 0) << id;
    }
    for (fw::UINT id : {212u, 213u, 214u, 218u}) {
        auto b = Lib().LoadBitmap(id);
        ASSERT_TRUE(b) << id;
        EXPECT_EQ(CountColour(*b, kMagenta), 0) << "library " << id;
    }
}

TEST_F(ArtTest, EmoticonStripHoldsFiftyDistinctFacesOnTeal) {
    auto strip = Bmp(196);
    ASSERT_TRUE(strip);
    EXPECT_EQ(strip->GetSize(), (fw::Size{1000, 20}));
    EXPECT_EQ(strip->BitsPerPixel(), 8);
    std::set<std::vector<std::uint32_t>> faces;
    for (int i = 0; i < 50; ++i) {
        std::vector<std::uint32_t> cell;
        int drawn = 0;
        for (int y = 0; y < 20; ++y) {
            for (int x = 0; x < 20; ++x) {
                const fw::Color c = strip->GetPixel(i * 20 + x, y);
                cell.push_back(c);
                drawn += c != kTeal ? 1 : 0;
            }
        }
        EXPECT_EQ(strip->GetPixel(i * 20, 0), kTeal) << "face " << i;
        EXPECT_GT(drawn, 60) << "face " << i;
        EXPECT_LT(drawn, 400) << "face " << i;
        faces.insert(cell);
    }
    EXPECT_EQ(faces.size(), 50u);
}

TEST_F(ArtTest, TheLibrarysPicturesStayOutOfTheProgramsResources) {
    // The library's 213, 214 and 218 are other pictures than the program's; loading
    // res/ as the program does gives the program its own and the module the library's.
    fw::Resources all;
    ASSERT_TRUE(all.LoadDirectory(ResDir().string()));
    auto hoverShot = all.LoadBitmap(213);
    ASSERT_TRUE(hoverShot);
    EXPECT_EQ(hoverShot->GetSize(), SizeOf(210));
    EXPECT_FALSE(all.LoadBitmap(212));
    const fw::Resources& lib = all.Module("Pallinote");
    ASSERT_TRUE(lib.LoadBitmap(213));
    EXPECT_EQ(lib.LoadBitmap(213)->GetSize(), (fw::Size{15, 15}));
    ASSERT_TRUE(lib.LoadBitmap(218));
    EXPECT_EQ(lib.LoadBitmap(218)->GetSize(), (fw::Size{63, 22}));
    ASSERT_TRUE(lib.LoadBitmap(212));
    EXPECT_EQ(lib.LoadBitmap(212)->GetSize(), (fw::Size{273, 160}));
    EXPECT_EQ(lib.LoadBitmap(212)->BitsPerPixel(), 24);
    ASSERT_TRUE(lib.LoadBitmap(1));
    EXPECT_EQ(lib.LoadBitmap(1)->GetSize(), (fw::Size{16, 15}));
}

TEST_F(ArtTest, SoundsAreShortSixteenBitChimes) {
    const auto check = [](const std::optional<std::vector<std::uint8_t>>& wav, int id) {
        ASSERT_TRUE(wav) << id;
        const auto& b = *wav;
        ASSERT_GE(b.size(), 44u) << id;
        auto u16 = [&](std::size_t at) { return unsigned(b[at]) | unsigned(b[at + 1]) << 8; };
        auto u32 = [&](std::size_t at) { return u16(at) | u16(at + 2) << 16; };
        EXPECT_EQ(std::string(b.begin(), b.begin() + 4), "RIFF");
        EXPECT_EQ(std::string(b.begin() + 8, b.begin() + 16), "WAVEfmt ");
        EXPECT_EQ(u16(20), 1u);   // PCM
        EXPECT_EQ(u16(34), 16u);  // bits per sample
        const double seconds = double(u32(40)) / double(u32(28));
        EXPECT_GT(seconds, 0.2) << id;
        EXPECT_LT(seconds, 2.0) << id;
        EXPECT_EQ(u32(40) + 44, b.size());
    };
    check(program_.ReadFile(fw::ResourceKind::Sound, 277), 277);
    check(Lib().ReadFile(fw::ResourceKind::Sound, 216), 216);
}

}  // namespace
