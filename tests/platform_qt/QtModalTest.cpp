// Message boxes and menus as Qt shows them, answered as a user would, and the loop
// contract: the core's queue and timers keep running inside them, Wake ends a wait.

#include <QCoreApplication>
#include <QPointer>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <thread>

#include "platform/Menu.h"
#include "tests/platform_qt/QtFixture.h"

namespace qttest {
namespace {

using QtModal = QtFixture;
using Clock = std::chrono::steady_clock;

TEST_F(QtModal, MessageBoxesShowTextIconAndButtons) {
    ScriptMessageBoxes({fw::IDYES, 0, 0, fw::IDOK});
    EXPECT_EQ(fw::MessageBox(fw::kNoWindow, G("你确定要重新登录吗？"), G("确认信息："),
                             fw::MB_YESNO | fw::MB_ICONQUESTION),
              fw::IDYES);
    // Closed with Escape: no for a yes/no box, cancel for an OK/cancel box.
    EXPECT_EQ(fw::MessageBox(fw::kNoWindow, "a", "b", fw::MB_YESNO), fw::IDNO);
    EXPECT_EQ(fw::MessageBox(fw::kNoWindow, "a", "b", fw::MB_OKCANCEL | fw::MB_ICONERROR),
              fw::IDCANCEL);
    EXPECT_EQ(fw::MessageBox(fw::kNoWindow, G("第一行\r\n第二行"), G("提示"),
                             fw::MB_OK | fw::MB_ICONEXCLAMATION),
              fw::IDOK);
    const std::vector<BoxRecord> boxes = MessageBoxesSeen();
    ASSERT_EQ(boxes.size(), 4u);
    EXPECT_EQ(boxes[0].text, G("你确定要重新登录吗？"));
    EXPECT_EQ(boxes[0].caption, G("确认信息："));
    EXPECT_EQ(boxes[0].flags, fw::MB_YESNO | fw::MB_ICONQUESTION);
    EXPECT_EQ(boxes[1].flags, fw::MB_YESNO);
    EXPECT_EQ(boxes[2].flags, fw::MB_OKCANCEL | fw::MB_ICONERROR);
    EXPECT_EQ(boxes[3].flags, fw::MB_OK | fw::MB_ICONEXCLAMATION);
    EXPECT_EQ(boxes[3].text, G("第一行\n第二行"));
}

TEST_F(QtModal, TimersAndSendsRunWhileABoxIsOpen) {
    Recorder dlg(9001);
    ASSERT_TRUE(dlg.Create());
    dlg.SetTimer(1, 20);
    std::atomic<bool> sent{false};
    const auto giveUp = Clock::now() + std::chrono::seconds(5);
    // The box stays open until the timer ticked and a worker's send came through.
    HoldMessageBoxesUntil(
        [&] { return (dlg.timers.size() >= 3 && sent) || Clock::now() > giveUp; });
    std::thread worker([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        fw::SendMessage(dlg.GetSafeHwnd(), fw::WM_USER + 7, 0, 0);
        sent = true;
    });
    fw::MessageBox(dlg.GetSafeHwnd(), G("提示"), G("提示"), fw::MB_OK);
    worker.join();
    EXPECT_TRUE(sent);
    EXPECT_GE(dlg.timers.size(), 3u);
    ASSERT_EQ(dlg.user.size(), 1u);
    EXPECT_EQ(dlg.user[0], fw::WM_USER + 7);
    EXPECT_LT(Clock::now(), giveUp);
}

TEST_F(QtModal, MenusShowTheirItemsWithTheDefaultInBold) {
    Recorder dlg(9001);
    ASSERT_TRUE(dlg.Create());
    fw::Menu menu;
    ASSERT_TRUE(menu.LoadMenu(9100));
    fw::Menu* sub = menu.GetSubMenu(0);
    ASSERT_NE(sub, nullptr);
    ScriptMenus({32002, 32001, 0});
    EXPECT_EQ(sub->TrackPopupMenu(fw::TPM_RETURNCMD, 50, 60, &dlg), 32002u);
    sub->SetDefaultItem(0, true);
    EXPECT_NE(sub->TrackPopupMenu(fw::TPM_LEFTBUTTON, 50, 60, &dlg), 0u);
    ASSERT_TRUE(PumpUntil([&] { return dlg.Count(32001, 0) == 1; }));
    EXPECT_EQ(sub->TrackPopupMenu(fw::TPM_RETURNCMD, 50, 60, &dlg), 0u);

    const std::vector<MenuRecord> menus = MenusSeen();
    ASSERT_EQ(menus.size(), 3u);
    EXPECT_EQ(menus[0].texts, (std::vector<std::string>{G("第一"), G("第二")}));
    EXPECT_EQ(menus[0].bold, (std::vector<std::string>{G("第二")}));
    EXPECT_EQ(menus[1].bold, (std::vector<std::string>{G("第一")}));
    EXPECT_EQ(menus[2].chosen, 0u);
}

TEST_F(QtModal, WakeEndsAWaitAndWaitsAreBounded) {
    fw::Backend* b = fw::GetBackend();
    PauseDriver(true);  // its polling timer would end every wait
    for (int i = 0; i < 20; ++i) {
        b->ProcessEvents(0);
    }
    // A wait with a limit returns by then.
    auto start = Clock::now();
    b->ProcessEvents(60);
    auto took = Clock::now() - start;
    EXPECT_GE(took, std::chrono::milliseconds(50));
    EXPECT_LT(took, std::chrono::seconds(3));

    // An unbounded wait returns when another thread wakes it. A timer far away is the
    // safety net should Wake be lost.
    QTimer net;
    net.setSingleShot(true);
    net.start(4000);
    b->ProcessEvents(0);
    std::thread waker([b] {
        std::this_thread::sleep_for(std::chrono::milliseconds(40));
        b->Wake();
    });
    start = Clock::now();
    b->ProcessEvents(-1);
    took = Clock::now() - start;
    waker.join();
    PauseDriver(false);
    EXPECT_LT(took, std::chrono::seconds(2));
}

TEST_F(QtModal, QtsDeferredDeletionsHappenInTheCoreLoop) {
    QPointer<QObject> later = new QObject();
    later->deleteLater();
    fw::PumpPending();
    EXPECT_TRUE(later.isNull());
}

}  // namespace
}  // namespace qttest
