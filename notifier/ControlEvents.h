// What the control's windows report to the control that made them. The pop-ups
// and the socket window know only these interfaces, never the control itself:
// the control owns them and decides what each report means for its state and
// for the events it raises.
#pragma once

#include <cstdint>
#include <string>

namespace fw {
class Window;
}
class CMsgWnd;

class IPopupEvents {
public:
    // The window the pop-ups are owned by (the host's top-level window), or null.
    virtual fw::Window* PopupOwner() = 0;
    // The text the view button hands to the owner; empty sends nothing.
    virtual std::u16string PopupViewUrl() = 0;
    // The user clicked a link of a message.
    virtual void OnPopupLink(const std::u16string& id, const std::u16string& target,
                             const std::u16string& other1, const std::u16string& other2,
                             const std::u16string& other3) = 0;
    // A message that asked to be told left the screen.
    virtual void OnPopupMessageClosed(const std::u16string& other1, const std::u16string& other2,
                                      const std::u16string& other3) = 0;
    // The window is closing (after its messages were reported) and about to be destroyed.
    virtual void OnPopupClosing(CMsgWnd& wnd) = 0;
    virtual void OnPopupDestroyed(CMsgWnd& wnd) = 0;

protected:
    ~IPopupEvents() = default;
};

class ISocketEvents {
public:
    // The window the hidden socket window is owned by, or null.
    virtual fw::Window* SocketWindowOwner() = 0;
    // One read returned data: the decoded text and the number of bytes read.
    virtual void OnSocketData(const std::u16string& text, std::uint32_t bytes) = 0;
    // The peer closed the connection or the idle limit passed.
    virtual void OnSocketDropped() = 0;

protected:
    ~ISocketEvents() = default;
};
