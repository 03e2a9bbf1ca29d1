#include "portal/MyShowHtmlDlg.h"

#include "session/ConfigFile.h"
#include "pagehost/LoadThirdNetPage.h"
#include "session/Session.h"
#include "platform/Framework.h"
#include "portal/NewsContentShowDlg.h"
#include "portal/PageDocuments.h"
#include "portal/PortalSeams.h"
#include "portal/ShowContentForNewsDlg.h"
#include "protocol/ServiceContract.h"
#include "protocol/ServiceRequest.h"

bool g_newsViewerClosed = false;
bool g_messageDialogClosed = false;

namespace {

CMyShowHtmlDlg* g_current = nullptr;

void QuestFailed() {
    fw::AfxMessageBox("QUEST FAILED!");
}

void OpenInBrowser(const std::string& url) {
    if (GetPortalSeams().openInBrowser) {
        GetPortalSeams().openInBrowser(url);
    } else {
        fw::OpenUrl(url);
    }
}

}  // namespace

PortalSeams& GetPortalSeams() {
    static PortalSeams seams;
    return seams;
}

CMyShowHtmlDlg::CMyShowHtmlDlg(fw::Window* parent)
    : CDHtmlDialog(IDD, IDR_HTML_MYSHOWHTMLDLG, parent) {}

CMyShowHtmlDlg::~CMyShowHtmlDlg() {
    if (g_current == this) {
        g_current = nullptr;
    }
}

CMyShowHtmlDlg* CMyShowHtmlDlg::Current() {
    return g_current;
}

std::span<const CDHtmlDialog::DHtmlEventMapEntry> CMyShowHtmlDlg::GetDHtmlEventMap() const {
    static const DHtmlEventMapEntry kMap[] = {
        {"sousuo_go", Handler(&CMyShowHtmlDlg::OnSearch)},
        {"Login_in1", Handler(&CMyShowHtmlDlg::OnConsoleLogin)},
        {"Login_in2", Handler(&CMyShowHtmlDlg::OnConsoleLogin)},
        {"show_fl", Handler(&CMyShowHtmlDlg::OnShowFlash)},
        {"nr_xzb1", Handler(&CMyShowHtmlDlg::OnQuotes)},
        {"nr_xzb2", Handler(&CMyShowHtmlDlg::OnCommunity)},
        {"nr_xzb3", Handler(&CMyShowHtmlDlg::OnCommunity)},
        {"nr_xzb4", Handler(&CMyShowHtmlDlg::OnStockInfo)},
        {"customRequisition", Handler(&CMyShowHtmlDlg::OnCustomRequest)},
        {"customRequisition_icon", Handler(&CMyShowHtmlDlg::OnCustomRequest)},
        {"customQuestionnaire", Handler(&CMyShowHtmlDlg::OnQuestionnaire)},
        {"customQuestionnaire_icon", Handler(&CMyShowHtmlDlg::OnQuestionnaire)},
        {"fortuneClassRoom", Handler(&CMyShowHtmlDlg::OnFortuneClassRoom)},
        {"putinleavewordButton", Handler(&CMyShowHtmlDlg::OnLeaveword)},
    };
    return kMap;
}

bool CMyShowHtmlDlg::OnInitDialog() {
    CDHtmlDialog::OnInitDialog();
    g_current = this;
    m_strLoginUrl = ReadConfigText(ConfigId::kUrlInLogin);
    SetSilent(true);
    NavigatePage(std::string(kHomePage));
    return true;
}

void CMyShowHtmlDlg::OnDestroy() {
    if (m_pNewsViewer) {
        m_pNewsViewer->DestroyWindow();
    }
    CDHtmlDialog::OnDestroy();
}

bool CMyShowHtmlDlg::BindDocument() {
    fw::web::DocumentPtr doc = GetDocument();
    return doc && m_webPage.AttachDocument(doc);
}

void CMyShowHtmlDlg::Call(const std::string& fn, const std::string& arg) {
    m_webPage.CallScript(fn, arg);
}

void CMyShowHtmlDlg::Call(const std::string& fn, const std::string& arg1, const std::string& arg2) {
    m_webPage.CallScript(fn, arg1, arg2);
}

// ---- clicks ----

void CMyShowHtmlDlg::OnSearch() {
    fw::web::DocumentPtr doc = GetDocument();
    if (!doc) {
        return;
    }
    const std::string text = doc->GetElementValue("StockCode").value_or("");
    const std::string kind = text.empty() ? "" : doc->GetElementValue("search_name").value_or("");
    NavigatePage(std::string(kNewsListPage));
    m_strPending = SearchRequest(kind, text);
}

