#include "platform/qt/QtControls.h"

#include <QAbstractButton>
#include <QBitmap>
#include <QCheckBox>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextImageFormat>
#include <QUrl>
#include <algorithm>
#include <utility>

#include "platform/Resources.h"
#include "platform/core/Text.h"
#include "platform/qt/QtText.h"
#include "platform/qt/TopWindow.h"

namespace fw::qt {

namespace {

constexpr QChar kObjectChar(0xFFFC);
constexpr int kDefaultLimit = 30000;
const QString kLinkScheme = QStringLiteral("vqlink:");
const QColor kLinkColor(0, 0, 255);

// The rich edit whose user edit is being put back from the model: the widget shows that
// text already, and rebuilding it would lose the caret, the undo steps and an input
// method's state.
HWND g_userEdited = kNoWindow;

std::vector<RichItem> RichContent(HWND hwnd) {
    RichEdit view;
    view.AttachHandle(hwnd);
    std::vector<RichItem> items = view.Content();
    view.DetachHandle();
    return items;
}

std::pair<int, int> EditSelection(HWND hwnd, ControlKind kind) {
    int start = 0;
    int end = 0;
    if (kind == ControlKind::RichEdit) {
        RichEdit view;
        view.AttachHandle(hwnd);
        view.GetSel(start, end);
        view.DetachHandle();
    }
    return {start, end};
}

bool SameRich(const std::vector<RichItem>& a, const std::vector<RichItem>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const RichItem& x, const RichItem& y) {
                          return x.isObject == y.isObject && x.text == y.text &&
                                 x.picture == y.picture && x.user == y.user;
                      });
}

QImage PictureImage(const std::shared_ptr<const Bitmap>& picture) {
    if (!picture || picture->IsNull()) {
        QImage blank(1, 1, QImage::Format_ARGB32);
        blank.fill(Qt::transparent);
        return blank;
    }
    // The sharper variant when there is one; the text format keeps the logical size.
    const Bitmap& b = picture->VariantFor(2);
    QImage image = QImage(reinterpret_cast<const uchar*>(b.Pixels().data()), b.DeviceWidth(),
                          b.DeviceHeight(), qsizetype(b.DeviceWidth()) * 4, QImage::Format_RGB32)
                       .copy();
    image.setDevicePixelRatio(b.Scale());
    return image;
}

void InsertItems(QTextEdit* te, QTextCursor& cursor, const std::vector<RichItem>& items) {
    QTextDocument* doc = te->document();
    // Picture names stay unique for the widget's life: appended pictures join old ones.
    int picture = te->property("vqPictures").toInt();
    for (const RichItem& item : items) {
        if (item.isObject) {
            const QString name = QStringLiteral("vqobj:%1").arg(++picture);
            doc->addResource(QTextDocument::ImageResource, QUrl(name), PictureImage(item.picture));
            QTextImageFormat format;
            format.setName(name);
            if (item.picture && !item.picture->IsNull()) {
                format.setWidth(item.picture->Width());
                format.setHeight(item.picture->Height());
            }
            cursor.insertImage(format);
        } else {
            QString text = FromGbk(item.text);
            text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
            text.replace(QChar('\r'), QChar('\n'));
            cursor.insertText(text);
        }
    }
    te->setProperty("vqPictures", picture);
}

// Whether `now` is `before` with more at the end; `tail` gets what was added.
bool AppendedTo(const std::vector<RichItem>& before, const std::vector<RichItem>& now,
                std::vector<RichItem>& tail) {
    if (before.empty() || now.size() < before.size()) {
        return false;
    }
    const std::size_t last = before.size() - 1;
    if (!SameRich({before.begin(), before.begin() + std::ptrdiff_t(last)},
                  {now.begin(), now.begin() + std::ptrdiff_t(last)})) {
        return false;
    }
    const RichItem& a = before[last];
    const RichItem& b = now[last];
    tail.clear();
    if (a.isObject || b.isObject) {
        if (!SameRich({a}, {b})) {
            return false;
        }
    } else {
        // A "\r" at the end may pair with a "\n" that follows: that line break is one.
        if (b.text.compare(0, a.text.size(), a.text) != 0 ||
            (!a.text.empty() && a.text.back() == '\r')) {
            return false;
        }
        if (b.text.size() > a.text.size()) {
            tail.push_back(RichItem{b.text.substr(a.text.size()), nullptr, 0, false});
        }
    }
    tail.insert(tail.end(), now.begin() + std::ptrdiff_t(before.size()), now.end());
    return true;
}

