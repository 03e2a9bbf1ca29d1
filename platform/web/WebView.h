#pragma once
// The page host's view of an embedded browser: what the page dialogs use, whichever backend
// shows the page (headless page model, Qt WebEngine).
//
// Texts at this interface are GBK, except script arguments and results, which cross as
// UTF-16 as dispatch calls carry them. URLs reported by events are percent-decoded, and file
// URLs are reported as local paths, so that a dialog can compare them with the page path it
// navigated to.
//
// Everything runs on the UI thread. Navigation is asynchronous: Navigate() returns at once
// and the events arrive later from the UI loop, always in this order for one navigation:
//   OnBeforeNavigate (may cancel) -> OnNavigateComplete -> OnDocumentComplete.
// A navigation started before the previous one completed supersedes it (no events for the
// superseded one after its before-navigate).

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Window.h"

namespace fw::web {

// Dispatch status codes, as the failure codes of a script call are reported.
using Status = std::int32_t;
constexpr Status kOk = 0;
constexpr Status kUnknownName = std::int32_t(0x80020006u);    // no such function
constexpr Status kException = std::int32_t(0x80020009u);      // the function threw
constexpr Status kBadParamCount = std::int32_t(0x8002000Eu);  // too many arguments
constexpr Status kOutOfMemory = std::int32_t(0x8007000Eu);
constexpr Status kTimeout = std::int32_t(0x800705B4u);  // no answer in time (Qt, results only)
constexpr Status kBusy = std::int32_t(0x8001010Au);     // a call is already waiting for its result
constexpr Status kUnexpected = std::int32_t(0x8000FFFFu);

// The system's message for a status code, or "" when there is none.
std::string SystemMessageText(Status status);

// A script value as a dispatch result carries it.
struct Value {
    enum class Type { Empty, Null, Bool, Number, String };
    Type type = Type::Empty;
    bool boolean = false;
    double number = 0;
    std::u16string text;
};

struct FormInfo {
    std::string name;                       // GBK; "" when the form has none
    std::vector<std::string> elementNames;  // GBK, in document order
};

// The backend side of a loaded document. Generation() names the document the view shows now
// (0 while none is shown); every call below acts on that document. Texts are UTF-8.
class DocumentHost {
public:
    virtual ~DocumentHost() = default;
    virtual std::uint64_t Generation() const = 0;
    virtual bool HasFunction(const std::string& name) const = 0;
    // `args` in call order (first argument first).
    virtual Status CallFunction(const std::string& name, const std::vector<std::u16string>& args,
                                Value* result) = 0;
    virtual std::optional<std::string> GetElementValue(const std::string& id) = 0;
    virtual bool SetElementValue(const std::string& id, const std::string& value) = 0;
    virtual std::optional<std::string> GetBodyHtml() = 0;
    virtual bool SetBodyHtml(const std::string& html) = 0;
    virtual std::optional<FormInfo> GetFirstForm() = 0;  // names UTF-8 here
    virtual bool SetFirstFormElementValue(std::size_t index, const std::string& value) = 0;
    virtual bool SubmitFirstForm() = 0;
};

class Document;
using DocumentPtr = std::shared_ptr<Document>;

// Any object a browser hands out; only a document answers QueryDocument.
class DispatchObject {
public:
    virtual ~DispatchObject() = default;
    virtual DocumentPtr QueryDocument() { return nullptr; }
};
using DispatchPtr = std::shared_ptr<DispatchObject>;

// A page's global script functions, reached by dispatch identifier.
class Script {
public:
    Script(std::weak_ptr<DocumentHost> host, std::uint64_t generation)
        : host_(std::move(host)), generation_(generation) {}
    Status GetIDsOfNames(const std::u16string& name, int& dispId);
    // `reversedArgs`: last argument first, as a dispatch call stores them.
    Status Invoke(int dispId, const std::vector<std::u16string>& reversedArgs, Value* result);

private:
    std::weak_ptr<DocumentHost> host_;
    std::uint64_t generation_;
    std::vector<std::string> names_;  // dispatch id - 1 -> name (UTF-8)
};

// One loaded document of a view. It stays valid as an object after the view has moved on, but
// then every operation fails: a reference kept from an earlier page never reaches a later one.
class Document : public DispatchObject, public std::enable_shared_from_this<Document> {
public:
    Document(std::weak_ptr<DocumentHost> host, std::uint64_t generation)
        : host_(std::move(host)), generation_(generation) {}
    DocumentPtr QueryDocument() override { return shared_from_this(); }

