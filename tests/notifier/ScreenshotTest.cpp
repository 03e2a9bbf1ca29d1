// Pop-ups drawn by the Qt backend (offscreen when there is no display), saved
// as pictures: a timed pop-up, and the persistent window with three messages.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "notifier/MsgWnd.h"
#include "notifier/PallinoteApp.h"
#include "notifier/PallinoteCtrl.h"
#include "notifier/PopupRegistry.h"
#include "platform/Backend.h"
#include "platform/Framework.h"
#include "platform/Resources.h"
#include "platform/core/Text.h"
#include "platform/qt/QtRegister.h"

namespace {

bool PumpUntil(const std::function<bool()>& pred) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!pred()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        if (!fw::PumpPending())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

std::string OutDir() {
    const char* dir = std::getenv("VQ_SCREENSHOT_DIR");
    return dir != nullptr && *dir != '\0' ? dir : ".";
}

TEST(PopupScreenshots, TimedAndPersistentWindowsUnderQt) {
    if (std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    auto backend = fw::qt::CreateBackend();
    ASSERT_NE(backend, nullptr);
    ASSERT_TRUE(fw::InitWithBackend(std::move(backend), VQ_TEST_RES_DIR));
    ASSERT_NE(fw::Resources::Global().Module("Pallinote").LoadBitmap(IDB_POPUP_BACK), nullptr);

    CComPtr<IDispatch> disp;
    ASSERT_EQ(CPallinoteCtrl::CreateInstance(nullptr, IID_IDispatch, disp.PutVoid()), S_OK);
    auto* ctrl = static_cast<CPallinoteCtrl*>(disp.Get());
    ThePallinoteApp().ResetMessageCounter();

    ctrl->ShowMessage(u"最新", u"研究所晨报：今日市场综述 [42|查看全文] 请及时阅读", u"http://x/42",
                      u"30", u"1", u"0", 0x00402000, u"", u"", u"");
    CMsgWnd* timed = ThePallinoteApp().Popups()->Find(1001);
    ASSERT_NE(timed, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return timed->ShownHeight() > 170; }));
    fw::Bitmap shot = fw::RenderWindow(timed->GetSafeHwnd());
    EXPECT_EQ(shot.Width(), 285);
    EXPECT_EQ(shot.Height(), 170);
    EXPECT_TRUE(shot.SavePng(OutDir() + "/pallinote-timed.png"));

    ctrl->ShowMessage(u"新消息", u"[1|张经理] 回复了您的留言", u"", u"0", u"0", u"0", 0x00000000,
                      u"", u"", u"");
    ctrl->ShowMessage(u"新消息", u"行业研究 [7|新能源周报] 已更新", u"", u"0", u"0", u"0",
                      0x00800000, u"", u"", u"");
    ctrl->ShowMessage(u"公告", u"系统将于今晚升级，[8|详情]", u"", u"0", u"0", u"0", 0x000000C0,
                      u"", u"", u"");
    CMsgWnd* persistent = ctrl->PersistentWindow();
    ASSERT_NE(persistent, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return persistent->ShownHeight() > 170; }));
    std::vector<fw::TextRecord> texts;
    shot = fw::RenderWindow(persistent->GetSafeHwnd(), texts);
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(vq::GbkToUtf16(texts[0].text), u"公告 ( 3 )");
    EXPECT_TRUE(shot.SavePng(OutDir() + "/pallinote-persistent.png"));

    disp.Reset();
    fw::Shutdown();
}

// Thai and an emoji have no GBK form: drawn from UTF-16 they must not come out
// as the question marks a GBK detour would leave.
TEST(PopupScreenshots, TextsOutsideGbkAreDrawnNotReplaced) {
    if (std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    auto backend = fw::qt::CreateBackend();
    ASSERT_NE(backend, nullptr);
    ASSERT_TRUE(fw::InitWithBackend(std::move(backend), VQ_TEST_RES_DIR));
    CComPtr<IDispatch> disp;
    ASSERT_EQ(CPallinoteCtrl::CreateInstance(nullptr, IID_IDispatch, disp.PutVoid()), S_OK);
    auto* ctrl = static_cast<CPallinoteCtrl*>(disp.Get());
    ThePallinoteApp().ResetMessageCounter();

    const std::u16string thai = u"\u0E01\u0E02\u0E04";
    ctrl->ShowMessage(thai, thai + u" \U0001F600", u"", u"30", u"0", u"0", 0, u"", u"", u"");
    ctrl->ShowMessage(u"???", u"??? ??", u"", u"30", u"0", u"0", 0, u"", u"", u"");
    CMsgWnd* real = ThePallinoteApp().Popups()->Find(1001);
    CMsgWnd* marks = ThePallinoteApp().Popups()->Find(1002);
    ASSERT_NE(real, nullptr);
    ASSERT_NE(marks, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return real->ShownHeight() > 170 && marks->ShownHeight() > 170; }));
    std::vector<fw::TextRecord> texts;
    const fw::Bitmap a = fw::RenderWindow(real->GetSafeHwnd(), texts);
    ASSERT_GE(texts.size(), 2u);
    EXPECT_EQ(texts[0].wide, thai);
    const fw::Bitmap b = fw::RenderWindow(marks->GetSafeHwnd());
    EXPECT_TRUE(a.SavePng(OutDir() + "/pallinote-thai.png"));
    // The pop-ups differ only in their texts: in the title area and in the message area.
    const auto differs = [&](const fw::Rect& r) {
        for (int y = r.top; y < r.bottom; ++y) {
            for (int x = r.left; x < r.right; ++x) {
                if (a.GetPixel(x, y) != b.GetPixel(x, y))
                    return true;
            }
        }
        return false;
    };
    EXPECT_TRUE(differs({45, 3, 265, 39}));
    EXPECT_TRUE(differs(fw::Rect{texts[1].rect.left, texts[1].rect.top, texts[1].rect.right,
                                 texts[1].rect.bottom}));
    disp.Reset();
    fw::Shutdown();
}

}  // namespace
