// Names, states and change notes of the core's windows on the headless backend, from a
// resource folder written here: a dialog with drawn buttons, pictures and texts, and
// strings that describe some of them.

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/Accessible.h"
#include "platform/Backend.h"
#include "platform/Framework.h"
#include "platform/ToolTip.h"
#include "platform/Window.h"
#include "platform/core/Text.h"
#include "platform/headless/Headless.h"
#include "tests/core/TempDir.h"

namespace {

using fw::AccessibleChange;

std::string G(const char* utf8) {
    return vq::Gbk(utf8);
}

constexpr char kResources[] =
    "DIALOG 300 200 120 UNITS PX\n"
    "  CAPTION \"\"\n"
    "  STYLE popup\n"
    "  CONTROL 501 button 10 10 20 20 \"\" ownerdraw\n"
    "  CONTROL 502 button 40 10 20 20 \"--\" ownerdraw\n"
    "  CONTROL 503 button 70 10 60 20 \"保存(&S)\" ownerdraw\n"
    "  CONTROL 504 button 140 10 20 20 \"\" ownerdraw\n"
    "  CONTROL 505 picture 0 40 200 30 \"\"\n"
    "  CONTROL 506 picture 0 80 100 30 \"\"\n"
    "  CONTROL 507 static 110 80 80 20 \"R&&D\"\n"
    "  CONTROL 508 edit 10 100 80 16 \"\"\n"
    "END\n"
    "STRINGTABLE\n"
    "  501 \"关闭\"\n"
    "  502 \"最小化\"\n"
    "  503 \"不用这个\"\n"
    "  506 \"标题条\"\n"
    "  508 \"用户名\"\n"
    "END\n";

struct Note {
    fw::HWND hwnd;
    AccessibleChange change;
    bool operator==(const Note&) const = default;
};

class AccessibleTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(dir_.path().empty());
        vq::test::WriteBytes(dir_.File("test.vqrc"), kResources);
        ASSERT_TRUE(fw::InitWithBackend(fw::headless::CreateBackend(), dir_.path()));
        fw::SetAccessibleListener([this](fw::HWND h, AccessibleChange c) {
            notes_.push_back(Note{h, c});
        });
    }
    void TearDown() override {
        dlg_.reset();
        fw::Shutdown();
        fw::SetAccessibleListener(nullptr);
    }
    void Open() {
        dlg_ = std::make_unique<fw::Dialog>(300);
        ASSERT_TRUE(dlg_->Create());
        dlg_->ShowWindow(fw::SW_SHOW);
    }
    fw::HWND Item(fw::UINT id) const { return dlg_->GetDlgItemHandle(id); }
    std::vector<AccessibleChange> NotesOf(fw::HWND h) const {
        std::vector<AccessibleChange> out;
        for (const Note& n : notes_) {
            if (n.hwnd == h) {
                out.push_back(n.change);
            }
        }
        return out;
    }

    vq::test::TempDir dir_;
    std::unique_ptr<fw::Dialog> dlg_;
    std::vector<Note> notes_;
};

TEST(StripMnemonicTest, MarkersGoAndDoubledOnesStay) {
    EXPECT_EQ(fw::StripMnemonic("&File"), "File");
    EXPECT_EQ(fw::StripMnemonic("Save &As..."), "Save As...");
    EXPECT_EQ(fw::StripMnemonic("R&&D"), "R&D");
    EXPECT_EQ(fw::StripMnemonic("end&"), "end");
    EXPECT_EQ(fw::StripMnemonic(G("关于(&A)")), G("关于(A)"));
    // A double-byte character whose second byte is in the ASCII range stays whole.
    const std::string pair = std::string("\x81\x40", 2) + "&x";
    EXPECT_EQ(fw::StripMnemonic(pair), std::string("\x81\x40", 2) + "x");
}

