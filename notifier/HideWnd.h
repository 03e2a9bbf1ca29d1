// The invisible window that receives the socket's readiness (message 1124)
// and runs the idle timer 1000 of a connection.
#pragma once

#include "platform/Window.h"

class ISocketEvents;
class NotifierSocket;

constexpr fw::UINT WM_SOCKET_NOTIFY = fw::WM_USER + 100;  // 1124
constexpr fw::UINT kIdleTimerId = 1000;
constexpr std::size_t kRecvBufferSize = 1024;

class CHideWnd : public fw::Window {
public:
    // The socket is the control's and outlives this window.
    CHideWnd(ISocketEvents* events, NotifierSocket* socket, int halfPeriod);

    // Makes the hidden pop-up; false when the framework could not.
    bool CreateHidden();
    int HalfPeriod() const { return halfPeriod_; }
    bool Active() const { return active_ != 0; }
    // Starts timer 1000 with the half-period (when there is one).
    void StartIdleTimer();

protected:
    fw::LRESULT WindowProc(fw::UINT message, fw::WPARAM wParam, fw::LPARAM lParam) override;
    void OnPaint(fw::Canvas& canvas) override;
    void OnTimer(fw::UINT id) override;

private:
    void OnSocketNotify(fw::WPARAM socket, fw::LPARAM event);
    fw::UINT PeriodMs() const;

    ISocketEvents* events_;
    NotifierSocket* socket_;
    int active_ = 1;
    int halfPeriod_;
};
