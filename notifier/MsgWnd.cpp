#include "notifier/MsgWnd.h"

#include <array>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "notifier/ControlEvents.h"
#include "platform/Accessible.h"
#include "platform/Backend.h"
#include "platform/Framework.h"
#include "platform/Notifications.h"
#include "platform/Resources.h"
#include "platform/core/Text.h"

namespace {

// Numbers of the painted close and view buttons for screen readers, then of the texts and
// links of the messages on the page.
constexpr fw::UINT kClosePart = 1;
constexpr fw::UINT kViewPart = 2;
constexpr fw::UINT kFirstTextPart = 3;

std::u16string DecimalText(int v) {
    const std::string s = std::to_string(v);
    return std::u16string(s.begin(), s.end());
}

// The library's own pictures and sound: its ids overlap the program's.
const fw::Resources& ModuleResources() {
    return fw::Resources::Global().Module("Pallinote");
}

// A message as one line of plain text: its pieces without the link markup.
std::u16string NoteText(const CMsgManage& msg) {
    std::u16string text;
    for (const TextSegment& seg : msg.segments) {
        if (seg.kind == TextSegment::kEnd)
            break;
        if (seg.kind == TextSegment::kPlain || seg.kind == TextSegment::kLink)
            text += seg.text;
    }
    for (char16_t& c : text) {
        if (c < u' ')
            c = u' ';
    }
    return text;
}

fw::Font PlainFont() {
    return fw::Font::FromPoints(vq::Gbk("Impact"), 9);
}
fw::Font TitleFont() {
    return fw::Font::FromPoints(vq::Gbk("Impact"), 12);
}

}  // namespace

CMsgWnd::CMsgWnd(IPopupEvents* events, int windowId, int displayMs)
    : displayMs_(displayMs), events_(events), windowId_(windowId), pageStart_(messages_.end()) {}

CMsgWnd::~CMsgWnd() {
    *self_ = nullptr;
    // The window may still be up (the control or the library is ending).
    if (GetSafeHwnd() != fw::kNoWindow && IsWindow())
        DestroyWindow();
}

bool CMsgWnd::CreatePopup() {
    // The host's top-level window owns the pop-ups, as the system would arrange.
    Window* owner = events_ != nullptr ? events_->PopupOwner() : nullptr;
    if (!CreateEx(fw::WS_EX_TOOLWINDOW | fw::WS_EX_TOPMOST, "", fw::WS_POPUP, fw::Rect{}, owner)) {
        return false;
    }
    SetTimer(kTimerSlideIn, 1);
    return true;
}

void CMsgWnd::Present() {
    if (!fw::CanPlaceWindows()) {
        asNote_ = true;
        Announce();
        return;
    }
    ShowWindow(fw::SW_SHOWNOACTIVATE);
    Invalidate(false);
    UpdateWindow();
}

void CMsgWnd::Refresh() {
    if (asNote_) {
        Announce();
        return;
    }
    Invalidate(false);
    UpdateWindow();
}

void CMsgWnd::Announce() {
    WithdrawNote();
    if (messages_.empty() || IsDestroyed())
        return;
    const CMsgManage& newest = *messages_.back();
    fw::Notification note;
    note.title = vq::Utf16ToGbk(title_);
    note.body = vq::Utf16ToGbk(NoteText(newest));
    note.actions = {{fw::kDefaultAction, vq::Gbk("查看")}, {kNoteViewAction, vq::Gbk("查看")}};
    // The persistent window stays until the user acts; a timed one for its time.
    note.timeoutMs = IsPersistent() ? 0 : displayMs_;
    const int generation = ++noteGeneration_;
    const std::weak_ptr<CMsgWnd*> self = self_;
    // The window the report is for, if it is still there and this note still stands for it.
    const auto current = [self, generation]() -> CMsgWnd* {
        const std::shared_ptr<CMsgWnd*> alive = self.lock();
        CMsgWnd* w = alive != nullptr ? *alive : nullptr;
        if (w == nullptr || w->IsDestroyed() || w->noteGeneration_ != generation || w->noteId_ == 0)
            return nullptr;
        w->noteId_ = 0;
        return w;
    };
    fw::NotificationHandlers handlers;
    handlers.onAction = [current](const std::string&) {
        if (CMsgWnd* w = current())
            w->View();
    };
    handlers.onDismissed = [current] {
        if (CMsgWnd* w = current())
            w->SendMessage(fw::WM_CLOSE);
    };
    handlers.onFailed = [current] {
        if (CMsgWnd* w = current())
            w->ShowUnplacedInstead();
    };
    noteMessageId_ = newest.id;
    noteId_ = fw::ShowNotification(note, std::move(handlers));
}