void CMyShowHtmlDlg::OnConsoleLogin() {
    OpenInBrowser(ReadConfigText(ConfigId::kUrlConsole));
    m_flags.consoleOpened = true;
}

void CMyShowHtmlDlg::OnShowFlash() {
    m_webPage.CallScript("showflash");
}

void CMyShowHtmlDlg::OpenThirdNet(std::unique_ptr<CLoadThirdNetPage>& window,
                                  const std::string& url, bool silent) {
    if (!window) {
        window = std::make_unique<CLoadThirdNetPage>();
        window->Create(kThirdNetTemplate, nullptr);
    }
    if (silent) {
        window->HtmlCtrl().SetSilent(true);
    }
    window->ShowWindow(fw::SW_SHOW);
    window->Navigate(url);
}

void CMyShowHtmlDlg::OnQuotes() {
    OpenThirdNet(m_pQuotes, ReadConfigText(ConfigId::kUrlQuotes), false);
}

void CMyShowHtmlDlg::OnCommunity() {
    OpenInBrowser(ReadConfigText(ConfigId::kUrlCommunity));
}

void CMyShowHtmlDlg::OnStockInfo() {
    OpenThirdNet(m_pStockInfo, ReadConfigText(ConfigId::kUrlStockInfo), true);
}

void CMyShowHtmlDlg::OnCustomRequest() {
    if (GetPortalSeams().openForm) {
        GetPortalSeams().openForm(PortalForm::kCustomRequest, *this);
    }
}

void CMyShowHtmlDlg::OnQuestionnaire() {
    if (GetPortalSeams().openForm) {
        GetPortalSeams().openForm(PortalForm::kQuestionnaire, *this);
    }
}

void CMyShowHtmlDlg::OnLeaveword() {
    if (GetPortalSeams().openForm) {
        GetPortalSeams().openForm(PortalForm::kLeaveword, *this);
    }
}

void CMyShowHtmlDlg::OnFortuneClassRoom() {
    const SessionValues s = Session().Get();
    m_strPending = BuildServiceText(ServiceCall::kClassRoom, {s.virid, s.orgId});
    NavigatePage(std::string(kNewsListPage));
}

// ---- navigation ----

void CMyShowHtmlDlg::OpenArticle(const std::string& request) {
    m_strLastContent = request;
    if (g_newsViewerClosed && m_pNewsViewer) {
        m_pNewsViewer->DestroyWindow();
        m_pNewsViewer.reset();
    }
    if (!m_pNewsViewer) {
        m_pNewsViewer = std::make_unique<CShowContentForNewsDlg>();
        m_pNewsViewer->Create(CShowContentForNewsDlg::IDD, nullptr);
        m_pNewsViewer->ShowWindow(fw::SW_SHOW);
        return;  // its content page queues the request once loaded
    }
    m_pNewsViewer->ShowWindow(fw::SW_SHOW);
    QueueSessionRequest(request);
}

bool CMyShowHtmlDlg::OnBeforeNavigate(const fw::web::DispatchPtr& pDisp, const std::string& url) {
    const NavOutcome outcome = ApplyNavigationRules(url, m_flags, Session().Get());
    m_bAllowNavigation = outcome.allow;
    for (const NavAction& a : outcome.actions) {
        switch (a.kind) {
            case NavAction::kNavigatePage:
                NavigatePage(a.text);
                break;
            case NavAction::kSetPending:
                m_strPending = a.text;
                break;
            case NavAction::kQueue:
                QueueSessionRequest(a.text);
                break;
            case NavAction::kOpenBoardMessage:
                m_strLastContent = a.text2;
                if (GetPortalSeams().openBoardMessage) {
                    GetPortalSeams().openBoardMessage(a.text);
                }
                QueueSessionRequest(a.text2);
                break;
            case NavAction::kOpenArticle:
                OpenArticle(a.text);
                break;
            case NavAction::kOpenChat:
                if (!m_flags.consoleOpened && GetPortalSeams().openChat) {
                    GetPortalSeams().openChat(a.text, a.text2);
                }
                break;
            case NavAction::kPageList:
                if (BindDocument()) {
                    Call("OutputHtml", m_strListDoc, a.text);
                }
                break;
            case NavAction::kPageBoard:
                if (BindDocument()) {
                    Call("OutputHtml", m_strBoardDoc, a.text);
                }
                break;
        }
    }
    if (!m_bAllowNavigation) {
        return false;
    }
    return CDHtmlDialog::OnBeforeNavigate(pDisp, url);
}

