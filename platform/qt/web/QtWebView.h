#pragma once
// A WebView on Qt WebEngine. Qt inside; the system sees fw::web::WebView only.
//
// Script calls. runJavaScript is asynchronous, CallScript reports success at once. The view
// therefore keeps a mirror of the page, taken when the page has loaded and refreshed after
// every script call and user input: the names of the page's global functions, the values of
// elements with ids, the body's HTML and the first form. A call to a function the page does
// not define fails at once, as it does elsewhere; a call to a defined function is sent to the
// page in call order and succeeds; an exception it throws goes to the page console
// (VQ_PAGE_CONSOLE=1). Only a caller that asks for the result waits for it, at most
// kResultWaitMs, in a local loop that takes no user input; during that wait another call that
// asks for a result fails with kBusy instead of nesting. DOM reads answer from the mirror.
//
// Events. acceptNavigationRequest gives before-navigate (cancelling returns false). The
// engine's load reports do not match navigations one to one (a replaced load may report
// success under either address, two loads may end in one report, a load started while a
// cancelled navigation winds down is stopped with it), so each report only makes the view
// look at the page: navigate-complete and document-complete are raised once per accepted
// navigation, when the page holds a new document at that address and it has loaded. Until
// then the view keeps looking; a load of its own that was stopped without a page is made
// again, and a load asked for while a cancelled navigation winds down waits for its end.
// A cancelled navigation raises nothing.
// Links to new windows (target="_blank", window.open) are turned into navigations of this
// view through before-navigate, so no link escapes the owner's rules. Clicks and typed values
// come from the page through a QWebChannel, set up by a script injected at document creation.

#include <QPointer>
#include <QString>
#include <QVariant>
#include <QWebChannel>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <map>
#include <memory>
#include <set>

#include "platform/web/WebView.h"

class QWebEngineProfile;

namespace fw::qt {

class QtWebView;

// Receives what the page's injected script reports.
class PageBridge : public QObject {
    Q_OBJECT
public:
    explicit PageBridge(QtWebView& owner) : owner_(owner) {}
public slots:
    void clicked(const QStringList& ids);
    void valueChanged(const QString& id, const QString& value);

private:
    QtWebView& owner_;
};

class VqWebPage : public QWebEnginePage {
    Q_OBJECT
public:
    VqWebPage(QWebEngineProfile* profile, QtWebView& owner, QObject* parent);

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message,
                                  int line, const QString& source) override;
    void javaScriptAlert(const QUrl& origin, const QString& msg) override;
    bool javaScriptConfirm(const QUrl& origin, const QString& msg) override;
    bool javaScriptPrompt(const QUrl& origin, const QString& msg, const QString& defaultValue,
                          QString* result) override;

private:
    QtWebView& owner_;
};

class QtWebView : public web::WebView,
                  public web::DocumentHost,
                  public std::enable_shared_from_this<QtWebView> {
public:
    static constexpr int kResultWaitMs = 2000;

    // A view inside `parent` (filling it), or a top-level one when null.
    static std::shared_ptr<QtWebView> Create(QWidget* parent);
    ~QtWebView() override;

    // The engine's profile, made once and kept: off the record, nothing written to disk.
    static QWebEngineProfile* Profile();

    QWebEngineView* Widget() const { return view_; }

    // ---- WebView ----
    void SetEvents(web::WebViewEvents* events) override { events_ = events; }
    void Navigate(const std::string& urlOrPath) override;
    void LoadHtml(const std::string& html, const std::string& baseUrl) override;
    std::string LocationUrl() const override;
    web::DocumentPtr GetDocument() override;
    void SetSilent(bool silent) override { silent_ = silent; }
    bool IsSilent() const override { return silent_; }
    void OnSiteMoved(const Rect& clientRect) override;
    void OnSiteShown(bool shown) override;
    void OnSiteDestroyed() override;

    // ---- DocumentHost ----
    std::uint64_t Generation() const override { return generation_; }
    bool HasFunction(const std::string& name) const override;
    web::Status CallFunction(const std::string& name, const std::vector<std::u16string>& args,
                             web::Value* result) override;
    std::optional<std::string> GetElementValue(const std::string& id) override;
    bool SetElementValue(const std::string& id, const std::string& value) override;
    std::optional<std::string> GetBodyHtml() override;
    bool SetBodyHtml(const std::string& html) override;
    std::optional<web::FormInfo> GetFirstForm() override;
    bool SetFirstFormElementValue(std::size_t index, const std::string& value) override;
    bool SubmitFirstForm() override;

    // Script calls sent and not yet answered (tests wait for 0).
    int PendingScripts() const { return pending_; }

    // ---- From the page (VqWebPage, PageBridge) ----
    bool BeforeNavigate(const QUrl& url, bool mainFrame);
    void Clicked(const QStringList& ids);
    void ValueChanged(const QString& id, const QString& value);
    bool ContextMenu();

private:
    QtWebView() = default;
    void Build(QWidget* parent);
    void OnLoadingChanged(int status, bool errorPage, const QUrl& url);
    // Reports the accepted load once the page shows its document, fully loaded.
    void CheckLoad(bool errorPage);
    void OnProbe(std::uint64_t load, bool errorPage, const QVariantMap& probe);
    bool StillWaitingFor(std::uint64_t load) const;
    bool IsAcceptedDocument(const QVariantMap& probe) const;
    void ReportLoad(const QVariant& snapshot);
    // Loads `url` without asking the owner again; with `unlessReported`, only while that
    // accepted load is still unreported.
    void LoadApproved(const QUrl& url, std::uint64_t unlessReported);
    void StartLoad(const QUrl& url);
    void StartDeferredLoad();
    void ApplySnapshot(const QVariant& snapshot);
    void RunScript(const QString& script, std::function<void(const QVariant&)> done = nullptr);
    void NewWindow(const QUrl& url);

    web::WebViewEvents* events_ = nullptr;
    bool silent_ = false;
    bool destroyed_ = false;
    QPointer<QWebEngineView> view_;
    QPointer<VqWebPage> page_;
    QPointer<QWebChannel> channel_;
    std::unique_ptr<PageBridge> bridge_;

    // The load the view waits for: set when a main-frame navigation is accepted, reported
    // when the page holds a new, complete document at that address.
    static constexpr int kMaxCheckDelayMs = 500;
    static constexpr int kMaxRetries = 2;
    static constexpr int kWindDownMs = 300;  // when the engine never reports the end
    std::uint64_t acceptedLoad_ = 0;
    std::uint64_t loadsAccepted_ = 0;
    bool waitingForLoad_ = false;
    QUrl acceptedUrl_;          // without fragment
    bool acceptedOwn_ = false;  // started by Navigate or for a new window, so repeatable
    bool acceptedAnyUrl_ = false;
    QUrl ownLoad_;   // the address this view has just asked the engine to load
    QUrl approved_;  // an address the owner has allowed and the view loads itself
    bool htmlLoad_ = false;
    bool windingDown_ = false;  // a cancelled navigation of the page has not ended yet
    QUrl deferredLoad_;
    int retries_ = 0;
    int checkDelayMs_ = 0;
    QString reportedDocument_;  // the page's own id of the document last reported

    // The mirror of the page shown (UTF-8).
    std::uint64_t generation_ = 0;
    std::uint64_t documents_ = 0;
    std::string url_;
    std::set<std::string> functions_;
    std::map<std::string, std::string> values_;
    std::string body_;
    std::optional<web::FormInfo> form_;
    web::DocumentPtr document_;
    int pending_ = 0;
    bool waitingForResult_ = false;
};

}  // namespace fw::qt
