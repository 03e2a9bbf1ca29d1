#include "platform/web/WebView.h"

#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>

#include "platform/Backend.h"
#include "platform/Framework.h"
#include "platform/core/Text.h"
#include "platform/web/HeadlessWebView.h"

namespace fw::web {

std::string SystemMessageText(Status status) {
    // The system's message table for the codes a script call can end with.
    struct Entry {
        Status status;
        const char* text;
    };
    static const Entry kTable[] = {
        {kUnknownName, "Unknown name."},
        {kException, "Exception occurred."},
        {kBadParamCount, "Invalid number of parameters."},
        {kOutOfMemory, "Not enough memory resources are available to complete this operation."},
        {kTimeout, "This operation returned because the timeout period expired."},
        {kBusy, "The application cannot complete the call because another call is waiting."},
        {kUnexpected, "Catastrophic failure"},
    };
    for (const Entry& e : kTable) {
        if (e.status == status) {
            return e.text;
        }
    }
    return {};
}

// ---- Script ----

Status Script::GetIDsOfNames(const std::u16string& name, int& dispId) {
    dispId = -1;
    const std::shared_ptr<DocumentHost> host = host_.lock();
    if (!host || host->Generation() != generation_) {
        return kUnexpected;
    }
    const std::string utf8 = vq::Utf16ToUtf8(name);
    if (!host->HasFunction(utf8)) {
        return kUnknownName;
    }
    for (std::size_t i = 0; i < names_.size(); ++i) {
        if (names_[i] == utf8) {
            dispId = int(i) + 1;
            return kOk;
        }
    }
    names_.push_back(utf8);
    dispId = int(names_.size());
    return kOk;
}

Status Script::Invoke(int dispId, const std::vector<std::u16string>& reversedArgs, Value* result) {
    if (dispId < 1 || std::size_t(dispId) > names_.size()) {
        return kUnknownName;
    }
    const std::shared_ptr<DocumentHost> host = host_.lock();
    if (!host || host->Generation() != generation_) {
        return kUnexpected;
    }
    const std::vector<std::u16string> args(reversedArgs.rbegin(), reversedArgs.rend());
    return host->CallFunction(names_[std::size_t(dispId) - 1], args, result);
}

// ---- Document ----

std::shared_ptr<DocumentHost> Document::Host() const {
    std::shared_ptr<DocumentHost> host = host_.lock();
    if (host && host->Generation() == generation_) {
        return host;
    }
    return nullptr;
}

bool Document::IsCurrent() const {
    return Host() != nullptr;
}

std::shared_ptr<Script> Document::GetScript() {
    if (!IsCurrent()) {
        return nullptr;
    }
    return std::make_shared<Script>(host_, generation_);
}

std::optional<std::string> Document::GetElementValue(const std::string& id) {
    if (auto host = Host()) {
        if (auto v = host->GetElementValue(vq::GbkToUtf8(id))) {
            return vq::Utf8ToGbk(*v);
        }
    }
    return std::nullopt;
}

bool Document::SetElementValue(const std::string& id, const std::string& value) {
    auto host = Host();
    return host && host->SetElementValue(vq::GbkToUtf8(id), vq::GbkToUtf8(value));
}

std::optional<std::string> Document::GetBodyHtml() {
    if (auto host = Host()) {
        if (auto v = host->GetBodyHtml()) {
            return vq::Utf8ToGbk(*v);
        }
    }
    return std::nullopt;
}

bool Document::SetBodyHtml(const std::string& html) {
    auto host = Host();
    return host && host->SetBodyHtml(vq::GbkToUtf8(html));
}

std::optional<FormInfo> Document::GetFirstForm() {
    if (auto host = Host()) {
        if (auto f = host->GetFirstForm()) {
            FormInfo out;
            out.name = vq::Utf8ToGbk(f->name);
            for (const std::string& n : f->elementNames) {
                out.elementNames.push_back(vq::Utf8ToGbk(n));
            }
            return out;
        }
    }
    return std::nullopt;
}

bool Document::SetFirstFormElementValue(std::size_t index, const std::string& value) {
    auto host = Host();
    return host && host->SetFirstFormElementValue(index, vq::GbkToUtf8(value));
}

bool Document::SubmitFirstForm() {
    auto host = Host();
    return host && host->SubmitFirstForm();
}

// ---- Factories ----

namespace {

std::mutex& FactoryLock() {
    static std::mutex lock;
    return lock;
}

std::map<std::string, WebViewFactory>& Factories() {
    static std::map<std::string, WebViewFactory> factories;
    return factories;
}

}  // namespace

void RegisterWebViewFactory(const std::string& backendName, WebViewFactory factory) {
    std::lock_guard<std::mutex> lock(FactoryLock());
    Factories()[backendName] = std::move(factory);
}

WebViewPtr CreateWebView(HtmlSite& site) {
    WebViewFactory factory;
    if (Backend* backend = GetBackend()) {
        std::lock_guard<std::mutex> lock(FactoryLock());
        auto it = Factories().find(backend->Name());
        if (it != Factories().end()) {
            factory = it->second;
        }
    }
    WebViewPtr view = factory ? factory(site) : nullptr;
    if (!view) {
        Backend* backend = GetBackend();
        static bool warned = false;
        if (backend != nullptr && backend->Name() != "headless" && !warned) {
            // Pages would be invisible: say so once rather than show empty windows silently.
            warned = true;
            std::fprintf(stderr,
                         "page host: no page view for the \"%s\" backend; pages are not shown\n",
                         backend->Name().c_str());
        }
        view = std::make_shared<HeadlessWebView>();
    }
    site.AttachContent(view);
    return view;
}

// ---- Page console ----

bool PageConsoleEnabled() {
    static const bool enabled = [] {
        const char* v = std::getenv("VQ_PAGE_CONSOLE");
        return v != nullptr && v[0] != '\0' && v[0] != '0';
    }();
    return enabled;
}

void WritePageConsole(const std::string& level, const std::string& text, const std::string& page,
                      int line) {
    if (!PageConsoleEnabled()) {
        return;
    }
    std::fprintf(stderr, "[page %s] %s (%s:%d)\n", level.c_str(), text.c_str(), page.c_str(), line);
    std::fflush(stderr);
}

}  // namespace fw::web
