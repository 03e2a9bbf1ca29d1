#include "platform/qt/QtAccessible.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QPointer>
#include <QWindow>
#include <map>
#include <vector>

#include "platform/Accessible.h"
#include "platform/Backend.h"
#include "platform/qt/QtBackend.h"
#include "platform/qt/QtText.h"
#include "platform/qt/TopWindow.h"

namespace fw::qt {

namespace {

const char kBridgeName[] = "vqAccessibilityBridge";

QtBackend* CurrentBackend() {
    return fw::IsInitialized() ? dynamic_cast<QtBackend*>(fw::GetBackend()) : nullptr;
}

// The native widget of a child window, or null when the core draws it.
QWidget* NativeOf(HWND hwnd) {
    QtBackend* b = CurrentBackend();
    return b == nullptr ? nullptr : b->Widget(hwnd);
}

TopWindow* TopWidgetOf(HWND hwnd) {
    QtBackend* b = CurrentBackend();
    return b == nullptr ? nullptr : b->TopWidget(hwnd);
}

bool IsTopLevel(HWND hwnd) {
    WindowInfo info;
    return fw::GetWindowInfo(hwnd, info) && info.parent == kNoWindow;
}

// One thing the reader lists: a window, or a part of one (part id not 0).
struct Listed {
    HWND hwnd = kNoWindow;
    UINT part = 0;
    bool operator<(const Listed& o) const { return hwnd != o.hwnd ? hwnd < o.hwnd : part < o.part; }
};

void AddParts(HWND hwnd, std::vector<Listed>& out) {
    for (const AccessiblePart& p : fw::GetAccessibleParts(hwnd)) {
        out.push_back(Listed{hwnd, p.id});
    }
}

// The reader sees a window's controls as one flat list in tab order, each followed by its
// parts: plain areas that only group other windows (a page inside a dialog) are left out
// and their controls listed in their place, so that each listed control's parent is the
// top window, as its widget's is.
void CollectControls(HWND parent, std::vector<Listed>& out) {
    for (const HWND child : fw::GetChildWindows(parent)) {
        WindowInfo info;
        if (!fw::GetWindowInfo(child, info)) {
            continue;
        }
        const std::vector<HWND> inner = fw::GetChildWindows(child);
        const bool groupsOnly =
            info.kind == ControlKind::Custom && !inner.empty() && NativeOf(child) == nullptr;
        if (!groupsOnly) {
            out.push_back(Listed{child, 0});
        }
        AddParts(child, out);
        if (!inner.empty()) {
            CollectControls(child, out);
        }
    }
}

std::vector<Listed> ListOf(HWND top) {
    std::vector<Listed> out;
    if (fw::IsWindow(top)) {
        AddParts(top, out);
        CollectControls(top, out);
    }
    return out;
}

bool FindPart(const Listed& at, AccessiblePart& part) {
    for (const AccessiblePart& p : fw::GetAccessibleParts(at.hwnd)) {
        if (p.id == at.part) {
            part = p;
            return true;
        }
    }
    return false;
}

// Where a window's client area is inside its top window.
bool OffsetInTop(HWND hwnd, QPoint& at) {
    WindowInfo w;
    if (!fw::GetWindowInfo(hwnd, w)) {
        return false;
    }
    at = QPoint();
    for (int depth = 0; depth < 64 && w.parent != kNoWindow; ++depth) {
        at += QPoint(w.rect.left, w.rect.top);
        if (!fw::GetWindowInfo(w.parent, w)) {
            return false;
        }
    }
    return true;
}

// A control the core draws into its top window's picture, or a part of a window.
class DrawnControl : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    explicit DrawnControl(Listed at) : hwnd_(at.hwnd), part_(at.part) {}

