// A pop-up message window in the corner of the work area: a timed window with
// one message that slides in, stays and slides out, or the control's single
// persistent window that gathers every untimed message and pages through
// them like a ticker.
#pragma once

#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <vector>

#include "notifier/MsgManage.h"
#include "platform/Window.h"

class IPopupEvents;

constexpr fw::UINT WM_POPUP_VIEW = fw::WM_USER + 300;  // 1324, to the host
constexpr int kPersistentWindowId = 999;

// Timers of a pop-up.
enum : fw::UINT {
    kTimerSlideIn = 10,
    kTimerSlideOut = 11,
    kTimerShown = 12,
    kTimerTicker = 13,
};

// Resources of a pop-up.
enum : fw::UINT {
    IDB_POPUP_BACK = 212,
    IDB_POPUP_CLOSE = 213,
    IDB_POPUP_CLOSE_HOT = 214,
    IDR_POPUP_SOUND = 216,
    IDB_POPUP_VIEW = 218,
};

constexpr fw::Color kTitleColour = fw::RGB(0, 64, 128);
constexpr fw::Color kHotLinkColour = 0xFA0000;
constexpr int kTickerMs = 2000;
// The desktop note's button that does what the view button does.
constexpr const char* kNoteViewAction = "view";

class CMsgWnd : public fw::Window {
public:
    // events: who hears what happens to this window (the control that made it).
    CMsgWnd(IPopupEvents* events, int windowId, int displayMs);
    ~CMsgWnd() override;

    // Creates the hidden pop-up and starts sliding in (timer 10).
    bool CreatePopup();
    // Shows the created pop-up in its corner. Where the desktop places windows itself, the
    // pop-up is announced as a desktop note instead and the window stays hidden, keeping
    // its timers and messages; without a notification service it is shown unplaced.
    void Present();
    // The messages changed: repaint, or announce the newest one afresh.
    void Refresh();
    // What the view button does: the last URL to the owner, then close.
    void View();
    // The desktop note standing for this window, 0 when there is none.
    std::uint32_t NoteId() const { return noteId_; }
    void AddMessage(std::unique_ptr<CMsgManage> msg);
    void SetTitle(std::u16string title) { title_ = std::move(title); }
    // Sound (1), shake (2), both (3) or nothing.
    void Alert(int mode);
    // CloseMessage's work on the persistent window.
    void CloseMessageById(int id);

    bool IsDestroyed() const { return destroyed_ != 0; }
    bool IsPersistent() const { return displayMs_ == 0; }
    int WindowId() const { return windowId_; }
    int DisplayMs() const { return displayMs_; }
    int ShownHeight() const { return shown_; }
    // How often the ticker has asked for the next page.
    int TickerSteps() const { return tickerSteps_; }
    int MessageCount() const { return static_cast<int>(messages_.size()); }
    const std::u16string& Title() const { return title_; }
    // The title as painted (shortened, with the count on the persistent window).
    std::u16string PaintedTitle();
    const std::list<std::unique_ptr<CMsgManage>>& Messages() const { return messages_; }
    const std::vector<CMsgManage*>& PageMessages() const { return pageMessages_; }
    const CMsgManage* PageStart() const;
    fw::Rect CloseButtonRect() const { return closeRect_; }
    fw::Rect ViewButtonRect() const { return viewRect_; }
    // Total height of all messages as the ticker measures it.
    int TotalHeight() const;
    IPopupEvents* Events() const { return events_; }
    void SetEvents(IPopupEvents* events) { events_ = events; }

protected:
    void OnTimer(fw::UINT id) override;
    void OnPaint(fw::Canvas& canvas) override;
    bool OnEraseBkgnd(fw::Canvas& canvas) override;
    void OnMouseMove(fw::UINT keys, fw::Point p) override;
    void OnMouseLeave() override;
    void OnKillFocus() override;
    void OnLButtonDown(fw::UINT keys, fw::Point p) override;
    void OnClose() override;
    void OnDestroy() override;

private:
    using MsgList = std::list<std::unique_ptr<CMsgManage>>;

    void PlaceAt(int height);
    void Shake();
    void PaintPage(fw::Canvas& canvas, bool advance);
    void DrawMessage(fw::Canvas& canvas, CMsgManage& msg);
    void DrawButtons(fw::Canvas& canvas);
    void RepaintNow();
    // The pointer is no longer over the window: the ticker goes on.
    void EndHover();
    void Announce();
    void WithdrawNote();
    // The note could not be shown: the window is better than nothing.
    void ShowUnplacedInstead();

    std::u16string title_;
    int displayMs_;
    fw::Rect closeRect_;
    fw::Rect viewRect_;
    int destroyed_ = 0;
    IPopupEvents* events_;
    int windowId_;
    int hover_ = 0;
    int shown_ = 0;
    int width_ = 285;
    int height_ = 170;
    int layoutPos_ = 30;
    MsgList messages_;
    MsgList::iterator pageStart_;
    bool hasPageStart_ = false;
    std::vector<CMsgManage*> pageMessages_;
    // Mouse state drawn by the next paint without moving the page on.
    bool closeHot_ = false;
    const TextSegment* hotLink_ = nullptr;
    bool hoverRepaint_ = false;
    bool closing_ = false;
    int tickerSteps_ = 0;
    bool asNote_ = false;
    std::uint32_t noteId_ = 0;
    int noteMessageId_ = 0;
    // Tells the note's late reports which note is current and whether the window still is.
    int noteGeneration_ = 0;
    std::shared_ptr<CMsgWnd*> self_ = std::make_shared<CMsgWnd*>(this);
};
