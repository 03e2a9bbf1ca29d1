#pragma once
// The portal: the page dialog inside the main window showing the home page and the two list
// pages. Clicks and links become service requests; replies, forwarded by the main window as
// window messages, become data documents handed to the page's script functions.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "pagehost/DHtmlDialog.h"
#include "portal/ShowContentForNewsDlg.h"
#include "protocol/RecordSet.h"
#include "session/Session.h"
#include "session/Subsystems.h"
#include "session/WindowMessages.h"

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

// What one URL does to the portal (GBK, decoded): whether the browser may follow it and the
// actions it starts, in order. `flags` is updated on the way.
NavOutcome ApplyNavigationRules(std::string_view url, PortalFlags& flags, const SessionValues& s);

// The search: pending request for a kind and text read from the home page.
std::string SearchRequest(std::string_view kind, std::string_view text);

class CLoadThirdNetPage;

// The portal page offers itself to the messaging and forms windows (IPortalPage) and opens
// them through the interfaces it is given; both outlive it.
class CMyShowHtmlDlg : public CDHtmlDialog, public IPortalPage, public INewsViewerOwner {
public:
    static constexpr fw::UINT IDD = 132;
    static constexpr fw::UINT kThirdNetTemplate = 268;

    CMyShowHtmlDlg(IMessaging& messaging, IForms& forms, fw::Window* parent = nullptr);
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

    // IPortalPage.
    fw::Window& PageWindow() override { return *this; }
    bool HasPageDocument() override;
    bool CallPageScript(const std::string& function, const std::string& argument) override;
    fw::LRESULT TellMainWindow(fw::UINT message, fw::WPARAM wParam, fw::LPARAM lParam) override;
    PendingMessageSets& PendingMessages() override { return pendingMessages_; }
    bool ConsoleOpened() const override { return flags_.consoleOpened; }

    // INewsViewerOwner: the article pages live where the portal's pages do.
    const std::string& PageFolder() const override { return programDir_; }
    const std::string& LastContentRequest() const override { return lastContentRequest_; }
    void OnNewsViewerClosed() override { newsViewerClosed_ = true; }

    // State, for the tests.
    const std::string& PendingRequest() const { return pendingRequest_; }
    const PortalFlags& Flags() const { return flags_; }
    const std::string& ContactDocument() const { return contactDocument_; }
    const std::string& ColumnDocument() const { return columnDocument_; }
    const std::string& ListDocument() const { return listDocument_; }
    const std::string& MenuDocument() const { return menuDocument_; }
    const std::string& BoardDocument() const { return boardDocument_; }
    const std::string& LoginPageUrl() const { return loginUrl_; }
    CShowContentForNewsDlg* NewsViewer() const { return newsViewer_.get(); }
    // Set once a viewer was closed and never cleared: from then on each article link
    // replaces the viewer by a fresh one.
    bool NewsViewerClosed() const { return newsViewerClosed_; }

protected:
    std::span<const DHtmlEventMapEntry> GetDHtmlEventMap() const override;
    bool OnBeforeNavigate(const fw::web::DispatchPtr& pDisp, const std::string& url) override;
    void OnNavigateComplete(const std::string& url) override;
    void OnDocumentComplete(const std::string& url) override;
    bool OnPageContextMenu() override { return !flags_.consoleOpened; }

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

    std::string loginUrl_;
    std::string pendingRequest_;
    std::string lastContentRequest_;
    std::string contactDocument_;
    std::string columnDocument_;
    std::string listDocument_;
    std::string menuDocument_;
    std::string boardDocument_;
    PortalFlags flags_;
    bool allowNavigation_ = true;
    bool newsViewerClosed_ = false;
    IMessaging& messaging_;
    IForms& forms_;
    PendingMessageSets pendingMessages_;
    std::unique_ptr<CShowContentForNewsDlg> newsViewer_;
    std::unique_ptr<CLoadThirdNetPage> quotes_;
    std::unique_ptr<CLoadThirdNetPage> stockInfo_;
};
