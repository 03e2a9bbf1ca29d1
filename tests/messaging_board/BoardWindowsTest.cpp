// The board's windows on the headless backend with the real thread page: the compose window,
// the message dialog with its frame and closed state, and the thread page's reply box, paging
// and document.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "messaging/BoardWindows.h"
#include "messaging/LeavewordDlg.h"
#include "messaging/LeavewordcontentHtmlDlg.h"
#include "messaging/SeachStockChildDlg.h"
#include "platform/Backend.h"
#include "platform/Framework.h"
#include "platform/Resources.h"
#include "platform/core/Text.h"
#include "protocol/SockThread.h"
#include "session/Session.h"
#include "session/WindowMessages.h"
#include "tests/portal_home/ReplyBuilder.h"
#include "tests/web/WebTestSupport.h"

using fw::web::HeadlessWebView;
using portaltest::G;
using portaltest::Reply;
using webtest::Settle;

namespace {

constexpr const char* kPrefix = "tc_service=300&TC_MFUNCNO=600&TC_SFUNCNO=";

class BoardWindowsTest : public ::testing::Test {
protected:
    void SetUp() override {
        webtest::EnsureFramework();
        ASSERT_TRUE(std::filesystem::exists(webtest::SourceDir() + "/htmlPath/message.html"))
            << "VQ_SOURCE_DIR names the source tree";
        RequestQueue::Global().Clear();
        fw::headless::ClearRecords();
        Session().Reset();
        Session().SetSessionKey("s1");
        Session().SetVirid("7");
        Session().SetOrgId("3");
        board_ = std::make_unique<CBoardWindows>();
        board_->SetProgramDir(webtest::SourceDir());
    }
    void TearDown() override {
        board_.reset();
        Settle();
        RequestQueue::Global().Clear();
        Session().Reset();
    }
    std::vector<std::string> Queued() const {
        std::vector<std::string> texts;
        for (const ServiceRequest& r : RequestQueue::Global().Snapshot()) {
            EXPECT_EQ(r.kind, kRequestServiceCall);
            EXPECT_EQ(r.session, "s1");
            texts.push_back(r.text);
        }
        return texts;
    }
    static void Click(fw::Window& dlg, fw::UINT id) {
        ASSERT_NE(dlg.GetDlgItem(id), nullptr) << id;
        fw::input::Click(dlg.GetDlgItemHandle(id));
        Settle();
    }
    static bool Centred(const fw::Rect& r) {
        const fw::Rect work = fw::GetWorkArea();
        return std::abs((r.left - work.left) - (work.right - r.right)) <= 1 &&
               std::abs((r.top - work.top) - (work.bottom - r.bottom)) <= 1;
    }
    // Opens the message dialog for `id` and shows `rows` thread rows in it.
    CLeavewordcontentHtmlDlg* ShowThread(const std::string& id, int rows) {
        board_->OpenBoardMessage(id);
        Settle();
        CLeavewordcontentHtmlDlg* page = board_->MessageDialog()->ContentPage();
        std::vector<std::vector<std::string>> data;
        for (int i = 0; i < rows; ++i) {
            data.push_back({"2026-12-08 09:30:15.000000000", G("徐丽"), "r" + std::to_string(i)});
        }
        RecordSetList sets =
            Reply({{"looklinyan", {"insertdate", "usr_vuser_truen", "message_meno"}, data}});
        EXPECT_EQ(board_->OnBoardMessageReply(sets), 0);
        EXPECT_TRUE(sets.empty()) << "the page takes the record sets";
        Settle();
        return page;
    }
    static HeadlessWebView* View(CLeavewordcontentHtmlDlg* page) {
        return HeadlessWebView::From(page->View());
    }
    static std::vector<HeadlessWebView::CallRecord> CallsOf(HeadlessWebView* view,
                                                            const std::string& fn) {
        std::vector<HeadlessWebView::CallRecord> out;
        for (const auto& c : view->Calls()) {
            if (c.function == fn) {
                out.push_back(c);
            }
        }
        return out;
    }

