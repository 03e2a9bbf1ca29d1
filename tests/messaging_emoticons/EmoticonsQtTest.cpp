// The emoticon suite on the Qt backend (offscreen), and what only real widgets show: the
// pictures as images of the editor's document, the picker closing when the user goes to
// another window, and screenshots of a conversation with emoticons and of the open picker.

#include <QApplication>
#include <QPainter>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextImageFormat>
#include <QUrl>

#include "tests/messaging_emoticons/EmoticonSuite.h"
#include "tests/platform_qt/QtTestEnv.h"

namespace {

struct QtTraits {
    static std::unique_ptr<fw::Backend> Make() {
        qttest::ResetDriver();
        return qttest::MakeBackend();
    }
    static void LetTimePass(int ms) { qttest::LetTimePass(ms); }
};

}  // namespace

INSTANTIATE_TYPED_TEST_SUITE_P(Qt, EmoticonSuite, ::testing::Types<QtTraits>);

namespace {

using emotest::G;

QWidget* W(fw::HWND h) {
    return static_cast<QWidget*>(fw::GetBackend()->NativeHandle(h));
}

// The images of a document in order, as the document holds them.
std::vector<QImage> DocumentImages(QTextEdit* te) {
    std::vector<QImage> out;
    QTextDocument* doc = te->document();
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat f = it.fragment().charFormat();
            if (f.isImageFormat()) {
                const QVariant v =
                    doc->resource(QTextDocument::ImageResource, QUrl(f.toImageFormat().name()));
                out.push_back(v.value<QImage>());
            }
        }
    }
    return out;
}

std::filesystem::path ScreenshotDir() {
    const char* build = std::getenv("VQ_BINARY_DIR");
    std::filesystem::path dir = build != nullptr && *build != '\0'
                                    ? std::filesystem::path(build) / "screenshots"
                                    : std::filesystem::temp_directory_path() / "vq-screenshots";
    std::filesystem::create_directories(dir);
    return dir;
}

QImage Grab(fw::HWND h) {
    return W(h)->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

class EmoticonsQt : public EmoticonSuite<QtTraits> {};

TEST_F(EmoticonsQt, PicturesAreImagesOfTheEditorsDocument) {
    auto* te = qobject_cast<QTextEdit*>(W(edit_.GetSafeHwnd()));
    ASSERT_NE(te, nullptr);
    InsertEmoticonText(G("你好/:)今天/<Y1>/<Y2>"), edit_);
    EXPECT_EQ(te->toPlainText(), QString::fromUtf8("你好\xEF\xBF\xBC今天\xEF\xBF\xBC\xEF\xBF\xBC"));
    const std::vector<QImage> images = DocumentImages(te);
    ASSERT_EQ(images.size(), 3u);
    const fw::Bitmap smile = EmoticonPicture(EmoticonImages(), 14);
    ASSERT_EQ(images[0].size(), QSize(20, 20));
    int differing = 0;
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 20; ++x) {
            const QRgb q = images[0].pixel(x, y);
            differing += fw::RGB(qRed(q), qGreen(q), qBlue(q)) != smile.GetPixel(x, y);
        }
    }
    EXPECT_EQ(differing, 0);

    // The user types between the pictures: they stay, and read back as their codes.
    QTextCursor c = te->textCursor();
    c.setPosition(3);
    te->setTextCursor(c);
    te->insertPlainText(QStringLiteral("!"));
    EXPECT_EQ(ReadEmoticonText(edit_), G("你好/:)!今天/<Y1>/<Y2>"));
    EXPECT_EQ(DocumentImages(te).size(), 3u);
    // The caret the user left is where a chosen emoticon goes.
    c.setPosition(1);
    te->setTextCursor(c);
    InsertEmoticon(edit_, 13);
    EXPECT_EQ(ReadEmoticonText(edit_), G("你/:D好/:)!今天/<Y1>/<Y2>"));
    EXPECT_EQ(DocumentImages(te).size(), 4u);
}

