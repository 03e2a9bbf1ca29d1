#include "app/OrvanelDlg.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "app/AboutDlg.h"
#include "platform/Framework.h"
#include "platform/Menu.h"
#include "platform/Resources.h"
#include "platform/core/Text.h"
#include "protocol/ServiceContract.h"
#include "session/ConfigFile.h"
#include "session/Session.h"
#include "skin/SkinFrame.h"

namespace {

using fw::UINT;

constexpr fw::Rect Place(int x, int y, int w, int h) {
    return fw::Rect{x, y, x + w, y + h};
}

struct ButtonSkin {
    UINT id;
    UINT bitmaps[4];
    fw::Rect place;
};

// Bitmap sets and places of the seven drawn buttons.
constexpr ButtonSkin kButtons[] = {
    {1005, {166, 166, 166, 166}, Place(467, 42, 100, 25)},
    {1006, {160, 159, 158, 160}, Place(880, 5, 26, 19)},
    {1007, {151, 165, 164, 151}, Place(910, 5, 26, 19)},
    {1008, {154, 153, 152, 154}, Place(940, 5, 26, 19)},
    {1009, {181, 181, 181, 181}, Place(447, 760, 97, 37)},
    {1010, {163, 162, 161, 163}, Place(755, 7, 53, 16)},
    {1011, {157, 156, 155, 157}, Place(815, 7, 53, 16)},
};
constexpr UINT kHiddenButtons[] = {1005, 1009};
constexpr UINT kTitleStatic = 1013;
constexpr fw::Rect kTitleStaticPlace = fw::Rect{430, 0, 430 + 174, 59};
constexpr fw::Rect kPortalPlace = fw::Rect{0, 49, 1005, 49 + 695};
constexpr int kWidth = 1005;
constexpr int kHeight = 740;

// Commands of the tray menu and menus 193 and 194.
constexpr UINT kCmdShowMain = 32777;
constexpr UINT kCmdTrayExit = 32778;
constexpr UINT kCmdChangeUser = 32782;
constexpr UINT kCmdSettings = 32783;
constexpr UINT kCmdExit = 32784;
constexpr UINT kCmdCheckUpdate = 32788;
constexpr UINT kCmdNothing = 32789;
constexpr UINT kCmdAbout = 32790;
constexpr UINT kCmdFaq = 32805;
constexpr UINT kSystemMenu = 193;
constexpr UINT kHelpMenu = 194;
constexpr UINT kAboutString = 101;

// Top strip of the window: left end, stretched middle, right end.
constexpr UINT kStripLeft = 175;
constexpr UINT kStripMiddle = 170;
constexpr UINT kStripRight = 168;

std::string Text(const char* utf8) {
    return vq::Gbk(utf8);
}

}  // namespace

COrvanelDlg::COrvanelDlg(IPortal& portal, IForms& forms, fw::Window* parent)
    : fw::Dialog(IDD, parent),
      portalMaker_(portal),
      forms_(forms),
      systemSettings_(portal.MakeSystemSettingsPage(this)) {}

COrvanelDlg::~COrvanelDlg() {
    if (worker_) {
        worker_->SetServiceReceiver(nullptr);
    }
}

std::string COrvanelDlg::Virid() const {
    return Session().Virid();
}

