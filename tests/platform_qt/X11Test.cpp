// What needs a real X server: other programs' windows listed and raised, a shaped window
// as the screen shows it, and a screenshot of a dialog taken from the screen.

#include <xcb/xcb.h>

#include <QApplication>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QWindow>
#include <cstdlib>
#include <cstring>

#include "tests/platform_qt/QtFixture.h"

namespace qttest {

extern bool g_haveX;

namespace {

class X11 : public QtFixture {
protected:
    void SetUp() override {
        if (!g_haveX) {
            GTEST_SKIP() << "Xvfb is not available";
        }
        QtFixture::SetUp();
    }
    void TearDown() override {
        if (g_haveX) {
            QtFixture::TearDown();
        }
    }
    // Waits until the window is on the screen and painted.
    static void Settle(QWidget* w) {
        PumpUntil([w] {
            return w->isVisible() && w->windowHandle() != nullptr && w->windowHandle()->isExposed();
        });
        LetTimePass(150);
    }
    static QImage Screen(const QRect& r) {
        return QGuiApplication::primaryScreen()
            ->grabWindow(0, r.x(), r.y(), r.width(), r.height())
            .toImage()
            .convertToFormat(QImage::Format_RGB32);
    }
};

// Another X client with one titled window, made over a connection of its own.
class ForeignClient {
public:
    explicit ForeignClient(const std::string& titleUtf8) {
        c_ = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(c_) != 0) {
            return;
        }
        xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c_)).data;
        window_ = xcb_generate_id(c_);
        xcb_create_window(c_, XCB_COPY_FROM_PARENT, window_, screen->root, 500, 400, 120, 80, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
        xcb_intern_atom_reply_t* name =
            xcb_intern_atom_reply(c_, xcb_intern_atom(c_, 0, 12, "_NET_WM_NAME"), nullptr);
        xcb_intern_atom_reply_t* utf8 =
            xcb_intern_atom_reply(c_, xcb_intern_atom(c_, 0, 11, "UTF8_STRING"), nullptr);
        xcb_change_property(c_, XCB_PROP_MODE_REPLACE, window_, name->atom, utf8->atom, 8,
                            std::uint32_t(titleUtf8.size()), titleUtf8.data());
        std::free(name);
        std::free(utf8);
        xcb_map_window(c_, window_);
        xcb_flush(c_);
        std::free(xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr));  // a round trip
    }
    ~ForeignClient() { xcb_disconnect(c_); }
    std::uint32_t Id() const { return window_; }
    // The topmost mapped child of the root window.
    std::uint32_t Topmost() const {
        xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c_)).data;
        xcb_query_tree_reply_t* tree =
            xcb_query_tree_reply(c_, xcb_query_tree(c_, screen->root), nullptr);
        std::uint32_t top = 0;
        const xcb_window_t* kids = xcb_query_tree_children(tree);
        for (int i = xcb_query_tree_children_length(tree) - 1; i >= 0 && top == 0; --i) {
            xcb_get_window_attributes_reply_t* a = xcb_get_window_attributes_reply(
                c_, xcb_get_window_attributes(c_, kids[i]), nullptr);
            if (a != nullptr && a->map_state == XCB_MAP_STATE_VIEWABLE) {
                top = kids[i];
            }
            std::free(a);
        }
        std::free(tree);
        return top;
    }

private:
    xcb_connection_t* c_ = nullptr;
    xcb_window_t window_ = 0;
};

TEST_F(X11, OtherProgramsWindowsAreListedAndRaised) {
    Recorder dlg(9001);
    ASSERT_TRUE(dlg.Create());
    dlg.MoveWindow(20, 20, 300, 163);
    dlg.ShowWindow(fw::SW_SHOW);
    Settle(W(dlg.GetSafeHwnd()));
    ForeignClient other("外部窗口");
    ASSERT_NE(other.Id(), 0u);

    const auto all = fw::EnumTopLevelWindows();
    int own = 0;
    const fw::TopLevelWindow* found = nullptr;
    for (const auto& w : all) {
        own += w.own ? 1 : 0;
        if (!w.own && w.id == other.Id()) {
            found = &w;
        }
        // Our own widget never shows up a second time as somebody else's window.
        EXPECT_FALSE(!w.own && w.title == G("测试"));
    }
    EXPECT_EQ(own, 1);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->title, G("外部窗口"));
    EXPECT_TRUE(found->visible);

    // Our dialog was mapped first; the foreign window goes on top again when asked to.
    dlg.SetForegroundWindow();
    LetTimePass(100);
    EXPECT_TRUE(fw::BringToForeground(*found));
    EXPECT_EQ(other.Topmost(), other.Id());
    EXPECT_FALSE(fw::GetBackend()->BringForeignToForeground(0x7FFFFFF));
}

// A notification area of our own: the selection owner a desktop's tray is, announced on
// the root window as the tray protocol asks.
class FakeTray {
public:
    FakeTray() {
        c_ = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(c_) != 0) {
            return;
        }
        xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c_)).data;
        window_ = xcb_generate_id(c_);
        xcb_create_window(c_, XCB_COPY_FROM_PARENT, window_, screen->root, 0, 0, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
        const xcb_atom_t selection = Atom("_NET_SYSTEM_TRAY_S0");
        xcb_set_selection_owner(c_, window_, selection, XCB_CURRENT_TIME);
        xcb_client_message_event_t ev{};
        ev.response_type = XCB_CLIENT_MESSAGE;
        ev.format = 32;
        ev.window = screen->root;
        ev.type = Atom("MANAGER");
        ev.data.data32[0] = XCB_CURRENT_TIME;
        ev.data.data32[1] = selection;
        ev.data.data32[2] = window_;
        xcb_send_event(c_, 0, screen->root, XCB_EVENT_MASK_STRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&ev));
        xcb_flush(c_);
        std::free(xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr));
    }
    ~FakeTray() { xcb_disconnect(c_); }