TEST_F(AccessibleTest, NamesComeFromTextThenToolTipThenStringTable) {
    Open();
    // No text: the string with the control's id.
    EXPECT_EQ(fw::GetAccessibleName(Item(501)), G("关闭"));
    // "--" says nothing: the string table again.
    EXPECT_EQ(fw::GetAccessibleName(Item(502)), G("最小化"));
    // A caption wins over the string table, without its mnemonic marker.
    EXPECT_EQ(fw::GetAccessibleName(Item(503)), G("保存(S)"));
    EXPECT_EQ(fw::GetAccessibleName(Item(507)), "R&D");
    // Nothing at all.
    EXPECT_EQ(fw::GetAccessibleName(Item(504)), "");
    // An editor's text is the user's, not its name.
    fw::Window* edit = dlg_->GetDlgItem(508);
    edit->SetWindowText("typed");
    EXPECT_EQ(fw::GetAccessibleName(Item(508)), G("用户名"));

    // A tooltip over the control names it when its text does not.
    fw::ToolTipCtrl tip;
    ASSERT_TRUE(tip.Create(dlg_.get()));
    ASSERT_TRUE(tip.AddTool(1, fw::Rect{135, 5, 165, 35}, G("设置")));
    ASSERT_TRUE(tip.AddTool(2, fw::Rect{5, 5, 35, 35}, G("提示文字")));
    EXPECT_EQ(fw::GetAccessibleName(Item(504)), G("设置"));
    // ...and before the string table.
    EXPECT_EQ(fw::GetAccessibleName(Item(501)), G("提示文字"));

    // A name given in code comes first of all; an empty one gives the others back.
    fw::SetAccessibleName(Item(503), G("存盘"));
    EXPECT_EQ(fw::GetAccessibleName(Item(503)), G("存盘"));
    fw::SetAccessibleName(Item(503), "");
    EXPECT_EQ(fw::GetAccessibleName(Item(503)), G("保存(S)"));
    EXPECT_EQ(fw::GetAccessibleName(fw::HWND(0x7FFFFFF)), "");
}

TEST_F(AccessibleTest, CaptionlessWindowIsNamedByItsTitlePicture) {
    Open();
    EXPECT_EQ(dlg_->GetWindowText(), "");
    EXPECT_EQ(fw::GetAccessibleName(dlg_->GetSafeHwnd()), G("标题条"));
    dlg_->SetWindowText(G("留言"));
    EXPECT_EQ(fw::GetAccessibleName(dlg_->GetSafeHwnd()), G("留言"));
}

TEST_F(AccessibleTest, StatesFollowTheWindow) {
    Open();
    fw::AccessibleState s;
    ASSERT_TRUE(fw::GetAccessibleState(Item(501), s));
    EXPECT_TRUE(s.visible);
    EXPECT_TRUE(s.enabled);
    EXPECT_TRUE(s.focusable);
    EXPECT_FALSE(s.focused);
    EXPECT_FALSE(s.pressed);
    EXPECT_FALSE(s.decorative);

    // A picture without a name is decoration; one with a name is not.
    ASSERT_TRUE(fw::GetAccessibleState(Item(505), s));
    EXPECT_TRUE(s.decorative);
    EXPECT_FALSE(s.focusable);
    ASSERT_TRUE(fw::GetAccessibleState(Item(506), s));
    EXPECT_FALSE(s.decorative);

    dlg_->GetDlgItem(501)->EnableWindow(false);
    ASSERT_TRUE(fw::GetAccessibleState(Item(501), s));
    EXPECT_FALSE(s.enabled);
    // Hiding the dialog hides what is in it.
    dlg_->ShowWindow(fw::SW_HIDE);
    ASSERT_TRUE(fw::GetAccessibleState(Item(502), s));
    EXPECT_FALSE(s.visible);
    dlg_->ShowWindow(fw::SW_SHOW);

    // Held down by the mouse: pressed until the button comes up.
    fw::input::Mouse(Item(502), fw::WM_LBUTTONDOWN, fw::Point{5, 5}, fw::MK_LBUTTON);
    ASSERT_TRUE(fw::GetAccessibleState(Item(502), s));
    EXPECT_TRUE(s.pressed);
    EXPECT_TRUE(s.focused);
    fw::input::Mouse(Item(502), fw::WM_LBUTTONUP, fw::Point{5, 5}, 0);
    ASSERT_TRUE(fw::GetAccessibleState(Item(502), s));
    EXPECT_FALSE(s.pressed);
    EXPECT_FALSE(fw::GetAccessibleState(fw::HWND(0x7FFFFFF), s));
}