bool COrvanelDlg::OnInitDialog() {
    // The notifier control takes the place the template keeps for it.
    fw::Rect notifierPlace = fw::Rect{989, 724, 1005, 740};
    if (fw::Window* site = GetDlgItem(kNotifierId)) {
        notifierPlace = site->GetRectInParent();
        site->DestroyWindow();
    }
    notifier_.Create("", fw::WS_CHILD | fw::WS_VISIBLE, notifierPlace, this, kNotifierId);

    if (fw::Menu* menu = GetSystemMenu()) {
        menu->AppendMenu(fw::MF_SEPARATOR);
        menu->AppendMenu(fw::MF_STRING, kAboutCommand,
                         fw::Resources::Global().LoadString(kAboutString).value_or(""));
    }
    SetWindowIcons(kIconNormal);

    tray_.Create(Text("欢迎使用Velquor！"), this, WindowMsg::kMainTray, kIconNormal, kTrayId);
    SetWindowText("Velquor3.0");

    NotifierShowWindow("");

    MoveWindow(0, 0, kWidth, kHeight);
    portal_ = portalMaker_.MakePortalPage(this);
    if (portal_ && portal_->Create(this)) {
        portal_->MoveWindow(kPortalPlace);
        portal_->ShowWindow(fw::SW_SHOW);
        portalHwnd_ = portal_->GetSafeHwnd();
    }
    buttons_.SetMainWindowButtons(true);
    for (const ButtonSkin& b : kButtons) {
        buttons_.Skin(this, b.id, b.bitmaps[0], b.bitmaps[1], b.bitmaps[2], b.bitmaps[3]);
        if (fw::Window* w = GetDlgItem(b.id)) {
            w->MoveWindow(b.place);
        }
    }
    for (UINT id : kHiddenButtons) {
        if (fw::Window* w = GetDlgItem(id)) {
            w->ShowWindow(fw::SW_HIDE);
        }
    }
    if (fw::Window* w = GetDlgItem(kTitleStatic)) {
        w->MoveWindow(kTitleStaticPlace);
    }

    worker_ = WorkerHost::Global().Current();
    if (worker_) {
        worker_->SetServiceReceiver(this);
    }
    QueueSessionRequest(ServiceCall::kUserIdentity, {Session().UserName()});

    SetTimer(kPollTimer, kPollMs);
    SetTimer(kChatTimer, kChatMs);
    const fw::HWND self = GetSafeHwnd();
    fw::PostToUiThread([self] { NotifyStartup(StartupEvent::kMainShown, self); });
    return true;
}

void COrvanelDlg::OnDestroy() {
    // The worker outlives the window in tests; it must not call a window that is gone.
    if (worker_) {
        worker_->SetServiceReceiver(nullptr);
    }
    tray_.Remove();
    if (settings_ && settings_->IsWindow()) {
        settings_->DestroyWindow();
    }
    settingsHwnd_ = fw::kNoWindow;
}

void COrvanelDlg::SetWindowIcons(fw::HICON icon) {
    SetIcon(icon, true);
    SetIcon(icon, false);
}

fw::LRESULT COrvanelDlg::WindowProc(UINT message, fw::WPARAM wParam, fw::LPARAM lParam) {
    switch (message) {
        case WindowMsg::kMainTray:
            if (wParam == kTrayId) {
                OnTrayCallback(lParam);
            }
            return 0;
        case WindowMsg::kNewArticles:
            if (lParam != 0) {
                OnNewArticles(*reinterpret_cast<RecordSetList*>(lParam));
            }
            return 0;
        case WindowMsg::kReviewerAlert:
            OnReviewerAlert();
            return 0;
        case WindowMsg::kTrayFlash:
            OnTrayFlash(lParam);
            return 0;
        case WindowMsg::kTrayTip:
            OnTrayTip(lParam);
            return 0;
        case WindowMsg::kPopupActivated:
            // The pop-up's own text is not used: the portal opens the article shown last.
            if (portalHwnd_ != fw::kNoWindow) {
                fw::SendMessage(portalHwnd_, WindowMsg::kPortalPopup, wParam,
                                reinterpret_cast<fw::LPARAM>(&lastNewsId_));
            }
            return 0;
        case WindowMsg::kSkinHover:
            return 0;
        default:
            return fw::Dialog::WindowProc(message, wParam, lParam);
    }
}

void COrvanelDlg::OnTrayCallback(fw::LPARAM mouseMessage) {
    if (mouseMessage == fw::WM_LBUTTONDBLCLK) {
        KillTimer(kFlashTimer);
        flashing_ = false;
        ShowWindow(IsIconic() ? fw::SW_RESTORE : fw::SW_SHOW);
        SetForegroundWindow();
    } else if (mouseMessage == fw::WM_RBUTTONUP) {
        tray_.OnTrayNotification(kTrayId, mouseMessage);
    }
}

