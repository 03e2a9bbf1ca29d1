// The notifier control: a COM object with a dispatch interface (_DPallinote),
// an event source (_DPallinoteEvents), stream persistence of its properties,
// and a framework window of its own inside the host. Apartment-threaded:
// everything runs on the host's UI thread, so there are no locks.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "com/ConnectionPoint.h"
#include "com/Dispatch.h"
#include "com/OleControl.h"
#include "com/Persist.h"
#include "com/PropertyPage.h"
#include "com/TypeInfo.h"
#include "com/TypeLib.h"
#include "notifier/ControlEvents.h"
#include "platform/Window.h"

class CHideWnd;
class CMsgWnd;
class LocalClock;
class NotifierSocket;

class CPallinoteCtrl final : public fw::Window,
                             public IDispatch,
                             public IConnectionPointContainer,
                             public IPersistStreamInit,
                             public IVqOleControl,
                             public IProvideClassInfo2,
                             public ISpecifyPropertyPages,
                             private IPopupEvents,
                             private ISocketEvents {
public:
    // The class factory's creation function.
    static HRESULT CreateInstance(IUnknown* outer, REFIID iid, void** out);

    // IUnknown
    HRESULT QueryInterface(REFIID iid, void** out) override;
    ULONG AddRef() override;
    ULONG Release() override;
    // IDispatch
    HRESULT GetTypeInfoCount(std::uint32_t* count) override;
    HRESULT GetTypeInfo(std::uint32_t index, LCID lcid, ITypeInfo** info) override;
    HRESULT GetIDsOfNames(REFIID iid, const OLECHAR* const* names, std::uint32_t count, LCID lcid,
                          DISPID* ids) override;
    HRESULT Invoke(DISPID id, REFIID iid, LCID lcid, std::uint16_t flags, DISPPARAMS* params,
                   VARIANT* result, EXCEPINFO* excep, std::uint32_t* argErr) override;
    // IConnectionPointContainer
    HRESULT EnumConnectionPoints(IEnumConnectionPoints** out) override;
    HRESULT FindConnectionPoint(REFIID iid, IConnectionPoint** out) override;
    // IPersistStreamInit
    HRESULT GetClassID(CLSID* clsid) override;
    HRESULT IsDirty() override;
    HRESULT Load(IStream* stream) override;
    HRESULT Save(IStream* stream, bool clearDirty) override;
    HRESULT GetSizeMax(std::uint64_t* size) override;
    HRESULT InitNew() override;
    // IVqOleControl
    HRESULT CreateControlWindow(const ControlPlacement& place, std::uint64_t* hwnd) override;
    HRESULT DoVerb(int verb) override;
    // IProvideClassInfo2
    HRESULT GetClassInfo(ITypeInfo** info) override;
    HRESULT GetGUID(std::uint32_t kind, GUID* guid) override;
    // ISpecifyPropertyPages
    HRESULT GetPages(CAUUID* pages) override;

    // ---- Methods of _DPallinote ----
    void ShowMessage(const std::u16string& strcaption, const std::u16string& strtext,
                     const std::u16string& strUrl, const std::u16string& strtime,
                     const std::u16string& strclose, const std::u16string& strmode,
                     std::uint32_t colour, const std::u16string& other1,
                     const std::u16string& other2, const std::u16string& other3);
    void CloseMessage(const std::u16string& str);
    bool Connect(const std::u16string& strIP, const std::u16string& strPort);
    bool SockClose();
    bool Send(const std::u16string& str, std::int32_t nLen);
    std::u16string GetLocalIP();
    std::u16string GetLocalTime();
    bool SetLocalTime(std::int32_t year, std::int32_t mon, std::int32_t day, std::int32_t hour,
                      std::int32_t min, std::int32_t sec);
    using fw::Window::ShowWindow;
    void ShowWindow(const std::u16string& strTitle);
    bool SetTop(const std::u16string& strTitle);

    // ---- Events of _DPallinoteEvents ----
    void FireOnRecv(const std::u16string& strInfo, std::uint32_t nLen);
    void FireOnConnect();
    void FireOnSockClose();
    void FireCallbackClose(const std::u16string& other1, const std::u16string& other2,
                           const std::u16string& other3);
    void FireCallbackHttp(const std::u16string& id, const std::u16string& strHttp,
                          const std::u16string& other1, const std::u16string& other2,
                          const std::u16string& other3);

    // ---- Properties and state ----
    const std::u16string& IP() const { return ip_; }
    const std::u16string& Port() const { return port_; }
    std::int32_t IsConnected() const { return isConnected_; }
    const std::u16string& OverTime() const { return overTime_; }
    void SetIP(std::u16string v);
    void SetPort(std::u16string v);
    void SetIsConnected(std::int32_t v);
    void SetOverTime(std::u16string v);
    // Ends the socket's readiness watch and closes it (see NotifierSocket::Close).
    bool CloseSocket();
    NotifierSocket* Socket() const { return socket_.get(); }
    CHideWnd* SocketWindow() const { return hideWnd_; }
    const std::u16string& LastUrl() const { return lastUrl_; }
    CMsgWnd* PersistentWindow() const { return persistentWnd_; }
    bool PersistentOpen() const { return persistentOpen_ != 0; }

    // The clock GetLocalTime and SetLocalTime use; the system's by default.
    void SetClock(LocalClock* clock);
    // Send refuses texts longer than this (units, and bytes once converted).
    static constexpr std::size_t kMaxSendUnits = 2047;

    // Defaults of the persisted properties.
    static constexpr const char16_t* kDefaultIP = u"127.0.0.1";
    static constexpr const char16_t* kDefaultPort = u"9999";
    static constexpr const char16_t* kDefaultOverTime = u"0";
    // The persisted property set's version, 1.0.
    static constexpr std::uint32_t kPropSetVersion = 0x00010000;

protected:
    void OnPaint(fw::Canvas& canvas) override;

private:
    CPallinoteCtrl();
    ~CPallinoteCtrl() override;

    // What the pop-ups and the socket window report.
    fw::Window* PopupOwner() override;
    std::u16string PopupViewUrl() override;
    void OnPopupLink(const std::u16string& id, const std::u16string& target,
                     const std::u16string& other1, const std::u16string& other2,
                     const std::u16string& other3) override;
    void OnPopupMessageClosed(const std::u16string& other1, const std::u16string& other2,
                              const std::u16string& other3) override;
    void OnPopupClosing(CMsgWnd& wnd) override;
    void OnPopupDestroyed(CMsgWnd& wnd) override;
    fw::Window* SocketWindowOwner() override;
    void OnSocketData(const std::u16string& text, std::uint32_t bytes) override;
    void OnSocketDropped() override;
    // The host's top-level window, once the control has a window of its own.
    fw::Window* HostTopWindow();

    void ResetProperties();
    void CloseSocketWindow();
    HRESULT InvokeMember(const DispCall& call, VARIANT* result);

    std::atomic<ULONG> refs_{0};
    CConnectionPoint events_;
    bool dirty_ = false;
    int extentCx_ = 100;
    int extentCy_ = 50;
    LocalClock* clock_;

    // The members of the design, in its order.
    std::unique_ptr<NotifierSocket> socket_;
    std::u16string lastUrl_;
    std::int32_t persistentOpen_ = 0;
    CMsgWnd* persistentWnd_ = nullptr;
    CHideWnd* hideWnd_ = nullptr;
    std::u16string ip_;
    std::u16string port_;
    std::int32_t isConnected_ = 0;
    std::u16string overTime_;
};