int ShownIndex(const QtBackend::ShownText& shown, int coreChar) {
    const auto it = std::lower_bound(shown.coreIndex.begin(), shown.coreIndex.end(), coreChar);
    return int(std::min<std::ptrdiff_t>(it - shown.coreIndex.begin(), shown.text.size()));
}

int CoreIndex(const QtBackend::ShownText& shown, int widgetPos) {
    const auto& index = shown.coreIndex;
    if (index.empty()) {
        return 0;
    }
    return index[std::size_t(std::clamp(widgetPos, 0, int(index.size()) - 1))];
}

std::vector<RichLink> LinksOf(HWND hwnd) {
    RichEdit view;
    view.AttachHandle(hwnd);
    std::vector<RichLink> links = view.GetLinks();
    view.DetachHandle();
    return links;
}

// Links the model found are anchors of the document ("vqlink:" + first character), drawn
// blue and underlined; everything else is plain.
void MarkLinks(QTextEdit* te, const QtBackend::ShownText& shown, HWND hwnd, bool autoUrl) {
    const std::vector<RichLink> links = autoUrl ? LinksOf(hwnd) : std::vector<RichLink>();
    const bool hadLinks = te->property("vqLinks").toBool();
    if (links.empty() && !hadLinks) {
        return;
    }
    QTextDocument* doc = te->document();
    QTextCursor all(doc);
    all.select(QTextCursor::Document);
    QTextCharFormat plain;
    plain.setAnchor(false);
    plain.setAnchorHref(QString());
    plain.setFontUnderline(false);
    plain.setForeground(te->palette().text());
    all.mergeCharFormat(plain);
    for (const RichLink& link : links) {
        QTextCursor c(doc);
        c.setPosition(ShownIndex(shown, link.range.cpMin));
        c.setPosition(ShownIndex(shown, link.range.cpMax), QTextCursor::KeepAnchor);
        QTextCharFormat format;
        format.setAnchor(true);
        format.setAnchorHref(kLinkScheme + QString::number(link.range.cpMin));
        format.setFontUnderline(true);
        format.setForeground(kLinkColor);
        c.mergeCharFormat(format);
    }
    te->setProperty("vqLinks", !links.empty());
}

// The user moved the caret or the selection of a rich edit.
void ReportSelection(QtBackend& backend, HWND hwnd, QTextEdit* te) {
    QtBackend::WindowEntry* e = backend.Entry(hwnd);
    if (e == nullptr || backend.Applying() || te->toPlainText() != e->shown.text) {
        return;  // a text change is on its way and brings the selection with it
    }
    const QTextCursor cursor = te->textCursor();
    QtBackend::Scope scope(backend);
    QtBackend::ReportingScope reporting(backend, hwnd);
    input::Select(hwnd, CoreIndex(e->shown, cursor.selectionStart()),
                  CoreIndex(e->shown, cursor.selectionEnd()));
}

