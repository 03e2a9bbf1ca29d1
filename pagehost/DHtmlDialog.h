#pragma once
// The base of every HTML dialog: a dialog from a template whose client area is a browser view,
// showing a built-in page (an HTML resource) or a page file shipped beside the program in the
// folder "htmlPath". It binds clicks on page elements to handlers through a table per class
// and passes the browser's navigation events to virtual handlers.

#include <memory>
#include <span>
#include <string>

#include "pagehost/WebPage.h"
#include "platform/Window.h"
#include "platform/web/WebView.h"

// Built-in pages.
constexpr fw::UINT IDR_HTML_MYSHOWHTMLDLG = 103;
constexpr fw::UINT IDR_HTML_SYSTEMSETTINGHTMLDLG = 104;
constexpr fw::UINT IDR_HTML_NEWSCONTENTSHOWDLG = 105;
constexpr fw::UINT IDR_HTML_LEAVEWORDCONTENTHTMLDLG = 106;

class CDHtmlDialog : public fw::Dialog {
public:
    // The handler of a bound element's click (its `onclick`).
    using DHtmlEventHandler = void (CDHtmlDialog::*)();
    struct DHtmlEventMapEntry {
        const char* elementId;  // ASCII ids
        DHtmlEventHandler handler;
    };
    template <class Derived>
    static DHtmlEventHandler Handler(void (Derived::*fn)()) {
        return static_cast<DHtmlEventHandler>(fn);
    }

    CDHtmlDialog(fw::UINT templateId, fw::UINT htmlResId, fw::Window* parent = nullptr);
    ~CDHtmlDialog() override;

    bool OnInitDialog() override;
    void OnDestroy() override;
    void OnSize(fw::UINT type, int width, int height) override;

    // The browser's navigation to a URL, a local path or an address relative to the page
    // shown (GBK). The current page path is not changed.
    void Navigate(const std::string& url);
    // Makes `relative` ("htmlPath\home.html") the current page and navigates to it.
    void NavigatePage(const std::string& relative);
    // Program directory + `relative`, folder separators as the file system wants them.
    std::string PagePath(const std::string& relative) const;
    // Silent: the page's own message boxes (and script errors) never reach the user.
    void SetSilent(bool silent);
    // The document the browser shows now (null while none is loaded).
    fw::web::DispatchPtr GetDocumentDispatch() const;
    fw::web::DocumentPtr GetDocument() const;

    const std::string& ProgramDir() const { return programDir_; }
    // For hosts whose pages live elsewhere (tests, tools); GBK, trailing separator optional.
    void SetProgramDir(const std::string& dir);
    const std::string& CurrentPage() const { return currentPage_; }
    fw::UINT HtmlResourceId() const { return htmlResId_; }
    const fw::web::WebViewPtr& View() const { return view_; }
    CWebPage& WebPage() { return webPage_; }

protected:
    // The element-click table of the dialog's class.
    virtual std::span<const DHtmlEventMapEntry> GetDHtmlEventMap() const { return {}; }
    // Before every navigation of the browser: return false to cancel it.
    virtual bool OnBeforeNavigate(const fw::web::DispatchPtr& pDisp, const std::string& url);
    virtual void OnNavigateComplete(const std::string& url);
    virtual void OnDocumentComplete(const std::string& url);
    // Return true to keep the browser's context menu from showing.
    virtual bool OnPageContextMenu() { return false; }

    std::string programDir_;   // GBK, ends with the folder separator
    std::string currentPage_;  // full path of the page last navigated to
    CWebPage webPage_;

private:
    class Sink;
    void DispatchClick(const std::string& id);

    fw::UINT htmlResId_;
    std::unique_ptr<fw::HtmlSite> ownSite_;
    fw::HtmlSite* site_ = nullptr;
    fw::web::WebViewPtr view_;
    std::unique_ptr<Sink> sink_;
};