void CMyShowHtmlDlg::OnNavigateComplete(const std::string& url) {
    if (m_bAllowNavigation) {
        CDHtmlDialog::OnNavigateComplete(url);
    }
}

void CMyShowHtmlDlg::OnDocumentComplete(const std::string& url) {
    if (m_bAllowNavigation) {
        CDHtmlDialog::OnDocumentComplete(url);
    }
    if (!EqualsNoCase(url, m_strCurrentPage) || m_strPending.empty()) {
        if (!m_strLoginUrl.empty() && EqualsNoCase(url, m_strLoginUrl)) {
            FillLoginForm();
        }
        return;
    }
    const SessionValues s = Session().Get();
    if (m_strCurrentPage.find("newslist") != std::string::npos && BindDocument()) {
        Call("Communication_flash", m_strMenuDoc);
    }
    if (m_strCurrentPage.find("messagelist.html") != std::string::npos) {
        if (BindDocument()) {
            Call("Communication_flash", m_strMenuDoc);
        }
        m_flags.atMessageList = true;
    }
    if (m_strCurrentPage.find("home.html") != std::string::npos) {
        QueueSessionRequest(BuildServiceText(ServiceCall::kHomeImages, {}));
    }
    if (s.userType == "1" && BindDocument()) {
        Call("singleSignOn", PageDocuments::SignOnDocument());
    }
    QueueSessionRequest(std::exchange(m_strPending, std::string()));
}

void CMyShowHtmlDlg::FillLoginForm() {
    fw::web::DocumentPtr doc = GetDocument();
    if (!doc) {
        return;
    }
    const std::optional<fw::web::FormInfo> form = doc->GetFirstForm();
    if (!form || form->name.empty()) {
        return;
    }
    const SessionValues s = Session().Get();
    for (size_t i = 0; i < form->elementNames.size(); ++i) {
        if (form->elementNames[i] == "userName") {
            doc->SetFirstFormElementValue(i, s.userName);
        } else if (form->elementNames[i] == "userPwd") {
            doc->SetFirstFormElementValue(i, s.password);
        }
    }
    doc->SubmitFirstForm();
}

// ---- replies ----

fw::LRESULT CMyShowHtmlDlg::WindowProc(fw::UINT message, fw::WPARAM wParam, fw::LPARAM lParam) {
    using namespace WindowMsg;
    switch (message) {
        case kPortalIdentity: {
            NavigatePage(m_strCurrentPage.empty()
                             ? std::string(kHomePage)
                             : m_strCurrentPage.substr(m_strProgramDir.size()));
            m_strPending = BuildServiceText(ServiceCall::kHomeLatest, {Session().Virid()});
            return 0;
        }
        case kPortalPopup: {
            const auto* id = reinterpret_cast<const std::string*>(lParam);
            if (id != nullptr) {
                Navigate("newslist.html?prdid=" + *id);
            }
            return 0;
        }
        case kPortalHome:
        case kPortalArticle:
        case kPortalChat:
        case kPortalMore:
        case kPortalColumnNews:
        case kPortalMenu:
        case kPortalSearch:
        case kPortalMenuNews:
        case kPortalChatHistory:
        case kPortalBoardList:
        case kPortalBoardMessage:
        case kPortalImages: {
            auto* sets = reinterpret_cast<RecordSetList*>(lParam);
            RecordSetList none;
            return OnReply(message, sets != nullptr ? *sets : none);
        }
        default:
            break;
    }
    return CDHtmlDialog::WindowProc(message, wParam, lParam);
}

void CMyShowHtmlDlg::ShowList(const std::string& list) {
    Call("OutputHtml", list);
    Call("showonline_new", m_strContactDoc);
}

