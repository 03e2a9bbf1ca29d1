// Desktop services: tray, sound, the browser and new processes, and other programs'
// windows where there is no X server.

#include <fstream>
#include <sstream>
#include <thread>

#include "platform/qt/QtBackend.h"
#include "platform/qt/WaveFile.h"
#include "platform/qt/X11Windows.h"
#include "tests/platform_qt/QtFixture.h"

namespace qttest {
namespace {

using QtServices = QtFixture;

std::vector<std::uint8_t> Wave(std::uint16_t bits, std::uint32_t dataBytes,
                               std::uint32_t claimedData) {
    std::vector<std::uint8_t> b;
    auto put = [&b](const char* s) {
        for (int i = 0; i < 4; ++i) {
            b.push_back(std::uint8_t(s[i]));
        }
    };
    auto u32 = [&b](std::uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            b.push_back(std::uint8_t(v >> (8 * i)));
        }
    };
    auto u16 = [&b](std::uint16_t v) {
        b.push_back(std::uint8_t(v));
        b.push_back(std::uint8_t(v >> 8));
    };
    put("RIFF");
    u32(36 + dataBytes);
    put("WAVE");
    put("LIST");  // a chunk of odd size, padded, before the format
    u32(3);
    put("abc");  // with its pad byte
    put("fmt ");
    u32(16);
    u16(1);
    u16(1);
    u32(8000);
    u32(8000 * bits / 8);
    u16(std::uint16_t(bits / 8));
    u16(bits);
    put("data");
    u32(claimedData);
    b.resize(b.size() + dataBytes, 0x80);
    return b;
}

std::string ReadAll(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

bool WaitForFile(const std::filesystem::path& p, int maxMs = 5000) {
    for (int i = 0; i < maxMs / 10; ++i) {
        if (std::filesystem::exists(p) && std::filesystem::file_size(p) > 0) {
            std::this_thread::sleep_for(
                std::chrono::milliseconds(20));  // the writer finishes its line
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

TEST(WaveFile, ChunksAreWalkedWithTheirSizesChecked) {
    const auto good = Wave(16, 100, 100);
    auto info = fw::qt::ParseWave(good);
    ASSERT_TRUE(info.has_value());
    EXPECT_EQ(info->channels, 1);
    EXPECT_EQ(info->sampleRate, 8000u);
    EXPECT_EQ(info->bitsPerSample, 16);
    EXPECT_EQ(info->dataSize, 100u);
    EXPECT_EQ(good[info->dataOffset], 0x80);
    EXPECT_EQ(info->dataOffset + info->dataSize, good.size());

    // A data size that was never patched is cut to what is there.
    info = fw::qt::ParseWave(Wave(8, 10, 0xFFFFFFF0u));
    ASSERT_TRUE(info.has_value());
    EXPECT_EQ(info->dataSize, 10u);

    EXPECT_FALSE(fw::qt::ParseWave(Wave(12, 10, 10)).has_value());  // no such sample size
    auto cut = good;
    cut.resize(40);  // inside the format chunk
    EXPECT_FALSE(fw::qt::ParseWave(cut).has_value());
    auto noRiff = good;
    noRiff[0] = 'X';
    EXPECT_FALSE(fw::qt::ParseWave(noRiff).has_value());
    auto hugeChunk = good;
    hugeChunk[16] = 0xFF;  // the LIST chunk claims more than the file
    hugeChunk[17] = 0xFF;
    hugeChunk[18] = 0xFF;
    hugeChunk[19] = 0x7F;
    EXPECT_FALSE(fw::qt::ParseWave(hugeChunk).has_value());
    EXPECT_FALSE(fw::qt::ParseWave({}).has_value());
}

TEST(X11Decode, TitlesAndWindowListsAreReadWithinTheirBytes) {
    const std::string utf8 = "外部窗口";
    std::vector<std::uint8_t> bytes(utf8.begin(), utf8.end());
    bytes.push_back(0);
    bytes.push_back('z');
    EXPECT_EQ(fw::qt::x11::DecodeTitle(true, bytes), G("外部窗口"));
    const std::vector<std::uint8_t> latin1{'c', 'a', 'f', 0xE9};
    EXPECT_EQ(fw::qt::x11::DecodeTitle(false, latin1), vq::Utf8ToGbk("caf\xC3\xA9"));

    std::vector<std::uint8_t> list(9, 0);
    const std::uint32_t a = 0x400001;
    std::memcpy(list.data() + 4, &a, 4);  // a zero id first, a stray byte at the end
    EXPECT_EQ(fw::qt::x11::DecodeWindowList(32, list), (std::vector<std::uint32_t>{a}));
    EXPECT_TRUE(fw::qt::x11::DecodeWindowList(8, list).empty());
}

TEST(QtPlatform, WaylandSessionsRunThroughXWaylandWhenThereIsOneElseNatively) {
    EXPECT_EQ(fw::qt::ForcedPlatform("wayland-0", nullptr, true), "xcb");
    EXPECT_EQ(fw::qt::ForcedPlatform("wayland-0", "", true), "xcb");
    EXPECT_EQ(fw::qt::ForcedPlatform("wayland-0", nullptr, false), "wayland");
    EXPECT_EQ(fw::qt::ForcedPlatform("wayland-0", "", false), "wayland");
    // An explicit choice stands.
    EXPECT_EQ(fw::qt::ForcedPlatform("wayland-0", "offscreen", true), "");
    EXPECT_EQ(fw::qt::ForcedPlatform("wayland-0", "xcb", false), "");
    // X alone, or nothing: Qt's default.
    EXPECT_EQ(fw::qt::ForcedPlatform(nullptr, nullptr, true), "");
    EXPECT_EQ(fw::qt::ForcedPlatform("", nullptr, true), "");
    EXPECT_EQ(fw::qt::ForcedPlatform(nullptr, nullptr, false), "");
}

TEST_F(QtServices, TrayIsRefusedWhereTheDesktopHasNone) {
    Recorder dlg(9001);
    ASSERT_TRUE(dlg.Create());
    ASSERT_FALSE(fw::GetBackend()->TrayAvailable());  // offscreen has no notification area
    fw::NotifyIconData data;
    data.hWnd = dlg.GetSafeHwnd();
    data.uID = 150;
    data.uFlags = fw::NIF_MESSAGE | fw::NIF_ICON | fw::NIF_TIP;
    data.uCallbackMessage = 1026;
    data.hIcon = 9301;
    EXPECT_FALSE(fw::Shell_NotifyIcon(fw::NIM_ADD, &data));
    EXPECT_FALSE(fw::Shell_NotifyIcon(fw::NIM_MODIFY, &data));
    EXPECT_FALSE(fw::Shell_NotifyIcon(fw::NIM_DELETE, &data));
}

TEST_F(QtServices, SoundsAreCheckedAndNeverFailForWantOfADevice) {
    fw::Backend* b = fw::GetBackend();
    EXPECT_TRUE(b->PlaySound(216, Wave(16, 800, 800)));
    EXPECT_TRUE(b->PlaySound(216, Wave(16, 800, 800)));  // again, from the same resource
    EXPECT_FALSE(b->PlaySound(217, std::vector<std::uint8_t>(64, 0x41)));
    EXPECT_FALSE(b->PlaySound(218, {}));
    EXPECT_FALSE(fw::PlaySound(4242, fw::SND_ASYNC | fw::SND_RESOURCE));  // no such resource
}

TEST_F(QtServices, AddressesGoToTheDesktopOpenerAndProgramsStartDetached) {
    const auto bin = dir_ / "bin";
    std::filesystem::create_directories(bin);
    const auto out = dir_ / "opened.txt";
    {
        std::ofstream script(bin / "xdg-open");
        script << "#!/bin/sh\nprintf '%s' \"$1\" > '" << out.string() << "'\n";
    }
    std::filesystem::permissions(bin / "xdg-open", std::filesystem::perms::owner_all);
    const std::string oldPath = std::getenv("PATH") != nullptr ? std::getenv("PATH") : "";
    setenv("PATH", (bin.string() + ":" + oldPath).c_str(), 1);

    EXPECT_FALSE(fw::OpenUrl("-e"));  // never an option for the opener
    EXPECT_FALSE(fw::OpenUrl("   "));
    ASSERT_TRUE(fw::OpenUrl(G("http://例子.cn/news?id=42&k=v")));
    ASSERT_TRUE(WaitForFile(out));
    EXPECT_EQ(ReadAll(out), "http://例子.cn/news?id=42&k=v");

    const auto started = dir_ / "started.txt";
    ASSERT_TRUE(fw::GetBackend()->StartProcess(
        "/bin/sh", {"-c", "printf '%s' \"$1\" > '" + started.string() + "'", "sh", G("参数")}));
    ASSERT_TRUE(WaitForFile(started));
    EXPECT_EQ(ReadAll(started), "参数");
    EXPECT_FALSE(fw::GetBackend()->StartProcess((dir_ / "no-such-program").string(), {}));
    setenv("PATH", oldPath.c_str(), 1);
}

TEST_F(QtServices, OtherProgramsWindowsNeedAnXServer) {
    EXPECT_TRUE(fw::GetBackend()->ForeignTopLevelWindows().empty());
    EXPECT_FALSE(fw::GetBackend()->BringForeignToForeground(0x400001));
    Recorder dlg(9001);
    ASSERT_TRUE(dlg.Create());
    dlg.ShowWindow(fw::SW_SHOW);
    const auto all = fw::EnumTopLevelWindows();
    ASSERT_EQ(all.size(), 1u);
    EXPECT_TRUE(all[0].own);
    EXPECT_EQ(all[0].title, G("测试"));
}

}  // namespace
}  // namespace qttest
