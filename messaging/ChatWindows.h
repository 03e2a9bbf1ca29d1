#pragma once
// The open chat windows and the messages that wait for them. The portal hands over every
// contact link and every "getinfoIM" reply; this class opens at most one window per contact,
// delivers unread messages to open windows, announces the others on the page ("changepic"),
// in the tray (blinking, and a tip saying who wrote) and on the desktop (a notification
// whose click opens the chat), and shows the waiting ones when their window opens.
//
// The service repeats every unread message in each poll until it is marked read, so the
// pending message sets hold the same rows many times over. Two consequences are handled
// here: the sets are bounded (kMaxPendingSets, the oldest dropped first; nothing is lost,
// since its unread rows come again with the next poll), and a message already shown is
// never shown or logged a second time. Every message shown is logged, also those the poll
// delivers to an open window, and the tray keeps flashing while any announced message
// waits.
//
// UI thread only.

#include <cstdint>
#include <ctime>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "messaging/ImChatDlg.h"
#include "session/Subsystems.h"

class CChatWindows : public IChatOwner {
public:
    // Pending sets kept at most: with one poll every 30 s, the last ten minutes.
    static constexpr std::size_t kMaxPendingSets = 20;
    // Message ids remembered as shown, and messages remembered as waiting.
    static constexpr std::size_t kMaxShownIds = 2000;
    static constexpr std::size_t kMaxWaiting = 500;
    // Bytes of message text in a desktop notification.
    static constexpr std::size_t kNotificationTextBytes = 120;

    struct Waiting {
        std::string msgId;
        std::string fromId;
        std::string name;
        std::uint32_t note = 0;  // its desktop note, withdrawn once the message is shown
    };

    CChatWindows();
    ~CChatWindows() override;
    CChatWindows(const CChatWindows&) = delete;
    CChatWindows& operator=(const CChatWindows&) = delete;

    // A contact link: opens the window and shows the waiting messages of the oldest pending
    // set. False (nothing happens) when the contact's window is open or the console was
    // opened.
    bool Open(IPortalPage& page, const std::string& contactId, const std::string& contactName);
    // A "getinfoIM" reply: its sets join the pending sets; unread rows go to open windows or
    // are announced.
    void OnArrivingMessages(IPortalPage& page, RecordSetList& sets);
    // A "getim20" reply, for the window of the reply's `fromid`.
    fw::LRESULT OnChatHistory(RecordSetList& sets);

    // The open window of `contactId` (letter case ignored), or null.
    CImChatDlg* Find(const std::string& contactId) const;
    // The open windows in opening order.
    const std::vector<CImChatDlg*>& Windows() const { return windows_; }
    // Messages announced and not yet shown, oldest first.
    const std::deque<Waiting>& WaitingMessages() const { return waiting_; }
    // The tray's tip for the waiting messages: how many and from whom; empty when none.
    std::string WaitingTip() const;

    // Local time for the stamps of sent messages; the system's unless set.
    void SetClock(std::function<std::time_t()> clock) { clock_ = std::move(clock); }

    void ChatGone(CImChatDlg& chat) override;
    std::tm LocalNow() override;

private:
    void DeliverOldestSet(IPortalPage& page, CImChatDlg& chat);
    void MarkShown(const std::string& msgId);
    bool WasShown(const std::string& msgId) const;
    bool IsWaiting(const std::string& msgId) const;
    void StopWaiting(const std::string& msgId);
    // A desktop note whose click opens (or brings back) the chat with `fromId`.
    std::uint32_t Announce(const std::string& fromId, const std::string& name,
                           const std::string& content);
    // The main window's tray: flashing on (lParam 0) or off (lParam 1).
    void Flash(IPortalPage& page, bool on);
    void KeepFlashingWhileWaiting(IPortalPage& page);
    void TellTray(IPortalPage& page);

    std::vector<CImChatDlg*> windows_;
    std::deque<std::string> shownOrder_;
    std::unordered_set<std::string> shown_;
    std::deque<Waiting> waiting_;
    std::function<std::time_t()> clock_;
    IPortalPage* page_ = nullptr;
    bool lastFlashOn_ = true;
    std::string lastTip_;
    // Notification clicks may come after this object is gone.
    std::shared_ptr<CChatWindows*> self_;
};