TEST_F(AccessibleTest, ChangesAreNoted) {
    Open();
    const fw::HWND top = dlg_->GetSafeHwnd();
    const fw::HWND b = Item(503);
    // Every window was announced as it came.
    EXPECT_EQ(NotesOf(top).front(), AccessibleChange::Created);
    ASSERT_FALSE(NotesOf(b).empty());
    EXPECT_EQ(NotesOf(b).front(), AccessibleChange::Created);

    notes_.clear();
    dlg_->GetDlgItem(503)->SetWindowText(G("另存"));
    EXPECT_EQ(NotesOf(b), std::vector<AccessibleChange>{AccessibleChange::Name});
    notes_.clear();
    dlg_->GetDlgItem(503)->EnableWindow(false);
    EXPECT_EQ(NotesOf(b), std::vector<AccessibleChange>{AccessibleChange::State});
    notes_.clear();
    dlg_->GetDlgItem(503)->MoveWindow(70, 12, 60, 20);
    EXPECT_EQ(NotesOf(b), std::vector<AccessibleChange>{AccessibleChange::Location});
    notes_.clear();
    fw::SetAccessibleName(b, G("另存为"));
    EXPECT_EQ(NotesOf(b), std::vector<AccessibleChange>{AccessibleChange::Name});

    notes_.clear();
    dlg_->GetDlgItem(501)->SetFocus();
    EXPECT_EQ(NotesOf(Item(501)), std::vector<AccessibleChange>{AccessibleChange::Focus});
    // Focus given again to the same window is no move.
    notes_.clear();
    dlg_->GetDlgItem(501)->SetFocus();
    EXPECT_TRUE(NotesOf(Item(501)).empty());

    // Going: the window, then its controls, each while it can still be read.
    notes_.clear();
    std::vector<std::string> namesWhileGoing;
    fw::SetAccessibleListener([&](fw::HWND h, AccessibleChange c) {
        notes_.push_back(Note{h, c});
        if (c == AccessibleChange::Destroyed) {
            namesWhileGoing.push_back(fw::GetAccessibleName(h));
        }
    });
    const fw::HWND closeButton = Item(501);
    dlg_->DestroyWindow();
    EXPECT_EQ(NotesOf(closeButton), std::vector<AccessibleChange>{AccessibleChange::Destroyed});
    EXPECT_EQ(NotesOf(top), std::vector<AccessibleChange>{AccessibleChange::Destroyed});
    EXPECT_NE(std::find(namesWhileGoing.begin(), namesWhileGoing.end(), G("关闭")),
              namesWhileGoing.end());
}

// A window that notes where the left button went down and up.
class ClickPad : public fw::Window {
public:
    void OnLButtonDown(fw::UINT, fw::Point p) override { downs.push_back(p); }
    void OnLButtonUp(fw::UINT, fw::Point p) override { ups.push_back(p); }
    std::vector<fw::Point> downs;
    std::vector<fw::Point> ups;
};

TEST_F(AccessibleTest, PartsOfAWindowArePressedAtTheirCentre) {
    ClickPad pad;
    ASSERT_TRUE(
        pad.CreateEx(0, "", fw::WS_POPUP | fw::WS_VISIBLE, fw::Rect{100, 100, 300, 260}, nullptr));
    const fw::HWND h = pad.GetSafeHwnd();
    const std::vector<fw::AccessiblePart> parts = {
        {1, fw::Rect{170, 4, 186, 20}, G("关闭")},
        {2, fw::Rect{120, 130, 182, 152}, G("查看")},
        {4, fw::Rect{10, 30, 190, 46}, G("研究所晨报"), fw::AccessiblePartRole::Text},
        {5, fw::Rect{10, 50, 90, 66}, G("详情"), fw::AccessiblePartRole::Link},
    };
    notes_.clear();
    fw::SetAccessibleParts(h, parts);
    EXPECT_EQ(NotesOf(h), std::vector<AccessibleChange>{AccessibleChange::Reorder});
    // Painting sets the same parts again and again: only a change is news.
    notes_.clear();
    fw::SetAccessibleParts(h, parts);
    EXPECT_TRUE(NotesOf(h).empty());
    EXPECT_EQ(fw::GetAccessibleParts(h), parts);

    ASSERT_TRUE(fw::PressAccessiblePart(h, 2));
    const std::vector<fw::Point> centre = {fw::Point{151, 141}};
    EXPECT_EQ(pad.downs, centre);
    EXPECT_EQ(pad.ups, centre);
    EXPECT_FALSE(fw::PressAccessiblePart(h, 3));
    EXPECT_FALSE(fw::PressAccessiblePart(h, 4)) << "a text is read, not pressed";
    ASSERT_TRUE(fw::PressAccessiblePart(h, 5));
    const std::vector<fw::Point> both = {fw::Point{151, 141}, fw::Point{50, 58}};
    EXPECT_EQ(pad.downs, both);
    // A hidden window takes no press.
    pad.ShowWindow(fw::SW_HIDE);
    EXPECT_FALSE(fw::PressAccessiblePart(h, 1));
    EXPECT_EQ(pad.downs.size(), 2u);

    fw::SetAccessibleParts(h, {});
    EXPECT_TRUE(fw::GetAccessibleParts(h).empty());
}

}  // namespace