void CMsgWnd::WithdrawNote() {
    if (noteId_ == 0)
        return;
    const std::uint32_t id = noteId_;
    noteId_ = 0;
    fw::CloseNotification(id);
}

void CMsgWnd::ShowUnplacedInstead() {
    asNote_ = false;
    ShowWindow(fw::SW_SHOWNOACTIVATE);
    Invalidate(false);
    UpdateWindow();
}

void CMsgWnd::AddMessage(std::unique_ptr<CMsgManage> msg) {
    messages_.push_back(std::move(msg));
}

int CMsgWnd::TotalHeight() const {
    int total = 30;
    for (const auto& m : messages_)
        total += m->height + 5;
    return total;
}

const CMsgManage* CMsgWnd::PageStart() const {
    return hasPageStart_ && pageStart_ != messages_.end() ? pageStart_->get() : nullptr;
}

void CMsgWnd::PlaceAt(int height) {
    const fw::Rect wa = fw::GetWorkArea();
    const int x = wa.right - wa.left - width_;
    const int base = wa.bottom - wa.top;
    MoveWindow(x, base - shown_, width_, height, false);
}

void CMsgWnd::OnTimer(fw::UINT id) {
    switch (id) {
        case kTimerSlideIn:
            if (shown_ > height_) {
                KillTimer(kTimerSlideIn);
                if (displayMs_ != 0) {
                    SetTimer(kTimerShown, static_cast<fw::UINT>(displayMs_));
                } else {
                    SetTimer(kTimerTicker, kTickerMs);
                }
                return;
            }
            shown_ += 20;
            if (shown_ > height_)
                shown_ = height_ + 1;
            PlaceAt(height_);
            Invalidate(false);
            return;
        case kTimerShown:
            KillTimer(kTimerShown);
            SetTimer(kTimerSlideOut, 5);
            return;
        case kTimerSlideOut:
            if (shown_ < 0) {
                KillTimer(kTimerSlideOut);
                SendMessage(fw::WM_CLOSE);
                return;
            }
            shown_ -= 20;
            if (shown_ < 0)
                shown_ = 0;
            PlaceAt(shown_);
            if (shown_ == 0)
                shown_ = -20;
            return;
        case kTimerTicker:
            KillTimer(kTimerTicker);
            if (TotalHeight() > height_) {
                ++tickerSteps_;
                RepaintNow();
            }
            SetTimer(kTimerTicker, kTickerMs);
            return;
        default:
            return;
    }
}

void CMsgWnd::RepaintNow() {
    Invalidate(false);
    UpdateWindow();
}

std::u16string CMsgWnd::PaintedTitle() {
    if (title_.size() > 10)
        title_ = title_.substr(0, 7) + u"...";
    if (!IsPersistent())
        return title_;
    return title_ + u" ( " + DecimalText(MessageCount()) + u" )";
}

bool CMsgWnd::OnEraseBkgnd(fw::Canvas& canvas) {
    (void)canvas;
    return true;  // the background bitmap covers everything
}

