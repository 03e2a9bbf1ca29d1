// The accessibility tree of real windows on the Qt backend (offscreen): the login dialog,
// the main window's skin buttons, the personal settings window with its pages, and every
// dialog template of the program, read the way a screen reader's bridge reads them.

#include <gtest/gtest.h>

#include <QAccessible>
#include <QWidget>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/LoginDlg.h"
#include "forms/Forms.h"
#include "forms/SettingMyInfoDlg.h"
#include "notifier/MsgWnd.h"
#include "notifier/PallinoteApp.h"
#include "notifier/PallinoteCtrl.h"
#include "notifier/PopupRegistry.h"
#include "platform/Accessible.h"
#include "platform/Backend.h"
#include "platform/Framework.h"
#include "platform/core/Text.h"
#include "session/Session.h"
#include "skin/SkinBtn.h"
#include "tests/core/TempDir.h"
#include "tests/platform_qt/QtTestEnv.h"

namespace {

QString Q(const char* utf8) {
    return QString::fromUtf8(utf8);
}

QWidget* WidgetOf(fw::HWND hwnd) {
    return static_cast<QWidget*>(fw::GetBackend()->NativeHandle(hwnd));
}

QAccessibleInterface* TreeOf(fw::Window& w) {
    QWidget* widget = WidgetOf(w.GetSafeHwnd());
    return widget == nullptr ? nullptr : QAccessible::queryAccessibleInterface(widget);
}

QRect ScreenRect(fw::Window& w) {
    const fw::Rect r = w.GetWindowRect();
    return QRect(r.left, r.top, r.Width(), r.Height());
}

// What one child of a window is expected to be, written from the templates and the art.
struct Expected {
    fw::UINT id;
    QAccessible::Role role;
    const char* name;  // null: not checked (native widgets name themselves)
    bool drawn;
};

class AccessibleQtTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(dir_.path().empty());
        previous_ = std::filesystem::current_path();
        setenv("VQ_COM_REGISTRY", dir_.File("com-registry").c_str(), 1);
        std::filesystem::current_path(dir_.path());
        const char* src = std::getenv("VQ_SOURCE_DIR");
        ASSERT_NE(src, nullptr);
        auto backend = qttest::MakeBackend();
        ASSERT_NE(backend, nullptr);
        ASSERT_TRUE(fw::InitWithBackend(std::move(backend), std::string(src) + "/res"));
        Session().Reset();
        Session().SetLogin("demo", "demo123");
        Session().SetVirid("1");
        qttest::ResetDriver();
    }
    void TearDown() override {
        fw::Shutdown();
        Session().Reset();
        qttest::ResetDriver();
        std::filesystem::current_path(previous_);
    }

    // Checks the children of `top` against `expected`, in order.
    static void ExpectChildren(QAccessibleInterface* top, fw::Window& dlg,
                               const std::vector<Expected>& expected) {
        ASSERT_NE(top, nullptr);
        ASSERT_EQ(top->childCount(), int(expected.size()));
        for (int i = 0; i < int(expected.size()); ++i) {
            const Expected& e = expected[std::size_t(i)];
            QAccessibleInterface* c = top->child(i);
            ASSERT_NE(c, nullptr) << e.id;
            EXPECT_EQ(c->role(), e.role) << e.id;
            EXPECT_EQ(top->indexOfChild(c), i) << e.id;
            EXPECT_EQ(c->parent(), top) << e.id;
            fw::Window* control = dlg.GetDlgItem(e.id);
            ASSERT_NE(control, nullptr) << e.id;
            if (e.drawn) {
                EXPECT_EQ(c->object(), nullptr) << e.id;
            } else {
                EXPECT_EQ(c->object(), WidgetOf(control->GetSafeHwnd())) << e.id;
            }
            if (e.name != nullptr) {
                EXPECT_EQ(c->text(QAccessible::Name), Q(e.name)) << e.id;
            }
            if (e.drawn) {
                EXPECT_EQ(c->rect(), ScreenRect(*control)) << e.id;
            } else {
                // Qt gives a check box the box and label it paints, inside the widget.
                EXPECT_TRUE(ScreenRect(*control).contains(c->rect())) << e.id;
            }
        }
    }

    static QAccessibleInterface* ChildAt(QAccessibleInterface* top, int index) {
        return top == nullptr ? nullptr : top->child(index);
    }

    static void Press(QAccessibleInterface* item) {
        ASSERT_NE(item, nullptr);
        QAccessibleActionInterface* action = item->actionInterface();
        ASSERT_NE(action, nullptr);
        ASSERT_TRUE(action->actionNames().contains(QAccessibleActionInterface::pressAction()));
        action->doAction(QAccessibleActionInterface::pressAction());
    }

    vq::test::TempDir dir_;
    std::filesystem::path previous_;
    CForms forms_;
};

