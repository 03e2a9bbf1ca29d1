#pragma once
// The portal: the page dialog inside the main window showing the home page and the two list
// pages. Clicks and links become service requests; replies, forwarded by the main window as
// window messages, become data documents handed to the page's script functions.

#include <memory>
#include <string>

#include <string_view>
#include <vector>
#include "pagehost/DHtmlDialog.h"

#include "session/Session.h"
#include "session/WindowMessages.h"
#include "protocol/RecordSet.h"

// Page files the portal shows, relative to the program's folder.
inline constexpr std::string_view kHomePage = "htmlPath\\home.html";
inline constexpr std::string_view kNewsListPage = "htmlPath\\newslist.html";
inline constexpr std::string_view kMessageListPage = "htmlPath\\messagelist.html";

struct PortalFlags {
    bool consoleOpened = false;
    bool atHome = true;
    bool atMessageList = false;
};

struct NavAction {
    enum Kind {
        kNavigatePage,      // text: page file; makes it the current page
        kSetPending,        // text: request queued when the current page has loaded
        kQueue,             // text: request queued now
        kOpenBoardMessage,  // text: message id; text2: request (also the last content request)
        kOpenArticle,       // text: request (the last content request)
        kOpenChat,          // text: contact id; text2: contact name
        kPageList,          // text: page value for OutputHtml(list document, value)
        kPageBoard,         // text: page value for OutputHtml(board document, value)
    };
    Kind kind;
    std::string text;
    std::string text2 = {};
    bool operator==(const NavAction&) const = default;
};

struct NavOutcome {
    bool allow = false;
    std::vector<NavAction> actions;
};

// Rules 1-12 for one URL (GBK, decoded). `flags` is updated as the rules say.
NavOutcome ApplyNavigationRules(std::string_view url, PortalFlags& flags, const SessionValues& s);

// The search: pending request for a kind and text read from the home page.
std::string SearchRequest(std::string_view kind, std::string_view text);

class CShowContentForNewsDlg;
class CLoadThirdNetPage;


// Set by a closing viewer or message dialog, never cleared: from then on each article (or
// message) link replaces the window by a fresh one.
extern bool g_newsViewerClosed;
extern bool g_messageDialogClosed;

class CMyShowHtmlDlg : public CDHtmlDialog {
public:
    static constexpr fw::UINT IDD = 132;
    static constexpr fw::UINT kThirdNetTemplate = 268;

    explicit CMyShowHtmlDlg(fw::Window* parent = nullptr);
    ~CMyShowHtmlDlg() override;

    bool OnInitDialog() override;
    fw::LRESULT WindowProc(fw::UINT message, fw::WPARAM wParam, fw::LPARAM lParam) override;
    void OnDestroy() override;

    // Element clicks.
    void OnSearch();
    void OnConsoleLogin();
    void OnShowFlash();
    void OnQuotes();
    void OnCommunity();
    void OnStockInfo();
    void OnCustomRequest();
    void OnQuestionnaire();
    void OnFortuneClassRoom();
    void OnLeaveword();

    // State, for the tests and the viewer.
    const std::string& PendingRequest() const { return m_strPending; }
    const std::string& LastContentRequest() const { return m_strLastContent; }
    const PortalFlags& Flags() const { return m_flags; }
    const std::string& ContactDocument() const { return m_strContactDoc; }
    const std::string& ColumnDocument() const { return m_strColumnDoc; }
    const std::string& ListDocument() const { return m_strListDoc; }
    const std::string& MenuDocument() const { return m_strMenuDoc; }
    const std::string& BoardDocument() const { return m_strBoardDoc; }
    const std::string& LoginPageUrl() const { return m_strLoginUrl; }
    CShowContentForNewsDlg* NewsViewer() const { return m_pNewsViewer.get(); }
    // The portal of the running program (the last one initialised), for the viewer.
    static CMyShowHtmlDlg* Current();

protected:
    std::span<const DHtmlEventMapEntry> GetDHtmlEventMap() const override;
    bool OnBeforeNavigate(const fw::web::DispatchPtr& pDisp, const std::string& url) override;
    void OnNavigateComplete(const std::string& url) override;
    void OnDocumentComplete(const std::string& url) override;
    bool OnPageContextMenu() override { return !m_flags.consoleOpened; }

private:
    // Binds the bridge to the document shown now; false without one.
    bool BindDocument();
    void Call(const std::string& fn, const std::string& arg);
    void Call(const std::string& fn, const std::string& arg1, const std::string& arg2);
    void OpenArticle(const std::string& request);
    void FillLoginForm();
    void OpenThirdNet(std::unique_ptr<CLoadThirdNetPage>& window, const std::string& url,
                      bool silent);
    fw::LRESULT OnReply(fw::UINT message, RecordSetList& sets);
    void OnHome(RecordSetList& sets);
    void OnListReply(RecordSetList& sets, bool menuNews, fw::LRESULT& result);
    void ShowList(const std::string& list);

    std::string m_strLoginUrl;
    std::string m_strPending;
    std::string m_strLastContent;
    std::string m_strContactDoc;
    std::string m_strColumnDoc;
    std::string m_strListDoc;
    std::string m_strMenuDoc;
    std::string m_strBoardDoc;
    PortalFlags m_flags;
    bool m_bAllowNavigation = true;
    std::unique_ptr<CShowContentForNewsDlg> m_pNewsViewer;
    std::unique_ptr<CLoadThirdNetPage> m_pQuotes;
    std::unique_ptr<CLoadThirdNetPage> m_pStockInfo;
};
