#include "portal/MyShowHtmlDlg.h"

#include "pagehost/LoadThirdNetPage.h"
#include "platform/Framework.h"
#include "portal/NewsContentShowDlg.h"
#include "portal/PageDocuments.h"
#include "portal/ShowContentForNewsDlg.h"
#include "protocol/ServiceContract.h"
#include "protocol/ServiceRequest.h"
#include "session/ConfigFile.h"
#include "session/Session.h"

namespace {

void QuestFailed() {
    fw::AfxMessageBox("QUEST FAILED!");
}

}  // namespace

CMyShowHtmlDlg::CMyShowHtmlDlg(IMessaging& messaging, IForms& forms, fw::Window* parent)
    : CDHtmlDialog(IDD, IDR_HTML_MYSHOWHTMLDLG, parent), messaging_(messaging), forms_(forms) {}

CMyShowHtmlDlg::~CMyShowHtmlDlg() = default;

bool CMyShowHtmlDlg::HasPageDocument() {
    return GetDocument() != nullptr;
}

bool CMyShowHtmlDlg::CallPageScript(const std::string& function, const std::string& argument) {
    return BindDocument() && webPage_.CallScript(function, argument);
}

fw::LRESULT CMyShowHtmlDlg::TellMainWindow(fw::UINT message, fw::WPARAM wParam, fw::LPARAM lParam) {
    const fw::HWND main = GetParentHwnd();
    return main != fw::kNoWindow ? fw::SendMessage(main, message, wParam, lParam) : 0;
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
    loginUrl_ = ReadConfigText(ConfigId::kUrlInLogin);
    SetSilent(true);
    NavigatePage(std::string(kHomePage));
    return true;
}

void CMyShowHtmlDlg::OnDestroy() {
    if (newsViewer_) {
        newsViewer_->DestroyWindow();
    }
    CDHtmlDialog::OnDestroy();
}

bool CMyShowHtmlDlg::BindDocument() {
    fw::web::DocumentPtr doc = GetDocument();
    return doc && webPage_.AttachDocument(doc);
}

void CMyShowHtmlDlg::Call(const std::string& fn, const std::string& arg) {
    webPage_.CallScript(fn, arg);
}

void CMyShowHtmlDlg::Call(const std::string& fn, const std::string& arg1, const std::string& arg2) {
    webPage_.CallScript(fn, arg1, arg2);
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
    pendingRequest_ = SearchRequest(kind, text);
}

void CMyShowHtmlDlg::OnConsoleLogin() {
    fw::OpenUrl(ReadConfigText(ConfigId::kUrlConsole));
    flags_.consoleOpened = true;
}

void CMyShowHtmlDlg::OnShowFlash() {
    webPage_.CallScript("showflash");
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
    OpenThirdNet(quotes_, ReadConfigText(ConfigId::kUrlQuotes), false);
}

void CMyShowHtmlDlg::OnCommunity() {
    fw::OpenUrl(ReadConfigText(ConfigId::kUrlCommunity));
}

void CMyShowHtmlDlg::OnStockInfo() {
    OpenThirdNet(stockInfo_, ReadConfigText(ConfigId::kUrlStockInfo), true);
}

void CMyShowHtmlDlg::OnCustomRequest() {
    forms_.OpenCustomRequest(*this);
}

void CMyShowHtmlDlg::OnQuestionnaire() {
    forms_.OpenQuestionnaire(*this);
}

void CMyShowHtmlDlg::OnLeaveword() {
    messaging_.OpenLeaveword();
}

void CMyShowHtmlDlg::OnFortuneClassRoom() {
    const SessionValues s = Session().Get();
    pendingRequest_ = BuildServiceText(ServiceCall::kClassRoom, {s.virid, s.orgId});
    NavigatePage(std::string(kNewsListPage));
}

// ---- navigation ----

void CMyShowHtmlDlg::OpenArticle(const std::string& request) {
    lastContentRequest_ = request;
    if (newsViewerClosed_ && newsViewer_) {
        newsViewer_->DestroyWindow();
        newsViewer_.reset();
    }
    if (!newsViewer_) {
        newsViewer_ = std::make_unique<CShowContentForNewsDlg>(*this);
        newsViewer_->Create(CShowContentForNewsDlg::IDD, nullptr);
        newsViewer_->ShowWindow(fw::SW_SHOW);
        return;  // its content page queues the request once loaded
    }
    newsViewer_->ShowWindow(fw::SW_SHOW);
    QueueSessionRequest(request);
}

