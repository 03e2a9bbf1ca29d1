#include "notifier/PallinoteCtrl.h"

#include <climits>
#include <ctime>
#include <new>

#include "notifier/HideWnd.h"
#include "notifier/LocalClock.h"
#include "notifier/MsgWnd.h"
#include "notifier/NotifierSocket.h"
#include "notifier/PallinoteApp.h"
#include "notifier/PallinoteLib.h"
#include "notifier/PallinotePropPage.h"
#include "notifier/PopupRegistry.h"
#include "platform/Framework.h"
#include "platform/core/Text.h"

namespace {

// Longest text a persisted property may have; longer ones mark a damaged stream.
constexpr std::uint32_t kMaxPropUnits = 4096;
constexpr std::uint32_t kMaxPropBlock = 64 * 1024;

std::u16string Str(const VARIANT& v) {
    return U16FromBstr(v.bstrVal);
}

void SetResult(VARIANT* result, const CVariant& value) {
    if (result != nullptr)
        VariantCopy(result, &value);
}

bool Contains(const std::u16string& haystack, const std::u16string& needle) {
    return haystack.find(needle) != std::u16string::npos;
}

std::u16string FirstUnits(const std::string& gbk, std::size_t units) {
    std::u16string s = vq::GbkToUtf16(gbk);
    if (s.size() > units)
        s.resize(units);
    return s;
}

}  // namespace

CPallinoteCtrl::CPallinoteCtrl()
    : events_(this, DIID__DPallinoteEvents), clock_(&SystemLocalClock()) {
    ThePallinoteApp().Lock().Lock();
    socket_.reset(new (std::nothrow) NotifierSocket);
    ResetProperties();
    persistentWnd_ = nullptr;
    hideWnd_ = nullptr;
    persistentOpen_ = 0;
}

CPallinoteCtrl::~CPallinoteCtrl() {
    if (hideWnd_ != nullptr) {
        CloseSocket();
        FireOnSockClose();
        isConnected_ = 0;
        hideWnd_->SendMessage(fw::WM_CLOSE);
        delete hideWnd_;
        hideWnd_ = nullptr;
    }
    delete persistentWnd_;
    persistentWnd_ = nullptr;
    // Timed pop-ups outlive the control; they must not raise events on it.
    if (PopupRegistry* reg = ThePallinoteApp().Popups())
        reg->ForgetEvents(this);
    socket_.reset();
    events_.UnadviseAll();
    if (GetSafeHwnd() != fw::kNoWindow && IsWindow())
        DestroyWindow();
    ThePallinoteApp().Lock().Unlock();
}

HRESULT CPallinoteCtrl::CreateInstance(IUnknown* outer, REFIID iid, void** out) {
    if (out == nullptr)
        return E_POINTER;
    *out = nullptr;
    if (outer != nullptr)
        return CLASS_E_NOAGGREGATION;
    auto* ctrl = new (std::nothrow) CPallinoteCtrl;
    if (ctrl == nullptr)
        return E_OUTOFMEMORY;
    ctrl->AddRef();
    const HRESULT hr = ctrl->QueryInterface(iid, out);
    ctrl->Release();
    return hr;
}

void CPallinoteCtrl::ResetProperties() {
    ip_ = kDefaultIP;
    port_ = kDefaultPort;
    isConnected_ = 0;
    overTime_ = kDefaultOverTime;
}

// ---- IUnknown ----