bool COrvanelDlg::OnCommand(UINT id, UINT notifyCode, fw::HWND control) {
    (void)notifyCode;
    (void)control;
    switch (id) {
        case kCmdShowMain:
            ShowWindow(IsIconic() ? fw::SW_RESTORE : fw::SW_SHOW);
            CenterWindow();
            return true;
        case kCmdTrayExit:
        case kCmdExit:
            ExitProgram(false);
            return true;
        case 1005:
            if (portal_) {
                portalMaker_.CallScript(*portal_, "showflash");
            }
            return true;
        case 1006:
            ShowWindow(fw::SW_MINIMIZE);
            return true;
        case 1008:
            ShowWindow(fw::SW_HIDE);
            return true;
        case 1010:
            ShowMenuAtCursor(kSystemMenu);
            return true;
        case 1011:
            ShowMenuAtCursor(kHelpMenu);
            return true;
        case 1007:
        case 1009:
        case kCmdNothing:
        case kCmdFaq:
            return true;
        case kCmdChangeUser:
            ChangeUser();
            return true;
        case kCmdSettings:
            OpenSettings();
            return true;
        case kCmdCheckUpdate:
            fw::MessageBox(GetSafeHwnd(), Text("当前使用的是最新版本，无需更新！"), Text("提示"),
                           fw::MB_OK | fw::MB_ICONEXCLAMATION);
            return true;
        case kCmdAbout:
            ShowAbout();
            return true;
        case fw::IDOK:
            // Enter in the main window is no way out of it.
            return true;
        case fw::IDCANCEL:
            ExitProgram(false);
            return true;
        default:
            return fw::Dialog::OnCommand(id, notifyCode, control);
    }
}

void COrvanelDlg::OnSysCommand(UINT id, fw::LPARAM lParam) {
    if ((id & 0xFFF0u) == kAboutCommand || id == kAboutCommand) {
        ShowAbout();
        return;
    }
    fw::Dialog::OnSysCommand(id, lParam);
}

void COrvanelDlg::ShowAbout() {
    CAboutDlg about(this);
    about.DoModal();
}

void COrvanelDlg::ShowMenuAtCursor(UINT menuId) {
    fw::Menu menu;
    if (!menu.LoadMenu(menuId)) {
        return;
    }
    fw::Menu* sub = menu.GetSubMenu(0);
    if (sub == nullptr) {
        return;
    }
    const fw::Point at = fw::GetCursorPos();
    sub->TrackPopupMenu(fw::TPM_LEFTALIGN | fw::TPM_RIGHTBUTTON, at.x - 30, at.y + 10, this);
}

void COrvanelDlg::ChangeUser() {
    const int answer = fw::MessageBox(GetSafeHwnd(), Text("你确定要重新登录吗？"),
                                      Text("确认信息："), fw::MB_YESNO | fw::MB_ICONQUESTION);
    if (answer != fw::IDYES) {
        return;
    }
    IniWriteValues({{ConfigId::kManagerIsRemFlag, "0"},
                    {ConfigId::kManagerIsLoginFlag, "0"},
                    {ConfigId::kManagerUserName, ""},
                    {ConfigId::kManagerUserPassword, ""}});
    ExitProgram(true);
}

void COrvanelDlg::OpenSettings() {
    if (!settings_) {
        settings_ = forms_.MakeSettingsDialog(this);
    }
    if (!settings_) {
        return;
    }
    if (!settings_->IsWindow()) {
        if (!settings_->Create(this)) {
            return;
        }
        settingsHwnd_ = settings_->GetSafeHwnd();
    }
    settings_->ShowWindow(fw::SW_SHOW);
}

void COrvanelDlg::ExitProgram(bool restart) {
    if (restart) {
        fw::StartNewInstance();
    }
    fw::RunOnUiThread([this] {
        if (IsWindow()) {
            EndDialog(fw::IDCANCEL);
        }
        tray_.Remove();
    });
    EndProcess(0);
}

void COrvanelDlg::OnTimer(UINT id) {
    switch (id) {
        case kFlashTimer: {
            alertIcon_ = !alertIcon_;
            const fw::HICON icon = alertIcon_ ? kIconAlert : kIconNormal;
            SetIcon(icon, true);
            tray_.SetIcon(this, icon);
            break;
        }
        case kPollTimer:
            QueueSessionRequest(ServiceCall::kPoll, {Virid(), Session().OrgId()});
            break;
        case kChatTimer:
            QueueSessionRequest(ServiceCall::kNewChatMessages, {Virid()});
            break;
        default:
            fw::Dialog::OnTimer(id);
    }
}

void COrvanelDlg::OnTrayFlash(fw::LPARAM lParam) {
    if (lParam == 0) {
        SetTimer(kFlashTimer, kFlashMs);
        flashing_ = true;
    } else if (lParam == 1) {
        KillTimer(kFlashTimer);
        flashing_ = false;
        alertIcon_ = false;
        SetWindowIcons(kIconNormal);
        tray_.SetIcon(this, kIconNormal);
    }
}