constexpr auto kButton = QAccessible::PushButton;
constexpr auto kGraphic = QAccessible::Graphic;

TEST_F(AccessibleQtTest, LoginDialogListsItsControlsByNameRoleAndPlace) {
    CLoginDlg dlg(forms_);
    ASSERT_TRUE(dlg.Create(CLoginDlg::IDD));
    dlg.ShowWindow(fw::SW_SHOW);
    qttest::LetTimePass(100);
    QAccessibleInterface* top = TreeOf(dlg);
    ASSERT_NE(top, nullptr);
    EXPECT_EQ(top->role(), QAccessible::Window);
    EXPECT_EQ(top->text(QAccessible::Name), Q("Velquor3.0"));

    ExpectChildren(top, dlg,
                   {
                       {1002, QAccessible::EditableText, "用户名", false},
                       {1003, QAccessible::EditableText, "密码", false},
                       {1000, QAccessible::CheckBox, "记住密码", false},
                       {1001, QAccessible::CheckBox, "自动登录", false},
                       {1, kButton, "确定", true},
                       {1014, kButton, "服务器设置", true},
                       {1004, kButton, "关闭", true},
                       {1005, kButton, "最小化", true},
                       {1011, kButton, "申请使用", true},
                       {1074, kGraphic, "开通账号请携带身份证到您所在的营业部柜台申请。", true},
                       {1085, kGraphic, "正在登录，请稍候…", true},
                   });
    // The two pictures are hidden until they have something to say.
    EXPECT_TRUE(ChildAt(top, 9)->state().invisible);
    EXPECT_TRUE(ChildAt(top, 10)->state().invisible);
    EXPECT_FALSE(ChildAt(top, 6)->state().invisible);
    EXPECT_TRUE(ChildAt(top, 6)->state().focusable);
    // Pictures offer no press.
    EXPECT_EQ(ChildAt(top, 9)->actionInterface(), nullptr);

    // The reader finds a control under a point of the screen.
    const QRect ok = ScreenRect(*dlg.GetDlgItem(fw::IDOK));
    EXPECT_EQ(top->childAt(ok.center().x(), ok.center().y()), ChildAt(top, 4));
}

TEST_F(AccessibleQtTest, LoginDialogButtonsArePressedThroughTheDialog) {
    CLoginDlg dlg(forms_);
    ASSERT_TRUE(dlg.Create(CLoginDlg::IDD));
    dlg.ShowWindow(fw::SW_SHOW);
    qttest::LetTimePass(100);
    QAccessibleInterface* top = TreeOf(dlg);
    ASSERT_NE(top, nullptr);

    // "申请使用" shows how to apply: the picture comes out for the reader too.
    Press(ChildAt(top, 8));
    EXPECT_TRUE(dlg.GetDlgItem(CLoginDlg::kApplyPicture)->IsWindowVisible());
    EXPECT_FALSE(ChildAt(top, 9)->state().invisible);

    // A disabled button is said to be so and cannot be pressed.
    dlg.GetDlgItem(fw::IDOK)->EnableWindow(false);
    EXPECT_TRUE(ChildAt(top, 4)->state().disabled);
    Press(ChildAt(top, 4));
    qttest::LetTimePass(100);
    EXPECT_TRUE(qttest::MessageBoxesSeen().empty());
    // Enabled again, the press reaches the login: nothing typed, so the dialog complains.
    dlg.GetDlgItem(fw::IDOK)->EnableWindow(true);
    EXPECT_FALSE(ChildAt(top, 4)->state().disabled);
    Press(ChildAt(top, 4));
    qttest::LetTimePass(100);
    const std::vector<qttest::BoxRecord> boxes = qttest::MessageBoxesSeen();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, vq::Gbk("用户名或密码为空！！"));

    // Focus on a drawn button is the reader's focus child.
    dlg.GetDlgItem(CLoginDlg::kNetSettings)->SetFocus();
    EXPECT_TRUE(ChildAt(top, 5)->state().focused);
    EXPECT_FALSE(ChildAt(top, 6)->state().focused);
    EXPECT_EQ(top->focusChild(), ChildAt(top, 5));

    // A new text is the new name.
    dlg.SetDlgItemText(CLoginDlg::kApply, vq::Gbk("申请账号(&N)"));
    EXPECT_EQ(ChildAt(top, 8)->text(QAccessible::Name), Q("申请账号(N)"));

    Press(ChildAt(top, 7));
    EXPECT_TRUE(dlg.IsIconic());
}

