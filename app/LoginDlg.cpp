#include "app/LoginDlg.h"

#include <utility>

#include "platform/Framework.h"
#include "platform/core/Text.h"
#include "protocol/ServiceContract.h"
#include "session/ConfigFile.h"
#include "session/ReplyRoutes.h"
#include "session/Session.h"
#include "skin/SkinFrame.h"

namespace {

using fw::UINT;

constexpr UINT kCmdShowLogin = 32773;
constexpr UINT kCmdTrayExit = 32774;

struct ButtonSkin {
    UINT id;
    UINT bitmaps[4];
};
constexpr ButtonSkin kButtons[] = {
    {CLoginDlg::kMinimise, {141, 133, 136, 141}},
    {CLoginDlg::kClose, {140, 134, 135, 140}},
    {fw::IDOK, {146, 147, 145, 146}},
    {CLoginDlg::kNetSettings, {187, 188, 183, 187}},
    {CLoginDlg::kApply, {177, 263, 264, 177}},
};

CLoginDlg::WorkerSetup& Setup() {
    static CLoginDlg::WorkerSetup setup;
    return setup;
}

std::string Text(const char* utf8) {
    return vq::Gbk(utf8);
}

// A login starts from a queue without the login requests of earlier attempts: each of
// them would log in again once a worker serves it, and every login ends the session
// of the one before.
void DropStaleLogins() {
    RequestQueue& queue = RequestQueue::Global();
    for (const ServiceRequest& item : queue.Snapshot()) {
        if (item.kind != kRequestLogin) {
            return;
        }
    }
    queue.Clear();
}

}  // namespace

void CLoginDlg::SetWorkerSetup(WorkerSetup setup) {
    Setup() = std::move(setup);
}

CLoginDlg::CLoginDlg(IForms& forms, fw::Window* parent) : fw::Dialog(IDD, parent), forms_(forms) {}

CLoginDlg::~CLoginDlg() {
    if (worker_) {
        worker_->SetLoginReceiver(nullptr);
    }
}

bool CLoginDlg::OnInitDialog() {
    SetIcon(COrvanelApp::kMainIcon, true);
    SetIcon(COrvanelApp::kMainIcon, false);
    CenterWindow();
    SetWindowText("Velquor3.0");
    tray_.Create(Text("Velquor系统"), this, WindowMsg::kLoginTray, COrvanelApp::kMainIcon, kTrayId);

    for (const ButtonSkin& b : kButtons) {
        buttons_.Skin(this, b.id, b.bitmaps[0], b.bitmaps[1], b.bitmaps[2], b.bitmaps[3]);
    }
    if (fw::Window* w = GetDlgItem(kApplyPicture)) {
        w->ShowWindow(fw::SW_HIDE);
    }
    if (fw::Window* w = GetDlgItem(kBusy)) {
        w->ShowWindow(fw::SW_HIDE);
    }

    WriteConfigStamp();

    const int remember = IniReadInt(ConfigId::kManagerIsRemFlag);
    CheckDlgButton(kRemember, remember == 1 ? fw::BST_CHECKED : fw::BST_UNCHECKED);
    if (remember == 1) {
        SetDlgItemText(kUserName, IniReadText(ConfigId::kManagerUserName));
        SetDlgItemText(kPassword, IniReadText(ConfigId::kManagerUserPassword));
    } else {
        IniWriteValues({{ConfigId::kManagerUserName, ""}, {ConfigId::kManagerUserPassword, ""}});
    }

    const int autoLogin = IniReadInt(ConfigId::kManagerIsLoginFlag);
    CheckDlgButton(kAutoLogin, autoLogin == 1 ? fw::BST_CHECKED : fw::BST_UNCHECKED);
    if (autoLogin == 1) {
        SetTimer(kAutoLoginTimer, kAutoLoginMs);
    }
    // Posted: handled once the dialog's loop runs, that is once it is on screen.
    const fw::HWND self = GetSafeHwnd();
    fw::PostToUiThread([self] { NotifyStartup(StartupEvent::kLoginShown, self); });
    return true;
}

void CLoginDlg::OnDestroy() {
    KillTimer(kAutoLoginTimer);
    if (worker_) {
        worker_->SetLoginReceiver(nullptr);
    }
    tray_.Remove();
}

fw::LRESULT CLoginDlg::WindowProc(UINT message, fw::WPARAM wParam, fw::LPARAM lParam) {
    switch (message) {
        case WindowMsg::kLogin:
            Login();
            return 0;
        case WindowMsg::kLoginTray:
            if (wParam != kTrayId) {
                return 0;
            }
            if (lParam == fw::WM_LBUTTONDBLCLK) {
                ShowAndCentre();
            } else if (lParam == fw::WM_RBUTTONUP) {
                tray_.OnTrayNotification(wParam, lParam);
            }
            return 0;
        default:
            return fw::Dialog::WindowProc(message, wParam, lParam);
    }
}

