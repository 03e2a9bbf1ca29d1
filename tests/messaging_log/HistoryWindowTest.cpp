// The history window on the headless backend with the program's resources, reading a log in
// a temporary folder, as the chat window opens it.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "messaging/Emoticons.h"
#include "messaging/HistroyRecordDlg.h"
#include "messaging/log/MessageLog.h"
#include "platform/Backend.h"
#include "platform/Framework.h"
#include "platform/core/Text.h"
#include "platform/headless/Headless.h"
#include "session/Session.h"
#include "tests/core/TempDir.h"

namespace {

using H = CHistroyRecordDlg;

std::string G(const char* utf8) {
    return vq::Gbk(utf8);
}

// A chat text block as the chat window logs it.
std::string Block(const std::string& speaker, int n, const std::string& content) {
    return speaker + G("： ") + "2010-5-7  9" + G("：") + std::to_string(n) + G("：") + "0\r\n" +
           content + "\r\n\r\n";
}

class HistoryWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(dir_.path().empty());
        const char* src = std::getenv("VQ_SOURCE_DIR");
        ASSERT_NE(src, nullptr);
        ASSERT_TRUE(fw::InitWithBackend(fw::headless::CreateBackend(), std::string(src) + "/res"));
        SetMessageLogFolder(dir_.path());
        SetMessageLogClock([this] { return now_++; });
        Session().Reset();
        Session().SetVirid("5");
    }
    void TearDown() override {
        if (dlg_ != nullptr && fw::IsWindow(hwnd_))
            dlg_->Close();
        fw::Shutdown();
        SetMessageLogFolder(".");
        SetMessageLogClock(nullptr);
        Session().Reset();
    }

    H& Open(const std::string& contactId = "7", const std::string& name = G("李明")) {
        dlg_ = H::Open(contactId, name);
        EXPECT_NE(dlg_, nullptr);
        hwnd_ = dlg_->GetSafeHwnd();
        fw::PumpPending();
        return *dlg_;
    }
    void Click(fw::UINT id) {
        fw::input::Click(dlg_->GetDlgItemHandle(id));
        fw::PumpPending();
    }
    bool Enabled(fw::UINT id) const { return dlg_->GetDlgItem(id)->IsWindowEnabled(); }
    std::string ViewText() const { return ReadEmoticonText(dlg_->View()); }

    // Message i of the conversation between "5" and "7": odd ones sent, even ones received.
    static std::string Message(int i) {
        return i % 2 == 1 ? Block(G("我"), i, "m" + std::to_string(i))
                          : Block(G("李明"), i, "m" + std::to_string(i));
    }
    static std::string Messages(int newest, int oldest) {
        std::string texts;
        for (int i = newest; i >= oldest; --i)
            texts += Message(i);
        return texts;
    }

    vq::test::TempDir dir_;
    std::int64_t now_ = 1273223000;
    H* dlg_ = nullptr;
    fw::HWND hwnd_ = fw::kNoWindow;
};

TEST_F(HistoryWindowTest, SetUpAsTheTemplateAndTheViewAsked) {
    ASSERT_TRUE(AppendMessage(Message(1), "5", kLogDirectionSent, "7"));
    H& h = Open("7", G("李明"));
    EXPECT_TRUE(h.IsWindowVisible());
    EXPECT_EQ(h.ParentWindow(), nullptr);
    EXPECT_NE(h.GetExStyle() & fw::WS_EX_TOPMOST, 0u);
    EXPECT_EQ(h.GetStyle() & fw::WS_CAPTION, 0u);
    // 502 x 327 dialog units: x * 6 / 4 and y * 13 / 8.
    EXPECT_EQ(h.GetClientRect(), fw::Rect::FromXYWH(0, 0, 753, 531));
    const fw::Rect work = fw::GetWorkArea();
    const fw::Rect r = h.GetWindowRect();
    EXPECT_NEAR((r.left + r.right) / 2, (work.left + work.right) / 2, 1);
    EXPECT_NEAR((r.top + r.bottom) / 2, (work.top + work.bottom) / 2, 1);

    EXPECT_EQ(h.GetDlgItemText(H::kContactName), G("李明"));
    for (fw::UINT id : {H::kHiddenEdit, H::kUnused1, H::kUnused2})
        EXPECT_FALSE(h.GetDlgItem(id)->IsWindowVisible()) << id;
    for (fw::UINT id : {H::kMinimize, H::kCloseTop, H::kClose, H::kOlderPage, H::kNewerPage})
        EXPECT_TRUE(h.GetDlgItem(id)->IsWindowVisible()) << id;

    CRichEditCtrlEx& view = h.View();
    EXPECT_EQ(view.GetDlgCtrlID(), H::kView);
    EXPECT_EQ(view.GetRectInParent(), fw::Rect::FromXYWH(6, 88, 742, 382));
    EXPECT_EQ(view.GetStyle() & 0x52001144u, 0x52001144u);
    EXPECT_NE(view.GetEventMask() & fw::ENM_LINK, 0u);
    EXPECT_TRUE(view.GetAutoUrlDetect());
    EXPECT_NE(view.GetStyle() & fw::ES_READONLY, 0u);
    const fw::Font font = view.GetFont();
    EXPECT_EQ(font.face, G("宋体"));
    EXPECT_EQ(font.pixelHeight, 12);
    EXPECT_EQ(font.weight, 400);

    EXPECT_EQ(ViewText(), Message(1));
    EXPECT_EQ(h.PageOffset(), 10u);
    EXPECT_FALSE(Enabled(H::kOlderPage)) << "one message: nothing older";
    EXPECT_FALSE(Enabled(H::kNewerPage));
}

