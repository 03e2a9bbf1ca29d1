// Dialogs as real widgets: what the core's model says is what the widgets show, and what
// the user does to the widgets reaches the dialog's dispatch function.

#include <QCheckBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTextBlock>
#include <QTextEdit>

#include "platform/Resources.h"
#include "tests/platform_qt/QtFixture.h"

namespace qttest {
namespace {

using fw::HWND;

QRect DluRect(int x, int y, int w, int h) {
    return QRect(fw::DluToPixelsX(x), fw::DluToPixelsY(y), fw::DluToPixelsX(w),
                 fw::DluToPixelsY(h));
}

void Type(QWidget* w, const QString& text) {
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(w, &press);
    }
}

void Key(QWidget* w, int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QKeyEvent press(QEvent::KeyPress, key, mods);
    QCoreApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, key, mods);
    QCoreApplication::sendEvent(w, &release);
}

void Mouse(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButtons held) {
    const QPointF local(at);
    QMouseEvent e(type, local, w->mapToGlobal(local), Qt::LeftButton, held, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}

int ImageCount(QTextEdit* edit) {
    int n = 0;
    for (QTextBlock b = edit->document()->begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            if (it.fragment().charFormat().isImageFormat()) {
                n += int(it.fragment().length());
            }
        }
    }
    return n;
}

using QtWidgets = QtFixture;

TEST_F(QtWidgets, DialogIsBuiltFromRealWidgets) {
    Recorder dlg(9001);
    ASSERT_TRUE(dlg.Create());
    dlg.MoveWindow(40, 30, 300, 163);
    dlg.ShowWindow(fw::SW_SHOW);
    QWidget* top = W(dlg.GetSafeHwnd());
    ASSERT_NE(top, nullptr);
    EXPECT_TRUE(top->isWindow());
    EXPECT_TRUE(top->isVisible());
    EXPECT_EQ(top->geometry(), QRect(40, 30, 300, 163));
    EXPECT_EQ(top->windowTitle(), QString::fromUtf8("测试"));
    const bool captioned = (dlg.GetStyle() & fw::WS_CAPTION) == fw::WS_CAPTION;
    EXPECT_EQ(top->windowFlags().testFlag(Qt::FramelessWindowHint), !captioned);

    auto* name = As<QLineEdit>(dlg.GetDlgItemHandle(11));
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->parentWidget(), top);
    EXPECT_EQ(name->geometry(), DluRect(50, 4, 60, 12));
    EXPECT_TRUE(name->isVisible());
    ASSERT_NE(As<QLineEdit>(dlg.GetDlgItemHandle(12)), nullptr);
    EXPECT_EQ(As<QLineEdit>(dlg.GetDlgItemHandle(12))->echoMode(), QLineEdit::Password);
    EXPECT_NE(As<QPlainTextEdit>(dlg.GetDlgItemHandle(14)), nullptr);
    auto* check = As<QCheckBox>(dlg.GetDlgItemHandle(15));
    ASSERT_NE(check, nullptr);
    EXPECT_EQ(check->text(), QString::fromUtf8("选中"));
    auto* ok = As<QPushButton>(dlg.GetDlgItemHandle(1));
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->text(), QString::fromUtf8("确定"));
    EXPECT_EQ(ok->geometry(), DluRect(100, 52, 40, 14));
    // Owner-drawn buttons and pictures are part of the painted picture.
    EXPECT_EQ(W(dlg.GetDlgItemHandle(20)), nullptr);
    EXPECT_EQ(W(dlg.GetDlgItemHandle(23)), nullptr);
    ASSERT_NE(W(dlg.GetDlgItemHandle(21)), nullptr);
    EXPECT_FALSE(W(dlg.GetDlgItemHandle(21))->isVisible());
    QWidget* html = W(dlg.GetDlgItemHandle(24));
    ASSERT_NE(html, nullptr);
    EXPECT_FALSE(html->isVisible());
    dlg.GetDlgItem(24)->ShowWindow(fw::SW_SHOW);
    EXPECT_TRUE(html->isVisible());
    EXPECT_EQ(html->geometry(), DluRect(0, 0, 10, 10));
    // The page host parents its view to this widget.
    auto* site = dynamic_cast<fw::HtmlSite*>(dlg.GetDlgItem(24));
    ASSERT_NE(site, nullptr);
    EXPECT_EQ(site->NativeParent(), static_cast<void*>(html));

    // The model's changes show in the widgets.
    dlg.SetDlgItemText(11, G("用户"));
    EXPECT_EQ(name->text(), QString::fromUtf8("用户"));
    dlg.CheckDlgButton(15, fw::BST_CHECKED);
    EXPECT_TRUE(check->isChecked());
    dlg.CheckRadioButton(16, 18, 17);
    EXPECT_TRUE(As<QRadioButton>(dlg.GetDlgItemHandle(17))->isChecked());
    EXPECT_FALSE(As<QRadioButton>(dlg.GetDlgItemHandle(16))->isChecked());
    dlg.GetDlgItem(11)->EnableWindow(false);
    EXPECT_FALSE(name->isEnabled());
    static_cast<fw::IpAddressCtrl*>(dlg.GetDlgItem(22))->SetAddress(192, 168, 1, 20);
    EXPECT_EQ(As<QLineEdit>(dlg.GetDlgItemHandle(22))->text(), QStringLiteral("192.168.1.20"));
    dlg.GetDlgItem(11)->MoveWindow(10, 12, 50, 20);
    EXPECT_EQ(name->geometry(), QRect(10, 12, 50, 20));
    dlg.ShowWindow(fw::SW_HIDE);
    EXPECT_FALSE(top->isVisible());
}