// Clicks on links go to the model; the pointer shows a hand over them.
class LinkFilter : public QObject {
public:
    LinkFilter(QtBackend& backend, HWND hwnd, QTextEdit* te)
        : QObject(te), backend_(backend), hwnd_(hwnd), te_(te) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const QEvent::Type type = event->type();
        if (type != QEvent::MouseMove && type != QEvent::MouseButtonRelease) {
            return QObject::eventFilter(watched, event);
        }
        auto* mouse = static_cast<QMouseEvent*>(event);
        const QString href = te_->anchorAt(mouse->position().toPoint());
        const bool onLink = href.startsWith(kLinkScheme);
        if (type == QEvent::MouseMove) {
            if (onLink) {
                te_->viewport()->setCursor(Qt::PointingHandCursor);
            } else {
                te_->viewport()->setCursor(te_->isReadOnly() ? Qt::ArrowCursor : Qt::IBeamCursor);
            }
            return false;
        }
        if (onLink && mouse->button() == Qt::LeftButton && !te_->textCursor().hasSelection()) {
            QtBackend::Scope scope(backend_);
            input::ClickRichEditChar(hwnd_, href.mid(kLinkScheme.size()).toInt());
        }
        return false;
    }

private:
    QtBackend& backend_;
    HWND hwnd_;
    QTextEdit* te_;
};

// A picture radio button's picture, its magenta left out.
QIcon PictureIcon(UINT bitmapId, QSize& size) {
    std::shared_ptr<const Bitmap> picture = Resources::Global().LoadBitmap(bitmapId);
    if (!picture || picture->IsNull()) {
        return {};
    }
    auto pixmapOf = [](const Bitmap& b) {
        const QImage image(reinterpret_cast<const uchar*>(b.Pixels().data()), b.DeviceWidth(),
                           b.DeviceHeight(), qsizetype(b.DeviceWidth()) * 4, QImage::Format_RGB32);
        QPixmap pixmap = QPixmap::fromImage(image.copy());
        pixmap.setMask(pixmap.createMaskFromColor(QColor(255, 0, 255), Qt::MaskInColor));
        pixmap.setDevicePixelRatio(b.Scale());
        return pixmap;
    };
    const QPixmap pixmap = pixmapOf(*picture);
    size = pixmap.size();
    QIcon icon(pixmap);
    // On a screen of scale 2 the icon takes its double-size drawing instead of enlarging.
    if (picture->DoubleSize()) {
        icon.addPixmap(pixmapOf(*picture->DoubleSize()));
    }
    return icon;
}

// The user changed an editor's text to `now`.
void ReportEdit(QtBackend& backend, HWND hwnd, const QString& now) {
    QtBackend::WindowEntry* e = backend.Entry(hwnd);
    if (e == nullptr || backend.Applying()) {
        return;
    }
    int first = 0;
    int last = 0;
    std::string inserted;
    if (!DiffEdit(e->shown, now, first, last, inserted)) {
        return;
    }
    QtBackend::Scope scope(backend);
    {
        // The selection change must not put the old text back into the widget.
        QtBackend::ReportingScope reporting(backend, hwnd);
        fw::SendMessage(hwnd, EM_SETSEL, WPARAM(first), LPARAM(last));
        input::Type(hwnd, inserted);
    }
    // The model may have taken less than was typed (limit, digits only, read-only).
    const HWND outer = std::exchange(g_userEdited, hwnd);
    backend.SyncFromModel(hwnd);
    g_userEdited = outer;
}