    bool isValid() const override {
        AccessiblePart p;
        return CurrentBackend() != nullptr && fw::IsWindow(hwnd_) &&
               (part_ == 0 || FindPart(Listed{hwnd_, part_}, p));
    }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override {
        TopWindow* top = TopWidgetOf(hwnd_);
        return top == nullptr ? nullptr : top->windowHandle();
    }
    QAccessibleInterface* parent() const override {
        TopWindow* top = TopWidgetOf(hwnd_);
        return top == nullptr ? nullptr : QAccessible::queryAccessibleInterface(top);
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name && isValid()) {
            AccessiblePart p;
            if (part_ != 0) {
                return FindPart(Listed{hwnd_, part_}, p) ? FromGbk(p.name) : QString();
            }
            return FromGbk(fw::GetAccessibleName(hwnd_));
        }
        return {};
    }
    void setText(QAccessible::Text, const QString&) override {}

    QRect rect() const override {
        TopWindow* top = TopWidgetOf(hwnd_);
        WindowInfo info;
        QPoint at;
        if (top == nullptr || !fw::GetWindowInfo(hwnd_, info) || !OffsetInTop(hwnd_, at)) {
            return {};
        }
        if (part_ != 0) {
            AccessiblePart p;
            if (!FindPart(Listed{hwnd_, part_}, p)) {
                return {};
            }
            return QRect(top->mapToGlobal(at + QPoint(p.rect.left, p.rect.top)),
                         QSize(p.rect.Width(), p.rect.Height()));
        }
        return QRect(top->mapToGlobal(at), QSize(info.rect.Width(), info.rect.Height()));
    }

    QAccessible::Role role() const override {
        WindowInfo info;
        if (!fw::GetWindowInfo(hwnd_, info)) {
            return QAccessible::NoRole;
        }
        if (part_ != 0) {
            AccessiblePart p;
            if (!FindPart(Listed{hwnd_, part_}, p)) {
                return QAccessible::NoRole;
            }
            switch (p.role) {
                case AccessiblePartRole::Text:
                    return QAccessible::StaticText;
                case AccessiblePartRole::Link:
                    return QAccessible::Link;
                case AccessiblePartRole::Button:
                    break;
            }
            return QAccessible::PushButton;
        }
        switch (info.kind) {
            case ControlKind::Button:
                return QAccessible::PushButton;
            case ControlKind::CheckBox:
                return QAccessible::CheckBox;
            case ControlKind::Radio:
                return QAccessible::RadioButton;
            case ControlKind::Picture:
                return QAccessible::Graphic;
            case ControlKind::Static:
                return QAccessible::StaticText;
            case ControlKind::GroupBox:
                return QAccessible::Grouping;
            case ControlKind::Edit:
            case ControlKind::RichEdit:
            case ControlKind::IpAddress:
                return QAccessible::EditableText;
            default:
                return QAccessible::Client;
        }
    }

    QAccessible::State state() const override {
        QAccessible::State st;
        AccessibleState s;
        WindowInfo info;
        if (!fw::GetAccessibleState(hwnd_, s) || !fw::GetWindowInfo(hwnd_, info)) {
            st.invalid = true;
            return st;
        }
        if (part_ != 0) {
            st.invisible = !s.visible;
            st.disabled = !s.enabled;
            return st;
        }
        // Decorations are kept out of the reader's way: no name, nothing to say.
        st.invisible = !s.visible || s.decorative;
        st.disabled = !s.enabled;
        st.focusable = s.focusable;
        st.focused = s.focused;
        st.pressed = s.pressed;
        if (info.kind == ControlKind::CheckBox || info.kind == ControlKind::Radio) {
            st.checkable = true;
            st.checked = info.check == BST_CHECKED;
        }
        if (info.kind == ControlKind::Button && (info.style & BS_TYPEMASK) == BS_DEFPUSHBUTTON) {
            st.defaultButton = true;
        }
        return st;
    }

