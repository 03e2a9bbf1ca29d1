#pragma once
// The questionnaire: two ratings and a remark, sent to the service (sub function 42). Made
// once with the portal page as parent; submitting hides it and keeps what was typed.

#include <string>

#include "forms/FormDialog.h"

class CQuestionnaireDlg : public CFormDialog {
public:
    static constexpr fw::UINT IDD = 266;
    static constexpr fw::UINT kRemark = 1073;
    static constexpr fw::UINT kSubmit = 1076;
    static constexpr fw::UINT kClose = 1075;
    static constexpr fw::UINT kBackground = 267;
    static constexpr int kWidth = 467;
    static constexpr int kHeight = 312;
    // `liangdian`: 1077 "1" to 1080 "4"; the score `pinfen`: 1081 "5" down to 1085 "1".
    static constexpr fw::UINT kFirstHighlight = 1077;
    static constexpr fw::UINT kLastHighlight = 1080;
    static constexpr fw::UINT kFirstScore = 1081;
    static constexpr fw::UINT kLastScore = 1085;

    explicit CQuestionnaireDlg(fw::Window* parent = nullptr);

    bool OnInitDialog() override;
    bool OnCommand(fw::UINT id, fw::UINT notifyCode, fw::HWND control) override;

    const std::string& Highlight() const { return highlight_; }
    const std::string& Score() const { return score_; }

private:
    void Submit();

    std::string highlight_ = "1";
    std::string score_ = "5";
};