void ApplyEditor(QtBackend& backend, QtBackend::WindowEntry& e, std::uint32_t bits) {
    const WindowInfo& info = e.info;
    QWidget* w = e.widget;
    const bool rich = info.kind == ControlKind::RichEdit;
    if ((bits & (kChangeText | kChangeContent)) != 0) {
        std::vector<RichItem> items;
        if (rich) {
            items = RichContent(info.hwnd);
        }
        QtBackend::ShownText shown = ShowText(info.text, rich ? &items : nullptr);
        const auto [selStart, selEnd] = EditSelection(info.hwnd, info.kind);
        (void)selStart;
        ApplyingScope applying(backend);
        if (auto* line = qobject_cast<QLineEdit*>(w)) {
            if (line->text() != shown.text) {
                const int cursor = line->cursorPosition();
                line->setText(shown.text);
                line->setCursorPosition(std::min(cursor, int(shown.text.size())));
            }
        } else if (auto* plain = qobject_cast<QPlainTextEdit*>(w)) {
            if (plain->toPlainText() != shown.text) {
                plain->setPlainText(shown.text);
                plain->moveCursor(QTextCursor::End);
            }
        } else if (auto* te = qobject_cast<QTextEdit*>(w)) {
            if (info.hwnd == g_userEdited && te->toPlainText() == shown.text) {
                // The widget made this change itself: text and pictures are in place.
            } else if (!SameRich(e.shown.rich, shown.rich) || te->toPlainText() != shown.text) {
                QTextDocument* doc = te->document();
                std::vector<RichItem> tail;
                if (te->toPlainText() == e.shown.text &&
                    AppendedTo(e.shown.rich, shown.rich, tail)) {
                    // Chat windows add a message at a time: only the new part goes in.
                    QTextCursor end(doc);
                    end.movePosition(QTextCursor::End);
                    InsertItems(te, end, tail);
                } else {
                    doc->clear();
                    QTextCursor cursor(doc);
                    InsertItems(te, cursor, shown.rich);
                }
                // The caret goes where the model's selection ends, and is scrolled into view
                // as the desktop's rich edit does after a replacement.
                QTextCursor caret(doc);
                caret.setPosition(std::min(ShownIndex(shown, selEnd), doc->characterCount() - 1));
                te->setTextCursor(caret);
                te->ensureCursorVisible();
            }
            MarkLinks(te, shown, info.hwnd, info.autoUrl);
        }
        e.shown = std::move(shown);
    } else if (auto* te = qobject_cast<QTextEdit*>(w); te != nullptr && rich) {
        // Detection switched on or off.
        ApplyingScope applying(backend);
        MarkLinks(te, e.shown, info.hwnd, info.autoUrl);
    }
    if ((bits & (kChangeContent | kChangeStyle)) != 0 || bits == ~0u) {
        const int limit = info.limit > 0 ? info.limit : kDefaultLimit;
        if (auto* line = qobject_cast<QLineEdit*>(w)) {
            line->setReadOnly(info.readOnly);
            line->setMaxLength(limit);
            line->setEchoMode((info.style & ES_PASSWORD) != 0 ? QLineEdit::Password
                                                              : QLineEdit::Normal);
        } else if (auto* plain = qobject_cast<QPlainTextEdit*>(w)) {
            plain->setReadOnly(info.readOnly);
        } else if (auto* te = qobject_cast<QTextEdit*>(w)) {
            te->setReadOnly(info.readOnly);
        }
    }
}

void ApplyIpAddress(QtBackend& backend, QtBackend::WindowEntry& e) {
    auto* line = qobject_cast<QLineEdit*>(e.widget.data());
    if (line == nullptr) {
        return;
    }
    IpAddressCtrl view;
    view.AttachHandle(e.info.hwnd);
    std::uint8_t f[4] = {};
    const int fields = view.GetAddress(f[0], f[1], f[2], f[3]);
    view.DetachHandle();
    const QString text =
        fields == 0 ? QString()
                    : QStringLiteral("%1.%2.%3.%4").arg(f[0]).arg(f[1]).arg(f[2]).arg(f[3]);
    if (line->text() != text) {
        ApplyingScope applying(backend);
        line->setText(text);
    }
}

// Fields of an IP address typed by the user: up to four numbers, each clamped to 255.
void ReportIpAddress(QtBackend& backend, HWND hwnd, const QString& text) {
    if (backend.Applying()) {
        return;
    }
    const QStringList parts = text.split(QChar('.'));
    std::uint32_t address = 0;
    bool any = false;
    for (int i = 0; i < 4; ++i) {
        std::uint32_t v = 0;
        if (i < parts.size() && !parts[i].trimmed().isEmpty()) {
            v = std::min(parts[i].trimmed().toUInt(), 255u);
            any = true;
        }
        address = (address << 8) | v;
    }
    QtBackend::Scope scope(backend);
    QtBackend::ReportingScope reporting(backend, hwnd);
    if (any) {
        input::SetIpAddress(hwnd, address);
    } else {
        fw::SendMessage(hwnd, IPM_CLEARADDRESS, 0, 0);
    }
}

