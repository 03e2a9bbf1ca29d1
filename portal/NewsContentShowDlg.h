#pragma once
// The article page inside the news viewer. The article is poured into the page by replacing
// the placeholder words of the page body, which is captured once as a template; the last
// article is kept so the small page and the large page can show it again without a request.

#include <string>

#include "pagehost/DHtmlDialog.h"
#include "protocol/RecordSet.h"

class CNewsContentShowDlg : public CDHtmlDialog {
public:
    static constexpr fw::UINT IDD = 225;
    static constexpr fw::UINT kArticleMessage = fw::WM_USER + 7;

    explicit CNewsContentShowDlg(fw::Window* parent = nullptr);

    bool OnInitDialog() override;
    fw::LRESULT WindowProc(fw::UINT message, fw::WPARAM wParam, fw::LPARAM lParam) override;
    void OnLButtonDown(fw::UINT keys, fw::Point p) override;

    // The article reply: 0 when shown, -1 when dropped (no body template yet).
    fw::LRESULT OnArticle(RecordSetList& sets);

    const std::string& BodyTemplate() const { return m_strBodyTemplate; }
    const std::string& FilledBody() const { return m_strFilledBody; }
    const std::string& Title() const { return m_strTitle; }

    // The placeholder words replaced in a page body (GBK template, GBK values).
    static std::string Fill(std::string body, const std::string& title, const std::string& date,
                            const std::string& author, const std::string& text);

protected:
    bool OnBeforeNavigate(const fw::web::DispatchPtr& pDisp, const std::string& url) override;
    void OnDocumentComplete(const std::string& url) override;

private:
    std::string m_strBodyTemplate;
    std::string m_strFilledBody;
    std::string m_strAuthor;
    std::string m_strDate;
    std::string m_strTitle;
    std::string m_strText;
};
