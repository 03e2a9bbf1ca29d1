#pragma once
// The article page inside the news viewer. The article is poured into the page by replacing
// the placeholder words of the page body, which is captured once as a template; the last
// article is kept so the small page and the large page can show it again without a request.

#include <string>

#include "pagehost/DHtmlDialog.h"
#include "protocol/RecordSet.h"
#include "session/WindowMessages.h"

class INewsViewerOwner;

class CNewsContentShowDlg : public CDHtmlDialog {
public:
    static constexpr fw::UINT IDD = 225;
    static constexpr fw::UINT kArticleMessage = WindowMsg::kArticleToPage;

    // Without an owner the page asks for no article once loaded.
    explicit CNewsContentShowDlg(fw::Window* parent = nullptr, INewsViewerOwner* owner = nullptr);

    bool OnInitDialog() override;
    fw::LRESULT WindowProc(fw::UINT message, fw::WPARAM wParam, fw::LPARAM lParam) override;
    void OnLButtonDown(fw::UINT keys, fw::Point p) override;

    // The article reply: 0 when shown, -1 when dropped (no body template yet).
    fw::LRESULT OnArticle(RecordSetList& sets);

    const std::string& BodyTemplate() const { return bodyTemplate_; }
    const std::string& FilledBody() const { return filledBody_; }
    const std::string& Title() const { return title_; }

    // The placeholder words replaced in a page body (GBK template, GBK values).
    static std::string Fill(std::string body, const std::string& title, const std::string& date,
                            const std::string& author, const std::string& text);

protected:
    bool OnBeforeNavigate(const fw::web::DispatchPtr& pDisp, const std::string& url) override;
    void OnDocumentComplete(const std::string& url) override;

private:
    INewsViewerOwner* owner_;
    std::string bodyTemplate_;
    std::string filledBody_;
    std::string author_;
    std::string date_;
    std::string title_;
    std::string text_;
};