void ReportClick(QtBackend& backend, HWND hwnd) {
    if (backend.Applying()) {
        return;
    }
    QtBackend::Scope scope(backend);
    input::Click(hwnd);
    // The button shows the model's check state, whatever Qt toggled by itself.
    backend.SyncFromModel(hwnd);
}

// Keys the dialog acts on: Escape, Ctrl+Enter, and Enter outside an editor that keeps it.
class DialogKeyFilter : public QObject {
public:
    DialogKeyFilter(QtBackend& backend, HWND hwnd, QObject* parent)
        : QObject(parent), backend_(backend), hwnd_(hwnd) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease) {
            return QObject::eventFilter(watched, event);
        }
        auto* key = static_cast<QKeyEvent*>(event);
        const UINT vk = VirtualKey(key->key());
        if (vk != VK_RETURN && vk != VK_ESCAPE) {
            return false;
        }
        WindowInfo info;
        if (!backend_.InfoOf(hwnd_, info)) {
            return false;
        }
        QtBackend::Scope scope(backend_);
        const bool down = event->type() == QEvent::KeyPress;
        auto* plain = qobject_cast<QPlainTextEdit*>(parent());
        auto* rich = qobject_cast<QTextEdit*>(parent());
        const QTextCursor cursor = plain != nullptr  ? plain->textCursor()
                                   : rich != nullptr ? rich->textCursor()
                                                     : QTextCursor();
        // Read now: the document is rebuilt below and cursors into it move.
        const int selStart = cursor.selectionStart();
        const int selEnd = cursor.selectionEnd();
        if (down && vk == VK_RETURN && !cursor.isNull()) {
            // The core puts the line break into the model at its selection: make that the
            // widget's first.
            if (QtBackend::WindowEntry* e = backend_.Entry(hwnd_)) {
                const auto& index = e->shown.coreIndex;
                const auto at = [&](int q) {
                    return index.empty()
                               ? 0
                               : index[std::size_t(std::clamp(q, 0, int(index.size()) - 1))];
                };
                QtBackend::ReportingScope reporting(backend_, hwnd_);
                fw::SendMessage(hwnd_, EM_SETSEL, WPARAM(at(selStart)), LPARAM(at(selEnd)));
            }
        }
        const QString before = plain != nullptr  ? plain->toPlainText()
                               : rich != nullptr ? rich->toPlainText()
                                                 : QString();
        input::Key(hwnd_, vk, down, KeyBits({}, key->modifiers()));
        backend_.SyncFromModel(hwnd_);
        if (down && !cursor.isNull()) {
            // A line break the model took goes right after the old selection's start.
            const QString after = plain != nullptr ? plain->toPlainText() : rich->toPlainText();
            const int expected = int(before.size()) - (selEnd - selStart) + 1;
            if (int(after.size()) == expected) {
                QTextCursor moved(plain != nullptr ? plain->document() : rich->document());
                moved.setPosition(selStart + 1);
                if (plain != nullptr) {
                    plain->setTextCursor(moved);
                } else {
                    rich->setTextCursor(moved);
                }
            }
        }
        // The desktop's editors never see these keys themselves: the core decides.
        return true;
    }

private:
    QtBackend& backend_;
    HWND hwnd_;
};

}  // namespace

bool IsNativeKind(const WindowInfo& info) {
    if (info.parent == kNoWindow) {
        return false;
    }
    switch (info.kind) {
        case ControlKind::Edit:
        case ControlKind::RichEdit:
        case ControlKind::IpAddress:
        case ControlKind::Html:
        case ControlKind::Site:
            return true;
        case ControlKind::CheckBox:
        case ControlKind::Radio:
        case ControlKind::Button:
            return (info.style & BS_TYPEMASK) != BS_OWNERDRAW;
        default:
            return false;
    }
}

