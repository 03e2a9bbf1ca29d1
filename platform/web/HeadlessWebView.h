#pragma once
// The headless page model: a WebView that shows no page but knows it. It reads the page file
// (global script functions, elements with ids or names, values, forms, the body), records
// every script call with its arguments, and lets tests act as the user: click elements, type
// into inputs, follow links, navigate from script, open new windows, right-click. Events come
// from the UI loop in the same order as from the Qt view: before-navigate (may cancel),
// navigate-complete, document-complete; clicks and context menus at once.
//
// Pages are read from "file:" URLs only; any other address gives an empty document (no
// network). A page declaring a GB2312/GBK/GB18030 charset is read as GBK.
//
// The test-facing functions take and give UTF-8 (test sources are UTF-8); the WebView side
// speaks GBK like every view.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/web/PageFile.h"
#include "platform/web/WebView.h"

namespace fw::web {

class HeadlessWebView : public WebView,
                        public DocumentHost,
                        public std::enable_shared_from_this<HeadlessWebView> {
public:
    struct CallRecord {
        std::string function;
        std::vector<std::string> args;  // UTF-8, call order
        std::string url;                // the page's URL (UTF-8)
    };
    struct SubmitRecord {
        std::string formName;
        std::string action;
        std::vector<std::pair<std::string, std::string>> values;  // name, value (UTF-8)
    };
    // What a page function does when called: its status and, optionally, its result. It may
    // change the page through the view (SetBodyHtmlUtf8, SetInputValue...).
    using FunctionHandler = std::function<Status(
        HeadlessWebView& view, const std::vector<std::string>& args, Value* result)>;

    HeadlessWebView();
    ~HeadlessWebView() override;

    // The view behind a WebView made for the headless backend, or null.
    static HeadlessWebView* From(const WebViewPtr& view) {
        return dynamic_cast<HeadlessWebView*>(view.get());
    }
    // Runs the UI loop until nothing is left to do (bounded), so queued navigations finish.
    static void Settle();

    // ---- WebView ----
    void SetEvents(WebViewEvents* events) override { events_ = events; }
    void Navigate(const std::string& urlOrPath) override;
    void LoadHtml(const std::string& html, const std::string& baseUrl) override;
    std::string LocationUrl() const override;
    DocumentPtr GetDocument() override;
    void SetSilent(bool silent) override { silent_ = silent; }
    bool IsSilent() const override { return silent_; }
    void OnSiteMoved(const Rect& clientRect) override { rect_ = clientRect; }
    void OnSiteShown(bool shown) override { shown_ = shown; }
    void OnSiteDestroyed() override;

    // ---- DocumentHost ----
    std::uint64_t Generation() const override { return generation_; }
    bool HasFunction(const std::string& name) const override;
    Status CallFunction(const std::string& name, const std::vector<std::u16string>& args,
                        Value* result) override;
    std::optional<std::string> GetElementValue(const std::string& id) override;
    bool SetElementValue(const std::string& id, const std::string& value) override;
    std::optional<std::string> GetBodyHtml() override;
    bool SetBodyHtml(const std::string& html) override;
    std::optional<FormInfo> GetFirstForm() override;
    bool SetFirstFormElementValue(std::size_t index, const std::string& value) override;
    bool SubmitFirstForm() override;

    // ---- The user and the page's own script (tests) ----
    // A click on the element with this id: click events for it and its enclosing elements
    // with ids, then, when it is (or is inside) a link, the link's navigation. False when
    // no document is shown or there is no such element.
    bool Click(const std::string& id);
    // The user types into an input or textarea.
    bool SetInputValue(const std::string& id, const std::string& value);
    // The page's script sets location.href (relative addresses resolve against the page).
    void ScriptNavigate(const std::string& url);
    // A link with target="_blank" or window.open(): handled as a navigation of this view.
    void OpenNewWindow(const std::string& url);
    // A frame of the page navigates: only the before-navigate event, with mainFrame false.
    void FrameNavigate(const std::string& url);
    // A right click: true when a context menu is shown (the owner did not swallow it).
    bool RightClick();
    // Behaviour of a page function; the page file must still declare it.
    void SetFunction(const std::string& name, FunctionHandler handler);

    // ---- Records ----
    const std::vector<CallRecord>& Calls() const { return calls_; }
    const std::vector<SubmitRecord>& Submits() const { return submits_; }
    void ClearRecords();
    std::string Url() const { return url_; }  // UTF-8, "" before any document
    const PageInfo& Page() const { return info_; }
    std::string BodyHtmlUtf8() const;
    std::size_t NavigationsStarted() const { return navigationsStarted_; }
    bool Shown() const { return shown_; }
    Rect SiteRect() const { return rect_; }

private:
    void Begin(std::string url, std::optional<std::string> content, bool mainFrame);
    void RunBefore(std::string url, std::optional<std::string> content, bool mainFrame);
    void Finish(std::uint64_t load, const std::string& url,
                const std::optional<std::string>& content);
    void SetText(std::string text);
    int FindElement(const std::string& id) const;

    WebViewEvents* events_ = nullptr;
    bool silent_ = false;
    bool destroyed_ = false;
    bool shown_ = false;
    Rect rect_;
    std::string url_;
    std::string text_;  // UTF-8
    PageInfo info_;
    std::uint64_t generation_ = 0;
    std::uint64_t documents_ = 0;
    std::uint64_t latestLoad_ = 0;
    std::size_t navigationsStarted_ = 0;
    DocumentPtr document_;
    std::map<std::string, FunctionHandler> handlers_;
    std::vector<CallRecord> calls_;
    std::vector<SubmitRecord> submits_;
};

}  // namespace fw::web
