#pragma once
// The widgets that show the core's painted windows: a top-level window with its rendered
// picture, and the empty area widget of page and control sites.

#include <QImage>
#include <QWidget>

#include "platform/Types.h"

class QMouseEvent;

namespace fw::qt {

class QtBackend;

// The virtual key of a Qt key (0 when the system's windows have no use for it).
UINT VirtualKey(int qtKey);
// MK_* bits of buttons and modifiers.
UINT KeyBits(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers);
// Reports a Qt mouse event on a widget that shows window `origin`.
void ForwardMouse(QtBackend& backend, HWND origin, QMouseEvent* event);

class TopWindow : public QWidget {
public:
    TopWindow(QtBackend& backend, HWND hwnd);
    HWND Hwnd() const { return hwnd_; }
    // The picture is out of date; it is rendered again when next painted.
    void Invalidate();
    // Renders the picture now (UpdateWindow and screenshots).
    void RenderNow();
    // The picture's device pixels: its devicePixelRatio is the scale it was rendered at.
    const QImage& Picture() const { return picture_; }
    // The scale the picture is rendered at on the widget's screen: its device pixel ratio,
    // a fractional one rounded up (Qt then scales the picture down smoothly).
    int RenderScale() const;
    // Set while the backend moves or resizes the widget itself.
    void SetPlacing(bool placing) { placing_ = placing; }
    // Moves the window with the pointer while the left button stays down: the system
    // move where the desktop offers none (no window manager, offscreen).
    void BeginManualMove();

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QtBackend& backend_;
    HWND hwnd_;
    QImage picture_;
    bool dirty_ = true;
    int renderedScale_ = 0;  // the RenderScale the picture was made for
    bool rendering_ = false;
    bool placing_ = false;
    bool moving_ = false;
    QPoint moveFromCursor_;
    QPoint moveFromPos_;
    QPoint lastPress_;  // global place of the last button press
};

// A page or control site: draws nothing (the picture below shows through) and hands the
// mouse to the painted windows inside it; the page host parents its browser view here.
class AreaWidget : public QWidget {
public:
    AreaWidget(QtBackend& backend, HWND hwnd, QWidget* parent);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    QtBackend& backend_;
    HWND hwnd_;
};

}  // namespace fw::qt
