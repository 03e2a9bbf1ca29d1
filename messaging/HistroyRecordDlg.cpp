#include "messaging/HistroyRecordDlg.h"

#include "messaging/Emoticons.h"
#include "messaging/log/MessageLog.h"
#include "platform/core/Text.h"
#include "session/Session.h"
#include "skin/SkinFrame.h"

namespace {

struct ButtonBitmaps {
    fw::UINT id;
    fw::UINT normal, hover, pressed, disabled;
};

constexpr ButtonBitmaps kButtons[] = {
    {CHistroyRecordDlg::kMinimize, 197, 204, 197, 197},
    {CHistroyRecordDlg::kCloseTop, 200, 199, 199, 200},
    {CHistroyRecordDlg::kClose, 206, 206, 206, 206},
    {CHistroyRecordDlg::kOlderPage, 261, 261, 261, 261},
    {CHistroyRecordDlg::kNewerPage, 262, 262, 262, 262},
    {CHistroyRecordDlg::kUnused1, 252, 252, 252, 252},
    {CHistroyRecordDlg::kUnused2, 253, 253, 253, 253},
};

constexpr fw::UINT kHidden[] = {CHistroyRecordDlg::kUnused1, CHistroyRecordDlg::kUnused2,
                                CHistroyRecordDlg::kHiddenEdit};

constexpr fw::Rect kViewPlace{6, 88, 6 + 742, 88 + 382};

const char* const kFontFace = "宋体";
constexpr int kFontHeight = 12;

}  // namespace

CHistroyRecordDlg::CHistroyRecordDlg() : fw::Dialog(IDD, nullptr) {}

CHistroyRecordDlg::~CHistroyRecordDlg() = default;

CHistroyRecordDlg* CHistroyRecordDlg::Open(const std::string& contactId,
                                           const std::string& contactName) {
    auto* dlg = new CHistroyRecordDlg();
    dlg->ownId_ = Session().Virid();
    dlg->contactId_ = contactId;
    dlg->contactName_ = contactName;
    if (!dlg->Create(IDD, nullptr)) {
        delete dlg;
        return nullptr;
    }
    dlg->ShowWindow(fw::SW_SHOW);
    return dlg;
}

bool CHistroyRecordDlg::OnInitDialog() {
    fw::Dialog::OnInitDialog();
    CenterWindow();
    SkinButtons();
    for (fw::UINT id : kHidden) {
        if (fw::Window* w = GetDlgItem(id))
            w->ShowWindow(fw::SW_HIDE);
    }
    MakeView();
    SetDlgItemText(kContactName, contactName_);

    std::size_t records = 0;
    const bool read = AppendPage(0, &records);
    // Nothing older to show: a short first page, or no log at all.
    EnableButton(kOlderPage, read && records == kPageSize);
    EnableButton(kNewerPage, false);
    return true;
}

void CHistroyRecordDlg::SkinButtons() {
    for (std::size_t i = 0; i < std::size(kButtons); ++i) {
        const ButtonBitmaps& b = kButtons[i];
        if (buttons_[i].SubclassDlgItem(b.id, this))
            buttons_[i].SetBitmaps(b.normal, b.hover, b.pressed, b.disabled);
    }
}

void CHistroyRecordDlg::MakeView() {
    font_ = fw::Font::FromHeight(vq::Gbk(kFontFace), kFontHeight, fw::FW_NORMAL);
    view_.Create(kViewStyle, kViewPlace, this, kView);
    view_.SetEventMask(view_.GetEventMask() | fw::ENM_LINK);
    view_.SetAutoURLDetect(true);
    view_.SetReadOnly(true);
    view_.SetFont(font_);
    view_.MoveWindow(kViewPlace);
}

bool CHistroyRecordDlg::AppendPage(std::size_t skip, std::size_t* records) {
    auto page = QueryMessages(ownId_, skip, contactId_);
    *records = page ? page->RecordCount() : 0;
    if (!page)
        return false;
    if (*records == 0)
        return true;
    if (skip > 0)
        pageStarts_.push_back(view_.GetTextLength());
    // The user may have put the caret anywhere in the view.
    const int end = view_.GetTextLength();
    view_.SetSel(end, end);
    InsertEmoticonText(page->ReadAllTexts(), view_);
    return true;
}

void CHistroyRecordDlg::ShowOlderPage() {
    EnableButton(kNewerPage, true);
    std::size_t records = 0;
    if (!AppendPage(pageOffset_, &records) || records == 0) {
        EnableButton(kOlderPage, false);
        EnableButton(kNewerPage, !pageStarts_.empty());
        return;
    }
    pageOffset_ += kPageSize;
    EnableButton(kOlderPage, records == kPageSize);
}

void CHistroyRecordDlg::ShowNewerPage() {
    EnableButton(kOlderPage, true);
    if (!pageStarts_.empty()) {
        view_.SetSel(pageStarts_.back(), -1);
        view_.ReplaceSel("");
        pageStarts_.pop_back();
        pageOffset_ -= kPageSize;
    }
    EnableButton(kNewerPage, !pageStarts_.empty());
}

void CHistroyRecordDlg::EnableButton(fw::UINT id, bool on) {
    if (fw::Window* b = GetDlgItem(id))
        b->EnableWindow(on);
}

bool CHistroyRecordDlg::OnCommand(fw::UINT id, fw::UINT notifyCode, fw::HWND control) {
    switch (id) {
        case kOlderPage:
            ShowOlderPage();
            return true;
        case kNewerPage:
            ShowNewerPage();
            return true;
        case kClose:
        case kCloseTop:
            Close();
            return true;
        case kMinimize:
            ShowWindow(fw::SW_MINIMIZE);
            return true;
        default:
            return fw::Dialog::OnCommand(id, notifyCode, control);
    }
}

void CHistroyRecordDlg::Close() {
    ShowWindow(fw::SW_HIDE);
    DestroyWindow();  // deletes this object
}

void CHistroyRecordDlg::OnOK() {
    // No default button: Enter does not close the history.
}

void CHistroyRecordDlg::OnCancel() {
    Close();
}

bool CHistroyRecordDlg::OnEraseBkgnd(fw::Canvas& canvas) {
    PaintSkinBackground(*this, canvas, kBackground, true);
    return true;
}

void CHistroyRecordDlg::OnLButtonDown(fw::UINT keys, fw::Point p) {
    BeginSkinDrag(*this);
    fw::Dialog::OnLButtonDown(keys, p);
}

void CHistroyRecordDlg::PostNcDestroy() {
    delete this;
}