TEST_F(QtWidgets, ClicksAndTypingReachTheDispatchFunction) {
    Recorder dlg(9001);
    ASSERT_TRUE(dlg.Create());
    dlg.ShowWindow(fw::SW_SHOW);
    QWidget* top = W(dlg.GetSafeHwnd());

    As<QCheckBox>(dlg.GetDlgItemHandle(15))->click();
    EXPECT_EQ(dlg.Count(15, fw::BN_CLICKED), 1);
    EXPECT_EQ(dlg.IsDlgButtonChecked(15), fw::BST_CHECKED);

    // Radio buttons follow the core's groups; clicking the checked one keeps it checked.
    auto* r16 = As<QRadioButton>(dlg.GetDlgItemHandle(16));
    auto* r18 = As<QRadioButton>(dlg.GetDlgItemHandle(18));
    dlg.CheckDlgButton(19, fw::BST_CHECKED);
    r16->click();
    r18->click();
    r18->click();
    EXPECT_FALSE(r16->isChecked());
    EXPECT_TRUE(r18->isChecked());
    EXPECT_EQ(dlg.IsDlgButtonChecked(18), fw::BST_CHECKED);
    EXPECT_TRUE(As<QRadioButton>(dlg.GetDlgItemHandle(19))->isChecked());

    // A press and release on the painted owner-drawn button is a click on it.
    const QPoint mid = DluRect(4, 80, 40, 14).center();
    Mouse(top, QEvent::MouseButtonPress, mid, Qt::LeftButton);
    Mouse(top, QEvent::MouseButtonRelease, mid, Qt::NoButton);
    EXPECT_EQ(dlg.Count(20, fw::BN_CLICKED), 1);
    // A disabled one lets the click through to the dialog.
    dlg.GetDlgItem(20)->EnableWindow(false);
    Mouse(top, QEvent::MouseButtonPress, mid, Qt::LeftButton);
    Mouse(top, QEvent::MouseButtonRelease, mid, Qt::NoButton);
    EXPECT_EQ(dlg.Count(20, fw::BN_CLICKED), 1);

    auto* name = As<QLineEdit>(dlg.GetDlgItemHandle(11));
    Type(name, QString::fromUtf8("ab"));
    EXPECT_EQ(dlg.GetDlgItemText(11), "ab");
    EXPECT_EQ(dlg.Count(11, fw::EN_CHANGE), 2);
    dlg.SendDlgItemMessage(11, fw::EM_LIMITTEXT, 3);
    Type(name, QString::fromUtf8("提示"));
    EXPECT_EQ(dlg.GetDlgItemText(11), G("ab提"));
    EXPECT_EQ(name->text(), QString::fromUtf8("ab提"));
    Key(name, Qt::Key_Backspace);
    EXPECT_EQ(dlg.GetDlgItemText(11), "ab");

    auto* digits = As<QLineEdit>(dlg.GetDlgItemHandle(13));
    Type(digits, QStringLiteral("1x2"));
    EXPECT_EQ(dlg.GetDlgItemText(13), "12");

    auto* ip = As<QLineEdit>(dlg.GetDlgItemHandle(22));
    Type(ip, QStringLiteral("10.0.300.7"));
    std::uint8_t f[4] = {};
    EXPECT_EQ(
        static_cast<fw::IpAddressCtrl*>(dlg.GetDlgItem(22))->GetAddress(f[0], f[1], f[2], f[3]), 4);
    EXPECT_EQ((std::vector<int>{f[0], f[1], f[2], f[3]}), (std::vector<int>{10, 0, 255, 7}));

    // Enter in a multi-line editor that wants it is a line break; in a line editor it is OK.
    auto* multi = As<QPlainTextEdit>(dlg.GetDlgItemHandle(14));
    Type(multi, QStringLiteral("xz"));
    multi->moveCursor(QTextCursor::Left);
    Key(multi, Qt::Key_Return);
    Type(multi, QStringLiteral("y"));
    EXPECT_EQ(dlg.GetDlgItemText(14), "x\r\nyz");
    EXPECT_EQ(multi->toPlainText(), QStringLiteral("x\nyz"));
    EXPECT_EQ(dlg.Count(fw::IDOK, fw::BN_CLICKED), 0);
    Key(name, Qt::Key_Return);
    EXPECT_EQ(dlg.Count(fw::IDOK, fw::BN_CLICKED), 1);
    EXPECT_FALSE(top->isVisible());  // OnOK hides a modeless dialog
}

