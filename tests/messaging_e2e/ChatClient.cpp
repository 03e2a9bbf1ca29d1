// One running client for the two-client chat tests: the real program's windows (login dialog,
// main window, portal page, chats) on the headless backend or on Qt, in a process of its own,
// so that each client has its own session. It starts in a working folder that holds
// config.ini and pubkey.bin (the message log is written there) and is driven one command per
// line on standard input; every answer is one line on standard output starting with "@@ ".
// Texts cross in UTF-8 with "\\", "\n", "\r" and "\t" escaped.
//
//   login USER PASSWORD        logs in and waits for the filled home page
//   clock MS                   headless: lets MS milliseconds of the virtual clock pass
//   poll                       the main window's chat poll, as its timer would run it
//   settle                     waits until nothing is queued or in flight
//   contacts                   the last contact document the page received
//   page                       the home page's body (Qt: as the browser shows it)
//   open ID NAME               follows a contact link of the page
//   type ID TEXT | send ID | ctrlenter ID | minimise ID | close ID
//   chat ID                    the conversation, then the emoticon numbers of its pictures
//   input ID                   the input box's text
//   windows                    the contact ids of the open chats
//   history ID                 presses the history button; the history view's text
//   log ID                     the logged texts with ID, newest first
//   tray                       "flashing tip" of the main window's tray icon
//   notes | clicknote N        the desktop notes shown / the user clicks the N-th
//   boxes                      message boxes seen
//   shot ID|main PATH          Qt: a picture of a chat window or of the main window
//   quit
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/LoginDlg.h"
#include "app/OrvanelDlg.h"
#include "forms/Forms.h"
#include "messaging/ChatWindows.h"
#include "messaging/Emoticons.h"
#include "messaging/HistroyRecordDlg.h"
#include "messaging/Messaging.h"
#include "messaging/log/MessageLog.h"
#include "pagehost/DHtmlDialog.h"
#include "platform/Framework.h"
#include "platform/Notifications.h"
#include "platform/core/Text.h"
#include "platform/headless/Headless.h"
#include "platform/web/HeadlessWebView.h"
#include "portal/Portal.h"
#include "protocol/SockThread.h"
#include "session/Session.h"

#ifdef VQ_CHAT_CLIENT_QT
#include <QImage>
#include <QWidget>

#include "platform/qt/QtNotifications.h"
#include "platform/qt/QtRegister.h"
#include "platform/qt/web/QtWebRegister.h"
#endif

