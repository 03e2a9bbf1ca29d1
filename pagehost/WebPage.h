#pragma once
// The script bridge: calls a page's global script function by name with text arguments.
// A failure is recorded as the last error and never shown; the caller carries on.

#include <string>
#include <vector>

#include "platform/web/WebView.h"

class CWebPage {
public:
    CWebPage() = default;
    virtual ~CWebPage() = default;
    CWebPage(const CWebPage&) = delete;
    CWebPage& operator=(const CWebPage&) = delete;

    // The document object delivered by the browser. False ("NULL pointer") without one, false
    // ("Failed to get HTML document COM object") when the object is not a document.
    bool SetDocument(const fw::web::DispatchPtr& pDisp);
    // A document pointer taken directly from the browser. False ("NULL pointer") without one.
    bool AttachDocument(const fw::web::DocumentPtr& pDoc);

    // Arguments are GBK texts, passed first argument first; `pVarResult`, when given,
    // receives the function's result.
    bool CallScript(const std::string& strFunc, fw::web::Value* pVarResult = nullptr);
    bool CallScript(const std::string& strFunc, const std::string& strArg1,
                    fw::web::Value* pVarResult = nullptr);
    bool CallScript(const std::string& strFunc, const std::string& strArg1,
                    const std::string& strArg2, fw::web::Value* pVarResult = nullptr);

    const std::string& GetLastError() const { return lastError_; }
    const fw::web::DocumentPtr& GetDocument() const { return document_; }

private:
    bool CallScriptArgs(const std::string& strFunc, const std::vector<std::string>& args,
                        fw::web::Value* pVarResult);
    bool GetJScript(std::shared_ptr<fw::web::Script>& spScript);
    void ShowError(const std::string& text) { lastError_ = text; }
    static std::string GetSystemErrorMessage(fw::web::Status status);

    fw::web::DocumentPtr document_;
    std::string lastError_;
};