QWidget* MakeControl(QtBackend& backend, const WindowInfo& info, QWidget* parent) {
    const HWND hwnd = info.hwnd;
    QWidget* w = nullptr;
    switch (info.kind) {
        case ControlKind::Edit:
            if ((info.style & ES_MULTILINE) != 0) {
                auto* plain = new QPlainTextEdit(parent);
                QObject::connect(
                    plain, &QPlainTextEdit::textChanged, plain,
                    [&backend, hwnd, plain] { ReportEdit(backend, hwnd, plain->toPlainText()); });
                w = plain;
            } else {
                auto* line = new QLineEdit(parent);
                line->setFrame((info.style & WS_BORDER) != 0);
                if ((info.style & ES_NUMBER) != 0) {
                    line->setValidator(new QRegularExpressionValidator(
                        QRegularExpression(QStringLiteral("[0-9]*")), line));
                }
                QObject::connect(
                    line, &QLineEdit::textEdited, line,
                    [&backend, hwnd](const QString& text) { ReportEdit(backend, hwnd, text); });
                w = line;
            }
            break;
        case ControlKind::RichEdit: {
            auto* te = new QTextEdit(parent);
            te->setAcceptRichText(false);
            QObject::connect(te, &QTextEdit::textChanged, te, [&backend, hwnd, te] {
                ReportEdit(backend, hwnd, te->toPlainText());
            });
            // Pictures go in at the caret the user left, as the program inserts them at the
            // model's selection.
            QObject::connect(te, &QTextEdit::cursorPositionChanged, te,
                             [&backend, hwnd, te] { ReportSelection(backend, hwnd, te); });
            QObject::connect(te, &QTextEdit::selectionChanged, te,
                             [&backend, hwnd, te] { ReportSelection(backend, hwnd, te); });
            te->viewport()->setMouseTracking(true);
            te->viewport()->installEventFilter(new LinkFilter(backend, hwnd, te));
            w = te;
            break;
        }
        case ControlKind::IpAddress: {
            auto* line = new QLineEdit(parent);
            line->setValidator(new QRegularExpressionValidator(
                QRegularExpression(QStringLiteral("[0-9]{0,3}(\\.[0-9]{0,3}){0,3}")), line));
            line->setPlaceholderText(QStringLiteral("   .   .   ."));
            QObject::connect(
                line, &QLineEdit::textEdited, line,
                [&backend, hwnd](const QString& text) { ReportIpAddress(backend, hwnd, text); });
            w = line;
            break;
        }
        case ControlKind::CheckBox: {
            // Check boxes and radio buttons fill no background: the window's picture under
            // them shows through.
            auto* box = new QCheckBox(parent);
            QObject::connect(box, &QAbstractButton::clicked, box,
                             [&backend, hwnd] { ReportClick(backend, hwnd); });
            w = box;
            break;
        }
        case ControlKind::Radio: {
            auto* radio = new QRadioButton(parent);
            // Groups are the core's business (the group flag), not the widget parent's.
            radio->setAutoExclusive(false);
            if (info.imageId != 0) {
                QSize size;
                radio->setIcon(PictureIcon(info.imageId, size));
                radio->setIconSize(size);
            }
            QObject::connect(radio, &QAbstractButton::clicked, radio,
                             [&backend, hwnd] { ReportClick(backend, hwnd); });
            w = radio;
            break;
        }
        case ControlKind::Button: {
            auto* button = new QPushButton(parent);
            QObject::connect(button, &QAbstractButton::clicked, button,
                             [&backend, hwnd] { ReportClick(backend, hwnd); });
            w = button;
            break;
        }
        case ControlKind::Html:
        case ControlKind::Site:
            w = new AreaWidget(backend, hwnd, parent);
            break;
        default:
            return nullptr;
    }
    w->setProperty("vqHwnd", QVariant::fromValue<qulonglong>(hwnd));
    w->installEventFilter(new DialogKeyFilter(backend, hwnd, w));
    return w;
}