    bool IsCurrent() const;
    std::uint64_t Generation() const { return generation_; }
    // Null when the document is no longer the one shown.
    std::shared_ptr<Script> GetScript();

    // Texts GBK. Empty optional / false: no such element, no form, or not current.
    std::optional<std::string> GetElementValue(const std::string& id);
    bool SetElementValue(const std::string& id, const std::string& value);
    std::optional<std::string> GetBodyHtml();
    bool SetBodyHtml(const std::string& html);
    std::optional<FormInfo> GetFirstForm();
    bool SetFirstFormElementValue(std::size_t index, const std::string& value);
    bool SubmitFirstForm();

private:
    std::shared_ptr<DocumentHost> Host() const;
    std::weak_ptr<DocumentHost> host_;
    std::uint64_t generation_;
};

// What a view tells its owner. URLs GBK, percent-decoded; file URLs as local paths.
class WebViewEvents {
public:
    virtual ~WebViewEvents() = default;
    // Return false to cancel. Sub-frame navigations come here too (mainFrame false); links
    // that ask for a new window come here as navigations of this view.
    virtual bool OnBeforeNavigate(const std::string& url, bool mainFrame) {
        (void)url, (void)mainFrame;
        return true;
    }
    virtual void OnNavigateComplete(const std::string& url) { (void)url; }
    virtual void OnDocumentComplete(const std::string& url) { (void)url; }
    // A click inside the element with this id (once per element with an id that contains the
    // clicked point, innermost first).
    virtual void OnElementClick(const std::string& id) { (void)id; }
    // Return true to swallow the context menu.
    virtual bool OnContextMenu() { return false; }
};

class WebView : public HtmlSiteContent {
public:
    // `events` must outlive the view or be reset to null first.
    virtual void SetEvents(WebViewEvents* events) = 0;
    // A URL ("http://...", "file:///...", "about:blank"), an absolute local path, or a URL
    // relative to the current document ("newslist.html?prdid=1"). GBK.
    virtual void Navigate(const std::string& urlOrPath) = 0;
    // Shows `html` (GBK) as a document whose base is `baseUrl`.
    virtual void LoadHtml(const std::string& html, const std::string& baseUrl) = 0;
    // The current document's address (GBK, decoded; a local path for files); "" before any.
    virtual std::string LocationUrl() const = 0;
    // The document shown now, or null while none has completed loading.
    virtual DocumentPtr GetDocument() = 0;
    // Silent: the page's alert, confirm and prompt dialogs are never shown.
    virtual void SetSilent(bool silent) = 0;
    virtual bool IsSilent() const = 0;
};
using WebViewPtr = std::shared_ptr<WebView>;

// ---- Backends ----
// A factory makes a view for an HTML site; the running framework backend's name picks it.
using WebViewFactory = std::function<WebViewPtr(HtmlSite& site)>;
void RegisterWebViewFactory(const std::string& backendName, WebViewFactory factory);
// A view for `site`, attached to it; the headless page model when no factory is registered for
// the running backend.
WebViewPtr CreateWebView(HtmlSite& site);

// Whether page console messages go to standard error ($VQ_PAGE_CONSOLE=1).
bool PageConsoleEnabled();
// Writes one page console line to standard error when enabled. Texts UTF-8.
void WritePageConsole(const std::string& level, const std::string& text, const std::string& page,
                      int line);

}  // namespace fw::web
