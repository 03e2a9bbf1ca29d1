#include "portal/NewsContentShowDlg.h"

#include "platform/Framework.h"
#include "platform/core/Text.h"
#include "portal/ShowContentForNewsDlg.h"
#include "session/Session.h"
#include "skin/SkinFrame.h"

namespace {

void ReplaceAll(std::string& text, const std::string& what, const std::string& with) {
    if (what.empty()) {
        return;
    }
    for (size_t at = text.find(what); at != std::string::npos;
         at = text.find(what, at + with.size())) {
        text.replace(at, what.size(), with);
    }
}

}  // namespace

CNewsContentShowDlg::CNewsContentShowDlg(fw::Window* parent, INewsViewerOwner* owner)
    : CDHtmlDialog(IDD, IDR_HTML_NEWSCONTENTSHOWDLG, parent), owner_(owner) {}

bool CNewsContentShowDlg::OnInitDialog() {
    CDHtmlDialog::OnInitDialog();
    CenterWindow();
    SetSilent(true);
    NavigatePage("htmlPath\\ContentPage.html");
    return true;
}

std::string CNewsContentShowDlg::Fill(std::string body, const std::string& title,
                                      const std::string& date, const std::string& author,
                                      const std::string& text) {
    static const std::string kTitle = vq::Gbk("标题");
    static const std::string kDate = vq::Gbk("时间");
    static const std::string kAuthor = vq::Gbk("作者");
    static const std::string kLoading = vq::Gbk("内容正在加载中，请稍候！");
    ReplaceAll(body, kTitle, title);
    ReplaceAll(body, kDate, date);
    ReplaceAll(body, kAuthor, author);
    ReplaceAll(body, kLoading, text);
    return body;
}

void CNewsContentShowDlg::OnDocumentComplete(const std::string& url) {
    CDHtmlDialog::OnDocumentComplete(url);
    fw::web::DocumentPtr doc = GetDocument();
    if (!doc) {
        return;
    }
    if (url.find("SmallContentPage.html") != std::string::npos) {
        if (std::optional<std::string> body = doc->GetBodyHtml()) {
            doc->SetBodyHtml(Fill(*body, title_, date_, author_, text_));
        }
    } else if (url.find("ContentPage.html") != std::string::npos) {
        if (!bodyTemplate_.empty()) {
            doc->SetBodyHtml(filledBody_);
        } else {
            bodyTemplate_ = doc->GetBodyHtml().value_or("");
            if (owner_ != nullptr && !owner_->LastContentRequest().empty()) {
                QueueSessionRequest(owner_->LastContentRequest());
            }
        }
    }
}

fw::LRESULT CNewsContentShowDlg::OnArticle(RecordSetList& sets) {
    RecordSet* set = sets.empty() ? nullptr : sets.front().get();
    if (set != nullptr && set->MoveFirst()) {
        do {
            // Every row is read; the last one's values stand.
            text_ = set->Value("prd_news_text");
            title_ = set->Value("prd_news_title");
            date_ = set->Value("insertdate");
            author_ = set->Value("usr_vuser_truen");
        } while (set->MoveNext());
    }
    if (bodyTemplate_.empty()) {
        return -1;
    }
    filledBody_ = Fill(bodyTemplate_, title_, date_, author_, text_);
    if (fw::web::DocumentPtr doc = GetDocument()) {
        doc->SetBodyHtml(filledBody_);
    }
    sets.clear();
    return 0;
}

fw::LRESULT CNewsContentShowDlg::WindowProc(fw::UINT message, fw::WPARAM wParam,
                                            fw::LPARAM lParam) {
    if (message == kArticleMessage) {
        auto* sets = reinterpret_cast<RecordSetList*>(lParam);
        RecordSetList none;
        return OnArticle(sets != nullptr ? *sets : none);
    }
    return CDHtmlDialog::WindowProc(message, wParam, lParam);
}

bool CNewsContentShowDlg::OnBeforeNavigate(const fw::web::DispatchPtr& pDisp,
                                           const std::string& url) {
    // Files the article editor placed (pictures, attachments) are opened without the base
    // class's handling; nothing is cancelled.
    if (url.find("kingeditor/upload") != std::string::npos) {
        return true;
    }
    return CDHtmlDialog::OnBeforeNavigate(pDisp, url);
}

void CNewsContentShowDlg::OnLButtonDown(fw::UINT keys, fw::Point p) {
    BeginSkinDrag(*this);
    CDHtmlDialog::OnLButtonDown(keys, p);
}