    std::unique_ptr<CBoardWindows> board_;
};

// ---- Compose window ----

TEST_F(BoardWindowsTest, ComposeWindowIsMadeOnceOnTheDesktopAndShownAgain) {
    board_->OpenLeaveword();
    CLeavewordDlg* dlg = board_->Leaveword();
    ASSERT_NE(dlg, nullptr);
    EXPECT_TRUE(dlg->IsWindowVisible());
    EXPECT_EQ(dlg->GetParentHwnd(), fw::kNoWindow);
    EXPECT_EQ(dlg->GetOwnerHwnd(), fw::kNoWindow);
    const fw::Rect r = dlg->GetWindowRect();
    EXPECT_EQ(r.Width(), 519);
    EXPECT_EQ(r.Height(), 408);
    EXPECT_TRUE(Centred(r));

    // Closing hides it with what was typed; the next use shows the same window.
    dlg->SetDlgItemText(CLeavewordDlg::kTitleEdit, G("草稿"));
    Click(*dlg, CLeavewordDlg::kClose);
    EXPECT_FALSE(dlg->IsWindowVisible());
    board_->OpenLeaveword();
    EXPECT_EQ(board_->Leaveword(), dlg);
    EXPECT_TRUE(dlg->IsWindowVisible());
    EXPECT_EQ(dlg->GetDlgItemText(CLeavewordDlg::kTitleEdit), G("草稿"));
    // The desktop's close button hides it too.
    fw::input::Close(dlg->GetSafeHwnd());
    Settle();
    EXPECT_TRUE(dlg->IsWindow());
    EXPECT_FALSE(dlg->IsWindowVisible());
    board_->OpenLeaveword();
    Click(*dlg, CLeavewordDlg::kMinimize);
    EXPECT_TRUE(dlg->IsIconic());
}

TEST_F(BoardWindowsTest, TitleTakes84CharactersAndContent1000) {
    board_->OpenLeaveword();
    CLeavewordDlg* dlg = board_->Leaveword();
    std::string title85, content1001;
    for (int i = 0; i < 85; ++i) {
        title85 += G("标");
    }
    for (int i = 0; i < 1001; ++i) {
        content1001 += (i % 2) ? "a" : G("文");
    }
    EXPECT_EQ(fw::input::Type(dlg->GetDlgItemHandle(CLeavewordDlg::kTitleEdit), title85), 84);
    EXPECT_EQ(dlg->GetDlgItemText(CLeavewordDlg::kTitleEdit), title85.substr(0, 84 * 2));
    // Once full, one more character is refused.
    EXPECT_EQ(fw::input::Type(dlg->GetDlgItemHandle(CLeavewordDlg::kTitleEdit), "x"), 0);
    EXPECT_EQ(fw::input::Type(dlg->GetDlgItemHandle(CLeavewordDlg::kContentEdit), content1001),
              1000);
    const std::string content = dlg->GetDlgItemText(CLeavewordDlg::kContentEdit);
    EXPECT_EQ(content, content1001.substr(0, 500 * 3));
}

TEST_F(BoardWindowsTest, EmptyFieldSaysSoAndSendsNothing) {
    board_->OpenLeaveword();
    CLeavewordDlg* dlg = board_->Leaveword();
    const struct {
        const char* title;
        const char* content;
    } cases[] = {{"", ""}, {"", "内容"}, {"标题", ""}, {"  ", "内容"}, {"标题", "　\r\n"}};
    for (const auto& c : cases) {
        fw::headless::ClearRecords();
        dlg->SetDlgItemText(CLeavewordDlg::kTitleEdit, G(c.title));
        dlg->SetDlgItemText(CLeavewordDlg::kContentEdit, G(c.content));
        Click(*dlg, CLeavewordDlg::kPost);
        const auto boxes = fw::headless::MessageBoxes();
        ASSERT_EQ(boxes.size(), 1u) << c.title << "/" << c.content;
        EXPECT_EQ(boxes[0].text, G("请将资料填完整后再发表！"));
        EXPECT_EQ(boxes[0].caption, G("提示"));
        EXPECT_EQ(boxes[0].flags & 0xF0u, fw::MB_ICONEXCLAMATION);
        EXPECT_TRUE(Queued().empty());
        // Nothing typed is thrown away.
        EXPECT_EQ(dlg->GetDlgItemText(CLeavewordDlg::kTitleEdit), G(c.title));
        EXPECT_EQ(dlg->GetDlgItemText(CLeavewordDlg::kContentEdit), G(c.content));
    }
}

TEST_F(BoardWindowsTest, PostQueuesTheMessageWithTypedTextEscapedAndClearsBothFields) {
    board_->OpenLeaveword();
    CLeavewordDlg* dlg = board_->Leaveword();
    dlg->SetDlgItemText(CLeavewordDlg::kTitleEdit, G("融资&融券"));
    dlg->SetDlgItemText(CLeavewordDlg::kContentEdit, G("第一行\r\n利率=5%+浮动&virid=1"));
    Click(*dlg, CLeavewordDlg::kPost);
    EXPECT_TRUE(fw::headless::MessageBoxes().empty());
    EXPECT_EQ(Queued(), std::vector<std::string>{std::string(kPrefix) + "45&partenid=-1&virid=7" +
                                                 G("&meno=第一行\r\n利率%3D5%25%2B浮动%26virid%3D1"
                                                   "&title=融资%26融券&orgid=3")});
    EXPECT_EQ(dlg->GetDlgItemText(CLeavewordDlg::kTitleEdit), "");
    EXPECT_EQ(dlg->GetDlgItemText(CLeavewordDlg::kContentEdit), "");
    EXPECT_TRUE(dlg->IsWindowVisible()) << "the window stays open for the next message";
}

TEST_F(BoardWindowsTest, ComposeBackgroundAndDrag) {
    board_->OpenLeaveword();
    CLeavewordDlg* dlg = board_->Leaveword();
    const fw::Bitmap shot = fw::RenderWindow(dlg->GetSafeHwnd());
    const auto art = fw::Resources::Global().LoadBitmap(281);
    ASSERT_TRUE(art);
    for (const fw::Point p : {fw::Point{3, 3}, fw::Point{40, 380}, fw::Point{300, 30}}) {
        EXPECT_EQ(shot.GetPixel(p.x, p.y), art->GetPixel(p.x, p.y)) << p.x << "," << p.y;
    }
    fw::input::Mouse(dlg->GetSafeHwnd(), fw::WM_LBUTTONDOWN, {30, 380}, fw::MK_LBUTTON);
    Settle();
    const auto moves = fw::headless::SystemMoves();
    EXPECT_NE(std::find(moves.begin(), moves.end(), dlg->GetSafeHwnd()), moves.end());
}

// ---- Message dialog ----

TEST_F(BoardWindowsTest, MessageDialogIsATopmostFrameAroundTheThreadPage) {
    board_->OpenBoardMessage("12");
    CSeachStockChildDlg* dlg = board_->MessageDialog();
    ASSERT_NE(dlg, nullptr);
    EXPECT_TRUE(dlg->IsWindowVisible());
    EXPECT_EQ(dlg->GetOwnerHwnd(), fw::kNoWindow);
    EXPECT_TRUE(dlg->GetExStyle() & fw::WS_EX_TOPMOST);
    const fw::Rect r = dlg->GetWindowRect();
    EXPECT_EQ(r.Width(), 1005);
    EXPECT_EQ(r.Height(), 728);
    EXPECT_TRUE(Centred(r));
    CLeavewordcontentHtmlDlg* page = dlg->ContentPage();
    ASSERT_NE(page, nullptr);
    EXPECT_TRUE(page->IsWindowVisible());
    EXPECT_EQ(page->GetRectInParent(), (fw::Rect{0, 48, 1005, 711}));
    EXPECT_EQ(page->ThreadId(), "12");
    const int xs[] = {930, 950, 970};
    const fw::UINT ids[] = {1096, 1097, 1098};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(dlg->GetDlgItem(ids[i])->GetRectInParent().left, xs[i]) << ids[i];
    }
    EXPECT_TRUE(dlg->GetDlgItem(1096)->IsWindowEnabled());
    EXPECT_FALSE(dlg->GetDlgItem(1097)->IsWindowEnabled());
    EXPECT_TRUE(dlg->GetDlgItem(1098)->IsWindowEnabled());
    auto* title = static_cast<fw::Static*>(dlg->GetDlgItem(1099));
    EXPECT_TRUE(title->IsWindowVisible());
    EXPECT_EQ(title->GetRectInParent(), (fw::Rect{480, 0, 600, 46}));
    EXPECT_EQ(title->GetBitmapId(), 249u);

