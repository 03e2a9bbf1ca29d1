#pragma once
// Shared by the page host tests: the headless framework started once per process with the
// repository's resources, page files in a temporary folder, and a recorder of view events.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/Framework.h"
#include "platform/Resources.h"
#include "platform/headless/Headless.h"
#include "platform/web/HeadlessWebView.h"
#include "platform/web/WebView.h"
#include "tests/core/TempDir.h"

namespace webtest {

inline std::string SourceDir() {
    const char* dir = std::getenv("VQ_SOURCE_DIR");
    return dir != nullptr
               ? std::string(dir)
               : std::filesystem::path(__FILE__).parent_path().parent_path().parent_path().string();
}

inline void EnsureFramework() {
    static const bool started = [] {
        return fw::InitWithBackend(fw::headless::CreateBackend(), SourceDir() + "/res");
    }();
    ASSERT_TRUE(started);
}

inline void Settle() {
    fw::web::HeadlessWebView::Settle();
}

// Writes a page file; returns its path.
inline std::string WritePage(const vq::test::TempDir& dir, const std::string& relative,
                             const std::string& html) {
    const std::filesystem::path path = std::filesystem::path(dir.path()) / relative;
    std::filesystem::create_directories(path.parent_path());
    vq::test::WriteBytes(path.string(), html);
    return path.string();
}

// Every event of a view, as "before:<url>", "nav:<url>", "doc:<url>", "click:<id>", "menu".
class Recorder : public fw::web::WebViewEvents {
public:
    std::vector<std::string> log;
    std::vector<std::string> cancel;  // URLs (substrings) whose navigation is cancelled
    bool swallowMenu = false;

    bool OnBeforeNavigate(const std::string& url, bool mainFrame) override {
        log.push_back(std::string(mainFrame ? "before:" : "frame:") + url);
        for (const std::string& c : cancel) {
            if (url.find(c) != std::string::npos) {
                return false;
            }
        }
        return true;
    }
    void OnNavigateComplete(const std::string& url) override { log.push_back("nav:" + url); }
    void OnDocumentComplete(const std::string& url) override { log.push_back("doc:" + url); }
    void OnElementClick(const std::string& id) override { log.push_back("click:" + id); }
    bool OnContextMenu() override {
        log.push_back("menu");
        return swallowMenu;
    }
};

}  // namespace webtest
