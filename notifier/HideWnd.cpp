#include "notifier/HideWnd.h"

#include <climits>

#include "notifier/ControlEvents.h"
#include "notifier/NotifierSocket.h"
#include "platform/Framework.h"

CHideWnd::CHideWnd(ISocketEvents* events, NotifierSocket* socket, int halfPeriod)
    : events_(events), socket_(socket), halfPeriod_(halfPeriod) {}

bool CHideWnd::CreateHidden() {
    Window* owner = events_->SocketWindowOwner();
    return CreateEx(fw::WS_EX_TOOLWINDOW | fw::WS_EX_TOPMOST, "", fw::WS_POPUP, fw::Rect{}, owner);
}

fw::UINT CHideWnd::PeriodMs() const {
    // Half-periods of more than about 24 days are capped rather than wrapping.
    const long long ms = static_cast<long long>(halfPeriod_) * 1000;
    return static_cast<fw::UINT>(ms > INT_MAX ? INT_MAX : ms);
}

void CHideWnd::StartIdleTimer() {
    if (halfPeriod_ > 0)
        SetTimer(kIdleTimerId, PeriodMs());
}

fw::LRESULT CHideWnd::WindowProc(fw::UINT message, fw::WPARAM wParam, fw::LPARAM lParam) {
    switch (message) {
        case WM_SOCKET_NOTIFY:
            OnSocketNotify(wParam, lParam);
            return 0;
        default:
            return Window::WindowProc(message, wParam, lParam);
    }
}

void CHideWnd::OnPaint(fw::Canvas& canvas) {
    (void)canvas;
}

void CHideWnd::OnSocketNotify(fw::WPARAM socket, fw::LPARAM event) {
    NotifierSocket* sock = socket_;
    // A notice for a socket that is no longer ours (closed meanwhile) is stale.
    if (sock == nullptr || !sock->IsOpen() || static_cast<int>(socket) != sock->Handle())
        return;
    switch (fw::LOWORD(static_cast<std::uintptr_t>(event))) {
        case fw::FD_READ: {
            if (halfPeriod_ > 0) {
                KillTimer(kIdleTimerId);
                SetTimer(kIdleTimerId, PeriodMs());
                active_ = 1;
            }
            char buffer[kRecvBufferSize] = {};
            const long n = sock->Recv(buffer, sizeof buffer);
            if (n < 0)
                return;
            events_->OnSocketData(DecodeReceived(buffer, static_cast<std::size_t>(n)),
                                  static_cast<std::uint32_t>(n));
            return;
        }
        case fw::FD_CLOSE:
            KillTimer(kIdleTimerId);
            events_->OnSocketDropped();
            return;
        default:
            return;
    }
}

void CHideWnd::OnTimer(fw::UINT id) {
    if (id != kIdleTimerId)
        return;
    KillTimer(kIdleTimerId);
    if (active_ == 1) {
        active_ = 0;
        SetTimer(kIdleTimerId, PeriodMs());
        return;
    }
    events_->OnSocketDropped();
}
