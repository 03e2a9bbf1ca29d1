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

// The reader sees a window's controls as one flat list in tab order: plain areas that only
// group other windows (a page inside a dialog) are left out and their controls listed in
// their place, so that each listed control's parent is the top window, as its widget's is.
void CollectControls(HWND parent, std::vector<HWND>& out) {
    for (const HWND child : fw::GetChildWindows(parent)) {
        WindowInfo info;
        if (!fw::GetWindowInfo(child, info)) {
            continue;
        }
        const std::vector<HWND> inner = fw::GetChildWindows(child);
        const bool groupsOnly =
            info.kind == ControlKind::Custom && !inner.empty() && NativeOf(child) == nullptr;
        if (!groupsOnly) {
            out.push_back(child);
        }
        if (!inner.empty()) {
            CollectControls(child, out);
        }
    }
}

bool IsButtonKind(ControlKind kind) {
    return kind == ControlKind::Button || kind == ControlKind::CheckBox ||
           kind == ControlKind::Radio;
}

class Bridge;
Bridge* FindBridge();

// A control the core draws into its top window's picture.
class DrawnControl : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    explicit DrawnControl(HWND hwnd) : hwnd_(hwnd) {}

    HWND Hwnd() const { return hwnd_; }

    bool isValid() const override { return CurrentBackend() != nullptr && fw::IsWindow(hwnd_); }
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
            return FromGbk(fw::GetAccessibleName(hwnd_));
        }
        return {};
    }
    void setText(QAccessible::Text, const QString&) override {}

    QRect rect() const override {
        TopWindow* top = TopWidgetOf(hwnd_);
        WindowInfo info;
        if (top == nullptr || !fw::GetWindowInfo(hwnd_, info)) {
            return {};
        }
        QPoint at;
        for (WindowInfo w = info; w.parent != kNoWindow;) {
            at += QPoint(w.rect.left, w.rect.top);
            if (!fw::GetWindowInfo(w.parent, w)) {
                return {};
            }
        }
        return QRect(top->mapToGlobal(at), QSize(info.rect.Width(), info.rect.Height()));
    }

    QAccessible::Role role() const override {
        WindowInfo info;
        if (!fw::GetWindowInfo(hwnd_, info)) {
            return QAccessible::NoRole;
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
        if (type == QAccessible::ActionInterface && fw::GetWindowInfo(hwnd_, info) &&
            IsButtonKind(info.kind)) {
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
        fw::input::Click(hwnd_);
    }

private:
    HWND hwnd_;
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

    int childCount() const override { return int(Controls().size()); }
    QAccessibleInterface* child(int index) const override {
        const std::vector<HWND> controls = Controls();
        if (index < 0 || index >= int(controls.size())) {
            return nullptr;
        }
        return ItemOf(controls[std::size_t(index)]);
    }
    int indexOfChild(const QAccessibleInterface* item) const override {
        const std::vector<HWND> controls = Controls();
        for (std::size_t i = 0; i < controls.size(); ++i) {
            if (ItemOf(controls[i]) == item) {
                return int(i);
            }
        }
        return -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        const std::vector<HWND> controls = Controls();
        // Topmost first, as the pointer finds them.
        for (auto it = controls.rbegin(); it != controls.rend(); ++it) {
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
            if (QAccessibleInterface* item = ItemOf(focus)) {
                return item;
            }
        }
        return QAccessibleWidget::focusChild();
    }

    static QAccessibleInterface* ItemOf(HWND hwnd);

private:
    std::vector<HWND> Controls() const {
        std::vector<HWND> out;
        if (fw::IsWindow(Hwnd())) {
            CollectControls(Hwnd(), out);
        }
        return out;
    }
};

// Keeps the interfaces of drawn controls (Qt's cache owns them, by id) and tells the
// reader what changes in the core.
class Bridge : public QObject {
public:
    Bridge() : QObject(qApp) { setObjectName(QLatin1String(kBridgeName)); }

    QAccessibleInterface* Drawn(HWND hwnd) {
        auto it = items_.find(hwnd);
        if (it != items_.end()) {
            if (QAccessibleInterface* item = QAccessible::accessibleInterface(it->second.id)) {
                return item;
            }
            items_.erase(it);
        }
        auto* item = new DrawnControl(hwnd);
        Entry& e = items_[hwnd];
        e.id = QAccessible::registerAccessibleInterface(item);
        e.last = item->state();
        return item;
    }

    void OnChange(HWND hwnd, AccessibleChange change) {
        if (change == AccessibleChange::Destroyed) {
            Forget(hwnd);
            return;
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
                Remember(hwnd, item->state());
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
        std::vector<HWND> inside;
        for (const auto& [h, e] : items_) {
            if (Within(h, hwnd)) {
                inside.push_back(h);
            }
        }
        for (const HWND h : inside) {
            QAccessibleInterface* item = Drawn(h);
            const QAccessible::State changed = Remember(h, item->state());
            if (changed.disabled || changed.invisible || changed.pressed || changed.checked ||
                changed.focused) {
                QAccessibleStateChangeEvent event(item, changed);
                QAccessible::updateAccessibility(&event);
            }
        }
    }

    // Stores the state now and returns which of the states a reader follows changed.
    QAccessible::State Remember(HWND hwnd, const QAccessible::State& now) {
        QAccessible::State changed;
        auto it = items_.find(hwnd);
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

    void Forget(HWND hwnd) {
        auto it = items_.find(hwnd);
        if (it == items_.end()) {
            return;
        }
        const QAccessible::Id id = it->second.id;
        items_.erase(it);
        if (QAccessible::isActive()) {
            if (QAccessibleInterface* item = QAccessible::accessibleInterface(id)) {
                QAccessibleEvent event(item, QAccessible::ObjectDestroyed);
                QAccessible::updateAccessibility(&event);
            }
        }
        // A press may destroy the very control whose action is running: delete later.
        QMetaObject::invokeMethod(
            this,
            [id] {
                if (QAccessible::accessibleInterface(id) != nullptr) {
                    QAccessible::deleteAccessibleInterface(id);
                }
            },
            Qt::QueuedConnection);
    }

    std::map<HWND, Entry> items_;
};

Bridge* FindBridge() {
    if (qApp == nullptr) {
        return nullptr;
    }
    return dynamic_cast<Bridge*>(
        qApp->findChild<QObject*>(QLatin1String(kBridgeName), Qt::FindDirectChildrenOnly));
}

QAccessibleInterface* TopWindowItem::ItemOf(HWND hwnd) {
    if (QWidget* w = NativeOf(hwnd)) {
        return QAccessible::queryAccessibleInterface(w);
    }
    Bridge* bridge = FindBridge();
    return bridge == nullptr ? nullptr : bridge->Drawn(hwnd);
}

QAccessibleInterface* Factory(const QString& className, QObject* object) {
    (void)className;
    if (auto* top = dynamic_cast<TopWindow*>(object)) {
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
