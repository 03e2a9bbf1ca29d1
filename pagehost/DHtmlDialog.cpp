#include "pagehost/DHtmlDialog.h"

#include <algorithm>

#include "platform/Backend.h"
#include "platform/Framework.h"
#include "platform/Resources.h"
#include "platform/core/Text.h"

namespace {

// The id of the browser area a dialog makes when its template has none.
constexpr fw::UINT kHtmlSiteId = 0xE900;

}  // namespace

class CDHtmlDialog::Sink : public fw::web::WebViewEvents {
public:
    explicit Sink(CDHtmlDialog& dlg) : dlg_(dlg) {}
    bool OnBeforeNavigate(const std::string& url, bool mainFrame) override {
        (void)mainFrame;
        return dlg_.OnBeforeNavigate(dlg_.GetDocumentDispatch(), url);
    }
    void OnNavigateComplete(const std::string& url) override { dlg_.OnNavigateComplete(url); }
    void OnDocumentComplete(const std::string& url) override { dlg_.OnDocumentComplete(url); }
    void OnElementClick(const std::string& id) override { dlg_.DispatchClick(id); }
    bool OnContextMenu() override { return dlg_.OnPageContextMenu(); }

private:
    CDHtmlDialog& dlg_;
};

CDHtmlDialog::CDHtmlDialog(fw::UINT templateId, fw::UINT htmlResId, fw::Window* parent)
    : fw::Dialog(templateId, parent), htmlResId_(htmlResId) {
    SetProgramDir(vq::Utf8ToGbk(fw::GetModuleDir()));
}

CDHtmlDialog::~CDHtmlDialog() {
    if (view_) {
        view_->SetEvents(nullptr);
    }
}

void CDHtmlDialog::SetProgramDir(const std::string& dir) {
    programDir_ = dir;
    if (!programDir_.empty() && programDir_.back() != '/' && programDir_.back() != '\\') {
        programDir_ += '/';
    }
}

std::string CDHtmlDialog::PagePath(const std::string& relative) const {
    // The one place where the backslash of page addresses becomes the file system's
    // separator. A 0x5C that is the second byte of a GBK character belongs to it.
    std::string path = programDir_ + relative;
    for (std::size_t i = 0; i < path.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(path[i]);
        if (i + 1 < path.size() && vq::IsGbkPair(c, static_cast<unsigned char>(path[i + 1]))) {
            ++i;
            continue;
        }
        if (c == '\\') {
            path[i] = '/';
        }
    }
    return path;
}

bool CDHtmlDialog::OnInitDialog() {
    fw::Dialog::OnInitDialog();
    for (fw::HWND child : GetChildren()) {
        fw::WindowInfo info;
        if (fw::GetWindowInfo(child, info) && info.kind == fw::ControlKind::Html) {
            site_ = dynamic_cast<fw::HtmlSite*>(fw::Window::FromHandle(child));
            if (site_ != nullptr) {
                break;
            }
        }
    }
    if (site_ == nullptr) {
        ownSite_ = std::make_unique<fw::HtmlSite>();
        if (ownSite_->CreateEx(0, "", fw::WS_CHILD | fw::WS_VISIBLE, GetClientRect(), this,
                               kHtmlSiteId, fw::ControlKind::Html)) {
            site_ = ownSite_.get();
        }
    }
    if (site_ == nullptr) {
        return true;
    }
    sink_ = std::make_unique<Sink>(*this);
    view_ = fw::web::CreateWebView(*site_);
    view_->SetEvents(sink_.get());
    const std::string page = fw::Resources::Global().FilePath(fw::ResourceKind::Html, htmlResId_);
    Navigate(page.empty() ? std::string("about:blank") : vq::Utf8ToGbk(page));
    return true;
}

void CDHtmlDialog::OnDestroy() {
    if (view_) {
        view_->SetEvents(nullptr);
    }
    webPage_.AttachDocument(nullptr);
    fw::Dialog::OnDestroy();
}

void CDHtmlDialog::OnSize(fw::UINT type, int width, int height) {
    fw::Dialog::OnSize(type, width, height);
    if (ownSite_ && ownSite_->IsWindow() && type != fw::SIZE_MINIMIZED) {
        ownSite_->MoveWindow(0, 0, width, height);
    }
}

void CDHtmlDialog::Navigate(const std::string& url) {
    if (view_) {
        view_->Navigate(url);
    }
}

void CDHtmlDialog::NavigatePage(const std::string& relative) {
    currentPage_ = PagePath(relative);
    Navigate(currentPage_);
}

void CDHtmlDialog::SetSilent(bool silent) {
    if (view_) {
        view_->SetSilent(silent);
    }
}

fw::web::DispatchPtr CDHtmlDialog::GetDocumentDispatch() const {
    return GetDocument();
}

fw::web::DocumentPtr CDHtmlDialog::GetDocument() const {
    return view_ ? view_->GetDocument() : nullptr;
}

bool CDHtmlDialog::OnBeforeNavigate(const fw::web::DispatchPtr& pDisp, const std::string& url) {
    (void)pDisp, (void)url;
    return true;
}

void CDHtmlDialog::OnNavigateComplete(const std::string& url) {
    (void)url;
}

void CDHtmlDialog::OnDocumentComplete(const std::string& url) {
    (void)url;
}

void CDHtmlDialog::DispatchClick(const std::string& id) {
    const fw::HWND self = GetSafeHwnd();
    for (const DHtmlEventMapEntry& entry : GetDHtmlEventMap()) {
        if (entry.elementId != nullptr && entry.handler != nullptr && id == entry.elementId) {
            (this->*entry.handler)();
            if (!fw::IsWindow(self)) {
                return;  // the handler closed the dialog
            }
        }
    }
}