bool CLoginDlg::OnCommand(UINT id, UINT notifyCode, fw::HWND control) {
    switch (id) {
        case fw::IDOK:
            Login();
            return true;
        case fw::IDCANCEL:
            OnCancel();
            return true;
        case kRemember:
            OnRememberClicked();
            return true;
        case kAutoLogin:
            OnAutoLoginClicked();
            return true;
        case kClose:
        case kCmdTrayExit:
            Close();
            return true;
        case kMinimise:
            ShowWindow(fw::SW_MINIMIZE);
            return true;
        case kApply:
            if (fw::Window* w = GetDlgItem(kApplyPicture)) {
                w->ShowWindow(w->IsWindowVisible() ? fw::SW_HIDE : fw::SW_SHOW);
            }
            return true;
        case kNetSettings:
            OpenNetSettings();
            return true;
        case kCmdShowLogin:
            ShowAndCentre();
            return true;
        default:
            return fw::Dialog::OnCommand(id, notifyCode, control);
    }
}

void CLoginDlg::OnSysCommand(UINT id, fw::LPARAM lParam) {
    if ((id & 0xFFF0u) == fw::SC_CLOSE) {
        EndProcess(1);
        return;
    }
    fw::Dialog::OnSysCommand(id, lParam);
}

void CLoginDlg::Close() {
    EndDialog(fw::IDABORT);
    tray_.Remove();
    EndProcess(0);
}

void CLoginDlg::OpenNetSettings() {
    // Made once and kept; each press runs it modally again.
    if (!netSettings_) {
        netSettings_ = forms_.MakeNetSettingsDialog(this);
    }
    if (netSettings_) {
        netSettings_->DoModal();
    }
}

void CLoginDlg::ShowAndCentre() {
    ShowWindow(IsIconic() ? fw::SW_RESTORE : fw::SW_SHOW);
    CenterWindow();
    SetForegroundWindow();
}

void CLoginDlg::OnSize(UINT type, int width, int height) {
    (void)width;
    (void)height;
    // A minimised login dialog lives on in the tray only.
    if (type == fw::SIZE_MINIMIZED) {
        ShowWindow(fw::SW_HIDE);
    }
}

bool CLoginDlg::OnEraseBkgnd(fw::Canvas& canvas) {
    return PaintSkinBackground(*this, canvas, kBackground, false) ||
           fw::Dialog::OnEraseBkgnd(canvas);
}

void CLoginDlg::OnLButtonDown(UINT keys, fw::Point p) {
    (void)keys;
    (void)p;
    BeginSkinDrag(*this);
}

void CLoginDlg::OnTimer(UINT id) {
    if (id != kAutoLoginTimer) {
        fw::Dialog::OnTimer(id);
        return;
    }
    // A login still under way is left alone: starting another would stop its worker, and
    // a service slower than the period could then never be logged into.
    if (loggingIn_.load()) {
        return;
    }
    ShowWindow(fw::SW_SHOW);
    SendMessage(WindowMsg::kLogin);
}

void CLoginDlg::OnRememberClicked() {
    if (IsDlgButtonChecked(kRemember) == fw::BST_CHECKED) {
        IniWriteValues({{ConfigId::kManagerIsRemFlag, "1"}});
    } else {
        ClearRememberedLogin();
    }
}

void CLoginDlg::OnAutoLoginClicked() {
    const bool on = IsDlgButtonChecked(kAutoLogin) == fw::BST_CHECKED;
    CheckDlgButton(kRemember, on ? fw::BST_CHECKED : fw::BST_UNCHECKED);
    const char* flag = on ? "1" : "0";
    IniWriteValues({{ConfigId::kManagerIsRemFlag, flag}, {ConfigId::kManagerIsLoginFlag, flag}});
    if (!on) {
        // Clearing the box is how the user stops the automatic retries.
        KillTimer(kAutoLoginTimer);
    }
}

