#include "platform/qt/TopWindow.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <algorithm>
#include <cmath>

#include "platform/Bitmap.h"

#include "platform/qt/QtBackend.h"

namespace fw::qt {

UINT VirtualKey(int qtKey) {
    switch (qtKey) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return VK_RETURN;
        case Qt::Key_Escape:
            return VK_ESCAPE;
        case Qt::Key_Tab:
            return VK_TAB;
        case Qt::Key_Space:
            return VK_SPACE;
        case Qt::Key_Backspace:
            return VK_BACK;
        case Qt::Key_Control:
            return VK_CONTROL;
        default:
            break;
    }
    if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) || (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)) {
        return UINT(qtKey);  // the same codes as the virtual keys
    }
    return 0;
}

UINT KeyBits(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
    UINT bits = 0;
    if (buttons & Qt::LeftButton) {
        bits |= MK_LBUTTON;
    }
    if (buttons & Qt::RightButton) {
        bits |= MK_RBUTTON;
    }
    if (modifiers & Qt::ShiftModifier) {
        bits |= MK_SHIFT;
    }
    if (modifiers & Qt::ControlModifier) {
        bits |= MK_CONTROL;
    }
    return bits;
}

void ForwardMouse(QtBackend& backend, HWND origin, QMouseEvent* event) {
    const bool right = event->button() == Qt::RightButton;
    UINT message = 0;
    switch (event->type()) {
        case QEvent::MouseButtonPress:
            message = right ? WM_RBUTTONDOWN : WM_LBUTTONDOWN;
            break;
        case QEvent::MouseButtonRelease:
            message = right ? WM_RBUTTONUP : WM_LBUTTONUP;
            break;
        case QEvent::MouseButtonDblClick:
            message = right ? WM_RBUTTONDBLCLK : WM_LBUTTONDBLCLK;
            break;
        case QEvent::MouseMove:
            message = WM_MOUSEMOVE;
            break;
        default:
            return;
    }
    if (event->type() != QEvent::MouseMove && event->button() != Qt::LeftButton && !right) {
        return;
    }
    const QPoint p = event->position().toPoint();
    backend.ReportMouse(origin, message, Point{p.x(), p.y()},
                        KeyBits(event->buttons(), event->modifiers()));
    event->accept();
}

// ---- TopWindow ----

TopWindow::TopWindow(QtBackend& backend, HWND hwnd) : backend_(backend), hwnd_(hwnd) {
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    // The picture covers the whole client area; nothing to erase first.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TopWindow::Invalidate() {
    // Handlers that invalidate while the picture is being made would repaint forever.
    if (rendering_) {
        return;
    }
    dirty_ = true;
    update();
}

void TopWindow::RenderNow() {
    if (rendering_) {
        return;
    }
    rendering_ = true;
    renderedScale_ = RenderScale();
    QPointer<TopWindow> alive(this);
    QImage fresh = backend_.Render(hwnd_);
    if (alive.isNull()) {
        return;
    }
    rendering_ = false;
    picture_ = std::move(fresh);
    dirty_ = false;
}

int TopWindow::RenderScale() const {
    const qreal ratio = devicePixelRatioF();
    // A hair of tolerance so that 2.0000001 stays 2.
    const int scale = int(std::ceil(ratio - 0.01));
    return std::clamp(scale, 1, Bitmap::kMaxScale);
}

bool TopWindow::event(QEvent* event) {
    switch (event->type()) {
        case QEvent::ScreenChangeInternal:
#if QT_VERSION >= QT_VERSION_CHECK(6, 6, 0)
        case QEvent::DevicePixelRatioChange:
#endif
            // Moved to a screen of another scale: the picture is made again for it.
            Invalidate();
            break;
        default:
            break;
    }
    return QWidget::event(event);
}

void TopWindow::paintEvent(QPaintEvent*) {
    if (dirty_ || renderedScale_ != RenderScale()) {
        QtBackend::Scope scope(backend_);
        RenderNow();
    }
    QPainter painter(this);
    if (picture_.isNull()) {
        painter.fillRect(rect(), palette().window());
        return;
    }
    if (picture_.devicePixelRatio() != devicePixelRatioF()) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
    }
    painter.drawImage(0, 0, picture_);
    const QSize shown = picture_.deviceIndependentSize().toSize();
    if (shown.width() < width() || shown.height() < height()) {
        const QRegion rest = QRegion(rect()) - QRegion(QRect(QPoint(0, 0), shown));
        for (const QRect& r : rest) {
            painter.fillRect(r, palette().window());
        }
    }
}