namespace {

using Clock = std::chrono::steady_clock;

// The fixed "now" the virtual clock starts from: 2026-12-08 09:30:00 in Beijing.
constexpr std::time_t kStartTime = 1796693400;

bool g_qt = false;

std::string Escape(const std::string& utf8) {
    std::string out;
    for (char c : utf8) {
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string Unescape(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            const char n = text[++i];
            out += n == 'n' ? '\n' : n == 'r' ? '\r' : n == 't' ? '\t' : n;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string U(const std::string& gbk) {
    return vq::GbkToUtf8(gbk);
}

void Answer(const std::string& utf8) {
    std::cout << "@@ " << Escape(utf8) << std::endl;
}

// Runs the UI until nothing is queued or in flight and nothing happened for a while.
void Settle(int quietMs = -1) {
    if (quietMs < 0) {
        quietMs = g_qt ? 400 : 30;
    }
    const auto deadline = Clock::now() + std::chrono::seconds(30);
    auto quietSince = Clock::now();
    while (Clock::now() < deadline) {
        bool busy = fw::PumpPending();
        if (!g_qt) {
            fw::web::HeadlessWebView::Settle();
        }
        busy = busy || RequestQueue::Global().Size() != 0;
        if (busy) {
            quietSince = Clock::now();
        } else if (Clock::now() - quietSince >= std::chrono::milliseconds(quietMs)) {
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

template <typename Done>
bool PumpUntil(Done done, int seconds = 30) {
    const auto deadline = Clock::now() + std::chrono::seconds(seconds);
    while (Clock::now() < deadline) {
        fw::PumpPending();
        if (!g_qt) {
            fw::web::HeadlessWebView::Settle();
        }
        if (done()) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return false;
}

class Client {
public:
    Client(const std::string& pages) : portal_(messaging_, forms_, pages) {
        messaging_.Chats().SetClock(
            [] { return kStartTime + static_cast<std::time_t>(fw::GetTickCount() / 1000); });
    }
    ~Client() {
        if (main_ && main_->IsWindow()) {
            main_->DestroyWindow();
        }
        main_.reset();
        if (login_ && login_->IsWindow()) {
            login_->DestroyWindow();
        }
        WorkerHost::Global().Stop();
    }

    bool Run(const std::vector<std::string>& a) {
        const std::string& cmd = a[0];
        if (cmd == "quit") {
            Answer("bye");
            return false;
        }
        if (cmd == "login" && a.size() == 3) {
            Answer(Login(a[1], a[2]));
        } else if (cmd == "clock" && a.size() == 2 && !g_qt) {
            // In slices, so that every request a timer queues is served on the way.
            for (long left = std::stol(a[1]); left > 0; left -= 1000) {
                fw::headless::AdvanceClock(left < 1000 ? left : 1000);
                Settle();
            }
            Answer("ok");
        } else if (cmd == "poll" && main_) {
            main_->SendMessage(fw::WM_TIMER, COrvanelDlg::kChatTimer, 0);
            Settle();
            Answer("ok");
        } else if (cmd == "settle") {
            Settle();
            Answer("ok");
        } else if (cmd == "contacts") {
            Answer(LastCall("showonline"));
        } else if (cmd == "page") {
            Answer(PageBody());
        } else if (cmd == "open" && a.size() == 3) {
            Answer(Open(a[1], vq::Utf8ToGbk(a[2])));
        } else if (cmd == "windows") {
            std::string ids;
            for (CImChatDlg* chat : messaging_.Chats().Windows()) {
                ids += (ids.empty() ? "" : " ") + chat->ContactId();
            }
            Answer(ids);
        } else if (cmd == "tray") {
            Answer(Tray());
        } else if (cmd == "notes") {
            std::string out;
            for (const auto& n : fw::headless::Notifications()) {
                out += U(n.title) + ": " + U(n.body) + (n.open ? "" : " (done)") + "\n";
            }
            Answer(out);
        } else if (cmd == "clicknote" && a.size() == 2) {
            const auto notes = fw::headless::Notifications();
            const std::size_t n = std::stoul(a[1]);
            Answer(n < notes.size() && fw::headless::ClickNotification(notes[n].id) ? "ok" : "err");
            Settle();
        } else if (cmd == "boxes") {
            std::string out;
            for (const auto& b : fw::headless::MessageBoxes()) {
                out += U(b.text) + "\n";
            }
            Answer(out);
        } else if (cmd == "shot" && a.size() == 3) {
            Answer(Shot(a[1], a[2]));
        } else if (a.size() >= 2) {
            Answer(ChatCommand(a));
        } else {
            Answer("err unknown " + cmd);
        }
        return true;
    }

private:
    std::string Login(const std::string& user, const std::string& password) {
        CLoginDlg::SetWorkerSetup([](SXSockThread& w) { w.SetDiagnostics(nullptr); });
        login_ = std::make_unique<CLoginDlg>(forms_);
        if (!login_->Create(CLoginDlg::IDD)) {
            return "err login dialog";
        }
        login_->ShowWindow(fw::SW_SHOW);
        fw::PumpPending();
        login_->SetDlgItemText(CLoginDlg::kUserName, vq::Utf8ToGbk(user));
        login_->SetDlgItemText(CLoginDlg::kPassword, vq::Utf8ToGbk(password));
        fw::input::Click(login_->GetDlgItemHandle(fw::IDOK));
        if (!PumpUntil([&] { return !login_->LoggingIn(); }) || login_->IsWindowVisible()) {
            return "err login refused";
        }
        login_->DestroyWindow();
        main_ = std::make_unique<COrvanelDlg>(portal_, forms_);
        if (!main_->Create(COrvanelDlg::IDD)) {
            return "err main window";
        }
        main_->ShowWindow(fw::SW_SHOW);
        const bool filled = PumpUntil([&] { return Session().Virid() != "" && HomeFilled(); });
        Settle();
        return filled ? "ok " + Session().Virid() : "err home";
    }

    CDHtmlDialog* Page() const {
        return main_ ? dynamic_cast<CDHtmlDialog*>(main_->PortalPage()) : nullptr;
    }
    fw::web::HeadlessWebView* HeadlessView() const {
        CDHtmlDialog* page = Page();
        return page != nullptr && !g_qt ? fw::web::HeadlessWebView::From(page->View()) : nullptr;
    }
    std::string LastCall(const std::string& function) const {
        std::string last;  // UTF-8, as the view keeps it
        if (fw::web::HeadlessWebView* view = HeadlessView()) {
            for (const auto& c : view->Calls()) {
                if ((c.function == function || c.function == function + "_new") &&
                    !c.args.empty()) {
                    last = c.args[0];
                }
            }
        }
        return last;
    }
    bool HomeFilled() const {
        if (!g_qt) {
            return !LastCall("showHome").empty() && !LastCall("showonline").empty();
        }
        return PageBody().find("class=\"contact") != std::string::npos;
    }
    std::string PageBody() const {
        CDHtmlDialog* page = Page();
        if (page == nullptr) {
            return {};
        }
        fw::web::DocumentPtr doc = page->GetDocument();
        if (doc == nullptr) {
            return {};
        }
        return U(doc->GetBodyHtml().value_or(""));
    }

    std::string Open(const std::string& id, const std::string& name) {
        CDHtmlDialog* page = Page();
        if (page == nullptr) {
            return "err no page";
        }
        // What the page's contact link does.
        const std::size_t before = messaging_.Chats().Windows().size();
        page->Navigate("http://velquor.portal/chat.html?id=" + id + "&FriendName=" + name);
        Settle();
        return messaging_.Chats().Windows().size() > before ? "ok" : "no new window";
    }

    std::string Tray() const {
        if (!main_) {
            return "err no main window";
        }
        return std::string(main_->Flashing() ? "flashing" : "still") + " " +
               U(main_->Tray().Data().szTip);
    }

    std::string ChatCommand(const std::vector<std::string>& a) {
        const std::string& cmd = a[0];
        CImChatDlg* chat = messaging_.Chats().Find(a[1]);
        if (cmd == "log") {
            std::string out;
            if (auto result = QueryMessages(Session().Virid(), 0, a[1])) {
                while (auto record = result->ReadNext()) {
                    out += U(record->text);
                }
            }
            return out;
        }
        if (chat == nullptr) {
            return "err no window " + a[1];
        }
        if (cmd == "type" && a.size() == 3) {
            const int taken = fw::input::Type(chat->Input().GetSafeHwnd(), vq::Utf8ToGbk(a[2]));
            return std::to_string(taken);
        }
        if (cmd == "send") {
            fw::input::Click(chat->GetDlgItemHandle(CImChatDlg::kSend));
            Settle();
            return "ok";
        }
        if (cmd == "ctrlenter") {
            const fw::HWND input = chat->Input().GetSafeHwnd();
            fw::input::Focus(input);
            fw::input::Key(input, fw::VK_RETURN, true, fw::MK_CONTROL);
            fw::input::Key(input, fw::VK_RETURN, false, fw::MK_CONTROL);
            Settle();
            return "ok";
        }
        if (cmd == "minimise") {
            fw::input::Click(chat->GetDlgItemHandle(CImChatDlg::kMinimize));
            Settle();
            return chat->IsIconic() ? "ok" : "err";
        }
        if (cmd == "close") {
            fw::input::Click(chat->GetDlgItemHandle(CImChatDlg::kClose));
            Settle();
            return messaging_.Chats().Find(a[1]) == nullptr ? "ok" : "err";
        }
        if (cmd == "chat") {
            std::string out = U(ReadEmoticonText(chat->Received())) + "\t";
            for (int i = 0; i < chat->Received().GetObjectCount(); ++i) {
                fw::RichObjectInfo info;
                chat->Received().GetObjectInfo(i, info);
                out += std::to_string(info.user) + " ";
            }
            return out;
        }
        if (cmd == "input") {
            return U(ReadEmoticonText(chat->Input()));
        }
        if (cmd == "history") {
            fw::input::Click(chat->GetDlgItemHandle(CImChatDlg::kHistory));
            Settle();
            CHistroyRecordDlg* history = chat->History();
            return history != nullptr ? U(ReadEmoticonText(history->View())) : "err no history";
        }
        return "err unknown " + cmd;
    }

    std::string Shot(const std::string& what, const std::string& path) {
#ifdef VQ_CHAT_CLIENT_QT
        fw::HWND hwnd = fw::kNoWindow;
        if (what == "main") {
            hwnd = main_ ? main_->GetSafeHwnd() : fw::kNoWindow;
        } else if (CImChatDlg* chat = messaging_.Chats().Find(what)) {
            hwnd = chat->GetSafeHwnd();
        }
        auto* widget = static_cast<QWidget*>(fw::GetBackend()->NativeHandle(hwnd));
        if (widget == nullptr) {
            return "err no widget";
        }
        Settle();
        return widget->grab().toImage().save(QString::fromStdString(path)) ? "ok" : "err save";
#else
        (void)what;
        (void)path;
        return "err no qt";
#endif
    }

    CMessaging messaging_;
    CForms forms_;
    CPortal portal_;
    std::unique_ptr<CLoginDlg> login_;
    std::unique_ptr<COrvanelDlg> main_;
};

std::vector<std::string> Split(const std::string& line) {
    std::vector<std::string> out;
    std::string part;
    std::istringstream in(line);
    while (std::getline(in, part, '\t')) {
        out.push_back(Unescape(part));
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    std::string res;
    std::string pages;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--backend=qt") {
            g_qt = true;
        } else if (arg.rfind("--res=", 0) == 0) {
            res = arg.substr(6);
        } else if (arg.rfind("--pages=", 0) == 0) {
            pages = arg.substr(8);
        }
    }
    std::unique_ptr<fw::Backend> backend;
#ifdef VQ_CHAT_CLIENT_QT
    if (g_qt) {
        backend = fw::qt::CreateBackend();
    }
#endif
    if (g_qt && backend == nullptr) {
        std::cerr << "chat client: no Qt backend\n";
        return 2;
    }
    if (!g_qt) {
        backend = fw::headless::CreateBackend();
    }
    if (!fw::InitWithBackend(std::move(backend), res)) {
        std::cerr << "chat client: no framework\n";
        return 2;
    }
    if (!g_qt) {
        fw::headless::SetStallTimeoutMs(20000);
    }
#ifdef VQ_CHAT_CLIENT_QT
    if (g_qt) {
        fw::qt::RegisterWebView();
        fw::qt::EnableDesktopNotifications();
    }
#endif
    {
        Client client(vq::Utf8ToGbk(pages));
        Answer("ready");
        std::string line;
        while (std::getline(std::cin, line)) {
            const std::vector<std::string> args = Split(line);
            if (args.empty()) {
                continue;
            }
            if (!client.Run(args)) {
                break;
            }
        }
    }
    fw::Shutdown();
    return 0;
}