HRESULT CPallinoteCtrl::QueryInterface(REFIID iid, void** out) {
    if (out == nullptr)
        return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == DIID__DPallinote) {
        *out = static_cast<IDispatch*>(this);
    } else if (iid == IID_IConnectionPointContainer) {
        *out = static_cast<IConnectionPointContainer*>(this);
    } else if (iid == IID_IPersistStreamInit || iid == IID_IPersist) {
        *out = static_cast<IPersistStreamInit*>(this);
    } else if (iid == IID_IVqOleControl) {
        *out = static_cast<IVqOleControl*>(this);
    } else if (iid == IID_IProvideClassInfo || iid == IID_IProvideClassInfo2) {
        *out = static_cast<IProvideClassInfo2*>(this);
    } else if (iid == IID_ISpecifyPropertyPages) {
        *out = static_cast<ISpecifyPropertyPages*>(this);
    } else {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG CPallinoteCtrl::AddRef() {
    return ++refs_;
}

ULONG CPallinoteCtrl::Release() {
    const ULONG n = --refs_;
    if (n == 0) {
        // Handlers of the events raised while going away may take and drop
        // references; they must not start a second destruction.
        refs_ = 1u << 30;
        delete this;
    }
    return n;
}

// ---- IDispatch ----

HRESULT CPallinoteCtrl::GetTypeInfoCount(std::uint32_t* count) {
    if (count == nullptr)
        return E_POINTER;
    *count = 1;
    return S_OK;
}

HRESULT CPallinoteCtrl::GetTypeInfo(std::uint32_t index, LCID, ITypeInfo** info) {
    if (info == nullptr)
        return E_POINTER;
    *info = nullptr;
    if (index != 0)
        return DISP_E_BADINDEX;
    return GetDescTypeInfo(PallinoteTypeLibDesc(), &ThePallinoteApp().Lock(), DIID__DPallinote,
                           info);
}

HRESULT CPallinoteCtrl::GetIDsOfNames(REFIID, const OLECHAR* const* names, std::uint32_t count,
                                      LCID, DISPID* ids) {
    return DispGetIDsOfNames(PallinoteDispatchDesc(), names, count, ids);
}

HRESULT CPallinoteCtrl::Invoke(DISPID id, REFIID, LCID, std::uint16_t flags, DISPPARAMS* params,
                               VARIANT* result, EXCEPINFO*, std::uint32_t* argErr) {
    DispCall call;
    const HRESULT hr = DispPrepareCall(PallinoteDispatchDesc(), id, flags, params, call, argErr);
    if (FAILED(hr))
        return hr;
    if (result != nullptr)
        VariantClear(result);
    // Keep the control alive through handlers that release the host's reference.
    CComPtr<IDispatch> self(static_cast<IDispatch*>(this));
    return InvokeMember(call, result);
}

HRESULT CPallinoteCtrl::InvokeMember(const DispCall& call, VARIANT* result) {
    const auto& a = call.args;
    switch (call.member->id) {
        case dispidShowMessage:
            ShowMessage(Str(a[0]), Str(a[1]), Str(a[2]), Str(a[3]), Str(a[4]), Str(a[5]),
                        a[6].ulVal, Str(a[7]), Str(a[8]), Str(a[9]));
            return S_OK;
        case dispidCloseMessage:
            CloseMessage(Str(a[0]));
            return S_OK;
        case dispidConnect:
            SetResult(result, CVariant::Bool(Connect(Str(a[0]), Str(a[1]))));
            return S_OK;
        case dispidSockClose:
            SetResult(result, CVariant::Bool(SockClose()));
            return S_OK;
        case dispidSend:
            SetResult(result, CVariant::Bool(Send(Str(a[0]), a[1].lVal)));
            return S_OK;
        case dispidGetLocalIP:
            SetResult(result, CVariant::Str(GetLocalIP()));
            return S_OK;
        case dispidGetLocalTime:
            SetResult(result, CVariant::Str(GetLocalTime()));
            return S_OK;
        case dispidSetLocalTime:
            SetResult(result, CVariant::Bool(SetLocalTime(a[0].lVal, a[1].lVal, a[2].lVal,
                                                          a[3].lVal, a[4].lVal, a[5].lVal)));
            return S_OK;
        case dispidShowWindow:
            ShowWindow(Str(a[0]));
            return S_OK;
        case dispidSetTop:
            SetResult(result, CVariant::Bool(SetTop(Str(a[0]))));
            return S_OK;
        case dispidIP:
            if (call.isPut) {
                SetIP(Str(a[0]));
            } else {
                SetResult(result, CVariant::Str(ip_));
            }
            return S_OK;
        case dispidPort:
            if (call.isPut) {
                SetPort(Str(a[0]));
            } else {
                SetResult(result, CVariant::Str(port_));
            }
            return S_OK;
        case dispidIsConnected:
            if (call.isPut) {
                SetIsConnected(a[0].lVal);
            } else {
                SetResult(result, CVariant::I4(isConnected_));
            }
            return S_OK;
        case dispidOverTime:
            if (call.isPut) {
                SetOverTime(Str(a[0]));
            } else {
                SetResult(result, CVariant::Str(overTime_));
            }
            return S_OK;
        default:
            return DISP_E_MEMBERNOTFOUND;
    }
}

// Writing a property only marks the control as modified.
void CPallinoteCtrl::SetIP(std::u16string v) {
    ip_ = std::move(v);
    dirty_ = true;
}
void CPallinoteCtrl::SetPort(std::u16string v) {
    port_ = std::move(v);
    dirty_ = true;
}
void CPallinoteCtrl::SetIsConnected(std::int32_t v) {
    isConnected_ = v;
    dirty_ = true;
}
void CPallinoteCtrl::SetOverTime(std::u16string v) {
    overTime_ = std::move(v);
    dirty_ = true;
}

// ---- Connection points ----

HRESULT CPallinoteCtrl::EnumConnectionPoints(IEnumConnectionPoints** out) {
    return CreateConnectionPointEnum({&events_}, out);
}

HRESULT CPallinoteCtrl::FindConnectionPoint(REFIID iid, IConnectionPoint** out) {
    if (out == nullptr)
        return E_POINTER;
    *out = nullptr;
    if (!(iid == DIID__DPallinoteEvents))
        return CONNECT_E_NOCONNECTION;
    *out = &events_;
    events_.AddRef();
    return S_OK;
}

void CPallinoteCtrl::FireOnRecv(const std::u16string& strInfo, std::uint32_t nLen) {
    events_.Fire(eventidOnRecv, {CVariant::Str(strInfo), CVariant::UI4(nLen)});
}
void CPallinoteCtrl::FireOnConnect() {
    events_.Fire(eventidOnConnect, {});
}
void CPallinoteCtrl::FireOnSockClose() {
    events_.Fire(eventidOnSockClose, {});
}
void CPallinoteCtrl::FireCallbackClose(const std::u16string& other1, const std::u16string& other2,
                                       const std::u16string& other3) {
    events_.Fire(eventidCallbackClose,
                 {CVariant::Str(other1), CVariant::Str(other2), CVariant::Str(other3)});
}
void CPallinoteCtrl::FireCallbackHttp(const std::u16string& id, const std::u16string& strHttp,
                                      const std::u16string& other1, const std::u16string& other2,
                                      const std::u16string& other3) {
    events_.Fire(eventidCallbackHttp,
                 {CVariant::Str(id), CVariant::Str(strHttp), CVariant::Str(other1),
                  CVariant::Str(other2), CVariant::Str(other3)});
}

// ---- Persistence ----

HRESULT CPallinoteCtrl::GetClassID(CLSID* clsid) {
    if (clsid == nullptr)
        return E_POINTER;
    *clsid = CLSID_PallinoteCtrl;
    return S_OK;
}

HRESULT CPallinoteCtrl::IsDirty() {
    return dirty_ ? S_OK : S_FALSE;
}

HRESULT CPallinoteCtrl::Save(IStream* stream, bool clearDirty) {
    PropWriter w;
    w.U32(kPropSetVersion);
    // The framework's stock part: the extent, then the mask of stock properties (none).
    w.I32(extentCx_);
    w.I32(extentCy_);
    w.U32(0);
    w.Str(ip_);
    w.Str(port_);
    w.Str(overTime_);
    const HRESULT hr = WriteBlock(stream, w.Bytes());
    if (SUCCEEDED(hr) && clearDirty)
        dirty_ = false;
    return hr;
}

HRESULT CPallinoteCtrl::Load(IStream* stream) {
    std::vector<std::uint8_t> block;
    HRESULT hr = ReadBlock(stream, kMaxPropBlock, block);
    if (FAILED(hr))
        return hr;
    PropReader r(block.data(), block.size());
    std::uint32_t version = 0, stockMask = 0;
    std::int32_t cx = 0, cy = 0;
    std::u16string ip, port, overTime;
    // All or nothing: a damaged stream leaves the properties as they were.
    if (!r.U32(version) || (version >> 16) != (kPropSetVersion >> 16) || !r.I32(cx) || !r.I32(cy) ||
        !r.U32(stockMask) || stockMask != 0 || !r.Str(ip, kMaxPropUnits) ||
        !r.Str(port, kMaxPropUnits) || !r.Str(overTime, kMaxPropUnits)) {
        return STG_E_READFAULT;
    }
    extentCx_ = cx;
    extentCy_ = cy;
    ip_ = std::move(ip);
    port_ = std::move(port);
    overTime_ = std::move(overTime);
    dirty_ = false;
    return S_OK;
}

HRESULT CPallinoteCtrl::GetSizeMax(std::uint64_t* size) {
    if (size == nullptr)
        return E_POINTER;
    *size = 4 + 4 * 4 + 3 * 4 + 2 * (ip_.size() + port_.size() + overTime_.size());
    return S_OK;
}

HRESULT CPallinoteCtrl::InitNew() {
    ResetProperties();
    dirty_ = false;
    return S_OK;
}

// ---- The control's window ----

HRESULT CPallinoteCtrl::CreateControlWindow(const ControlPlacement& place, std::uint64_t* hwnd) {
    if (hwnd != nullptr)
        *hwnd = fw::kNoWindow;
    fw::Window* parent = fw::Window::FromHandle(place.parent);
    if (parent == nullptr)
        return E_HANDLE;
    if (GetSafeHwnd() != fw::kNoWindow)
        return E_UNEXPECTED;
    const fw::Rect r{place.left, place.top, place.right, place.bottom};
    if (!CreateEx(0, place.textGbk != nullptr ? place.textGbk : "", place.style | fw::WS_CHILD, r,
                  parent, place.id, fw::ControlKind::Site)) {
        return E_FAIL;
    }
    extentCx_ = r.Width();
    extentCy_ = r.Height();
    if (hwnd != nullptr)
        *hwnd = GetSafeHwnd();
    return S_OK;
}

HRESULT CPallinoteCtrl::DoVerb(int verb) {
    if (verb != OLEIVERB_PROPERTIES)
        return E_NOTIMPL;
    CPallinotePropPage page;
    page.ShowModal(GetSafeHwnd() != fw::kNoWindow ? this : nullptr);
    return S_OK;
}

// ---- Class information and property pages ----

HRESULT CPallinoteCtrl::GetClassInfo(ITypeInfo** info) {
    return GetDescTypeInfo(PallinoteTypeLibDesc(), &ThePallinoteApp().Lock(), CLSID_PallinoteCtrl,
                           info);
}

HRESULT CPallinoteCtrl::GetGUID(std::uint32_t kind, GUID* guid) {
    if (guid == nullptr)
        return E_POINTER;
    if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) {
        *guid = GUID_NULL;
        return E_INVALIDARG;
    }
    *guid = DIID__DPallinoteEvents;
    return S_OK;
}

