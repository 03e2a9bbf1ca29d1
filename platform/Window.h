#pragma once
// Windows, dialogs and controls. A Window object is attached to a handle (HWND); the
// framework keeps each window's state (text, place, style, children, timers, control
// data) under that handle and mirrors it to the backend. Everything here runs on the UI
// thread, except SendMessage/PostMessage, which any thread may call.
//
// Dispatch: every message of a window reaches its object's WindowProc. The base
// WindowProc turns the common messages into the virtual On... handlers below and gives
// everything else to DefWindowProc, so a class either overrides WindowProc with one switch
// (numbered messages, as in a message table) or overrides single handlers, or both.
//
// Texts are GBK.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/Canvas.h"
#include "platform/Region.h"
#include "platform/Resources.h"
#include "platform/Types.h"

namespace fw {

class Menu;

class Window {
public:
    Window();
    virtual ~Window();  // destroys the window if it still exists
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    HWND GetSafeHwnd() const { return hwnd_; }
    bool IsWindow() const;
    // The object attached to a handle (a framework-made one for plain controls), or null.
    static Window* FromHandle(HWND hwnd);

    // ---- Life ----
    // A window made in code: a pop-up (parent = owner, may be null) or, with WS_CHILD, a
    // child of `parent` with control id `id`.
    bool CreateEx(DWORD exStyle, const std::string& title, DWORD style, const Rect& rect,
                  Window* parent, UINT id = 0, ControlKind kind = ControlKind::Custom);
    // Takes over the messages of control `id` of `parent` (a drawn button does this).
    bool SubclassDlgItem(UINT id, Window* parent);
    bool SubclassWindow(HWND hwnd);
    HWND UnsubclassWindow();
    // WM_DESTROY goes to the window and its children, then the handle dies; afterwards
    // PostNcDestroy runs (a self-owning object may delete itself there).
    bool DestroyWindow();
    virtual void PostNcDestroy() {}

    // ---- Dispatch ----
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // The framework's own handling: painting of controls, system commands, closing...
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // Keys and mouse messages meant for any window inside this top-level window pass here
    // first; returning true swallows them (Ctrl+Enter and Escape handling).
    virtual bool PreTranslateMessage(HWND target, const Msg& msg);

    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    bool PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

    // ---- Handlers called by the base WindowProc ----
    virtual int OnCreate() { return 0; }
    virtual void OnDestroy() {}
    // Return true when handled; a Dialog maps unhandled IDOK/IDCANCEL to OnOK/OnCancel.
    virtual bool OnCommand(UINT id, UINT notifyCode, HWND control);
    virtual bool OnNotify(UINT id, NotifyHeader& header, LRESULT& result);
    virtual void OnTimer(UINT id) { (void)id; }
    virtual void OnPaint(Canvas& canvas);
    // Return true when the background was painted (or is to be left as it is).
    virtual bool OnEraseBkgnd(Canvas& canvas);
    virtual void OnMouseMove(UINT keys, Point p);
    virtual void OnLButtonDown(UINT keys, Point p);
    virtual void OnLButtonUp(UINT keys, Point p);
    virtual void OnLButtonDblClk(UINT keys, Point p);
    virtual void OnRButtonDown(UINT keys, Point p);
    virtual void OnRButtonUp(UINT keys, Point p);
    virtual void OnMouseLeave() {}
    virtual bool OnSetCursor() { return false; }
    virtual void OnKeyDown(UINT vk);
    virtual void OnClose();  // default: DestroyWindow
    virtual void OnSysCommand(UINT id, LPARAM lParam);
    virtual void OnShowWindow(bool show) { (void)show; }
    virtual void OnEnable(bool enabled) { (void)enabled; }
    virtual void OnKillFocus() {}
    // type: SIZE_RESTORED or SIZE_MINIMIZED.
    virtual void OnSize(UINT type, int width, int height) { (void)type, (void)width, (void)height; }
    virtual void OnMove(int x, int y) { (void)x, (void)y; }
    virtual void OnGetMinMaxInfo(MinMaxInfo& info) { (void)info; }
    // Owner-drawn control: the parent's WM_DRAWITEM is reflected to the control's object.
    virtual void DrawItem(const DrawItemStruct& dis);