    void* interface_cast(QAccessible::InterfaceType type) override {
        WindowInfo info;
        AccessiblePart p;
        const bool pressablePart =
            part_ != 0 && FindPart(Listed{hwnd_, part_}, p) && p.role != AccessiblePartRole::Text;
        if (type == QAccessible::ActionInterface && fw::GetWindowInfo(hwnd_, info) &&
            (pressablePart || (part_ == 0 && IsButtonKind(info.kind)))) {
            return static_cast<QAccessibleActionInterface*>(this);
        }
        return nullptr;
    }

    QStringList actionNames() const override { return {pressAction()}; }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }
    void doAction(const QString& name) override {
        QtBackend* b = CurrentBackend();
        AccessibleState s;
        if (name != pressAction() || b == nullptr || !fw::GetAccessibleState(hwnd_, s) ||
            !s.visible || !s.enabled) {
            return;
        }
        // The same press and release a mouse gives; the handler may destroy this control
        // (and with it this object, later), so nothing of ours is touched afterwards.
        QtBackend::Scope scope(*b);
        if (part_ != 0) {
            fw::PressAccessiblePart(hwnd_, part_);
        } else {
            fw::input::Click(hwnd_);
        }
    }

private:
    HWND hwnd_;
    UINT part_;
};

// A top-level window: its widget shows the picture, its children are the core's controls.
class TopWindowItem : public QAccessibleWidget {
public:
    explicit TopWindowItem(TopWindow* w) : QAccessibleWidget(w, QAccessible::Window) {}

    HWND Hwnd() const { return static_cast<TopWindow*>(widget())->Hwnd(); }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name && fw::IsWindow(Hwnd())) {
            const QString name = FromGbk(fw::GetAccessibleName(Hwnd()));
            if (!name.isEmpty()) {
                return name;
            }
        }
        return QAccessibleWidget::text(t);
    }

    int childCount() const override { return int(ListOf(Hwnd()).size()); }
    QAccessibleInterface* child(int index) const override {
        const std::vector<Listed> listed = ListOf(Hwnd());
        if (index < 0 || index >= int(listed.size())) {
            return nullptr;
        }
        return ItemOf(listed[std::size_t(index)]);
    }
    int indexOfChild(const QAccessibleInterface* item) const override {
        const std::vector<Listed> listed = ListOf(Hwnd());
        for (std::size_t i = 0; i < listed.size(); ++i) {
            if (ItemOf(listed[i]) == item) {
                return int(i);
            }
        }
        return -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        const std::vector<Listed> listed = ListOf(Hwnd());
        // Topmost first, as the pointer finds them.
        for (auto it = listed.rbegin(); it != listed.rend(); ++it) {
            QAccessibleInterface* item = ItemOf(*it);
            if (item != nullptr && !item->state().invisible && item->rect().contains(x, y)) {
                return item;
            }
        }
        return nullptr;
    }
    QAccessibleInterface* focusChild() const override {
        const HWND focus = fw::GetFocus();
        if (focus != kNoWindow && focus != Hwnd() && TopWidgetOf(focus) == widget()) {
            if (QAccessibleInterface* item = ItemOf(Listed{focus, 0})) {
                return item;
            }
        }
        return QAccessibleWidget::focusChild();
    }

    static QAccessibleInterface* ItemOf(const Listed& at);
};

// Keeps the interfaces of drawn controls (Qt's cache owns them, by id) and tells the
// reader what changes in the core.
class Bridge : public QObject {
public:
    Bridge() : QObject(qApp) { setObjectName(QLatin1String(kBridgeName)); }

    QAccessibleInterface* Item(const Listed& at) {
        auto it = items_.find(at);
        if (it != items_.end()) {
            if (QAccessibleInterface* item = QAccessible::accessibleInterface(it->second.id)) {
                return item;
            }
            items_.erase(it);
        }
        auto* item = new DrawnControl(at);
        Entry& e = items_[at];
        e.id = QAccessible::registerAccessibleInterface(item);
        e.last = item->state();
        return item;
    }
    QAccessibleInterface* Drawn(HWND hwnd) { return Item(Listed{hwnd, 0}); }