HRESULT CPallinoteCtrl::GetPages(CAUUID* pages) {
    if (pages == nullptr)
        return E_POINTER;
    pages->pElems = static_cast<GUID*>(CoTaskMemAlloc(sizeof(GUID)));
    if (pages->pElems == nullptr) {
        pages->cElems = 0;
        return E_OUTOFMEMORY;
    }
    pages->cElems = 1;
    pages->pElems[0] = CLSID_PallinotePropPage;
    return S_OK;
}

void CPallinoteCtrl::OnPaint(fw::Canvas& canvas) {
    const fw::Rect r = GetClientRect();
    canvas.FillSolidRect(r, fw::RGB(255, 255, 255));
    canvas.Ellipse(r, fw::RGB(0, 0, 0), fw::RGB(255, 255, 255));
}

fw::Window* CPallinoteCtrl::HostTopWindow() {
    return GetSafeHwnd() != fw::kNoWindow ? GetTopLevelParent() : nullptr;
}

// ---- Reports of the pop-ups and the socket window ----

fw::Window* CPallinoteCtrl::PopupOwner() {
    return HostTopWindow();
}

std::u16string CPallinoteCtrl::PopupViewUrl() {
    return lastUrl_;
}

void CPallinoteCtrl::OnPopupLink(const std::u16string& id, const std::u16string& target,
                                 const std::u16string& other1, const std::u16string& other2,
                                 const std::u16string& other3) {
    FireCallbackHttp(id, target, other1, other2, other3);
}