fw::LRESULT CMyShowHtmlDlg::OnReply(fw::UINT message, RecordSetList& sets) {
    using namespace WindowMsg;
    namespace D = PageDocuments;
    fw::LRESULT result = 0;
    if (sets.empty() || !sets.front()) {
        QuestFailed();
        return message == kPortalMenuNews ? -1 : 0;
    }
    switch (message) {
        case kPortalHome:
            OnHome(sets);
            break;
        case kPortalArticle:
            if (m_pNewsViewer && m_pNewsViewer->ContentPage() != nullptr) {
                result = m_pNewsViewer->ContentPage()->SendMessage(
                    kArticleToPage, 0, reinterpret_cast<fw::LPARAM>(&sets));
            }
            break;
        case kPortalChat: {
            RecordSet& set = *sets.front();
            if (EqualsNoCase(set.Tag(), ReplyTag::kContacts)) {
                if (GetPortalSeams().contactDocument) {
                    std::string doc = GetPortalSeams().contactDocument(set);
                    if (BindDocument()) {
                        m_strContactDoc = doc;
                        Call("showonline", m_strContactDoc);
                    }
                }
            } else if (EqualsNoCase(set.Tag(), ReplyTag::kChatMessages) &&
                       GetPortalSeams().arrivingMessages) {
                GetPortalSeams().arrivingMessages(sets);
            }
            break;
        }
        case kPortalMore:
        case kPortalMenuNews:
            OnListReply(sets, message == kPortalMenuNews, result);
            break;
        case kPortalColumnNews:
            if (auto list = D::BuildColumnNews(sets); list && BindDocument()) {
                m_strListDoc = *list;
                Call("showColmn", m_strColumnDoc);
                ShowList(m_strListDoc);
            }
            break;
        case kPortalMenu:
            if (auto menu = D::BuildMenu(sets)) {
                if (m_strMenuDoc.empty()) {
                    m_strMenuDoc = *menu;
                }
                if (BindDocument()) {
                    Call("Communication_flash", *menu);
                }
            }
            break;
        case kPortalSearch:
            if (auto list = D::BuildSearch(sets); list && BindDocument()) {
                m_strListDoc = *list;
                ShowList(m_strListDoc);
            }
            break;
        case kPortalChatHistory:
            if (GetPortalSeams().chatHistory) {
                GetPortalSeams().chatHistory(sets);
            }
            break;
        case kPortalBoardList:
            if (auto board = D::BuildBoardList(sets); board && BindDocument()) {
                m_strBoardDoc = *board;
                Call("showColmn", m_strColumnDoc);
                ShowList(m_strBoardDoc);
            }
            break;
        case kPortalBoardMessage:
            if (EqualsNoCase(sets.front()->Tag(), ReplyTag::kBoardMessage) &&
                GetPortalSeams().boardMessageReply) {
                GetPortalSeams().boardMessageReply(sets);
            }
            break;
        case kPortalImages:
            if (auto strip = D::BuildPictureStrip(sets); strip && BindDocument()) {
                Call("getImage", *strip);
            }
            break;
        default:
            break;
    }
    return result;
}

void CMyShowHtmlDlg::OnHome(RecordSetList& sets) {
    const std::optional<std::string> home = PageDocuments::BuildHome(sets);
    sets.clear();
    if (!home || !BindDocument()) {
        return;
    }
    const SessionValues s = Session().Get();
    Call("showHome", *home);
    if (s.userType == "1") {
        Call("singleSignOn", PageDocuments::SignOnDocument());
    }
    if (!m_strMenuDoc.empty()) {
        Call("Communication_flash", m_strMenuDoc);
    } else {
        QueueSessionRequest(BuildServiceText(ServiceCall::kMenu, {s.virid}));
    }
    QueueSessionRequest(BuildServiceText(ServiceCall::kContacts, {s.virid, s.orgIdList, s.orgId}));
    Call("showLoginName", PageDocuments::LoginNameDocument(s.trueName));
}

void CMyShowHtmlDlg::OnListReply(RecordSetList& sets, bool menuNews, fw::LRESULT& result) {
    (void)menuNews;
    std::optional<PageDocuments::ListDocuments> docs = PageDocuments::BuildListPage(sets);
    result = 0;
    if (!docs) {
        return;
    }
    m_strColumnDoc = docs->columns;
    if (!BindDocument()) {
        return;
    }
    m_strListDoc = docs->list;
    Call("showColmn", m_strColumnDoc);
    ShowList(m_strListDoc);
}

// ---- navigation rules ----

namespace navrules {

constexpr std::string_view kMarkers[] = {
    "prdid=", "html?id=", "sid=", "flaid=", "getPage=", "fworid=", "msgid=", "getmessagelisturl="};

bool Has(std::string_view url, std::string_view what) {
    return url.find(what) != std::string_view::npos;
}

std::string After(std::string_view url, std::string_view marker) {
    const size_t at = url.find(marker);
    return at == std::string_view::npos ? std::string()
                                        : std::string(url.substr(at + marker.size()));
}

std::string AfterLastEquals(std::string_view url) {
    const size_t at = url.rfind('=');
    return at == std::string_view::npos ? std::string() : std::string(url.substr(at + 1));
}

// A menu or column link either switches to the list page (and sends its request once the page
// has loaded) or, on a list page already, refills it in place.
void ListRequest(NavOutcome& out, const PortalFlags& flags, std::string request) {
    if (flags.atHome || flags.atMessageList) {
        out.allow = true;
        out.actions.push_back({NavAction::kNavigatePage, std::string(kNewsListPage)});
        out.actions.push_back({NavAction::kSetPending, std::move(request)});
    } else {
        out.allow = false;
        out.actions.push_back({NavAction::kQueue, std::move(request)});
    }
}

}  // namespace navrules
using namespace navrules;