    // ---- Window operations ----
    void SetWindowText(const std::string& text);
    std::string GetWindowText() const;
    void MoveWindow(int x, int y, int width, int height, bool repaint = true);
    void MoveWindow(const Rect& r, bool repaint = true) {
        MoveWindow(r.left, r.top, r.Width(), r.Height(), repaint);
    }
    // `insertAfter` is HWND_TOP, HWND_TOPMOST or HWND_NOTOPMOST.
    bool SetWindowPos(HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
    bool ShowWindow(int cmd);
    bool IsWindowVisible() const;  // this window and all its parents shown
    bool IsIconic() const;
    bool EnableWindow(bool enable = true);
    bool IsWindowEnabled() const;
    Rect GetClientRect() const;  // (0, 0, width, height)
    Rect GetWindowRect() const;  // screen coordinates
    // The rectangle in the parent's client coordinates (screen for top-level windows).
    Rect GetRectInParent() const;
    Point ClientToScreen(Point p) const;
    Point ScreenToClient(Point p) const;
    Rect ClientToScreen(const Rect& r) const;
    Rect ScreenToClient(const Rect& r) const;
    // Centre on the desktop's work area (top-level) or on the parent (child).
    void CenterWindow();
    void Invalidate(bool erase = true);
    void InvalidateRect(const Rect& r, bool erase = true);
    void UpdateWindow();
    // The window's shape; an empty region clears it. The window keeps a copy.
    void SetWindowRgn(const Region& region, bool redraw = true);
    void ClearWindowRgn(bool redraw = true);
    bool HasWindowRgn() const;
    Region GetWindowRgn() const;
    void SetIcon(HICON icon, bool big);
    HICON GetIcon(bool big) const;
    void SetFont(const Font& font);
    Font GetFont() const;
    DWORD GetStyle() const;
    DWORD GetExStyle() const;
    bool ModifyStyle(DWORD remove, DWORD add);
    bool ModifyStyleEx(DWORD remove, DWORD add);
    UINT GetDlgCtrlID() const;
    Window* GetParent() const;
    HWND GetParentHwnd() const;
    // Top-level windows: the window's owner. Children: their top-level ancestor's owner.
    HWND GetOwnerHwnd() const;
    Window* GetTopLevelParent() const;
    Window* SetFocus();
    bool SetForegroundWindow();
    void BringWindowToTop();
    // Starts the system move that a left-button press anywhere on a captionless window
    // begins (what WM_SYSCOMMAND SC_DRAGMOVE does).
    void StartSystemMove();
    // WM_MOUSELEAVE is sent once when the pointer next leaves the window.
    void TrackMouseLeave();
    UINT SetTimer(UINT id, UINT elapseMs);
    bool KillTimer(UINT id);
    Menu* GetSystemMenu();

    // ---- Controls by id ----
    Window* GetDlgItem(UINT id) const;
    HWND GetDlgItemHandle(UINT id) const;
    std::string GetDlgItemText(UINT id) const;
    void SetDlgItemText(UINT id, const std::string& text);
    unsigned GetDlgItemInt(UINT id, bool* ok = nullptr) const;
    void SetDlgItemInt(UINT id, unsigned value);
    void CheckDlgButton(UINT id, int check);
    int IsDlgButtonChecked(UINT id) const;
    // Checks `check` and clears the other radio buttons with ids first..last.
    void CheckRadioButton(UINT first, UINT last, UINT check);
    LRESULT SendDlgItemMessage(UINT id, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    // Children in z order (top first are last).
    std::vector<HWND> GetChildren() const;

    // Framework use.
    void AttachHandle(HWND hwnd) { hwnd_ = hwnd; }
    void DetachHandle() { hwnd_ = kNoWindow; }

protected:
    HWND hwnd_ = kNoWindow;
};

// The result of a dialog that ended without EndDialog (the framework ended its loop).
constexpr int kDialogAborted = -1;

class Dialog : public Window {
public:
    explicit Dialog(UINT templateId = 0, Window* parent = nullptr);
    ~Dialog() override;

    // Runs the dialog in a nested loop until EndDialog; returns EndDialog's value, or -1
    // when the template is missing or the loop was aborted.
    INT_PTR DoModal();
    // Modeless: creates the window (hidden unless the template says WS_VISIBLE).
    bool Create(UINT templateId, Window* parent = nullptr);
    bool Create(Window* parent = nullptr) { return Create(templateId_, parent); }
    // Modal: ends the loop with `result` (the window is destroyed when DoModal returns).
    // Modeless: hides the window and keeps it.
    void EndDialog(int result);
    bool IsModal() const { return modal_; }
    UINT TemplateId() const { return templateId_; }
    // The dialog's parent or owner as given to the constructor or Create.
    Window* ParentWindow() const { return parent_; }

    virtual bool OnInitDialog() { return true; }
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnClose() override { OnCancel(); }

private:
    UINT templateId_;
    Window* parent_;
    bool modal_ = false;
    bool ended_ = false;
    int result_ = 0;
};

// ---- Control wrappers: thin views over a control's state, by handle. ----

class Edit : public Window {
public:
    // Only what the user types is limited, as with any edit control; 0 restores the default.
    void LimitText(int maxChars);
    int GetLimitText() const;
    void SetReadOnly(bool readOnly = true);
    void SetSel(int start, int end);  // characters; -1 end means the end
    void ReplaceSel(const std::string& text);
};

class Button : public Window {
public:
    int GetCheck() const;
    void SetCheck(int check);
    // Owner-draw style, as a drawn button sets it when it takes over a push button.
    void SetOwnerDraw(bool on = true);
    bool IsOwnerDraw() const;
};

class Static : public Window {
public:
    // Shows a bitmap resource (picture controls); 0 clears it.
    void SetBitmap(UINT bitmapId);
    UINT GetBitmapId() const;
};

// One item of a rich edit's content: text, or an embedded picture with a user number
// (the emoticon index), which counts as one character.
struct RichItem {
    std::string text;  // GBK; empty for a picture
    std::shared_ptr<const Bitmap> picture;
    std::uint32_t user = 0;
    bool isObject = false;
};

struct RichObjectInfo {
    int cp = 0;  // character position
    std::uint32_t user = 0;
};

// A link found by automatic URL detection.
struct RichLink {
    CharRange range;
    std::string text;  // GBK
};

class RichEdit : public Window {
public:
    bool Create(DWORD style, const Rect& rect, Window* parent, UINT id);
    DWORD SetEventMask(DWORD mask);
    DWORD GetEventMask() const;
    // Links ("http://", "https://", "ftp://", "file://", "mailto:", "news:", "www.") are
    // found while this is on; the user's click on one sends EN_LINK (with ENM_LINK in the
    // event mask) and opens it in the browser unless the parent swallows the release.
    void SetAutoUrlDetect(bool on);
    bool GetAutoUrlDetect() const;
    // The links of the text now, in text order (none while detection is off).
    std::vector<RichLink> GetLinks() const;
    void SetReadOnly(bool readOnly = true);
    void LimitText(int maxChars);  // EM_EXLIMITTEXT
    int GetLimitText() const;
    // Positions and lengths count characters: a GBK double-byte pair is one character, an
    // embedded picture is one character.
    int GetTextLength() const;
    void SetSel(int start, int end);  // -1 end means the end; a start of -1 selects nothing
    void GetSel(int& start, int& end) const;
    // Replaces the selection (EM_REPLACESEL; the program is not bound by the limit) and
    // leaves the caret after the new text.
    void ReplaceSel(const std::string& text);
    // Inserts a picture at the selection (replacing it); the rich edit keeps the picture.
    void InsertPicture(std::shared_ptr<const Bitmap> picture, std::uint32_t user);
    int GetObjectCount() const;
    bool GetObjectInfo(int index, RichObjectInfo& info) const;
    // The text of characters [first, last); a picture reads as one blank.
    std::string GetTextRange(int first, int last) const;
    const std::vector<RichItem>& Content() const;
    void Clear();
};

class IpAddressCtrl : public Window {
public:
    void SetAddress(std::uint8_t f0, std::uint8_t f1, std::uint8_t f2, std::uint8_t f3);
    // Number of non-blank fields; blank fields read as 0.
    int GetAddress(std::uint8_t& f0, std::uint8_t& f1, std::uint8_t& f2, std::uint8_t& f3) const;
    void ClearAddress();
};

// The area a page view is attached to. The framework draws nothing in it; whoever owns the
// page view (the page host) attaches itself here and is told when the area moves, shows,
// hides or goes away. NativeParent() is the backend's native widget for the area (a QWidget*
// under Qt, null when headless), for parenting a real browser view.
class HtmlSiteContent {
public:
    virtual ~HtmlSiteContent() = default;
    virtual void OnSiteMoved(const Rect& clientRect) { (void)clientRect; }
    virtual void OnSiteShown(bool shown) { (void)shown; }
    virtual void OnSiteDestroyed() {}
};

class HtmlSite : public Window {
public:
    // The site keeps `content` until it is detached or the site is destroyed.
    void AttachContent(std::shared_ptr<HtmlSiteContent> content);
    std::shared_ptr<HtmlSiteContent> Content() const;
    void* NativeParent() const;
};

}  // namespace fw
