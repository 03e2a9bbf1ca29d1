#include "pagehost/HtmlCtrl.h"

#include <cctype>

namespace {

bool EqualsNoCase(const std::string& a, const char* b) {
    std::size_t i = 0;
    for (; i < a.size() && b[i] != '\0'; ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return i == a.size() && b[i] == '\0';
}

const char kAppPrefix[] = "app:";

}  // namespace

class CHtmlCtrl::Sink : public fw::web::WebViewEvents {
public:
    explicit Sink(CHtmlCtrl& ctrl) : ctrl_(ctrl) {}
    bool OnBeforeNavigate(const std::string& url, bool mainFrame) override {
        (void)mainFrame;
        return ctrl_.OnBeforeNavigate(url);
    }

private:
    CHtmlCtrl& ctrl_;
};

CHtmlCtrl::CHtmlCtrl() = default;

CHtmlCtrl::~CHtmlCtrl() {
    if (view_) {
        view_->SetEvents(nullptr);
    }
}

bool CHtmlCtrl::CreateFromStatic(fw::Window* parent) {
    if (parent == nullptr) {
        return false;
    }
    fw::Window* placeholder = parent->GetDlgItem(IDC_HTMLVIEW);
    if (placeholder == nullptr) {
        return false;
    }
    const fw::Rect rc = parent->ScreenToClient(placeholder->GetWindowRect());
    placeholder->DestroyWindow();
    if (!CreateEx(0, "", fw::WS_CHILD | fw::WS_VISIBLE, rc, parent, IDC_HTMLVIEW,
                  fw::ControlKind::Html)) {
        return false;
    }
    sink_ = std::make_unique<Sink>(*this);
    view_ = fw::web::CreateWebView(*this);
    view_->SetEvents(sink_.get());
    return true;
}

void CHtmlCtrl::Navigate(const std::string& url) {
    if (view_) {
        view_->Navigate(url);
    }
}

void CHtmlCtrl::SetSilent(bool silent) {
    if (view_) {
        view_->SetSilent(silent);
    }
}

void CHtmlCtrl::OnDestroy() {
    // The browser goes before the window it lives in.
    if (view_) {
        view_->SetEvents(nullptr);
        view_.reset();
    }
    fw::HtmlSite::OnDestroy();
}

bool CHtmlCtrl::OnBeforeNavigate(const std::string& url) {
    const std::size_t n = sizeof(kAppPrefix) - 1;
    if (url.size() >= n && EqualsNoCase(url.substr(0, n), kAppPrefix)) {
        OnAppCmd(url.substr(n));
        return false;
    }
    return true;
}

void CHtmlCtrl::OnAppCmd(const std::string& command) {
    if (EqualsNoCase(command, "ok")) {
        if (fw::Window* parent = GetParent()) {
            parent->SendMessage(fw::WM_COMMAND, fw::MAKEWPARAM(fw::IDOK, 0), 0);
        }
    }
}
