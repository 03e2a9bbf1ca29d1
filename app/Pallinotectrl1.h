// The host's wrapper of the notifier control: places the control, found by
// its class id, into a window of the program and calls it by dispatch id.
// Texts are the program's GBK and cross as BSTRs; the colour as an unsigned
// 32-bit number.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "com/Dispatch.h"
#include "platform/Window.h"

class CPallinotectrl1 : public fw::Window {
public:
    static const CLSID& GetClsid();
    // The runtime class: makes a wrapper for dynamic creation.
    static fw::Window* CreateObject();

    CPallinotectrl1() = default;
    ~CPallinotectrl1() override;

    // Creates the control by class id and its window as child `id` of parent.
    bool Create(const std::string& windowText, fw::DWORD style, const fw::Rect& rect,
                fw::Window* parent, fw::UINT id);
    bool IsCreated() const { return static_cast<bool>(disp_); }
    fw::HWND ControlHwnd() const { return controlHwnd_; }

    void ShowMessage(const std::string& strcaption, const std::string& strtext,
                     const std::string& strUrl, const std::string& strtime,
                     const std::string& strclose, const std::string& strmode, std::uint32_t colour,
                     const std::string& other1, const std::string& other2,
                     const std::string& other3);
    void CloseMessage(const std::string& str);
    bool Connect(const std::string& strIP, const std::string& strPort);
    bool SockClose();
    bool Send(const std::string& str, std::int32_t nLen);
    std::string GetLocalIP();
    std::string GetLocalTime();
    bool SetLocalTime(std::int32_t year, std::int32_t mon, std::int32_t day, std::int32_t hour,
                      std::int32_t min, std::int32_t sec);
    using fw::Window::ShowWindow;
    void ShowWindow(const std::string& strTitle);
    bool SetTop(const std::string& strTitle);

    std::string GetIP();
    void SetIP(const std::string& value);
    std::string GetPort();
    void SetPort(const std::string& value);
    std::int32_t GetIsConnected();
    void SetIsConnected(std::int32_t value);
    std::string GetOverTime();
    void SetOverTime(const std::string& value);

private:
    // One call by dispatch id; args in parameter order. Failures give an empty result.
    CVariant Invoke(DISPID id, std::uint16_t flags, std::vector<CVariant> args);
    std::string Text(const CVariant& v);
    bool Bool(const CVariant& v);

    CComPtr<IDispatch> disp_;
    fw::HWND controlHwnd_ = fw::kNoWindow;
};