// The main window's template with its seven skin buttons, as the main window makes them.
class MainWindowFrame : public fw::Dialog {
public:
    MainWindowFrame() : fw::Dialog(102) {}
    bool OnInitDialog() override {
        for (std::size_t i = 0; i < std::size(buttons_); ++i) {
            buttons_[i].SubclassDlgItem(fw::UINT(1005 + i), this);
        }
        for (fw::UINT hidden : {1005u, 1009u}) {
            GetDlgItem(hidden)->ShowWindow(fw::SW_HIDE);
        }
        return true;
    }
    bool OnCommand(fw::UINT id, fw::UINT code, fw::HWND control) override {
        commands.push_back(id);
        return fw::Dialog::OnCommand(id, code, control);
    }
    std::vector<fw::UINT> commands;

private:
    CSkinBtn buttons_[7];
};

TEST_F(AccessibleQtTest, MainWindowSkinButtonsAreNamedAndPressable) {
    MainWindowFrame main;
    ASSERT_TRUE(main.Create());
    main.ShowWindow(fw::SW_SHOW);
    qttest::LetTimePass(100);
    QAccessibleInterface* top = TreeOf(main);
    ExpectChildren(top, main,
                   {
                       {1005, kButton, nullptr, true},
                       {1006, kButton, "最小化", true},
                       {1007, kButton, "最大化", true},
                       {1008, kButton, "隐藏到托盘", true},
                       {1009, kButton, nullptr, true},
                       {1010, kButton, "系统菜单", true},
                       {1011, kButton, "帮助菜单", true},
                       {1013, QAccessible::StaticText, "", true},
                       {1036, QAccessible::Client, nullptr, false},
                   });
    EXPECT_TRUE(ChildAt(top, 0)->state().invisible);
    EXPECT_TRUE(ChildAt(top, 4)->state().invisible);
    // The empty title text is decoration, kept from the reader.
    EXPECT_TRUE(ChildAt(top, 7)->state().invisible);

    Press(ChildAt(top, 3));
    EXPECT_EQ(main.commands, std::vector<fw::UINT>{1008});
    // A hidden button cannot be pressed.
    Press(ChildAt(top, 0));
    EXPECT_EQ(main.commands, std::vector<fw::UINT>{1008});

    // Moving a button moves what the reader sees.
    main.GetDlgItem(1010)->MoveWindow(700, 9, 53, 16);
    EXPECT_EQ(ChildAt(top, 5)->rect(), ScreenRect(*main.GetDlgItem(1010)));
}

TEST_F(AccessibleQtTest, SettingsWindowListsThePageControlsInItsOwnList) {
    fw::Dialog main(102);
    ASSERT_TRUE(main.Create());
    std::unique_ptr<fw::Dialog> made = forms_.MakeSettingsDialog(&main);
    auto& s = static_cast<CSettingMyInfoDlg&>(*made);
    ASSERT_TRUE(s.Create(&main));
    s.ShowWindow(fw::SW_SHOW);
    qttest::LetTimePass(100);
    QAccessibleInterface* top = TreeOf(s);
    ASSERT_NE(top, nullptr);
    EXPECT_EQ(top->text(QAccessible::Name), Q("系统设置"));

    std::vector<QString> names;
    std::vector<QString> editors;
    for (int i = 0; i < top->childCount(); ++i) {
        QAccessibleInterface* c = top->child(i);
        ASSERT_NE(c, nullptr);
        // The pages themselves are no stop for the reader: only their controls are listed.
        EXPECT_NE(c->role(), QAccessible::Client) << i;
        EXPECT_EQ(c->parent(), top);
        if (c->role() == QAccessible::EditableText) {
            editors.push_back(c->text(QAccessible::Name));
        }
        if (c->role() == kButton && !c->state().invisible) {
            names.push_back(c->text(QAccessible::Name));
        }
    }
    // The password page's fields, named after the labels painted beside them.
    const std::vector<QString> fields = {Q("原密码"), Q("新密码"), Q("确认新密码")};
    EXPECT_EQ(editors, fields);
    // The minimise button shares its id with the news viewer's size button: named in code.
    const std::vector<QString> expected = {Q("最小化"),   Q("关闭"), Q("修改密码"), Q("栏目收藏"),
                                           Q("登录状态"), Q("确定"), Q("应用"),     Q("取消")};
    EXPECT_EQ(names, expected);
}