NavOutcome ApplyNavigationRules(std::string_view url, PortalFlags& flags, const SessionValues& s) {
    NavOutcome out;
    out.allow = !Has(url, ".html?") && !Has(url, "/?");
    bool anyMarker = false;
    for (std::string_view m : kMarkers) {
        anyMarker = anyMarker || Has(url, m);
    }

    if (Has(url, "fworid=")) {
        out.allow = true;
        out.actions.push_back({NavAction::kNavigatePage, std::string(kMessageListPage)});
        out.actions.push_back(
            {NavAction::kSetPending,
             BuildServiceText(ServiceCall::kBoardList, {s.virid, s.orgId, s.userType})});
        flags.atHome = false;
        flags.atMessageList = true;
    }
    if (Has(url, "sid=")) {
        std::string request =
            BuildServiceText(ServiceCall::kColumnNews, {After(url, "sid="), s.virid});
        if (flags.atMessageList) {
            out.actions.push_back({NavAction::kNavigatePage, std::string(kNewsListPage)});
            out.actions.push_back({NavAction::kSetPending, std::move(request)});
        } else {
            out.actions.push_back({NavAction::kQueue, std::move(request)});
        }
    }
    if (Has(url, "msgid=")) {
        out.allow = false;
        const std::string id = After(url, "msgid=");
        out.actions.push_back(
            {NavAction::kOpenBoardMessage, id, BuildServiceText(ServiceCall::kBoardMessage, {id})});
    }
    if (Has(url, "prdid=")) {
        out.allow = false;
        out.actions.push_back({NavAction::kOpenArticle,
                               BuildServiceText(ServiceCall::kArticle, {After(url, "prdid=")})});
    }
    if (Has(url, "html?id=")) {
        const std::string rest = After(url, "?id=");
        out.actions.push_back(
            {NavAction::kOpenChat, rest.substr(0, rest.find('&')), After(url, "FriendName=")});
    }
    if (Has(url, "flaid=")) {
        const std::string value = After(url, "flaid=");
        if (value == "100") {
            out.actions.push_back({NavAction::kNavigatePage, std::string(kHomePage)});
            out.actions.push_back(
                {NavAction::kSetPending, BuildServiceText(ServiceCall::kHomeNews, {s.virid})});
            flags.atHome = true;
        } else {
            ListRequest(out, flags,
                        value == "101"
                            ? BuildServiceText(ServiceCall::kListTab, {})
                            : BuildServiceText(ServiceCall::kMenuNews, {s.virid, value}));
            flags.atHome = false;
        }
    }
    if (Has(url, "getmessagelisturl=")) {
        out.allow = false;
        out.actions.push_back({NavAction::kPageBoard, AfterLastEquals(url)});
    }
    if (Has(url, "getPage=")) {
        out.allow = false;
        out.actions.push_back({NavAction::kPageList, AfterLastEquals(url)});
    }
    if (!anyMarker && Has(url, "newslist.html?uid=")) {
        out.actions.push_back({NavAction::kNavigatePage, std::string(kNewsListPage)});
        flags.atHome = false;
        std::string request;
        if (Has(url, "newslist.html?uid=1")) {
            request = BuildServiceText(ServiceCall::kListTabOrg, {s.orgId});
        }
        if (Has(url, "newslist.html?uid=2")) {
            request = BuildServiceText(ServiceCall::kListTab2, {s.orgId});
        }
        if (Has(url, "newslist.html?uid=3")) {
            request = BuildServiceText(ServiceCall::kListTab3, {s.orgId});
        }
        if (Has(url, "newslist.html?uid=4")) {
            request = BuildServiceText(ServiceCall::kListTab4, {s.virid});
        }
        out.actions.push_back({NavAction::kSetPending, std::move(request)});
    }
    return out;
}

std::string SearchRequest(std::string_view kind, std::string_view text) {
    return BuildSearchText(kind, text);
}