void CLoginDlg::Login() {
    if (fw::Window* button = GetDlgItem(fw::IDOK)) {
        button->EnableWindow(false);
    }
    const std::string name = GetDlgItemText(kUserName);
    const std::string password = GetDlgItemText(kPassword);
    if (name.empty() || password.empty()) {
        fw::MessageBox(GetSafeHwnd(), Text("用户名或密码为空！！"), Text("提示"), fw::MB_OK);
        ReadyAgain();
        return;
    }
    if (fw::Window* w = GetDlgItem(kBusy)) {
        w->ShowWindow(fw::SW_SHOW);
    }
    if (fw::Window* w = GetDlgItem(kApplyPicture)) {
        w->ShowWindow(fw::SW_HIDE);
    }
    typedName_ = name;
    typedPassword_ = password;
    tray_.Remove();

    loggingIn_ = true;
    // The running worker is stopped before the new request is queued: it would otherwise
    // take that request and log in with the credentials it was started with.
    if (const auto previous = WorkerHost::Global().Current()) {
        previous->RequestStop();
    }
    DropStaleLogins();
    auto request = std::make_unique<ServiceRequest>();
    request->kind = kRequestLogin;
    request->text = std::string(kLoginPlaceholder);
    RequestQueue::Global().EnqueueRequest(std::move(request));
    StartWorker();
    NotifyStartup(StartupEvent::kLoginStarted, GetSafeHwnd());
}

void CLoginDlg::StartWorker() {
    if (worker_) {
        worker_->SetLoginReceiver(nullptr);
    }
    auto worker = std::make_shared<SXSockThread>();
    const NetSettings net = ReadNetSettings();
    const UrlSettings url = ReadUrlSettings();
    const UserDefaults user = ReadUserDefaults();
    worker->LoadSettings(MakeServerSettings(net.ip, net.httpPort, net.tcPort, net.use), url.common,
                         url.renZheng, user.name, user.pass);
    worker->SetLoginReceiver(this);
    worker->SetUser(typedName_, typedPassword_);
    if (const WorkerSetup& setup = Setup()) {
        setup(*worker);
    }
    worker_ = worker;
    WorkerHost::Global().Start(std::move(worker));
}

void CLoginDlg::ReadyAgain() {
    fw::RunOnUiThread([this] {
        if (fw::Window* w = GetDlgItem(kBusy)) {
            w->ShowWindow(fw::SW_HIDE);
        }
        if (fw::Window* button = GetDlgItem(fw::IDOK)) {
            button->EnableWindow(true);
        }
    });
    loggingIn_ = false;
}

void CLoginDlg::Fail(const std::string& text, const std::string& caption, UINT flags) {
    fw::MessageBox(GetSafeHwnd(), text, caption, flags);
    ReadyAgain();
}

void CLoginDlg::OnThreadReturn(RequestResult& result) {
    const std::string busy = Text("服务器繁忙，请稍候连接！");
    const std::string tip = Text("提示");
    switch (result.status) {
        case kStatusProbeFailed:
            Fail(busy, tip, fw::MB_OK | fw::MB_ICONEXCLAMATION);
            return;
        case kStatusNoConnection:
            Fail(Text("没有成功连接到服务器，请检查网络相关设置！"), tip,
                 fw::MB_OK | fw::MB_ICONEXCLAMATION);
            return;
        case kStatusReply:
        case kStatusFailed:
            break;
        default:
            return;
    }
    RecordSet* set = result.First();
    if (set == nullptr || set->RowCount() <= 0 || !set->MoveFirst()) {
        Fail(busy, tip, fw::MB_OK | fw::MB_ICONEXCLAMATION);
        return;
    }
    // The whole reply is read before acting on it: the session key may follow the outcome
    // in a row, and the main window's first request needs it.
    const int isOk = set->FindColumn(std::string(ReplyColumn::kIsOk).c_str());
    const int session = set->FindColumn(std::string(ReplyColumn::kSession).c_str());
    bool answered = false;
    bool accepted = false;
    do {
        if (session >= 0) {
            Session().SetSessionKey(std::string(set->GetText(session)));
        }
        if (isOk >= 0 && !answered) {
            answered = true;
            accepted = set->GetText(isOk) == "T";
        }
    } while (set->MoveNext());
    result.recordSets.clear();

    if (!answered) {
        Fail(busy, tip, fw::MB_OK | fw::MB_ICONEXCLAMATION);
        return;
    }
    if (!accepted) {
        fw::AfxMessageBox(Text("用户名或密码错误，登录失败!"), fw::MB_OK);
        ReadyAgain();
        return;
    }
    Session().SetLogin(typedName_, typedPassword_);
    IniWriteValues({{ConfigId::kManagerUserName, typedName_},
                    {ConfigId::kManagerUserPassword, typedPassword_}});
    // The dialog may be gone as soon as this has run: nothing of it is touched afterwards.
    fw::RunOnUiThread([this] {
        loggingIn_ = false;
        EndDialog(kLoggedIn);
    });
}
