#pragma once
// The favourites page of the personal settings window: one radio button per column of the
// last "getallcolumn" reply, made at run time; the chosen column goes to the service as the
// user's favourite (sub function 38).

#include <memory>
#include <string>
#include <vector>

#include "forms/FormDialog.h"
#include "protocol/RecordSet.h"

class CMyBestLoveDlg : public CFormDialog {
public:
    static constexpr fw::UINT IDD = 243;
    static constexpr fw::UINT kSendAndClose = 1063;
    static constexpr fw::UINT kSend = 1065;
    static constexpr fw::UINT kClose = 1064;
    static constexpr fw::UINT kBackground = 245;

    explicit CMyBestLoveDlg(fw::Window* parent = nullptr);
    ~CMyBestLoveDlg() override;

    bool OnInitDialog() override;
    fw::LRESULT WindowProc(fw::UINT message, fw::WPARAM wParam, fw::LPARAM lParam) override;
    bool OnCommand(fw::UINT id, fw::UINT notifyCode, fw::HWND control) override;
    void OnOK() override {}
    void OnCancel() override {}

    // The column id text to send; empty before any choice.
    const std::string& ChosenColumn() const { return chosen_; }
    // The run-time radio buttons, in reply order.
    std::vector<fw::HWND> ColumnButtonHandles() const;

private:
    // A "getallcolumn" reply (lParam of WindowMsg::kFavouriteColumns); -1 when it is empty.
    fw::LRESULT OnColumns(RecordSetList* sets);
    void Send();
    void CloseSettings();

    std::string chosen_;
    std::vector<std::unique_ptr<fw::Button>> columns_;
};
