#include "pagehost/WebPage.h"

#include <new>

#include "platform/core/Text.h"

bool CWebPage::SetDocument(const fw::web::DispatchPtr& pDisp) {
    if (!pDisp) {
        ShowError("NULL pointer");
        return false;
    }
    document_.reset();
    fw::web::DocumentPtr doc = pDisp->QueryDocument();
    if (!doc) {
        ShowError("Failed to get HTML document COM object");
        return false;
    }
    document_ = std::move(doc);
    return true;
}

bool CWebPage::AttachDocument(const fw::web::DocumentPtr& pDoc) {
    if (!pDoc) {
        ShowError("NULL pointer");
        return false;
    }
    if (pDoc == document_) {
        return true;
    }
    document_ = pDoc;
    return true;
}

bool CWebPage::GetJScript(std::shared_ptr<fw::web::Script>& spScript) {
    if (!document_) {
        ShowError("NULL pointer");
        ShowError("Cannot GetScript");
        return false;
    }
    spScript = document_->GetScript();
    if (!spScript) {
        ShowError("Cannot GetScript");
        return false;
    }
    return true;
}

std::string CWebPage::GetSystemErrorMessage(fw::web::Status status) {
    std::string text = fw::web::SystemMessageText(status);
    return text.empty() ? std::string("FormatMessage Netive Error") : text;
}

bool CWebPage::CallScript(const std::string& strFunc, fw::web::Value* pVarResult) {
    return CallScriptArgs(strFunc, {}, pVarResult);
}

bool CWebPage::CallScript(const std::string& strFunc, const std::string& strArg1,
                          fw::web::Value* pVarResult) {
    return CallScriptArgs(strFunc, {strArg1}, pVarResult);
}

bool CWebPage::CallScript(const std::string& strFunc, const std::string& strArg1,
                          const std::string& strArg2, fw::web::Value* pVarResult) {
    return CallScriptArgs(strFunc, {strArg1, strArg2}, pVarResult);
}

bool CWebPage::CallScriptArgs(const std::string& strFunc, const std::vector<std::string>& args,
                              fw::web::Value* pVarResult) {
    std::shared_ptr<fw::web::Script> spScript;
    if (!GetJScript(spScript)) {
        return false;
    }
    fw::web::Status status = fw::web::kOk;
    try {
        int dispid = -1;
        status = spScript->GetIDsOfNames(vq::GbkToUtf16(strFunc), dispid);
        if (status != fw::web::kOk) {
            ShowError("JSCall Error:\n" + GetSystemErrorMessage(status));
            return false;
        }
        // A dispatch call takes its arguments last first.
        std::vector<std::u16string> reversed;
        reversed.reserve(args.size());
        for (auto it = args.rbegin(); it != args.rend(); ++it) {
            reversed.push_back(vq::GbkToUtf16(*it));
        }
        // The result is collected only for a caller that wants it: a browser that answers
        // asynchronously then need not be waited for.
        fw::web::Value varResult;
        status = spScript->Invoke(dispid, reversed, pVarResult != nullptr ? &varResult : nullptr);
        if (status != fw::web::kOk) {
            ShowError("JSCall Error:\n" + GetSystemErrorMessage(status));
            return false;
        }
        if (pVarResult != nullptr) {
            *pVarResult = varResult;
        }
        return true;
    } catch (const std::bad_alloc&) {
        // Texts too large to convert end the call as failed, never the program.
        ShowError("JSCall Error:\n" + GetSystemErrorMessage(fw::web::kOutOfMemory));
        return false;
    }
}