    // A second link while it is open keeps the dialog and changes the thread.
    board_->OpenBoardMessage("13");
    EXPECT_EQ(board_->MessageDialog(), dlg);
    EXPECT_EQ(page->ThreadId(), "13");
    Click(*dlg, 1096);
    EXPECT_TRUE(dlg->IsIconic());
    Click(*dlg, 1097);
    EXPECT_TRUE(dlg->IsWindow());
    EXPECT_FALSE(board_->MessageDialogClosed());
}

TEST_F(BoardWindowsTest, FrameIsTheSixPiecesWithTheCornersCut) {
    board_->OpenBoardMessage("12");
    CSeachStockChildDlg* dlg = board_->MessageDialog();
    const fw::Bitmap shot = fw::RenderWindow(dlg->GetSafeHwnd());
    auto art = [](fw::UINT id) { return fw::Resources::Global().LoadBitmap(id); };
    const auto tl = art(231), top = art(232), tr = art(233);
    const auto bl = art(229), bottom = art(234), br = art(230);
    ASSERT_TRUE(tl && top && tr && bl && bottom && br);
    const int w = 1005, h = 728;
    // Corners at their own size.
    EXPECT_EQ(shot.GetPixel(20, 30), tl->GetPixel(20, 30));
    EXPECT_EQ(shot.GetPixel(w - tr->Width() + 20, 5), tr->GetPixel(20, 5));
    EXPECT_EQ(shot.GetPixel(20, h - bl->Height() + 8), bl->GetPixel(20, 8));
    EXPECT_EQ(shot.GetPixel(w - br->Width() + 40, h - 3), br->GetPixel(40, br->Height() - 3));
    // The edges stretched between them: every column of the middle shows the piece's rows.
    for (int x : {tl->Width() + 1, 700, w - tr->Width() - 1}) {
        EXPECT_EQ(shot.GetPixel(x, 40), top->GetPixel(0, 40)) << x;
        EXPECT_EQ(shot.GetPixel(x, h - 5), bottom->GetPixel(0, bottom->Height() - 5)) << x;
    }
    // Magenta corner pixels are not part of the window.
    ASSERT_EQ(tl->GetPixel(0, 0), fw::RGB(255, 0, 255));
    ASSERT_TRUE(dlg->HasWindowRgn());
    const fw::Region shape = dlg->GetWindowRgn();
    EXPECT_FALSE(shape.Contains({0, 0}));
    EXPECT_FALSE(shape.Contains({w - 1, 0}));
    EXPECT_TRUE(shape.Contains({500, 300}));
    fw::input::Mouse(dlg->GetSafeHwnd(), fw::WM_LBUTTONDOWN, {300, 20}, fw::MK_LBUTTON);
    Settle();
    const auto moves = fw::headless::SystemMoves();
    EXPECT_NE(std::find(moves.begin(), moves.end(), dlg->GetSafeHwnd()), moves.end());
}