void CMsgWnd::OnPaint(fw::Canvas& canvas) {
    const fw::Rect client = GetClientRect();
    if (auto back = ModuleResources().LoadBitmap(IDB_POPUP_BACK)) {
        canvas.StretchBlt(client, *back, {0, 0, back->Width(), back->Height()});
    }
    canvas.SetBkMode(fw::TRANSPARENT);
    canvas.SelectFont(TitleFont());
    canvas.SetTextColor(kTitleColour);
    const std::u16string title = PaintedTitle();
    canvas.DrawText(title, {45, 3, client.right - 20, 39}, fw::DT_WORDBREAK | fw::DT_VCENTER);
    // A screen reader names the pop-up by the title it shows.
    fw::SetAccessibleName(GetSafeHwnd(), vq::Utf16ToGbk(title));
    const bool advance = !hoverRepaint_;
    hoverRepaint_ = false;
    PaintPage(canvas, advance);
    DrawButtons(canvas);
}

void CMsgWnd::PaintPage(fw::Canvas& canvas, bool advance) {
    const fw::Rect client = GetClientRect();
    if (!advance) {
        // A redraw for the mouse: the same page again, the ticker does not move.
        for (CMsgManage* m : pageMessages_)
            DrawMessage(canvas, *m);
        return;
    }
    pageMessages_.clear();
    if (messages_.empty())
        return;
    const int total = TotalHeight();
    auto it = hasPageStart_ && pageStart_ != messages_.end() ? pageStart_ : messages_.begin();
    const auto first = it;
    bool drewFirst = false;
    layoutPos_ = 30;
    for (;;) {
        CMsgManage& msg = **it;
        const int bottom = layoutPos_ + msg.height + 5;
        if (bottom > client.bottom - 5)
            break;
        msg.pageRect = {client.left + 10, layoutPos_, client.right - 10, bottom};
        msg.Layout(layoutPos_, client.Width() - 20, kMsgHeightLimit);
        DrawMessage(canvas, msg);
        pageMessages_.push_back(&msg);
        layoutPos_ = bottom;
        if (!drewFirst) {
            drewFirst = true;
            pageStart_ = std::next(it);
            if (pageStart_ == messages_.end())
                pageStart_ = messages_.begin();
            hasPageStart_ = true;
        }
        ++it;
        if (it == messages_.end()) {
            if (total < height_) {
                pageStart_ = messages_.begin();
                hasPageStart_ = true;
                break;
            }
            it = messages_.begin();
        }
        if (it == first)
            break;  // every message is on this page already
    }
    layoutPos_ = 30;
}

void CMsgWnd::DrawMessage(fw::Canvas& canvas, CMsgManage& msg) {
    canvas.SetBkMode(fw::TRANSPARENT);
    for (const TextSegment& seg : msg.segments) {
        if (seg.kind == TextSegment::kEnd)
            break;
        if (seg.kind == TextSegment::kEmpty)
            continue;
        const bool link = seg.kind == TextSegment::kLink;
        canvas.SelectFont(link ? fw::Font::DefaultGui(true) : PlainFont());
        canvas.SetTextColor(link && &seg == hotLink_ ? kHotLinkColour : msg.colour);
        const fw::Rect r{seg.rect.left, seg.rect.top, seg.rect.right, seg.rect.bottom};
        canvas.DrawText(seg.text, r, fw::DT_WORDBREAK | fw::DT_VCENTER);
    }
}