// Who wrote the waiting chat messages; once none waits, the welcome tip again.
void COrvanelDlg::OnTrayTip(fw::LPARAM lParam) {
    const std::string tip = lParam != 0 ? *reinterpret_cast<const std::string*>(lParam) : "";
    tray_.SetAlertTip(tip);
    tray_.SetTip(tip.empty() ? Text("欢迎使用Velquor！") : tip);
}

bool COrvanelDlg::OnEraseBkgnd(fw::Canvas& canvas) {
    (void)canvas;
    return true;  // OnPaint covers the whole client area
}

void COrvanelDlg::OnPaint(fw::Canvas& canvas) {
    const fw::Rect client = GetClientRect();
    if (IsIconic()) {
        canvas.DrawIcon((client.Width() - 32 + 1) / 2, (client.Height() - 32 + 1) / 2, kIconNormal);
        return;
    }
    // Composed off screen first so that the strip never shows half drawn.
    fw::Canvas off = canvas.Compatible(client.Width(), client.Height(), fw::RGB(255, 255, 255));
    const fw::Resources& res = fw::Resources::Global();
    const auto left = res.LoadBitmap(kStripLeft);
    const auto middle = res.LoadBitmap(kStripMiddle);
    const auto right = res.LoadBitmap(kStripRight);
    const int leftW = left ? left->Width() : 0;
    const int rightW = right ? right->Width() : 0;
    if (left) {
        off.DrawBitmap(0, 0, *left);
    }
    if (middle && client.Width() > leftW + rightW) {
        off.StretchBlt(fw::Rect{leftW, 0, client.Width() - rightW, middle->Height()}, *middle,
                       fw::Rect{0, 0, middle->Width(), middle->Height()});
    }
    if (right) {
        off.DrawBitmap(client.Width() - rightW, 0, *right);
    }
    canvas.BitBlt(0, 0, client.Width(), client.Height(), off, 0, 0);
}

void COrvanelDlg::OnLButtonDown(UINT keys, fw::Point p) {
    (void)keys;
    (void)p;
    BeginSkinDrag(*this);
}

void COrvanelDlg::OnGetMinMaxInfo(fw::MinMaxInfo& info) {
    const fw::Size screen = fw::GetScreenSize();
    info.minTrackSize = {250, 600};
    info.maxTrackSize = {screen.cx, screen.cy};
}

// ---- The reply dispatcher (worker thread) ----

void COrvanelDlg::OnThreadReturn(RequestResult& result) {
    const fw::HWND self = GetSafeHwnd();
    if (result.status == kStatusFailed) {
        const int answer = fw::MessageBox(self, Text("你确定要重新登录吗？"), Text("网络错误"),
                                          fw::MB_YESNO | fw::MB_ICONQUESTION);
        if (answer == fw::IDYES) {
            ExitProgram(true);
        }
        return;
    }
    if (result.status != kStatusReply) {
        return;
    }
    RecordSet* first = result.First();
    if (first == nullptr) {
        return;
    }
    if (first->RowCount() > 0) {
        first->MoveFirst();
    }
    const ReplyRoute* route = FindReplyRoute(first->Tag());
    if (route == nullptr) {
        return;  // released unread
    }
    const auto lParam = reinterpret_cast<fw::LPARAM>(&result.recordSets);
    switch (route->action) {
        case ReplyAction::kForwardPortal:
            fw::SendMessage(portalHwnd_, route->message, 0, lParam);
            if (route->message == WindowMsg::kPortalHome) {
                NotifyStartup(StartupEvent::kHomeFilled, self);
            }
            break;
        case ReplyAction::kForwardSelf:
            fw::SendMessage(self, route->message, 0, lParam);
            break;
        case ReplyAction::kForwardSettings: {
            const fw::HWND settings = settingsHwnd_.load();
            if (settings != fw::kNoWindow) {
                fw::SendMessage(settings, route->message, 0, lParam);
            }
            break;
        }
        case ReplyAction::kIdentity:
            TakeIdentity(*first);
            fw::SendMessage(portalHwnd_, route->message, 0, 0);
            NotifyStartup(StartupEvent::kIdentity, self);
            break;
        case ReplyAction::kForcedRelogin:
            fw::MessageBox(self, Text("该账号已经在别处登录了！"), Text("提示"),
                           fw::MB_OK | fw::MB_ICONEXCLAMATION);
            result.recordSets.clear();
            ExitProgram(true);
            break;
        case ReplyAction::kConfirm:
            ConfirmFromReply(*first, *route);
            break;
    }
    result.recordSets.clear();
}