bool CMyShowHtmlDlg::OnBeforeNavigate(const fw::web::DispatchPtr& pDisp, const std::string& url) {
    const NavOutcome outcome = ApplyNavigationRules(url, flags_, Session().Get());
    allowNavigation_ = outcome.allow;
    for (const NavAction& a : outcome.actions) {
        switch (a.kind) {
            case NavAction::kNavigatePage:
                NavigatePage(a.text);
                break;
            case NavAction::kSetPending:
                pendingRequest_ = a.text;
                break;
            case NavAction::kQueue:
                QueueSessionRequest(a.text);
                break;
            case NavAction::kOpenBoardMessage:
                lastContentRequest_ = a.text2;
                messaging_.OpenBoardMessage(a.text);
                QueueSessionRequest(a.text2);
                break;
            case NavAction::kOpenArticle:
                OpenArticle(a.text);
                break;
            case NavAction::kOpenChat:
                if (!flags_.consoleOpened) {
                    messaging_.OpenChat(*this, a.text, a.text2);
                }
                break;
            case NavAction::kPageList:
                if (BindDocument()) {
                    Call("OutputHtml", listDocument_, a.text);
                }
                break;
            case NavAction::kPageBoard:
                if (BindDocument()) {
                    Call("OutputHtml", boardDocument_, a.text);
                }
                break;
        }
    }
    if (!allowNavigation_) {
        return false;
    }
    return CDHtmlDialog::OnBeforeNavigate(pDisp, url);
}

void CMyShowHtmlDlg::OnNavigateComplete(const std::string& url) {
    if (allowNavigation_) {
        CDHtmlDialog::OnNavigateComplete(url);
    }
}

void CMyShowHtmlDlg::OnDocumentComplete(const std::string& url) {
    if (allowNavigation_) {
        CDHtmlDialog::OnDocumentComplete(url);
    }
    if (!EqualsNoCase(url, currentPage_) || pendingRequest_.empty()) {
        if (!loginUrl_.empty() && EqualsNoCase(url, loginUrl_)) {
            FillLoginForm();
        }
        return;
    }
    const SessionValues s = Session().Get();
    if (currentPage_.find("newslist") != std::string::npos && BindDocument()) {
        Call("Communication_flash", menuDocument_);
    }
    if (currentPage_.find("messagelist.html") != std::string::npos) {
        if (BindDocument()) {
            Call("Communication_flash", menuDocument_);
        }
        flags_.atMessageList = true;
    }
    if (currentPage_.find("home.html") != std::string::npos) {
        QueueSessionRequest(BuildServiceText(ServiceCall::kHomeImages, {}));
    }
    if (s.userType == "1" && BindDocument()) {
        Call("singleSignOn", PageDocuments::SignOnDocument());
    }
    QueueSessionRequest(std::exchange(pendingRequest_, std::string()));
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
            NavigatePage(currentPage_.empty() ? std::string(kHomePage)
                                              : currentPage_.substr(programDir_.size()));
            pendingRequest_ = BuildServiceText(ServiceCall::kHomeLatest, {Session().Virid()});
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
    Call("showonline_new", contactDocument_);
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
            if (newsViewer_ && newsViewer_->ContentPage() != nullptr) {
                result = newsViewer_->ContentPage()->SendMessage(
                    kArticleToPage, 0, reinterpret_cast<fw::LPARAM>(&sets));
            }
            break;
        case kPortalChat: {
            RecordSet& set = *sets.front();
            if (EqualsNoCase(set.Tag(), ReplyTag::kContacts)) {
                std::string doc = messaging_.ContactDocument(set);
                if (BindDocument()) {
                    contactDocument_ = std::move(doc);
                    Call("showonline", contactDocument_);
                }
            } else if (EqualsNoCase(set.Tag(), ReplyTag::kChatMessages)) {
                messaging_.OnArrivingMessages(*this, sets);
            }
            break;
        }
        case kPortalMore:
        case kPortalMenuNews:
            OnListReply(sets, message == kPortalMenuNews, result);
            break;
        case kPortalColumnNews:
            if (auto list = D::BuildColumnNews(sets); list && BindDocument()) {
                listDocument_ = *list;
                Call("showColmn", columnDocument_);
                ShowList(listDocument_);
            }
            break;
        case kPortalMenu:
            if (auto menu = D::BuildMenu(sets)) {
                if (menuDocument_.empty()) {
                    menuDocument_ = *menu;
                }
                if (BindDocument()) {
                    Call("Communication_flash", *menu);
                }
            }
            break;
        case kPortalSearch:
            if (auto list = D::BuildSearch(sets); list && BindDocument()) {
                listDocument_ = *list;
                ShowList(listDocument_);
            }
            break;
        case kPortalChatHistory:
            result = messaging_.OnChatHistory(sets);
            break;
        case kPortalBoardList:
            if (auto board = D::BuildBoardList(sets); board && BindDocument()) {
                boardDocument_ = *board;
                Call("showColmn", columnDocument_);
                ShowList(boardDocument_);
            }
            break;
        case kPortalBoardMessage:
            if (EqualsNoCase(sets.front()->Tag(), ReplyTag::kBoardMessage)) {
                result = messaging_.OnBoardMessageReply(sets);
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
    if (!menuDocument_.empty()) {
        Call("Communication_flash", menuDocument_);
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
    columnDocument_ = docs->columns;
    if (!BindDocument()) {
        return;
    }
    listDocument_ = docs->list;
    Call("showColmn", columnDocument_);
    ShowList(listDocument_);
}

// ---- navigation rules ----

namespace {

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

}  // namespace

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