private:
    xcb_atom_t Atom(const char* name) {
        xcb_intern_atom_reply_t* r = xcb_intern_atom_reply(
            c_, xcb_intern_atom(c_, 0, std::uint16_t(std::strlen(name)), name), nullptr);
        const xcb_atom_t a = r != nullptr ? r->atom : 0;
        std::free(r);
        return a;
    }
    xcb_connection_t* c_ = nullptr;
    xcb_window_t window_ = 0;
};

QWidget* TrayIconWidget() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (std::strcmp(w->metaObject()->className(), "QSystemTrayIconSys") == 0) {
            return w;
        }
    }
    return nullptr;
}

TEST_F(X11, TrayIconsComeAndGoAndReportTheMouse) {
    EXPECT_FALSE(fw::GetBackend()->TrayAvailable());
    FakeTray tray;
    ASSERT_TRUE(PumpUntil([] { return fw::GetBackend()->TrayAvailable(); }));

    Recorder dlg(9001);
    ASSERT_TRUE(dlg.Create());
    fw::NotifyIconData data;
    data.hWnd = dlg.GetSafeHwnd();
    data.uID = 150;
    data.uFlags = fw::NIF_MESSAGE | fw::NIF_ICON | fw::NIF_TIP;
    data.uCallbackMessage = 1026;
    data.hIcon = 9301;
    std::strcpy(data.szTip, G("欢迎使用Velquor！").c_str());
    EXPECT_TRUE(fw::Shell_NotifyIcon(fw::NIM_ADD, &data));
    EXPECT_FALSE(fw::Shell_NotifyIcon(fw::NIM_ADD, &data));  // that icon is there already

    // A double click on the icon reaches the owner as its callback message.
    QWidget* icon = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return (icon = TrayIconWidget()) != nullptr; }));
    QMouseEvent dbl(QEvent::MouseButtonDblClick, QPointF(2, 2), icon->mapToGlobal(QPointF(2, 2)),
                    Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(icon, &dbl);
    ASSERT_TRUE(PumpUntil([&] { return !dlg.user.empty(); }));
    EXPECT_EQ(dlg.user[0], 1026u);
    EXPECT_EQ(dlg.userParams[0], (std::pair<fw::WPARAM, fw::LPARAM>{150, fw::WM_LBUTTONDBLCLK}));

    std::strcpy(data.szTip, G("您有新的消息，请注意查收！").c_str());
    EXPECT_TRUE(fw::Shell_NotifyIcon(fw::NIM_MODIFY, &data));
    EXPECT_TRUE(fw::Shell_NotifyIcon(fw::NIM_DELETE, &data));
    EXPECT_FALSE(fw::Shell_NotifyIcon(fw::NIM_DELETE, &data));
    EXPECT_FALSE(fw::Shell_NotifyIcon(fw::NIM_MODIFY, &data));

    // An icon goes with its owner window.
    EXPECT_TRUE(fw::Shell_NotifyIcon(fw::NIM_ADD, &data));
    dlg.DestroyWindow();
    EXPECT_FALSE(fw::Shell_NotifyIcon(fw::NIM_DELETE, &data));
}

TEST_F(X11, ShapedWindowShowsTheDesktopThroughItsCutCorners) {
    Recorder dlg(9002);
    dlg.background = fw::RGB(0, 0, 128);
    ASSERT_TRUE(dlg.Create());
    dlg.MoveWindow(200, 150, 40, 30);
    fw::Region cut(fw::Rect{0, 0, 40, 30});
    cut.Difference(fw::Region(fw::Rect{0, 0, 6, 6}));
    dlg.SetWindowRgn(cut);
    dlg.ShowWindow(fw::SW_SHOW);
    Settle(W(dlg.GetSafeHwnd()));
    const QImage screen = Screen(QRect(200, 150, 40, 30));
    EXPECT_NE(QColor(screen.pixel(2, 2)), QColor(0, 0, 128));  // the corner is the desktop's
    EXPECT_EQ(QColor(screen.pixel(20, 2)), QColor(0, 0, 128));
    EXPECT_EQ(QColor(screen.pixel(2, 20)), QColor(0, 0, 128));
}

TEST_F(X11, DialogScreenshotFromTheScreen) {
    Recorder dlg(9001);
    ASSERT_TRUE(dlg.Create());
    dlg.SetDlgItemText(11, G("张三"));
    dlg.SetDlgItemText(14, G("第一行\r\n第二行"));
    dlg.CheckDlgButton(15, fw::BST_CHECKED);
    dlg.CheckRadioButton(16, 18, 16);
    dlg.MoveWindow(60, 60, 300, 163);
    dlg.ShowWindow(fw::SW_SHOW);
    Settle(W(dlg.GetSafeHwnd()));
    const QImage screen = Screen(QRect(60, 60, 300, 163));
    const auto path = ScreenshotDir() / "x11-dialog-9001.png";
    ASSERT_TRUE(screen.save(QString::fromStdString(path.string())));
    // The screen shows what the widget paints.
    EXPECT_EQ(screen, Shot(dlg.GetSafeHwnd()));
}

}  // namespace
}  // namespace qttest