// Every dialog template of the program, shown as it comes: no drawn button without a name.
TEST_F(AccessibleQtTest, NoDrawnButtonOfAnyTemplateIsWithoutName) {
    fw::Dialog host(102);
    ASSERT_TRUE(host.Create());
    int checked = 0;
    for (const fw::UINT id : fw::Resources::Global().DialogIds()) {
        const fw::DialogTemplate* t = fw::Resources::Global().FindDialog(id);
        ASSERT_NE(t, nullptr);
        const bool child = (t->style & fw::WS_CHILD) != 0;
        if (child || id == 102) {
            continue;  // pages are checked inside their windows; 102 is the host
        }
        fw::Dialog dlg(id);
        ASSERT_TRUE(dlg.Create(&host)) << id;
        dlg.ShowWindow(fw::SW_SHOW);
        QAccessibleInterface* top = TreeOf(dlg);
        ASSERT_NE(top, nullptr) << id;
        EXPECT_FALSE(top->text(QAccessible::Name).isEmpty()) << id;
        for (int i = 0; i < top->childCount(); ++i) {
            QAccessibleInterface* c = top->child(i);
            ASSERT_NE(c, nullptr) << id;
            if (c->object() == nullptr && c->role() == kButton && !c->state().invisible) {
                EXPECT_FALSE(c->text(QAccessible::Name).trimmed().isEmpty())
                    << "dialog " << id << " child " << i;
                ++checked;
            }
        }
        dlg.DestroyWindow();
    }
    EXPECT_GT(checked, 40);
}

// The control's corner pop-up paints its title, its two buttons and its message: the reader
// gets the title as the window's name, the buttons as buttons and the message as text.
TEST_F(AccessibleQtTest, CornerPopupNamesItsPaintedButtons) {
    CComPtr<IDispatch> disp;
    ASSERT_EQ(CPallinoteCtrl::CreateInstance(nullptr, IID_IDispatch, disp.PutVoid()), S_OK);
    auto* ctrl = static_cast<CPallinoteCtrl*>(disp.Get());
    ThePallinoteApp().ResetMessageCounter();
    ctrl->ShowMessage(u"最新", u"研究所晨报：今日市场综述", u"", u"30", u"1", u"0", 0x00402000, u"",
                      u"", u"");
    CMsgWnd* popup = ThePallinoteApp().Popups()->Find(1001);
    ASSERT_NE(popup, nullptr);
    const fw::HWND hwnd = popup->GetSafeHwnd();
    ASSERT_TRUE(qttest::PumpUntil([&] { return popup->ShownHeight() > 170; }, 5000));
    qttest::LetTimePass(100);
    QAccessibleInterface* top = TreeOf(*popup);
    ASSERT_NE(top, nullptr);
    EXPECT_EQ(top->text(QAccessible::Name), Q("最新"));
    ASSERT_EQ(top->childCount(), 3);
    QAccessibleInterface* close = top->child(0);
    QAccessibleInterface* view = top->child(1);
    // The message the pop-up paints is read out, and is nothing to press.
    QAccessibleInterface* text = top->child(2);
    EXPECT_EQ(text->role(), QAccessible::StaticText);
    EXPECT_EQ(text->text(QAccessible::Name), Q("研究所晨报：今日市场综述"));
    EXPECT_EQ(text->interface_cast(QAccessible::ActionInterface), nullptr);
    EXPECT_EQ(text->parent(), top);
    EXPECT_EQ(close->role(), kButton);
    EXPECT_EQ(close->text(QAccessible::Name), Q("关闭"));
    EXPECT_EQ(view->role(), kButton);
    EXPECT_EQ(view->text(QAccessible::Name), Q("查看"));
    EXPECT_EQ(close->parent(), top);
    // Where the close button is painted: its rectangle inside the pop-up, on the screen.
    const fw::Rect r = popup->CloseButtonRect();
    const fw::Point at = popup->ClientToScreen(fw::Point{r.left, r.top});
    EXPECT_EQ(close->rect(), QRect(at.x, at.y, r.Width(), r.Height()));
    EXPECT_FALSE(close->state().invisible);

    Press(close);
    EXPECT_TRUE(qttest::PumpUntil([&] { return !fw::IsWindow(hwnd); }, 5000));
    disp.Reset();
}

}  // namespace