void TopWindow::BeginManualMove() {
    moving_ = true;
    moveFromCursor_ = lastPress_;
    moveFromPos_ = geometry().topLeft();
}

void TopWindow::mousePressEvent(QMouseEvent* event) {
    lastPress_ = event->globalPosition().toPoint();
    ForwardMouse(backend_, hwnd_, event);
}

void TopWindow::mouseReleaseEvent(QMouseEvent* event) {
    if (moving_) {
        // The move ends with the button, which the move itself consumes.
        moving_ = false;
        return;
    }
    ForwardMouse(backend_, hwnd_, event);
}

void TopWindow::mouseDoubleClickEvent(QMouseEvent* event) {
    ForwardMouse(backend_, hwnd_, event);
}

void TopWindow::mouseMoveEvent(QMouseEvent* event) {
    if (moving_) {
        if ((event->buttons() & Qt::LeftButton) == 0) {
            moving_ = false;
        } else {
            const QPoint to = moveFromPos_ + (event->globalPosition().toPoint() - moveFromCursor_);
            setGeometry(QRect(to, size()));
            return;
        }
    }
    ForwardMouse(backend_, hwnd_, event);
}

void TopWindow::leaveEvent(QEvent* event) {
    backend_.ReportLeave(hwnd_);
    QWidget::leaveEvent(event);
}

void TopWindow::keyPressEvent(QKeyEvent* event) {
    const UINT vk = VirtualKey(event->key());
    if (vk == 0) {
        QWidget::keyPressEvent(event);
        return;
    }
    QtBackend::Scope scope(backend_);
    const HWND focus = fw::GetFocus();
    input::Key(focus != kNoWindow ? focus : hwnd_, vk, true, KeyBits({}, event->modifiers()));
}

bool TopWindow::focusNextPrevChild(bool next) {
    // Tab goes round the core's tab stops, drawn buttons among them; Qt alone would only
    // know the native widgets. A window that is not a dialog leaves it to Qt.
    QtBackend::Scope scope(backend_);
    const HWND before = fw::GetFocus();
    input::Key(before != kNoWindow ? before : hwnd_, VK_TAB, true, next ? 0 : MK_SHIFT);
    if (fw::GetFocus() != before) {
        return true;
    }
    return QWidget::focusNextPrevChild(next);
}

void TopWindow::keyReleaseEvent(QKeyEvent* event) {
    const UINT vk = VirtualKey(event->key());
    if (vk == 0) {
        QWidget::keyReleaseEvent(event);
        return;
    }
    QtBackend::Scope scope(backend_);
    const HWND focus = fw::GetFocus();
    input::Key(focus != kNoWindow ? focus : hwnd_, vk, false, KeyBits({}, event->modifiers()));
}

void TopWindow::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    if (placing_) {
        return;
    }
    WindowInfo info;
    // geometry() is the client area, also for windows the desktop frames.
    const QPoint at = geometry().topLeft();
    if (backend_.InfoOf(hwnd_, info) && (info.rect.left != at.x() || info.rect.top != at.y())) {
        QtBackend::Scope scope(backend_);
        input::Moved(hwnd_, Point{at.x(), at.y()});
    }
}

void TopWindow::closeEvent(QCloseEvent* event) {
    // The window goes away only when the core destroys it.
    event->ignore();
    QtBackend::Scope scope(backend_);
    input::Close(hwnd_);
}

void TopWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange || placing_) {
        return;
    }
    WindowInfo info;
    if (backend_.InfoOf(hwnd_, info) && info.minimized != isMinimized()) {
        QtBackend::Scope scope(backend_);
        input::Minimized(hwnd_, isMinimized());
    }
}

// ---- AreaWidget ----

AreaWidget::AreaWidget(QtBackend& backend, HWND hwnd, QWidget* parent)
    : QWidget(parent), backend_(backend), hwnd_(hwnd) {
    setMouseTracking(true);
}

void AreaWidget::mousePressEvent(QMouseEvent* event) {
    ForwardMouse(backend_, hwnd_, event);
}
void AreaWidget::mouseReleaseEvent(QMouseEvent* event) {
    ForwardMouse(backend_, hwnd_, event);
}
void AreaWidget::mouseDoubleClickEvent(QMouseEvent* event) {
    ForwardMouse(backend_, hwnd_, event);
}
void AreaWidget::mouseMoveEvent(QMouseEvent* event) {
    ForwardMouse(backend_, hwnd_, event);
}

}  // namespace fw::qt