void CMsgWnd::DrawButtons(fw::Canvas& canvas) {
    const int w = GetWindowRect().Width();
    const int cx = fw::GetSystemMetrics(fw::SM_CXFRAME);
    const int cy = fw::GetSystemMetrics(fw::SM_CYFRAME);
    closeRect_ = {w - cx - 24, cy + 3, w - cx - 8, cy + 19};
    viewRect_ = {w - cx - 70, cy + 130, w - cx - 8, cy + 152};
    // The two painted buttons are buttons to a screen reader too, and what the page shows is
    // read out: its texts in order, its links as links (pressing one opens it).
    std::vector<fw::AccessiblePart> parts{{kClosePart, closeRect_, vq::Gbk("关闭")},
                                          {kViewPart, viewRect_, vq::Gbk("查看")}};
    for (const CMsgManage* m : pageMessages_) {
        for (const TextSegment& seg : m->segments) {
            if (seg.kind == TextSegment::kEnd)
                break;
            if ((seg.kind != TextSegment::kPlain && seg.kind != TextSegment::kLink) ||
                seg.text.empty())
                continue;
            const auto id = kFirstTextPart + static_cast<fw::UINT>(parts.size() - 2);
            parts.push_back({id,
                             {seg.rect.left, seg.rect.top, seg.rect.right, seg.rect.bottom},
                             vq::Utf16ToGbk(seg.text),
                             seg.kind == TextSegment::kLink ? fw::AccessiblePartRole::Link
                                                            : fw::AccessiblePartRole::Text});
        }
    }
    fw::SetAccessibleParts(GetSafeHwnd(), parts);
    if (auto close =
            ModuleResources().LoadBitmap(closeHot_ ? IDB_POPUP_CLOSE_HOT : IDB_POPUP_CLOSE)) {
        canvas.DrawBitmap(closeRect_.left, closeRect_.top, *close);
    }
    if (auto view = ModuleResources().LoadBitmap(IDB_POPUP_VIEW)) {
        canvas.DrawBitmap(viewRect_.left, viewRect_.top, *view);
    }
}

void CMsgWnd::OnMouseMove(fw::UINT keys, fw::Point p) {
    (void)keys;
    hover_ = 1;
    // Pop-ups are shown without activation and may never lose the focus, so
    // the pointer leaving has to end the pause as well.
    TrackMouseLeave();
    if (IsPersistent())
        KillTimer(kTimerTicker);
    closeHot_ = closeRect_.Contains(p);
    const TextSegment* hot = nullptr;
    for (CMsgManage* m : pageMessages_) {
        for (const TextSegment& seg : m->segments) {
            if (seg.kind == TextSegment::kLink && seg.rect.Contains(p.x, p.y))
                hot = &seg;
        }
    }
    hotLink_ = hot;
    fw::SetCursor(hot != nullptr || viewRect_.Contains(p) ? fw::Cursor::Hand : fw::Cursor::Arrow);
    hoverRepaint_ = true;
    RepaintNow();
}

void CMsgWnd::OnMouseLeave() {
    EndHover();
}

void CMsgWnd::OnKillFocus() {
    EndHover();
}

void CMsgWnd::EndHover() {
    if (hover_ == 0)
        return;
    hover_ = 0;
    if (IsPersistent())
        SetTimer(kTimerTicker, kTickerMs);
}

void CMsgWnd::OnLButtonDown(fw::UINT keys, fw::Point p) {
    (void)keys;
    if (closeRect_.Contains(p)) {
        SendMessage(fw::WM_CLOSE);
        return;
    }
    if (viewRect_.Contains(p)) {
        View();
        return;
    }
    for (CMsgManage* m : pageMessages_) {
        for (const TextSegment& seg : m->segments) {
            if (seg.kind != TextSegment::kLink || !seg.rect.Contains(p.x, p.y))
                continue;
            if (events_ != nullptr) {
                // Copies: the handler may close this message.
                const std::u16string id = DecimalText(m->id), target = seg.target, o1 = m->other1,
                                     o2 = m->other2, o3 = m->other3;
                events_->OnPopupLink(id, target, o1, o2, o3);
            }
            return;
        }
    }
    StartSystemMove();
}

void CMsgWnd::View() {
    const std::u16string url = events_ != nullptr ? events_->PopupViewUrl() : u"";
    if (!url.empty()) {
        // The text is valid only during the call.
        fw::SendMessage(GetOwnerHwnd(), WM_POPUP_VIEW, 0,
                        reinterpret_cast<fw::LPARAM>(url.c_str()));
    }
    SendMessage(fw::WM_CLOSE);
}