    void OnChange(HWND hwnd, AccessibleChange change) {
        if (change == AccessibleChange::Destroyed) {
            Forget(hwnd, true);
            return;
        }
        if (change == AccessibleChange::Reorder) {
            Forget(hwnd, false);  // parts that are no more
        }
        if (change == AccessibleChange::Created || change == AccessibleChange::Name) {
            NameEditor(hwnd);
        }
        if (!QAccessible::isActive()) {
            return;
        }
        if (change == AccessibleChange::State) {
            // Showing, hiding or disabling a window changes what is inside it too.
            AnnounceStates(hwnd);
            return;
        }
        if (IsTopLevel(hwnd)) {
            TopWindow* top = TopWidgetOf(hwnd);
            if (top == nullptr) {
                return;
            }
            if (change == AccessibleChange::Name) {
                QAccessibleEvent event(top, QAccessible::NameChanged);
                QAccessible::updateAccessibility(&event);
            } else if (change == AccessibleChange::Reorder) {
                QAccessibleEvent event(top, QAccessible::ObjectReorder);
                QAccessible::updateAccessibility(&event);
            }
            return;
        }
        if (change == AccessibleChange::Reorder) {
            // The control may have traded its widget for the picture, or the other way.
            if (TopWindow* top = TopWidgetOf(hwnd)) {
                QAccessibleEvent event(top, QAccessible::ObjectReorder);
                QAccessible::updateAccessibility(&event);
            }
            return;
        }
        // Native widgets report their own changes.
        if (NativeOf(hwnd) != nullptr) {
            return;
        }
        QAccessibleInterface* item = Drawn(hwnd);
        switch (change) {
            case AccessibleChange::Created: {
                QAccessibleEvent event(item, QAccessible::ObjectCreated);
                QAccessible::updateAccessibility(&event);
                break;
            }
            case AccessibleChange::Name: {
                QAccessibleEvent event(item, QAccessible::NameChanged);
                QAccessible::updateAccessibility(&event);
                break;
            }
            case AccessibleChange::Location: {
                QAccessibleEvent event(item, QAccessible::LocationChanged);
                QAccessible::updateAccessibility(&event);
                break;
            }
            case AccessibleChange::Focus: {
                Remember(Listed{hwnd, 0}, item->state());
                QAccessibleEvent event(item, QAccessible::Focus);
                QAccessible::updateAccessibility(&event);
                break;
            }
            default:
                break;
        }
    }

private:
    struct Entry {
        QAccessible::Id id = 0;
        QAccessible::State last;
    };

    // A native editor has no caption of its own (its label is painted in the background):
    // its widget takes the name the core finds for it.
    static void NameEditor(HWND hwnd) {
        QWidget* w = NativeOf(hwnd);
        WindowInfo info;
        if (w == nullptr || !fw::GetWindowInfo(hwnd, info) ||
            (info.kind != ControlKind::Edit && info.kind != ControlKind::RichEdit &&
             info.kind != ControlKind::IpAddress)) {
            return;
        }
        const QString name = FromGbk(fw::GetAccessibleName(hwnd));
        if (w->accessibleName() != name) {
            w->setAccessibleName(name);
        }
    }

    static bool Within(HWND hwnd, HWND ancestor) {
        WindowInfo info;
        for (int depth = 0; depth < 64 && hwnd != kNoWindow; ++depth) {
            if (hwnd == ancestor) {
                return true;
            }
            if (!fw::GetWindowInfo(hwnd, info)) {
                return false;
            }
            hwnd = info.parent;
        }
        return false;
    }

    // Tells of the changed states of `hwnd` and of the drawn controls inside it that the
    // reader has met.
    void AnnounceStates(HWND hwnd) {
        if (!IsTopLevel(hwnd) && NativeOf(hwnd) == nullptr) {
            Drawn(hwnd);
        }
        std::vector<Listed> inside;
        for (const auto& [at, e] : items_) {
            if (Within(at.hwnd, hwnd)) {
                inside.push_back(at);
            }
        }
        for (const Listed& at : inside) {
            QAccessibleInterface* item = Item(at);
            const QAccessible::State changed = Remember(at, item->state());
            if (changed.disabled || changed.invisible || changed.pressed || changed.checked ||
                changed.focused) {
                QAccessibleStateChangeEvent event(item, changed);
                QAccessible::updateAccessibility(&event);
            }
        }
    }