void CPallinoteCtrl::OnPopupMessageClosed(const std::u16string& other1,
                                          const std::u16string& other2,
                                          const std::u16string& other3) {
    FireCallbackClose(other1, other2, other3);
}

void CPallinoteCtrl::OnPopupClosing(CMsgWnd& wnd) {
    // A closed timed window waits in the registry to be deleted; the
    // persistent one is the control's own.
    if (wnd.IsPersistent())
        return;
    if (PopupRegistry* reg = ThePallinoteApp().Popups())
        reg->MoveToClosed(&wnd);
}

void CPallinoteCtrl::OnPopupDestroyed(CMsgWnd& wnd) {
    if (wnd.IsPersistent())
        persistentOpen_ = 0;
}

fw::Window* CPallinoteCtrl::SocketWindowOwner() {
    return HostTopWindow();
}

void CPallinoteCtrl::OnSocketData(const std::u16string& text, std::uint32_t bytes) {
    FireOnRecv(text, bytes);
}

void CPallinoteCtrl::OnSocketDropped() {
    CloseSocket();
    FireOnSockClose();
    isConnected_ = 0;
}

void CPallinoteCtrl::SetClock(LocalClock* clock) {
    clock_ = clock != nullptr ? clock : &SystemLocalClock();
}

// ---- Socket ----