void CMsgWnd::OnClose() {
    // A close callback may close this window again (CloseMessage); once is enough.
    if (closing_)
        return;
    closing_ = true;
    if (IsPersistent()) {
        KillTimer(kTimerTicker);
        // Taken first: a handler may change the list while the callbacks run.
        std::vector<std::array<std::u16string, 3>> pending;
        for (const auto& m : messages_) {
            if (m->closeFlag == 1)
                pending.push_back({m->other1, m->other2, m->other3});
        }
        for (const auto& p : pending) {
            if (events_ != nullptr)
                events_->OnPopupMessageClosed(p[0], p[1], p[2]);
        }
    } else if (!messages_.empty() && messages_.front()->closeFlag == 1 && events_ != nullptr) {
        const CMsgManage& m = *messages_.front();
        events_->OnPopupMessageClosed(m.other1, m.other2, m.other3);
    }
    if (events_ != nullptr)
        events_->OnPopupClosing(*this);
    DestroyWindow();
}

void CMsgWnd::OnDestroy() {
    WithdrawNote();
    pageMessages_.clear();
    hotLink_ = nullptr;
    messages_.clear();
    hasPageStart_ = false;
    pageStart_ = messages_.end();
    destroyed_ = 1;
    if (events_ != nullptr)
        events_->OnPopupDestroyed(*this);
}

void CMsgWnd::CloseMessageById(int id) {
    KillTimer(kTimerTicker);
    for (auto it = messages_.begin(); it != messages_.end(); ++it) {
        if ((*it)->id != id)
            continue;
        if (hasPageStart_ && pageStart_ == it)
            pageStart_ = std::next(it);
        std::erase(pageMessages_, it->get());
        hotLink_ = nullptr;
        // Out of the list before the callback, which may close messages itself.
        const std::unique_ptr<CMsgManage> gone = std::move(*it);
        messages_.erase(it);
        if (gone->closeFlag == 1 && events_ != nullptr) {
            events_->OnPopupMessageClosed(gone->other1, gone->other2, gone->other3);
        }
        if (IsDestroyed())
            return;
        if (messages_.empty()) {
            SetTimer(kTimerTicker, kTickerMs);
            SendMessage(fw::WM_CLOSE);
            return;
        }
        if (asNote_ && gone->id == noteMessageId_)
            Announce();  // the note told of the message just taken away
        break;
    }
    RepaintNow();
    SetTimer(kTimerTicker, kTickerMs);
}

void CMsgWnd::Alert(int mode) {
    if (mode == 1 || mode == 3) {
        // No default sound when the library's own is missing.
        const auto wav = ModuleResources().ReadFile(fw::ResourceKind::Sound, IDR_POPUP_SOUND);
        if (wav && fw::GetBackend() != nullptr)
            fw::GetBackend()->PlaySound(IDR_POPUP_SOUND, *wav);
    }
    // Shaking moves the window: not where the desktop places it, nor when a note stands in.
    if ((mode == 2 || mode == 3) && !asNote_ && fw::CanPlaceWindows())
        Shake();
}

void CMsgWnd::Shake() {
    if (GetSafeHwnd() == fw::kNoWindow)
        return;
    ShowWindow(fw::SW_SHOW);
    SetForegroundWindow();
    const fw::Rect r = GetWindowRect();
    // Down and left, up, right, down: a 3-pixel square, three times.
    static const int kSteps[][2] = {{-3, 3}, {-3, 0}, {0, 0}, {0, 3}};
    for (int round = 0; round < 3; ++round) {
        for (const auto& s : kSteps) {
            MoveWindow(r.left + s[0], r.top + s[1], r.Width(), r.Height());
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    MoveWindow(r.left, r.top, r.Width(), r.Height());
    std::this_thread::sleep_for(std::chrono::milliseconds(3));
}