TEST_F(HistoryWindowTest, TwentyFiveMessagesPageByPage) {
    // Between them, the user talks to "75" and another user "6" to "7": neither shows.
    for (int i = 1; i <= 25; ++i) {
        if (i % 2 == 1)
            ASSERT_TRUE(AppendMessage(Message(i), "5", kLogDirectionSent, "7"));
        else
            ASSERT_TRUE(AppendMessage(Message(i), "7", kLogDirectionReceived, "5"));
        ASSERT_TRUE(AppendMessage(Block(G("我"), i, "to 75"), "5", kLogDirectionSent, "75"));
        ASSERT_TRUE(AppendMessage(Block("x", i, "user 6"), "6", kLogDirectionSent, "7"));
    }
    Open();
    EXPECT_EQ(ViewText(), Messages(25, 16)) << "the newest ten, newest first";
    EXPECT_TRUE(Enabled(H::kOlderPage));
    EXPECT_FALSE(Enabled(H::kNewerPage));

    Click(H::kOlderPage);
    EXPECT_EQ(ViewText(), Messages(25, 6)) << "the next ten appended";
    EXPECT_EQ(dlg_->PageOffset(), 20u);
    EXPECT_TRUE(Enabled(H::kNewerPage));

    Click(H::kOlderPage);
    EXPECT_EQ(ViewText(), Messages(25, 1));
    EXPECT_EQ(dlg_->PageOffset(), 30u);
    EXPECT_FALSE(Enabled(H::kOlderPage)) << "five were all that was left";

    Click(H::kNewerPage);
    EXPECT_EQ(ViewText(), Messages(25, 6)) << "the oldest page shown is taken off";
    EXPECT_EQ(dlg_->PageOffset(), 20u);
    EXPECT_TRUE(Enabled(H::kOlderPage));
    Click(H::kNewerPage);
    EXPECT_EQ(ViewText(), Messages(25, 16));
    EXPECT_FALSE(Enabled(H::kNewerPage));
    Click(H::kNewerPage);
    EXPECT_EQ(ViewText(), Messages(25, 16)) << "the first page stays";

    Click(H::kOlderPage);
    EXPECT_EQ(ViewText(), Messages(25, 6)) << "and the same page comes back, once";
}

TEST_F(HistoryWindowTest, EmoticonCodesShowAsPictures) {
    ASSERT_TRUE(AppendMessage(Block(G("我"), 1, "a/:)b"), "5", kLogDirectionSent, "7"));
    ASSERT_TRUE(AppendMessage(Block(G("李明"), 2, "//:D /:-Xyz"), "7", kLogDirectionReceived, "5"));
    H& h = Open();
    const CRichEditCtrlEx& view = h.View();
    ASSERT_EQ(view.GetObjectCount(), 3);
    std::vector<std::uint32_t> pictures;
    for (int k = 0; k < view.GetObjectCount(); ++k) {
        fw::RichObjectInfo info;
        ASSERT_TRUE(view.GetObjectInfo(k, info));
        pictures.push_back(info.user);
    }
    // Newest first: picture 13 and picture 7, then picture 14.
    EXPECT_EQ(pictures, (std::vector<std::uint32_t>{13, 7, 14}));
    EXPECT_EQ(ViewText(), Block(G("李明"), 2, "//:D /:-Xyz") + Block(G("我"), 1, "a/:)b"));
}

TEST_F(HistoryWindowTest, UnusableLogLeavesTheWindowEmptyAndTheFileAlone) {
    const std::string file = dir_.File("msgDBlog.dat");
    const std::string foreign(5000, 'k');
    vq::test::WriteBytes(file, foreign);
    H& h = Open();
    EXPECT_TRUE(h.IsWindowVisible());
    EXPECT_EQ(ViewText(), "");
    EXPECT_FALSE(Enabled(H::kOlderPage));
    h.ShowOlderPage();
    EXPECT_EQ(ViewText(), "");
    EXPECT_FALSE(Enabled(H::kOlderPage));
    EXPECT_EQ(vq::test::ReadBytes(file), foreign);
    EXPECT_TRUE(fw::headless::MessageBoxes().empty());
}

TEST_F(HistoryWindowTest, SkinnedDraggedMinimisedAndClosed) {
    H& h = Open();
    const fw::Bitmap picture = fw::RenderWindow(h.GetSafeHwnd());
    EXPECT_TRUE(h.HasWindowRgn()) << "the corners of background 250 are cut";
    EXPECT_FALSE(h.GetWindowRgn().Contains(fw::Point{0, 0}));
    EXPECT_TRUE(h.GetWindowRgn().Contains(fw::Point{300, 50}));
    EXPECT_NE(picture.GetPixel(300, 50), fw::RGB(240, 240, 240)) << "the bitmap, not the face";

    fw::input::Mouse(h.GetSafeHwnd(), fw::WM_LBUTTONDOWN, {300, 40}, fw::MK_LBUTTON);
    fw::PumpPending();
    EXPECT_EQ(fw::headless::SystemMoves(), std::vector<fw::HWND>{h.GetSafeHwnd()});

    Click(H::kMinimize);
    EXPECT_TRUE(h.IsIconic());
    h.ShowWindow(fw::SW_RESTORE);

    Click(H::kClose);
    EXPECT_FALSE(fw::IsWindow(hwnd_));

    for (fw::UINT id : {H::kCloseTop, static_cast<fw::UINT>(fw::IDCANCEL)}) {
        H& again = Open();
        if (id == fw::IDCANCEL)
            again.SendMessage(fw::WM_COMMAND, fw::IDCANCEL, 0);
        else
            Click(id);
        fw::PumpPending();
        EXPECT_FALSE(fw::IsWindow(hwnd_)) << id;
    }
    dlg_ = nullptr;
}

}  // namespace
