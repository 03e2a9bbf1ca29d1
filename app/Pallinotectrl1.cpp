#include "app/Pallinotectrl1.h"

#include <algorithm>

#include "com/ComRuntime.h"
#include "com/OleControl.h"
#include "platform/core/Text.h"

namespace {

enum : DISPID {
    kShowMessage = 1,
    kCloseMessage = 2,
    kConnect = 3,
    kSockClose = 4,
    kSend = 5,
    kGetLocalIP = 6,
    kGetLocalTime = 7,
    kSetLocalTime = 8,
    kShowWindow = 9,
    kIP = 13,
    kPort = 14,
    kIsConnected = 15,
    kSetTop = 16,
    kOverTime = 17,
};

CVariant Str(const std::string& gbk) {
    return CVariant::Str(vq::GbkToUtf16(gbk));
}

}  // namespace

const CLSID& CPallinotectrl1::GetClsid() {
    static const CLSID clsid =
        MakeGuid(0x11DC9524, 0x86C3, 0x48A9, 0xBF, 0xB8, 0xC0, 0xA4, 0x19, 0xBB, 0xB9, 0xF4);
    return clsid;
}

fw::Window* CPallinotectrl1::CreateObject() {
    return new CPallinotectrl1;
}

CPallinotectrl1::~CPallinotectrl1() {
    // The control's window is the control's; releasing it lets the control end.
    disp_.Reset();
}

bool CPallinotectrl1::Create(const std::string& windowText, fw::DWORD style, const fw::Rect& rect,
                             fw::Window* parent, fw::UINT id) {
    if (parent == nullptr || disp_)
        return false;
    CComPtr<IDispatch> disp;
    if (FAILED(CoCreateInstance(GetClsid(), nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                disp.PutVoid()))) {
        return false;
    }
    CComPtr<IVqOleControl> ole;
    if (FAILED(disp->QueryInterface(IID_IVqOleControl, ole.PutVoid())))
        return false;
    ControlPlacement place;
    place.parent = parent->GetSafeHwnd();
    place.style = style;
    place.left = rect.left;
    place.top = rect.top;
    place.right = rect.right;
    place.bottom = rect.bottom;
    place.id = id;
    place.textGbk = windowText.c_str();
    std::uint64_t hwnd = 0;
    if (FAILED(ole->CreateControlWindow(place, &hwnd)))
        return false;
    controlHwnd_ = hwnd;
    disp_ = disp;
    return true;
}

CVariant CPallinotectrl1::Invoke(DISPID id, std::uint16_t flags, std::vector<CVariant> args) {
    CVariant result;
    if (!disp_)
        return result;
    std::reverse(args.begin(), args.end());
    DISPPARAMS params;
    params.rgvarg = args.empty() ? nullptr : args.data();
    params.cArgs = static_cast<std::uint32_t>(args.size());
    DISPID named = DISPID_PROPERTYPUT;
    if (flags == DISPATCH_PROPERTYPUT) {
        params.rgdispidNamedArgs = &named;
        params.cNamedArgs = 1;
    }
    if (FAILED(disp_->Invoke(id, GUID_NULL, 0, flags, &params, &result, nullptr, nullptr))) {
        VariantClear(&result);
    }
    return result;
}

std::string CPallinotectrl1::Text(const CVariant& v) {
    return v.vt == VT_BSTR ? vq::Utf16ToGbk(U16FromBstr(v.bstrVal)) : std::string();
}

bool CPallinotectrl1::Bool(const CVariant& v) {
    return v.vt == VT_BOOL && v.boolVal != 0;
}

void CPallinotectrl1::ShowMessage(const std::string& strcaption, const std::string& strtext,
                                  const std::string& strUrl, const std::string& strtime,
                                  const std::string& strclose, const std::string& strmode,
                                  std::uint32_t colour, const std::string& other1,
                                  const std::string& other2, const std::string& other3) {
    Invoke(kShowMessage, DISPATCH_METHOD,
           {Str(strcaption), Str(strtext), Str(strUrl), Str(strtime), Str(strclose), Str(strmode),
            CVariant::UI4(colour), Str(other1), Str(other2), Str(other3)});
}

void CPallinotectrl1::CloseMessage(const std::string& str) {
    Invoke(kCloseMessage, DISPATCH_METHOD, {Str(str)});
}

bool CPallinotectrl1::Connect(const std::string& strIP, const std::string& strPort) {
    return Bool(Invoke(kConnect, DISPATCH_METHOD, {Str(strIP), Str(strPort)}));
}

bool CPallinotectrl1::SockClose() {
    return Bool(Invoke(kSockClose, DISPATCH_METHOD, {}));
}

bool CPallinotectrl1::Send(const std::string& str, std::int32_t nLen) {
    return Bool(Invoke(kSend, DISPATCH_METHOD, {Str(str), CVariant::I4(nLen)}));
}

std::string CPallinotectrl1::GetLocalIP() {
    return Text(Invoke(kGetLocalIP, DISPATCH_METHOD, {}));
}

std::string CPallinotectrl1::GetLocalTime() {
    return Text(Invoke(kGetLocalTime, DISPATCH_METHOD, {}));
}

bool CPallinotectrl1::SetLocalTime(std::int32_t year, std::int32_t mon, std::int32_t day,
                                   std::int32_t hour, std::int32_t min, std::int32_t sec) {
    return Bool(Invoke(kSetLocalTime, DISPATCH_METHOD,
                       {CVariant::I4(year), CVariant::I4(mon), CVariant::I4(day),
                        CVariant::I4(hour), CVariant::I4(min), CVariant::I4(sec)}));
}

void CPallinotectrl1::ShowWindow(const std::string& strTitle) {
    Invoke(kShowWindow, DISPATCH_METHOD, {Str(strTitle)});
}

bool CPallinotectrl1::SetTop(const std::string& strTitle) {
    return Bool(Invoke(kSetTop, DISPATCH_METHOD, {Str(strTitle)}));
}

std::string CPallinotectrl1::GetIP() {
    return Text(Invoke(kIP, DISPATCH_PROPERTYGET, {}));
}
void CPallinotectrl1::SetIP(const std::string& value) {
    Invoke(kIP, DISPATCH_PROPERTYPUT, {Str(value)});
}
std::string CPallinotectrl1::GetPort() {
    return Text(Invoke(kPort, DISPATCH_PROPERTYGET, {}));
}
void CPallinotectrl1::SetPort(const std::string& value) {
    Invoke(kPort, DISPATCH_PROPERTYPUT, {Str(value)});
}
std::int32_t CPallinotectrl1::GetIsConnected() {
    const CVariant v = Invoke(kIsConnected, DISPATCH_PROPERTYGET, {});
    return v.vt == VT_I4 ? v.lVal : 0;
}
void CPallinotectrl1::SetIsConnected(std::int32_t value) {
    Invoke(kIsConnected, DISPATCH_PROPERTYPUT, {CVariant::I4(value)});
}
std::string CPallinotectrl1::GetOverTime() {
    return Text(Invoke(kOverTime, DISPATCH_PROPERTYGET, {}));
}
void CPallinotectrl1::SetOverTime(const std::string& value) {
    Invoke(kOverTime, DISPATCH_PROPERTYPUT, {Str(value)});
}