bool CPallinoteCtrl::CloseSocket() {
    if (socket_ == nullptr)
        return false;
    if (socket_->IsOpen() && hideWnd_ != nullptr) {
        fw::AsyncSelect(socket_->Handle(), hideWnd_->GetSafeHwnd(), WM_SOCKET_NOTIFY, 0);
    }
    return socket_->Close();
}

void CPallinoteCtrl::CloseSocketWindow() {
    if (hideWnd_ == nullptr)
        return;
    if (isConnected_ == 1) {
        CloseSocket();
        FireOnSockClose();
    }
    isConnected_ = 0;
    hideWnd_->SendMessage(fw::WM_CLOSE);
    delete hideWnd_;
    hideWnd_ = nullptr;
}

bool CPallinoteCtrl::Connect(const std::u16string& strIP, const std::u16string& strPort) {
    ip_ = strIP;
    port_ = strPort;
    if (socket_ == nullptr)
        return false;
    CloseSocketWindow();
    if (socket_->IsOpen())
        CloseSocket();  // left from a connection the peer closed
    if (!socket_->Create())
        return true;
    if (!socket_->Connect(ip_, DecimalValue(port_))) {
        // The failed socket is closed here rather than left to leak.
        const std::string text = socket_->LastErrorText();
        const int code = socket_->LastErrorCode();
        socket_->Close();
        socket_->RecordError(text, code);
        return true;
    }
    int half = DecimalValue(overTime_);
    if (half > 1)
        half /= 2;
    hideWnd_ = new CHideWnd(this, socket_.get(), half);
    hideWnd_->CreateHidden();
    if (hideWnd_->GetSafeHwnd() != fw::kNoWindow) {
        hideWnd_->ShowWindow(fw::SW_HIDE);
        hideWnd_->StartIdleTimer();
        if (fw::AsyncSelect(socket_->Handle(), hideWnd_->GetSafeHwnd(), WM_SOCKET_NOTIFY,
                            fw::FD_READ | fw::FD_CLOSE)) {
            FireOnConnect();
            isConnected_ = 1;
            return true;
        }
        socket_->RecordError("WSAAsyncSelect() failed", EINVAL);
    }
    const std::string text = socket_->LastErrorText();
    const int code = socket_->LastErrorCode();
    socket_->Close();
    socket_->RecordError(text, code);
    return true;
}

bool CPallinoteCtrl::SockClose() {
    if (hideWnd_ != nullptr)
        hideWnd_->KillTimer(kIdleTimerId);
    if (socket_ != nullptr)
        CloseSocket();
    FireOnSockClose();
    isConnected_ = 0;
    return true;
}

bool CPallinoteCtrl::Send(const std::u16string& str, std::int32_t nLen) {
    (void)nLen;  // the text's own length counts
    // The text ends at its first zero unit, as a zero-terminated copy would.
    const std::u16string text = str.substr(0, str.find(u'\0'));
    if (socket_ == nullptr)
        return false;
    if (text.size() > kMaxSendUnits) {
        socket_->RecordError("send() failed: text longer than 2047 characters", EMSGSIZE);
        return false;
    }
    const std::string bytes = vq::Utf16ToGbk(text);
    if (bytes.size() > kMaxSendUnits) {
        socket_->RecordError("send() failed: text longer than 2047 bytes", EMSGSIZE);
        return false;
    }
    if (bytes.empty())
        return false;
    return socket_->Send(bytes) >= 0;
}

std::u16string CPallinoteCtrl::GetLocalIP() {
    return LocalIPv4();
}

std::u16string CPallinoteCtrl::GetLocalTime() {
    const std::time_t now = clock_->Now();
    std::tm local{};
    if (localtime_r(&now, &local) == nullptr)
        return {};
    char buf[128];
    const std::size_t n = std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &local);
    if (n == 0)
        return {};
    return std::u16string(buf, buf + n);
}

bool CPallinoteCtrl::SetLocalTime(std::int32_t year, std::int32_t mon, std::int32_t day,
                                  std::int32_t hour, std::int32_t min, std::int32_t sec) {
    if (!clock_->CanSetTime())
        return false;
    const std::time_t now = clock_->Now();
    std::tm local{};
    if (localtime_r(&now, &local) == nullptr)
        return false;
    SystemTime t;
    // Each field is taken as 16 bits; the clock refuses what is not a real moment.
    t.year = static_cast<std::uint16_t>(year);
    t.month = static_cast<std::uint16_t>(mon);
    t.day = static_cast<std::uint16_t>(day);
    t.hour = static_cast<std::uint16_t>(hour);
    t.minute = static_cast<std::uint16_t>(min);
    t.second = static_cast<std::uint16_t>(sec);
    t.millis = clock_->NowMillis();
    return clock_->SetLocal(t);
}