void ApplyControl(QtBackend& backend, QtBackend::WindowEntry& e, std::uint32_t bits) {
    QWidget* w = e.widget;
    if (w == nullptr) {
        return;
    }
    const WindowInfo& info = e.info;
    if ((bits & kChangeEnabled) != 0) {
        w->setEnabled(info.enabled);
    }
    if ((bits & kChangeFont) != 0) {
        w->setFont(ToQFont(info.font));
    }
    switch (info.kind) {
        case ControlKind::Edit:
        case ControlKind::RichEdit:
            ApplyEditor(backend, e, bits);
            break;
        case ControlKind::IpAddress:
            if ((bits & (kChangeContent | kChangeText)) != 0) {
                ApplyIpAddress(backend, e);
            }
            break;
        case ControlKind::CheckBox:
        case ControlKind::Radio:
        case ControlKind::Button:
            if (auto* b = qobject_cast<QAbstractButton*>(w)) {
                ApplyingScope applying(backend);
                if ((bits & kChangeText) != 0) {
                    b->setText(FromGbk(info.text));
                }
                if (info.kind != ControlKind::Button) {
                    b->setChecked(info.check == BST_CHECKED);
                } else if (auto* push = qobject_cast<QPushButton*>(w);
                           push != nullptr && (bits & kChangeStyle) != 0) {
                    push->setDefault((info.style & BS_TYPEMASK) == BS_DEFPUSHBUTTON);
                }
            }
            break;
        default:
            break;
    }
}

QtBackend::ShownText ShowText(const std::string& gbk, const std::vector<RichItem>* rich) {
    QtBackend::ShownText s;
    int core = 0;
    auto add = [&](std::string_view t) {
        for (std::size_t i = 0; i < t.size();) {
            const auto b = static_cast<unsigned char>(t[i]);
            if (b == '\r') {
                const bool pair = i + 1 < t.size() && t[i + 1] == '\n';
                s.text += QChar('\n');
                s.coreIndex.push_back(core);
                core += pair ? 2 : 1;
                i += pair ? 2 : 1;
            } else if (i + 1 < t.size() && vq::IsGbkPair(b, static_cast<unsigned char>(t[i + 1]))) {
                const std::u16string u = vq::GbkToUtf16(t.substr(i, 2));
                for (char16_t c : u) {
                    s.text += QChar(c);
                    s.coreIndex.push_back(core);
                }
                ++core;
                i += 2;
            } else {
                s.text += QChar(b < 0x80 ? char16_t(b) : u'?');
                s.coreIndex.push_back(core);
                ++core;
                ++i;
            }
        }
    };
    if (rich != nullptr) {
        for (const RichItem& item : *rich) {
            if (item.isObject) {
                s.text += kObjectChar;
                s.coreIndex.push_back(core);
                ++core;
            } else {
                add(item.text);
            }
        }
        s.rich = *rich;
    } else {
        add(gbk);
    }
    s.coreIndex.push_back(core);
    return s;
}

bool DiffEdit(const QtBackend::ShownText& before, const QString& after, int& first, int& last,
              std::string& inserted) {
    const QString& a = before.text;
    const qsizetype n = a.size();
    const qsizetype m = after.size();
    if (before.coreIndex.size() != std::size_t(n) + 1) {
        return false;
    }
    qsizetype p = 0;
    while (p < n && p < m && a[p] == after[p]) {
        ++p;
    }
    qsizetype s = 0;
    while (s < n - p && s < m - p && a[n - 1 - s] == after[m - 1 - s]) {
        ++s;
    }
    if (p == n && p == m) {
        return false;
    }
    first = before.coreIndex[std::size_t(p)];
    last = before.coreIndex[std::size_t(n - s)];
    QString text = after.mid(p, m - s - p);
    text.remove(kObjectChar);  // pictures come only from the program
    text.replace(QChar(0x2029), QChar('\n'));
    text.replace(QChar(0x2028), QChar('\n'));
    text.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    inserted = ToGbk(text);
    return true;
}

}  // namespace fw::qt
