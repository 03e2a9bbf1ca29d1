#include "messaging/LeavewordcontentHtmlDlg.h"

#include "messaging/BoardDocument.h"
#include "platform/Framework.h"
#include "protocol/ServiceRequest.h"
#include "session/Session.h"

CLeavewordcontentHtmlDlg::CLeavewordcontentHtmlDlg(fw::Window* parent)
    : CDHtmlDialog(IDD, IDR_HTML_LEAVEWORDCONTENTHTMLDLG, parent) {}

CLeavewordcontentHtmlDlg::~CLeavewordcontentHtmlDlg() = default;

bool CLeavewordcontentHtmlDlg::OnInitDialog() {
    CDHtmlDialog::OnInitDialog();
    SetSilent(true);
    return true;
}

std::span<const CDHtmlDialog::DHtmlEventMapEntry> CLeavewordcontentHtmlDlg::GetDHtmlEventMap()
    const {
    static const DHtmlEventMapEntry kMap[] = {
        {"putinLeaveword", Handler(&CLeavewordcontentHtmlDlg::OnPutInLeaveword)},
        {"ButtonOK", Handler(&CLeavewordcontentHtmlDlg::OnButtonOK)},
        {"ButtonCancel", Handler(&CLeavewordcontentHtmlDlg::OnButtonCancel)},
    };
    return kMap;
}

fw::LRESULT CLeavewordcontentHtmlDlg::WindowProc(fw::UINT message, fw::WPARAM wParam,
                                                 fw::LPARAM lParam) {
    if (message == WindowMsg::kBoardThread) {
        auto* sets = reinterpret_cast<RecordSetList*>(lParam);
        RecordSetList none;
        return OnThread(sets != nullptr ? *sets : none);
    }
    return CDHtmlDialog::WindowProc(message, wParam, lParam);
}

fw::LRESULT CLeavewordcontentHtmlDlg::OnThread(RecordSetList& sets) {
    if (sets.empty() || sets.front() == nullptr) {
        fw::AfxMessageBox("QUEST FAILED!");
        return -1;
    }
    boardDoc_ = BoardDocument::Build(sets.front().get());
    NavigatePage(std::string(kThreadPage));
    sets.clear();
    return 0;
}

bool CLeavewordcontentHtmlDlg::BindDocument() {
    fw::web::DocumentPtr doc = GetDocument();
    return doc != nullptr && WebPage().AttachDocument(doc);
}

void CLeavewordcontentHtmlDlg::OnDocumentComplete(const std::string& url) {
    CDHtmlDialog::OnDocumentComplete(url);
    if (url.find("message.html") != std::string::npos && !boardDoc_.empty() && BindDocument()) {
        WebPage().CallScript("OutputHtml", boardDoc_);
    }
}

bool CLeavewordcontentHtmlDlg::OnBeforeNavigate(const fw::web::DispatchPtr& pDisp,
                                                const std::string& url) {
    if (url.find("getmessageurl=") != std::string::npos) {
        const std::string page = url.substr(url.rfind('=') + 1);
        if (BindDocument()) {
            WebPage().CallScript("OutputHtml", boardDoc_, page);
        }
    }
    if (!allowNavigation_) {
        return false;
    }
    return CDHtmlDialog::OnBeforeNavigate(pDisp, url);
}

void CLeavewordcontentHtmlDlg::OnPutInLeaveword() {
    fw::web::DocumentPtr doc = GetDocument();
    if (!doc) {
        return;
    }
    const std::optional<std::string> reply = doc->GetElementValue("discussMessage");
    // An empty reply would only come back as a failed post; the box keeps what it has.
    if (!reply || BoardDocument::IsBlank(*reply)) {
        return;
    }
    const SessionValues s = Session().Get();
    // The reply goes through the request builder's escaping: an "&" in it stays text.
    QueueSessionRequest(ServiceCall::kBoardReply, {threadId_, s.virid, *reply, "", s.orgId});
    if (BindDocument()) {
        WebPage().CallScript("clearMessage");
    }
}

void CLeavewordcontentHtmlDlg::OnButtonOK() {
    EndDialog(fw::IDOK);
    if (onEnded_) {
        onEnded_();
    }
}

void CLeavewordcontentHtmlDlg::OnButtonCancel() {
    EndDialog(fw::IDCANCEL);
    if (onEnded_) {
        onEnded_();
    }
}
