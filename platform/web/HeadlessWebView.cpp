#include "platform/web/HeadlessWebView.h"

#include <algorithm>
#include <cctype>

#include "platform/Framework.h"
#include "platform/core/File.h"
#include "platform/core/Text.h"
#include "platform/web/Url.h"

namespace fw::web {
namespace {

// More arguments than any page function of the system takes: refused like a bad call.
constexpr std::size_t kMaxArgs = 32;
// Bounded so that a page that keeps navigating cannot hang a test.
constexpr int kSettleRounds = 64;

bool IsLinkTarget(const std::string& href) {
    return !href.empty() && href[0] != '#' &&
           !(href.size() >= 11 && std::equal(href.begin(), href.begin() + 11, "javascript:",
                                             [](char a, char b) { return std::tolower(a) == b; }));
}

}  // namespace

HeadlessWebView::HeadlessWebView() = default;
HeadlessWebView::~HeadlessWebView() = default;

void HeadlessWebView::Settle() {
    for (int i = 0; i < kSettleRounds; ++i) {
        if (!fw::PumpPending()) {
            return;
        }
    }
}

void HeadlessWebView::OnSiteDestroyed() {
    destroyed_ = true;
    events_ = nullptr;
}

// ---- Navigation ----

void HeadlessWebView::Navigate(const std::string& urlOrPath) {
    Begin(SystemToUrl(urlOrPath, url_), std::nullopt, true);
}

void HeadlessWebView::LoadHtml(const std::string& html, const std::string& baseUrl) {
    const std::string base =
        baseUrl.empty() ? std::string("about:blank") : SystemToUrl(baseUrl, url_);
    Begin(base, vq::GbkToUtf8(html), true);
}

void HeadlessWebView::Begin(std::string url, std::optional<std::string> content, bool mainFrame) {
    ++navigationsStarted_;
    std::weak_ptr<HeadlessWebView> self = weak_from_this();
    auto run = [self, url = std::move(url), content = std::move(content), mainFrame]() mutable {
        if (auto view = self.lock()) {
            view->RunBefore(std::move(url), std::move(content), mainFrame);
        }
    };
    if (self.expired()) {
        run();  // not owned by a shared pointer: nothing can keep it alive for later
        return;
    }
    fw::PostToUiThread(std::move(run));
}

void HeadlessWebView::RunBefore(std::string url, std::optional<std::string> content,
                                bool mainFrame) {
    if (destroyed_) {
        return;
    }
    if (events_ != nullptr && !events_->OnBeforeNavigate(UrlToSystem(url), mainFrame)) {
        return;
    }
    if (!mainFrame || destroyed_) {
        return;
    }
    const std::uint64_t load = ++latestLoad_;
    std::weak_ptr<HeadlessWebView> self = weak_from_this();
    fw::PostToUiThread([self, load, url = std::move(url), content = std::move(content)] {
        if (auto view = self.lock()) {
            view->Finish(load, url, content);
        }
    });
}

void HeadlessWebView::Finish(std::uint64_t load, const std::string& url,
                             const std::optional<std::string>& content) {
    if (destroyed_ || load != latestLoad_) {
        return;  // superseded by a later navigation
    }
    std::string text;
    if (content) {
        text = *content;
    } else {
        const std::string path = FileUrlPath(url);
        std::string raw;
        if (!path.empty() && vq::ReadWholeFile(path, raw) == vq::ReadResult::kOk) {
            text = ParsePage(raw).gbk ? vq::GbkToUtf8(raw) : raw;
        }
    }
    url_ = url;
    SetText(std::move(text));
    generation_ = ++documents_;
    document_ = std::make_shared<Document>(weak_from_this(), generation_);
    const std::string reported = UrlToSystem(url);
    const std::uint64_t shown = generation_;
    if (events_ != nullptr) {
        events_->OnNavigateComplete(reported);
    }
    // A handler may have started another navigation; this document is still the one shown.
    if (events_ != nullptr && generation_ == shown) {
        events_->OnDocumentComplete(reported);
    }
}

void HeadlessWebView::SetText(std::string text) {
    text_ = std::move(text);
    info_ = ParsePage(text_);
}

std::string HeadlessWebView::LocationUrl() const {
    return UrlToSystem(url_);
}

DocumentPtr HeadlessWebView::GetDocument() {
    return generation_ != 0 ? document_ : nullptr;
}

// ---- Document ----

bool HeadlessWebView::HasFunction(const std::string& name) const {
    return generation_ != 0 &&
           std::find(info_.functions.begin(), info_.functions.end(), name) != info_.functions.end();
}

Status HeadlessWebView::CallFunction(const std::string& name,
                                     const std::vector<std::u16string>& args, Value* result) {
    if (!HasFunction(name)) {
        return kUnknownName;
    }
    if (args.size() > kMaxArgs) {
        return kBadParamCount;
    }
    CallRecord record;
    record.function = name;
    record.url = url_;
    for (const std::u16string& a : args) {
        record.args.push_back(vq::Utf16ToUtf8(a));
    }
    calls_.push_back(record);
    Value value;
    Status status = kOk;
    auto it = handlers_.find(name);
    if (it != handlers_.end() && it->second) {
        // Copy: the handler may replace itself or the page.
        FunctionHandler handler = it->second;
        status = handler(*this, record.args, &value);
    }
    if (status == kException) {
        WritePageConsole("error", "uncaught exception in " + name + "()", url_, 0);
    }
    if (status == kOk && result != nullptr) {
        *result = value;
    }
    return status;
}

int HeadlessWebView::FindElement(const std::string& id) const {
    if (generation_ == 0 || id.empty()) {
        return -1;
    }
    for (std::size_t i = 0; i < info_.elements.size(); ++i) {
        if (info_.elements[i].id == id) {
            return int(i);
        }
    }
    return -1;
}

std::optional<std::string> HeadlessWebView::GetElementValue(const std::string& id) {
    const int e = FindElement(id);
    if (e < 0) {
        return std::nullopt;
    }
    return info_.elements[std::size_t(e)].value;
}

bool HeadlessWebView::SetElementValue(const std::string& id, const std::string& value) {
    const int e = FindElement(id);
    if (e < 0) {
        return false;
    }
    info_.elements[std::size_t(e)].value = value;
    return true;
}

std::string HeadlessWebView::BodyHtmlUtf8() const {
    if (info_.bodyEnd > text_.size() || info_.bodyBegin > info_.bodyEnd) {
        return {};
    }
    return text_.substr(info_.bodyBegin, info_.bodyEnd - info_.bodyBegin);
}

std::optional<std::string> HeadlessWebView::GetBodyHtml() {
    if (generation_ == 0) {
        return std::nullopt;
    }
    return BodyHtmlUtf8();
}

bool HeadlessWebView::SetBodyHtml(const std::string& html) {
    if (generation_ == 0 || info_.bodyEnd > text_.size() || info_.bodyBegin > info_.bodyEnd) {
        return false;
    }
    std::string text = text_.substr(0, info_.bodyBegin) + html + text_.substr(info_.bodyEnd);
    SetText(std::move(text));
    return true;
}

std::optional<FormInfo> HeadlessWebView::GetFirstForm() {
    if (generation_ == 0 || info_.forms.empty()) {
        return std::nullopt;
    }
    FormInfo out;
    out.name = info_.forms[0].name;
    for (std::size_t e : info_.forms[0].elements) {
        out.elementNames.push_back(info_.elements[e].name);
    }
    return out;
}

bool HeadlessWebView::SetFirstFormElementValue(std::size_t index, const std::string& value) {
    if (generation_ == 0 || info_.forms.empty() || index >= info_.forms[0].elements.size()) {
        return false;
    }
    info_.elements[info_.forms[0].elements[index]].value = value;
    return true;
}

bool HeadlessWebView::SubmitFirstForm() {
    if (generation_ == 0 || info_.forms.empty()) {
        return false;
    }
    SubmitRecord record;
    record.formName = info_.forms[0].name;
    record.action = info_.forms[0].action;
    for (std::size_t e : info_.forms[0].elements) {
        record.values.emplace_back(info_.elements[e].name, info_.elements[e].value);
    }
    submits_.push_back(record);
    if (!record.action.empty()) {
        Begin(ResolveUrl(url_, record.action), std::nullopt, true);
    }
    return true;
}

// ---- The user ----

bool HeadlessWebView::Click(const std::string& id) {
    const int start = FindElement(id);
    if (start < 0) {
        return false;
    }
    const std::uint64_t shown = generation_;
    std::string href;
    std::vector<std::string> ids;
    for (int e = start; e >= 0; e = info_.elements[std::size_t(e)].parent) {
        const PageElement& el = info_.elements[std::size_t(e)];
        if (!el.id.empty()) {
            ids.push_back(el.id);
        }
        if (href.empty() && el.tag == "a" && IsLinkTarget(el.href)) {
            href = el.href;
        }
    }
    for (const std::string& clicked : ids) {
        if (events_ == nullptr || generation_ != shown) {
            break;
        }
        events_->OnElementClick(vq::Utf8ToGbk(clicked));
    }
    if (!href.empty() && generation_ == shown && !destroyed_) {
        Begin(ResolveUrl(url_, href), std::nullopt, true);
    }
    return true;
}

bool HeadlessWebView::SetInputValue(const std::string& id, const std::string& value) {
    return SetElementValue(id, value);
}

void HeadlessWebView::ScriptNavigate(const std::string& url) {
    Begin(ResolveUrl(url_, url), std::nullopt, true);
}

void HeadlessWebView::OpenNewWindow(const std::string& url) {
    Begin(ResolveUrl(url_, url), std::nullopt, true);
}

void HeadlessWebView::FrameNavigate(const std::string& url) {
    Begin(ResolveUrl(url_, url), std::nullopt, false);
}

bool HeadlessWebView::RightClick() {
    return events_ == nullptr || !events_->OnContextMenu();
}

void HeadlessWebView::SetFunction(const std::string& name, FunctionHandler handler) {
    handlers_[name] = std::move(handler);
}

void HeadlessWebView::ClearRecords() {
    calls_.clear();
    submits_.clear();
    navigationsStarted_ = 0;
}

}  // namespace fw::web