    // Stores the state now and returns which of the states a reader follows changed.
    QAccessible::State Remember(const Listed& at, const QAccessible::State& now) {
        QAccessible::State changed;
        auto it = items_.find(at);
        if (it == items_.end()) {
            return changed;
        }
        const QAccessible::State& was = it->second.last;
        changed.disabled = was.disabled != now.disabled;
        changed.invisible = was.invisible != now.invisible;
        changed.pressed = was.pressed != now.pressed;
        changed.checked = was.checked != now.checked;
        changed.focused = was.focused != now.focused;
        it->second.last = now;
        return changed;
    }

    // Drops the interfaces of a window that goes (all) or of its parts that went.
    void Forget(HWND hwnd, bool all) {
        std::vector<QAccessible::Id> gone;
        for (auto it = items_.begin(); it != items_.end();) {
            AccessiblePart p;
            if (it->first.hwnd == hwnd &&
                (all || (it->first.part != 0 && !FindPart(it->first, p)))) {
                gone.push_back(it->second.id);
                it = items_.erase(it);
            } else {
                ++it;
            }
        }
        if (gone.empty()) {
            return;
        }
        if (QAccessible::isActive()) {
            for (const QAccessible::Id id : gone) {
                if (QAccessibleInterface* item = QAccessible::accessibleInterface(id)) {
                    QAccessibleEvent event(item, QAccessible::ObjectDestroyed);
                    QAccessible::updateAccessibility(&event);
                }
            }
        }
        // A press may destroy the very control whose action is running: delete later.
        QMetaObject::invokeMethod(
            this,
            [gone] {
                for (const QAccessible::Id id : gone) {
                    if (QAccessible::accessibleInterface(id) != nullptr) {
                        QAccessible::deleteAccessibleInterface(id);
                    }
                }
            },
            Qt::QueuedConnection);
    }

    std::map<Listed, Entry> items_;
};

Bridge* FindBridge() {
    if (qApp == nullptr) {
        return nullptr;
    }
    return dynamic_cast<Bridge*>(
        qApp->findChild<QObject*>(QLatin1String(kBridgeName), Qt::FindDirectChildrenOnly));
}

QAccessibleInterface* TopWindowItem::ItemOf(const Listed& at) {
    if (QWidget* w = at.part == 0 ? NativeOf(at.hwnd) : nullptr) {
        return QAccessible::queryAccessibleInterface(w);
    }
    Bridge* bridge = FindBridge();
    return bridge == nullptr ? nullptr : bridge->Item(at);
}

QAccessibleInterface* Factory(const QString& className, QObject* object) {
    // Qt asks once per class of the object's chain, for every object of the process, page
    // views' items included; only plain widgets can be top windows, and the cast is kept
    // off everything else (WebEngine asks for items that are not yet whole).
    if (object == nullptr || !object->isWidgetType() || className != QLatin1String("QWidget")) {
        return nullptr;
    }
    if (auto* top = dynamic_cast<TopWindow*>(static_cast<QWidget*>(object))) {
        return new TopWindowItem(top);
    }
    return nullptr;
}

}  // namespace

void InstallAccessibility() {
    if (FindBridge() != nullptr) {
        return;
    }
    auto* bridge = new Bridge();
    QAccessible::installFactory(&Factory);
    QPointer<Bridge> alive(bridge);
    fw::SetAccessibleListener([alive](HWND hwnd, AccessibleChange change) {
        if (!alive.isNull()) {
            alive->OnChange(hwnd, change);
        }
    });
}

}  // namespace fw::qt