TEST_F(BoardWindowsTest, OnceClosedEveryThreadLinkMakesANewDialog) {
    CLeavewordcontentHtmlDlg* first = ShowThread("12", 2);
    ASSERT_FALSE(first->BoardDocument().empty());
    CSeachStockChildDlg* dlg = board_->MessageDialog();
    const fw::HWND oldWindow = dlg->GetSafeHwnd();
    Click(*dlg, CSeachStockChildDlg::kClose);
    EXPECT_TRUE(board_->MessageDialogClosed());
    EXPECT_TRUE(fw::IsWindow(oldWindow)) << "closing only hides it";
    EXPECT_FALSE(dlg->IsWindowVisible());

    board_->OpenBoardMessage("14");
    EXPECT_FALSE(fw::IsWindow(oldWindow));
    CSeachStockChildDlg* second = board_->MessageDialog();
    ASSERT_NE(second, nullptr);
    EXPECT_TRUE(second->IsWindowVisible());
    EXPECT_TRUE(second->ContentPage()->BoardDocument().empty()) << "a new page, not the old one";
    EXPECT_EQ(second->ContentPage()->ThreadId(), "14");

    // The state stays: even an open dialog is replaced by the next link.
    const fw::HWND secondWindow = second->GetSafeHwnd();
    board_->OpenBoardMessage("15");
    EXPECT_FALSE(fw::IsWindow(secondWindow));
    EXPECT_EQ(board_->MessageDialog()->ContentPage()->ThreadId(), "15");
    EXPECT_TRUE(board_->MessageDialogClosed());
}