TEST_F(EmoticonsQt, PickerClosesWhenTheUserGoesToTheInputBox) {
    host_.ShowWindow(fw::SW_SHOW);
    CImageSelector* picker = CImageSelector::Show(EmoticonImages(), 260, 420, &host_);
    ASSERT_NE(picker, nullptr);
    const fw::HWND handle = picker->GetSafeHwnd();
    qttest::LetTimePass(50);
    ASSERT_TRUE(fw::IsWindow(handle));
    QWidget* input = W(edit_.GetSafeHwnd());
    input->activateWindow();
    input->setFocus(Qt::MouseFocusReason);
    EXPECT_TRUE(qttest::PumpUntil([&] { return !fw::IsWindow(handle); }));
    EXPECT_TRUE(host_.commands.empty() ||
                host_.commands.back().first < CImageSelector::kFirstCommand);
}

TEST_F(EmoticonsQt, ScreenshotsOfAConversationAndOfThePicker) {
    host_.MoveWindow(100, 80, 640, 400);
    host_.ShowWindow(fw::SW_SHOW);
    edit_.SetReadOnly(true);
    edit_.SetAutoUrlDetect(true);
    edit_.SetFont(fw::Font::FromHeight(G("宋体"), 12));
    const auto append = [&](const std::string& block) {
        edit_.SetSel(-1, -1);
        InsertEmoticonText(block, edit_);
    };
    append(G("张三： 2010-5-7  9：3：15\r\n早上好/:)今天的早评看了吗？/<Y1>\r\n\r\n"));
    append(
        G("李四： 2010-5-7  9：4：2\r\n看了/:D 大盘要涨/<F>/<F>，详见 "
          "http://news.example.cn/a?id=7 /<OK>\r\n\r\n"));
    append(G("张三： 2010-5-7  9：5：40\r\n好的/:P 收盘后再聊/<~>/<11>\r\n\r\n"));
    EXPECT_EQ(edit_.GetObjectCount(), 9);
    ASSERT_EQ(edit_.GetLinks().size(), 1u);
    qttest::LetTimePass(100);
    const QImage conversation = Grab(host_.GetSafeHwnd());
    EXPECT_TRUE(conversation.save(
        QString::fromStdString((ScreenshotDir() / "emoticons-rich-edit.png").string())));
    auto* te = qobject_cast<QTextEdit*>(W(edit_.GetSafeHwnd()));
    ASSERT_NE(te, nullptr);
    EXPECT_EQ(DocumentImages(te).size(), 9u);

    // The picker opened below the editor, the pointer resting on one picture.
    const fw::Rect at = host_.GetWindowRect();
    CImageSelector* picker =
        CImageSelector::Show(EmoticonImages(), at.left + 20, at.top + 250, &host_);
    ASSERT_NE(picker, nullptr);
    const fw::HWND handle = picker->GetSafeHwnd();
    fw::input::Mouse(handle, fw::WM_MOUSEMOVE, {4 * 26 + 10, 26 + 10});
    qttest::LetTimePass(int(fw::ToolTipCtrl::kInitialDelayMs) + 300);
    ASSERT_TRUE(fw::IsWindow(handle));
    ASSERT_EQ(picker->ToolTip().ShownTool(), 1014u);
    // The desktop as the user sees it: the window, the picker over it, the tip over both.
    QImage desk(800, 600, QImage::Format_RGB32);
    desk.fill(QColor(58, 110, 165));
    {
        QPainter p(&desk);
        for (const fw::HWND h : {host_.GetSafeHwnd(), handle, picker->ToolTip().GetSafeHwnd()}) {
            const fw::Rect r = fw::Window::FromHandle(h)->GetWindowRect();
            p.drawImage(r.left, r.top, Grab(h));
        }
    }
    EXPECT_TRUE(
        desk.save(QString::fromStdString((ScreenshotDir() / "emoticon-picker.png").string())));
    const QImage grid = Grab(handle);
    EXPECT_EQ(grid.size(), QSize(260, 130));
}

}  // namespace