// ---- Pop-ups ----

void CPallinoteCtrl::ShowMessage(const std::u16string& strcaption, const std::u16string& strtext,
                                 const std::u16string& strUrl, const std::u16string& strtime,
                                 const std::u16string& strclose, const std::u16string& strmode,
                                 std::uint32_t colour, const std::u16string& other1,
                                 const std::u16string& other2, const std::u16string& other3) {
    const int id = ThePallinoteApp().NextMessageId();
    lastUrl_ = strUrl;

    auto msg = std::make_unique<CMsgManage>();
    msg->caption = strcaption;
    msg->colour = colour;
    msg->closeFlag = DecimalValue(strclose) == 1 ? 1 : 0;
    msg->other1 = other1;
    msg->other2 = other2;
    msg->other3 = other3;
    msg->id = id;
    msg->ParseText(strtext);
    const int h = msg->Layout(0, kMsgLayoutWidth, kMsgHeightLimit);
    msg->height = h < 0 ? kMsgHeightLimit : h;

    const int seconds = DecimalValue(strtime);
    const int mode = DecimalValue(strmode);
    if (seconds != 0) {
        // Display times past about 24 days are capped rather than wrapping.
        const long long ms = static_cast<long long>(seconds) * 1000;
        auto* wnd = new CMsgWnd(this, id, static_cast<int>(ms > INT_MAX ? INT_MAX : ms));
        wnd->AddMessage(std::move(msg));
        wnd->SetTitle(strcaption);
        if (wnd->CreatePopup())
            wnd->Present();
        wnd->Alert(mode);
        if (PopupRegistry* reg = ThePallinoteApp().Popups()) {
            reg->Register(id, wnd);
        } else {
            delete wnd;
        }
        return;
    }
    if (persistentOpen_ != 0 && persistentWnd_ != nullptr) {
        persistentWnd_->AddMessage(std::move(msg));
        persistentWnd_->SetTitle(strcaption);
        persistentWnd_->Refresh();
        persistentWnd_->Alert(mode);
        return;
    }
    delete persistentWnd_;
    persistentWnd_ = new CMsgWnd(this, kPersistentWindowId, 0);
    persistentWnd_->AddMessage(std::move(msg));
    persistentWnd_->SetTitle(strcaption);
    if (persistentWnd_->CreatePopup())
        persistentWnd_->Present();
    persistentWnd_->Alert(mode);
    persistentOpen_ = 1;
}

void CPallinoteCtrl::CloseMessage(const std::u16string& str) {
    const int id = DecimalValue(str);
    if (PopupRegistry* reg = ThePallinoteApp().Popups()) {
        if (CMsgWnd* wnd = reg->Find(id)) {
            wnd->KillTimer(kTimerShown);
            wnd->SendMessage(fw::WM_CLOSE);
        }
    }
    if (persistentWnd_ != nullptr && !persistentWnd_->IsDestroyed()) {
        persistentWnd_->CloseMessageById(id);
    }
}

void CPallinoteCtrl::ShowWindow(const std::u16string& strTitle) {
    for (const fw::TopLevelWindow& w : fw::EnumTopLevelWindows()) {
        const std::u16string title = FirstUnits(w.title, 79);
        if (title.empty() || !Contains(title, strTitle))
            continue;
        if (fw::Window* own = w.own ? fw::Window::FromHandle(w.id) : nullptr) {
            own->SetFocus();
            own->SetForegroundWindow();
            own->ShowWindow(fw::SW_SHOW);
        } else {
            fw::BringToForeground(w);
        }
        return;
    }
}

bool CPallinoteCtrl::SetTop(const std::u16string& strTitle) {
    const fw::HWND active = fw::GetForegroundWindow();
    for (const fw::TopLevelWindow& w : fw::EnumTopLevelWindows()) {
        const std::u16string title = FirstUnits(w.title, 254);
        if (Contains(title, strTitle))
            fw::BringToForeground(w);
    }
    if (fw::Window* back = fw::Window::FromHandle(active)) {
        back->SetFocus();
        back->SetForegroundWindow();
    }
    return true;
}