TEST_F(BoardWindowsTest, TheDesktopsCloseAndThePagesButtonsCloseTheDialogToo) {
    board_->OpenBoardMessage("12");
    fw::input::Close(board_->MessageDialog()->GetSafeHwnd());
    Settle();
    EXPECT_TRUE(board_->MessageDialogClosed());
    EXPECT_FALSE(board_->MessageDialog()->IsWindowVisible());

    for (const char* button : {"ButtonOK", "ButtonCancel"}) {
        CBoardWindows board;
        board.SetProgramDir(webtest::SourceDir());
        board.OpenBoardMessage("12");
        Settle();
        CLeavewordcontentHtmlDlg* page = board.MessageDialog()->ContentPage();
        RecordSetList sets = Reply({{"looklinyan", {"insertdate"}, {{"x"}}}});
        board.OnBoardMessageReply(sets);
        Settle();
        ASSERT_TRUE(View(page)->Click(button)) << button;
        Settle();
        EXPECT_FALSE(page->IsWindowVisible()) << button;
        EXPECT_FALSE(board.MessageDialog()->IsWindowVisible()) << button;
        EXPECT_TRUE(board.MessageDialogClosed()) << button;
    }
}

// ---- Thread page ----

TEST_F(BoardWindowsTest, ThreadOf16RowsIsAnnouncedAs10OnceThePageHasLoaded) {
    CLeavewordcontentHtmlDlg* page = ShowThread("12", 16);
    HeadlessWebView* view = View(page);
    EXPECT_NE(view->Url().find("/htmlPath/message.html"), std::string::npos) << view->Url();
    const auto calls = CallsOf(view, "OutputHtml");
    ASSERT_EQ(calls.size(), 1u);
    ASSERT_EQ(calls[0].args.size(), 1u);
    EXPECT_EQ(calls[0].args[0].rfind("{\"total\":\"10\",\"sites\":[{\"time\":\"2026-12-08 09:30\","
                                     "\"name\":\"徐丽\",\"content\":\"r0\"},",
                                     0),
              0u)
        << calls[0].args[0];
    EXPECT_EQ(vq::Gbk(calls[0].args[0]), page->BoardDocument());

    // A later reply replaces the thread.
    RecordSetList other = Reply({{"getliuyans", {"insertdate"}, {{"x"}}}});
    page->SendMessage(WindowMsg::kBoardThread, 0, reinterpret_cast<fw::LPARAM>(&other));
    Settle();
    EXPECT_EQ(CallsOf(view, "OutputHtml").back().args.at(0), "{\"total\":\"\",\"sites\":[]}");
}

TEST_F(BoardWindowsTest, EmptyReplyIsQuestFailedAndChangesNothing) {
    CLeavewordcontentHtmlDlg* page = ShowThread("12", 3);
    const std::string before = page->BoardDocument();
    View(page)->ClearRecords();
    fw::headless::ClearRecords();
    RecordSetList none;
    EXPECT_EQ(page->SendMessage(WindowMsg::kBoardThread, 0, reinterpret_cast<fw::LPARAM>(&none)),
              -1);
    Settle();
    const auto boxes = fw::headless::MessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "QUEST FAILED!");
    EXPECT_EQ(page->BoardDocument(), before);
    EXPECT_EQ(View(page)->NavigationsStarted(), 0u);
}