void COrvanelDlg::TakeIdentity(RecordSet& set) {
    namespace C = ReplyColumn;
    if (set.RowCount() <= 0 || !set.MoveFirst()) {
        return;
    }
    CSession& session = Session();
    do {
        for (int i = 0; i < set.ColumnCount(); ++i) {
            const std::string_view name = set.Column(i)->name;
            if (EqualsNoCase(name, C::kUserId)) {
                session.SetVirid(std::string(set.GetText(i)));
            } else if (EqualsNoCase(name, C::kUserType)) {
                session.SetUserType(std::string(set.GetText(i)));
            } else if (EqualsNoCase(name, C::kTrueName)) {
                session.SetTrueName(std::string(set.GetText(i)));
            } else if (EqualsNoCase(name, C::kOrgIdList)) {
                session.SetOrgIdList(std::string(set.GetText(i)));
            } else if (EqualsNoCase(name, C::kOrgId)) {
                session.SetOrgId(std::string(set.GetText(i)));
            }
        }
    } while (set.MoveNext());
}

void COrvanelDlg::ConfirmFromReply(RecordSet& set, const ReplyRoute& route) {
    if (set.RowCount() <= 0 || !set.MoveFirst()) {
        return;
    }
    const int column = set.FindColumnNoCase(ReplyColumn::kResult);
    if (column < 0) {
        return;
    }
    const bool ok = EqualsNoCase(set.GetText(column), "1");
    fw::MessageBox(GetSafeHwnd(), vq::Gbk(ok ? route.okText : route.failText), Text("提示"),
                   fw::MB_OK | fw::MB_ICONEXCLAMATION);
}

// ---- Alerts (UI thread) ----

void COrvanelDlg::OnNewArticles(RecordSetList& sets) {
    namespace C = ReplyColumn;
    RecordSet* first = sets.empty() ? nullptr : sets.front().get();
    if (first == nullptr) {
        return;
    }
    std::array<std::string, kRememberedIds> fresh{};
    std::vector<std::string> earlier;
    const auto seenBefore = [&](const std::string& id) {
        const auto same = [&](const std::string& other) { return EqualsNoCase(other, id); };
        return std::any_of(rememberedIds_.begin(), rememberedIds_.end(), same) ||
               std::any_of(earlier.begin(), earlier.end(), same);
    };
    std::size_t row = 0;
    if (first->MoveFirst()) {
        do {
            const std::string text = vq::GbkCut(first->Value(C::kNewsText), kAlertTextBytes);
            std::string id = first->Value("prd_news_id");
            if (row < kRememberedIds) {
                fresh[row] = id;
            }
            // Compared with the previous reply and with the rows above it, so a service
            // that lists its latest articles at every poll announces each one once.
            if (!seenBefore(id)) {
                NotifierShowMessage(Text("最新"), text, id, kAlertColour);
                lastNewsId_ = id;
            }
            earlier.push_back(std::move(id));
            ++row;
        } while (first->MoveNext());
    }
    // A poll without articles says nothing about the ones already announced.
    if (row > 0) {
        rememberedIds_ = std::move(fresh);
    }

    if (sets.size() > 1 && sets[1] && EqualsNoCase(sets[1]->Tag(), ReplyTag::kNewsNeedCheck) &&
        sets[1]->RowCount() > 0) {
        SendMessage(WindowMsg::kReviewerAlert);
    }
    sets.clear();
}

void COrvanelDlg::OnReviewerAlert() {
    fw::PlaySound(kReviewerSound, fw::SND_ASYNC | fw::SND_RESOURCE);
    fw::MessageBox(GetSafeHwnd(), Text("您有新的文章需要审核！"), Text("提示"),
                   fw::MB_OK | fw::MB_ICONEXCLAMATION);
}

void COrvanelDlg::NotifierShowWindow(const std::string& title) {
    notifier_.ShowWindow(title);
}

void COrvanelDlg::NotifierShowMessage(const std::string& caption, const std::string& text,
                                      const std::string& link, fw::Color colour) {
    notifier_.ShowMessage(caption, text, link, "", "", "", colour, "", "", "");
}