TEST_F(QtWidgets, EscapeInAnEditorCancelsTheDialog) {
    Recorder dlg(9001);
    ASSERT_TRUE(dlg.Create());
    dlg.ShowWindow(fw::SW_SHOW);
    Key(W(dlg.GetDlgItemHandle(12)), Qt::Key_Escape);
    EXPECT_EQ(dlg.Count(fw::IDCANCEL, fw::BN_CLICKED), 1);
    EXPECT_FALSE(dlg.IsWindowVisible());
}

// Real key presses: Tab from a native editor reaches the drawn button (which has no widget
// of its own, so the window takes the keyboard), Space there presses it, Shift+Tab brings
// the keyboard back into the editor.
TEST_F(QtWidgets, TabFromAnEditorReachesADrawnButtonAndSpacePressesIt) {
    Recorder dlg(9010);
    ASSERT_TRUE(dlg.Create());
    dlg.ShowWindow(fw::SW_SHOW);
    QWidget* edit = W(dlg.GetDlgItemHandle(11));
    ASSERT_NE(edit, nullptr);
    fw::input::Focus(dlg.GetDlgItemHandle(11));
    Key(edit, Qt::Key_Tab);
    EXPECT_EQ(fw::GetFocus(), dlg.GetDlgItemHandle(20));
    QWidget* top = edit->window();
    EXPECT_EQ(top->focusWidget(), top);
    Key(top, Qt::Key_Space);
    EXPECT_EQ(dlg.Count(20, fw::BN_CLICKED), 1);
    Key(top, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(fw::GetFocus(), dlg.GetDlgItemHandle(11));
    EXPECT_EQ(top->focusWidget(), edit);
}

TEST_F(QtWidgets, RichEditKeepsItsPicturesWhileTheUserTypes) {
    Recorder dlg(9001);
    ASSERT_TRUE(dlg.Create());
    dlg.ShowWindow(fw::SW_SHOW);
    fw::RichEdit edit;
    ASSERT_TRUE(edit.Create(fw::WS_VISIBLE | fw::ES_MULTILINE, fw::Rect{0, 0, 200, 60}, &dlg, 40));
    edit.SetEventMask(edit.GetEventMask() | fw::ENM_CHANGE);
    auto* te = As<QTextEdit>(edit.GetSafeHwnd());
    ASSERT_NE(te, nullptr);

    edit.ReplaceSel(G("你好"));
    edit.InsertPicture(std::make_shared<const fw::Bitmap>(12, 12, fw::RGB(255, 0, 0)), 7);
    edit.ReplaceSel("!\r\n");
    EXPECT_EQ(te->toPlainText(), QString::fromUtf8("你好\xEF\xBF\xBC!\n"));
    EXPECT_EQ(ImageCount(te), 1);

    // Typed at the end, then at the start: the picture stays where it was.
    te->moveCursor(QTextCursor::End);
    Type(te, QStringLiteral("x"));
    te->moveCursor(QTextCursor::Start);
    Type(te, QStringLiteral("y"));
    EXPECT_EQ(edit.GetObjectCount(), 1);
    fw::RichObjectInfo obj;
    ASSERT_TRUE(edit.GetObjectInfo(0, obj));
    EXPECT_EQ(obj.cp, 3);
    EXPECT_EQ(obj.user, 7u);
    EXPECT_EQ(edit.GetWindowText(), G("y你好 !\r\nx"));
    EXPECT_GE(dlg.Count(40, fw::EN_CHANGE), 2);
    EXPECT_EQ(ImageCount(te), 1);

    // Backspace after the picture removes it from the model too.
    QTextCursor c = te->textCursor();
    c.setPosition(4);
    te->setTextCursor(c);
    Key(te, Qt::Key_Backspace);
    EXPECT_EQ(edit.GetObjectCount(), 0);
    EXPECT_EQ(edit.GetWindowText(), G("y你好!\r\nx"));
    EXPECT_EQ(ImageCount(te), 0);

    // A read-only rich edit refuses typing, and the widget shows the model again.
    edit.SetReadOnly(true);
    EXPECT_TRUE(te->isReadOnly());
}

TEST_F(QtWidgets, RichEditShowsAppendedMessagesWithoutRebuilding) {
    Recorder dlg(9001);
    ASSERT_TRUE(dlg.Create());
    fw::RichEdit edit;
    ASSERT_TRUE(edit.Create(fw::WS_VISIBLE | fw::ES_MULTILINE | fw::ES_READONLY,
                            fw::Rect{0, 0, 200, 60}, &dlg, 41));
    auto* te = As<QTextEdit>(edit.GetSafeHwnd());
    ASSERT_NE(te, nullptr);
    const auto append = [&](const std::string& gbk) {
        edit.SetSel(-1, -1);
        edit.ReplaceSel(gbk);
    };
    append(G("张三： 10:00\r\n你好\r"));
    append("\n");  // completes the "\r\n" split over two appends (this one rebuilds)
    // A cursor into the old text stays put through appends; a rebuild would move it.
    QTextCursor mark(te->document());
    mark.setPosition(3);
    append(G("李四： 10:01\r\n"));
    edit.InsertPicture(std::make_shared<const fw::Bitmap>(8, 8, fw::RGB(0, 0, 255)), 2);
    append("\r\n");
    EXPECT_EQ(te->toPlainText(),
              QString::fromUtf8("张三： 10:00\n你好\n李四： 10:01\n\xEF\xBF\xBC\n"));
    EXPECT_EQ(ImageCount(te), 1);
    EXPECT_EQ(mark.position(), 3);
    // Changing the old text does rebuild it.
    edit.SetSel(0, 2);
    edit.ReplaceSel(G("王五"));
    EXPECT_TRUE(te->toPlainText().startsWith(QString::fromUtf8("王五：")));
    EXPECT_EQ(ImageCount(te), 1);
}

// A dialog that answers Ctrl+Enter itself and writes down the links it is told about.
class ChatLikeDialog : public Recorder {
public:
    using Recorder::Recorder;
    bool PreTranslateMessage(fw::HWND target, const fw::Msg& msg) override {
        if (msg.id == fw::WM_KEYDOWN && msg.wParam == fw::VK_RETURN &&
            (fw::GetKeyState(fw::VK_CONTROL) & 0x8000) != 0) {
            sends.push_back(target);
            return true;
        }
        return false;
    }
    bool OnNotify(fw::UINT id, fw::NotifyHeader& header, fw::LRESULT& result) override {
        if (header.code == fw::EN_LINK) {
            const auto* link = reinterpret_cast<const fw::EnLink*>(&header);
            links.push_back({id, link->msg, link->chrg, link->text});
            result = 0;
            return true;
        }
        return false;
    }
    struct Link {
        fw::UINT id;
        fw::UINT msg;
        fw::CharRange range;
        std::string text;
    };
    std::vector<fw::HWND> sends;
    std::vector<Link> links;
};

bool IsLinkAt(QTextEdit* te, int position) {
    QTextCursor c(te->document());
    c.setPosition(position + 1);  // the format of the character before the cursor
    return c.charFormat().isAnchor() && c.charFormat().fontUnderline();
}

TEST_F(QtWidgets, RichEditLinksAreUnderlinedAndOpenWithARealClick) {
    CaptureOpenedUrls(dir_);
    ChatLikeDialog dlg(9001);
    ASSERT_TRUE(dlg.Create());
    dlg.ShowWindow(fw::SW_SHOW);
    fw::RichEdit view;
    ASSERT_TRUE(view.Create(fw::WS_VISIBLE | fw::ES_MULTILINE | fw::ES_READONLY,
                            fw::Rect{0, 0, 280, 80}, &dlg, 1034));
    view.SetEventMask(fw::ENM_LINK);
    view.SetAutoUrlDetect(true);
    auto* te = As<QTextEdit>(view.GetSafeHwnd());
    ASSERT_NE(te, nullptr);
    view.ReplaceSel(G("看"));
    view.InsertPicture(std::make_shared<const fw::Bitmap>(12, 12, fw::RGB(255, 0, 0)), 14);
    view.ReplaceSel(" http://a.example.cn/x ok");
    // Widget positions: 看, the picture, a blank, then the address (characters 3 to 23).
    EXPECT_FALSE(IsLinkAt(te, 2));
    EXPECT_TRUE(IsLinkAt(te, 3));
    EXPECT_TRUE(IsLinkAt(te, 23));
    EXPECT_FALSE(IsLinkAt(te, 24));
    // An appended message with an address is marked too.
    view.SetSel(-1, -1);
    view.ReplaceSel("\r\nwww.b.cn");
    EXPECT_TRUE(IsLinkAt(te, 30));

    QTextCursor at(te->document());
    at.setPosition(8);
    const QPoint point = te->cursorRect(at).center() + QPoint(2, 0);
    QMouseEvent move(QEvent::MouseMove, QPointF(point), te->viewport()->mapToGlobal(QPointF(point)),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(te->viewport(), &move);
    EXPECT_EQ(te->viewport()->cursor().shape(), Qt::PointingHandCursor);
    Mouse(te->viewport(), QEvent::MouseButtonPress, point, Qt::LeftButton);
    Mouse(te->viewport(), QEvent::MouseButtonRelease, point, Qt::NoButton);
    ASSERT_EQ(dlg.links.size(), 2u);
    EXPECT_EQ(dlg.links[1].msg, fw::WM_LBUTTONUP);
    EXPECT_EQ(dlg.links[1].range, (fw::CharRange{3, 24}));
    EXPECT_EQ(dlg.links[1].text, "http://a.example.cn/x");
    EXPECT_EQ(UrlsOpened(1), (std::vector<std::string>{"http://a.example.cn/x"}));

    // Switching detection off takes the marks away.
    view.SetAutoUrlDetect(false);
    EXPECT_FALSE(IsLinkAt(te, 3));
}

TEST_F(QtWidgets, RichEditTakesTheUsersCaretKeysAndPastes) {
    ChatLikeDialog dlg(9001);
    ASSERT_TRUE(dlg.Create());
    dlg.ShowWindow(fw::SW_SHOW);
    fw::RichEdit input;
    ASSERT_TRUE(input.Create(fw::WS_VISIBLE | fw::ES_MULTILINE | fw::ES_WANTRETURN,
                             fw::Rect{0, 0, 280, 80}, &dlg, 1035));
    input.SetEventMask(fw::ENM_CHANGE | fw::ENM_LINK);
    input.LimitText(500);
    auto* te = As<QTextEdit>(input.GetSafeHwnd());
    ASSERT_NE(te, nullptr);
    Type(te, QString::fromUtf8("你好"));
    input.InsertPicture(std::make_shared<const fw::Bitmap>(12, 12, fw::RGB(0, 0, 255)), 13);
    EXPECT_EQ(ImageCount(te), 1);

    // The caret and the selection the user makes are the model's.
    QTextCursor c = te->textCursor();
    c.setPosition(1);
    c.setPosition(3, QTextCursor::KeepAnchor);
    te->setTextCursor(c);
    int start = -1, end = -1;
    input.GetSel(start, end);
    EXPECT_EQ(start, 1);
    EXPECT_EQ(end, 3);
    c.setPosition(1);
    te->setTextCursor(c);
    input.GetSel(start, end);
    EXPECT_EQ(start, 1);
    EXPECT_EQ(end, 1);

    // Ctrl+Enter goes to the dialog and no further; Enter alone is a line break at the caret.
    Key(te, Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(dlg.sends, (std::vector<fw::HWND>{input.GetSafeHwnd()}));
    EXPECT_EQ(input.GetWindowText(), G("你好 "));
    Key(te, Qt::Key_Return);
    EXPECT_EQ(input.GetWindowText(), G("你\r\n好 "));
    EXPECT_EQ(te->toPlainText(), QString::fromUtf8("你\n好\xEF\xBF\xBC"));
    EXPECT_TRUE(dlg.IsWindowVisible());

    // A paste goes in where the caret is; the picture stays.
    const int changes = dlg.Count(1035, fw::EN_CHANGE);
    c = te->textCursor();
    c.movePosition(QTextCursor::End);
    te->setTextCursor(c);
    te->insertPlainText(QString::fromUtf8("粘贴的\n文字"));
    EXPECT_EQ(input.GetWindowText(), G("你\r\n好 粘贴的\r\n文字"));
    EXPECT_EQ(input.GetObjectCount(), 1);
    EXPECT_EQ(ImageCount(te), 1);
    EXPECT_EQ(dlg.Count(1035, fw::EN_CHANGE), changes + 1);
    // What does not fit the limit is refused as the user's typing is.
    input.LimitText(14);
    te->insertPlainText(QStringLiteral("abcdef"));
    EXPECT_EQ(input.GetTextLength(), 14);
    EXPECT_EQ(te->toPlainText(), QString::fromUtf8("你\n好\xEF\xBF\xBC粘贴的\n文字ab"));
    EXPECT_EQ(ImageCount(te), 1);
}

TEST_F(QtWidgets, AWindowDestroyedByItsOwnClickGoesAwaySafely) {
    auto* dlg = new Recorder(9001);
    ASSERT_TRUE(dlg->Create());
    dlg->ShowWindow(fw::SW_SHOW);
    const HWND h = dlg->GetSafeHwnd();
    dlg->onCommand = [dlg](fw::UINT id, fw::UINT) {
        if (id == 15) {
            dlg->DestroyWindow();
        }
    };
    QPointer<QWidget> check = W(dlg->GetDlgItemHandle(15));
    QPointer<QWidget> top = W(h);
    static_cast<QCheckBox*>(check.data())->click();
    EXPECT_FALSE(fw::IsWindow(h));
    EXPECT_FALSE(top.isNull());  // still on the stack of the click: kept until the loop runs
    EXPECT_FALSE(top->isVisible());
    fw::GetBackend()->ProcessEvents(0);
    EXPECT_TRUE(top.isNull());
    EXPECT_TRUE(check.isNull());
    delete dlg;
}

class Draggable : public Recorder {
public:
    using Recorder::Recorder;
    void OnLButtonDown(fw::UINT, fw::Point) override { StartSystemMove(); }
};

TEST_F(QtWidgets, PressingTheBackgroundDragsTheWindow) {
    Draggable dlg(9002);
    ASSERT_TRUE(dlg.Create());
    dlg.MoveWindow(100, 100, 40, 30);
    dlg.ShowWindow(fw::SW_SHOW);
    QWidget* top = W(dlg.GetSafeHwnd());
    Mouse(top, QEvent::MouseButtonPress, QPoint(2, 2), Qt::LeftButton);
    Mouse(top, QEvent::MouseMove, QPoint(32, 22), Qt::LeftButton);
    Mouse(top, QEvent::MouseButtonRelease, QPoint(32, 22), Qt::NoButton);
    EXPECT_EQ(dlg.GetWindowRect(), (fw::Rect{130, 120, 170, 150}));
    EXPECT_EQ(top->geometry(), QRect(130, 120, 40, 30));
}

}  // namespace
}  // namespace qttest