TEST_F(BoardWindowsTest, NoThreadNoCallAndNoDialogNoPage) {
    // Before any reply the page shown is the dialog's own; nothing is handed to it.
    board_->OpenBoardMessage("12");
    Settle();
    HeadlessWebView* view = View(board_->MessageDialog()->ContentPage());
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(CallsOf(view, "OutputHtml").empty());
    // A reply with no message dialog is released.
    CBoardWindows none;
    RecordSetList sets = Reply({{"looklinyan", {"insertdate"}, {{"x"}}}});
    EXPECT_EQ(none.OnBoardMessageReply(sets), 0);
    EXPECT_TRUE(sets.empty());
}

TEST_F(BoardWindowsTest, PageLinksPageTheThreadAndAreFollowed) {
    CLeavewordcontentHtmlDlg* page = ShowThread("12", 25);
    HeadlessWebView* view = View(page);
    view->ClearRecords();
    view->ScriptNavigate("message.html?getmessageurl=3");
    Settle();
    const auto calls = CallsOf(view, "OutputHtml");
    ASSERT_EQ(calls.size(), 2u);
    // At once, on the page the link was on: the thread and the page asked for.
    EXPECT_EQ(calls[0].args, (std::vector<std::string>{vq::GbkToUtf8(page->BoardDocument()), "3"}));
    // The navigation went ahead; the reloaded page gets the thread again.
    EXPECT_NE(view->Url().find("message.html?getmessageurl=3"), std::string::npos) << view->Url();
    EXPECT_EQ(calls[1].args, std::vector<std::string>{vq::GbkToUtf8(page->BoardDocument())});
    EXPECT_EQ(calls[1].url, view->Url());
}

TEST_F(BoardWindowsTest, ReplyArrivesAsTypedAndTheBoxIsCleared) {
    CLeavewordcontentHtmlDlg* page = ShowThread("12", 2);
    HeadlessWebView* view = View(page);
    view->ClearRecords();
    ASSERT_TRUE(view->SetInputValue("discussMessage", "同意 & 补充：partenid=1"));
    ASSERT_TRUE(view->Click("putinLeaveword"));
    Settle();
    EXPECT_EQ(Queued(), std::vector<std::string>{std::string(kPrefix) +
                                                 G("45&partenid=12&virid=7&meno=同意 %26 "
                                                   "补充：partenid%3D1&title=&orgid=3")});
    EXPECT_EQ(CallsOf(view, "clearMessage").size(), 1u);
}

TEST_F(BoardWindowsTest, EmptyOrBlankReplyIsNotPostedAndThePageStays) {
    CLeavewordcontentHtmlDlg* page = ShowThread("12", 2);
    HeadlessWebView* view = View(page);
    for (const char* text : {"", "   ", " \r\n\t", "　 　"}) {
        view->ClearRecords();
        ASSERT_TRUE(view->SetInputValue("discussMessage", text));
        ASSERT_TRUE(view->Click("putinLeaveword"));
        Settle();
        EXPECT_TRUE(Queued().empty()) << "[" << text << "]";
        EXPECT_TRUE(view->Calls().empty()) << "[" << text << "]";
        EXPECT_EQ(page->GetDocument()->GetElementValue("discussMessage"), G(text));
    }
    // A reply with text around blanks is posted as it stands.
    ASSERT_TRUE(view->SetInputValue("discussMessage", " 好 "));
    ASSERT_TRUE(view->Click("putinLeaveword"));
    EXPECT_EQ(Queued(),
              std::vector<std::string>{std::string(kPrefix) +
                                       G("45&partenid=12&virid=7&meno= 好 &title=&orgid=3")});
}

TEST_F(BoardWindowsTest, ThePageShowsNoContextMenu) {
    CLeavewordcontentHtmlDlg* page = ShowThread("12", 1);
    EXPECT_FALSE(View(page)->RightClick());
}

}  // namespace
