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
    : fw::Dialog(templateId, parent), m_nHtmlResID(htmlResId) {
    SetProgramDir(vq::Utf8ToGbk(fw::GetModuleDir()));
}

CDHtmlDialog::~CDHtmlDialog() {
    if (m_view) {
        m_view->SetEvents(nullptr);
    }
}

void CDHtmlDialog::SetProgramDir(const std::string& dir) {
    m_strProgramDir = dir;
    if (!m_strProgramDir.empty() && m_strProgramDir.back() != '/' &&
        m_strProgramDir.back() != '\\') {
        m_strProgramDir += '/';
    }
}

std::string CDHtmlDialog::PagePath(const std::string& relative) const {
    // The one place where the backslash of page addresses becomes the file system's
    // separator. A 0x5C that is the second byte of a GBK character belongs to it.
    std::string path = m_strProgramDir + relative;
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
            m_site = dynamic_cast<fw::HtmlSite*>(fw::Window::FromHandle(child));
            if (m_site != nullptr) {
                break;
            }
        }
    }
    if (m_site == nullptr) {
        m_ownSite = std::make_unique<fw::HtmlSite>();
        if (m_ownSite->CreateEx(0, "", fw::WS_CHILD | fw::WS_VISIBLE, GetClientRect(), this,
                                kHtmlSiteId, fw::ControlKind::Html)) {
            m_site = m_ownSite.get();
        }
    }
    if (m_site == nullptr) {
        return true;
    }
    m_sink = std::make_unique<Sink>(*this);
    m_view = fw::web::CreateWebView(*m_site);
    m_view->SetEvents(m_sink.get());
    const std::string page = fw::Resources::Global().FilePath(fw::ResourceKind::Html, m_nHtmlResID);
    Navigate(page.empty() ? std::string("about:blank") : vq::Utf8ToGbk(page));
    return true;
}

void CDHtmlDialog::OnDestroy() {
    if (m_view) {
        m_view->SetEvents(nullptr);
    }
    m_webPage.AttachDocument(nullptr);
    fw::Dialog::OnDestroy();
}

void CDHtmlDialog::OnSize(fw::UINT type, int width, int height) {
    fw::Dialog::OnSize(type, width, height);
    if (m_ownSite && m_ownSite->IsWindow() && type != fw::SIZE_MINIMIZED) {
        m_ownSite->MoveWindow(0, 0, width, height);
    }
}

void CDHtmlDialog::Navigate(const std::string& url) {
    if (m_view) {
        m_view->Navigate(url);
    }
}

void CDHtmlDialog::NavigatePage(const std::string& relative) {
    m_strCurrentPage = PagePath(relative);
    Navigate(m_strCurrentPage);
}

void CDHtmlDialog::SetSilent(bool silent) {
    if (m_view) {
        m_view->SetSilent(silent);
    }
}

fw::web::DispatchPtr CDHtmlDialog::GetDocumentDispatch() const {
    return GetDocument();
}

fw::web::DocumentPtr CDHtmlDialog::GetDocument() const {
    return m_view ? m_view->GetDocument() : nullptr;
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
