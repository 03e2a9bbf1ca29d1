// The control as a generic container meets it: known only by its class id,
// created through the registry, and understood through its type information,
// its connection points and the property page it names. The expected names,
// ids and help strings are the control's published interface, written out here.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "com/ClassFactory.h"
#include "com/ComRuntime.h"
#include "com/ConnectionPoint.h"
#include "com/PropertyPage.h"
#include "com/TypeInfo.h"
#include "platform/Framework.h"
#include "platform/Resources.h"
#include "platform/Window.h"
#include "platform/core/Text.h"
#include "platform/headless/Headless.h"
#include "tests/com/TempRegistry.h"

namespace {

const CLSID kControl = *GuidFromString("{11DC9524-86C3-48A9-BFB8-C0A419BBB9F4}");
const CLSID kPropPage = *GuidFromString("{853BAB8E-B1D1-41C9-BCBC-7E9C02EE9D7D}");
const IID kDispatch = *GuidFromString("{A3E9A3D1-D3D3-476C-BF38-42E37F695FD7}");
const IID kEvents = *GuidFromString("{E05DFF1F-D1DB-4450-89DD-659F865D1E68}");
const GUID kLibrary = *GuidFromString("{9872274A-B131-49E2-ABCF-B87D96DEFA9C}");

std::string LibraryPath() {
    const char* dir = std::getenv("VQ_RUNTIME_DIR");
    if (dir != nullptr && *dir != '\0')
        return std::string(dir) + "/Pallinote.ocx";
    return VQ_PALLINOTE_PATH;
}

std::string Utf8(BSTR s) {
    std::string out = vq::Utf16ToUtf8(U16FromBstr(s));
    SysFreeString(s);
    return out;
}

std::string TypeName(VARTYPE vt) {
    switch (vt) {
        case VT_VOID:
            return "void";
        case VT_BSTR:
            return "BSTR";
        case VT_I4:
            return "long";
        case VT_UI4:
            return "ULONG";
        case VT_BOOL:
            return "BOOL";
        default:
            return "vt" + std::to_string(vt);
    }
}

// One function as "id result name(type param, ...) help", from the type information alone.
std::string Describe(ITypeInfo* info, const FUNCDESC& f) {
    BSTR names[16] = {};
    std::uint32_t count = 0;
    EXPECT_EQ(info->GetNames(f.memid, names, 16, &count), S_OK);
    BSTR help = nullptr;
    EXPECT_EQ(info->GetDocumentation(f.memid, nullptr, &help, nullptr, nullptr), S_OK);
    std::string s = std::to_string(f.memid) + " " + TypeName(f.elemdescFunc.tdesc.vt) + " ";
    s += count > 0 ? Utf8(names[0]) : "?";
    s += "(";
    for (std::uint32_t i = 1; i < count; ++i) {
        s += (i > 1 ? ", " : "") + TypeName(f.lprgelemdescParam[i - 1].tdesc.vt) + " " +
             Utf8(names[i]);
    }
    EXPECT_EQ(count, static_cast<std::uint32_t>(f.cParams) + 1);
    return s + ") " + Utf8(help);
}

std::vector<std::string> Functions(ITypeInfo* info) {
    TYPEATTR* attr = nullptr;
    EXPECT_EQ(info->GetTypeAttr(&attr), S_OK);
    std::vector<std::string> out;
    for (std::uint32_t i = 0; attr != nullptr && i < attr->cFuncs; ++i) {
        FUNCDESC* f = nullptr;
        EXPECT_EQ(info->GetFuncDesc(i, &f), S_OK);
        EXPECT_EQ(f->invkind, INVOKE_FUNC);
        out.push_back(Describe(info, *f));
        info->ReleaseFuncDesc(f);
    }
    info->ReleaseTypeAttr(attr);
    return out;
}

std::vector<std::string> Variables(ITypeInfo* info) {
    TYPEATTR* attr = nullptr;
    EXPECT_EQ(info->GetTypeAttr(&attr), S_OK);
    std::vector<std::string> out;
    for (std::uint32_t i = 0; attr != nullptr && i < attr->cVars; ++i) {
        VARDESC* v = nullptr;
        EXPECT_EQ(info->GetVarDesc(i, &v), S_OK);
        BSTR name = nullptr, help = nullptr;
        EXPECT_EQ(info->GetDocumentation(v->memid, &name, &help, nullptr, nullptr), S_OK);
        out.push_back(std::to_string(v->memid) + " " + TypeName(v->elemdescVar.tdesc.vt) + " " +
                      Utf8(name) + " " + Utf8(help));
        info->ReleaseVarDesc(v);
    }
    info->ReleaseTypeAttr(attr);
    return out;
}

class GenericContainer : public ::testing::Test {
protected:
    void SetUp() override {
        lib_ = dlopen(LibraryPath().c_str(), RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(lib_, nullptr) << dlerror();
        auto reg = reinterpret_cast<PfnDllRegisterServer>(dlsym(lib_, "DllRegisterServer"));
        ASSERT_NE(reg, nullptr);
        ASSERT_EQ(reg(), S_OK);
        ASSERT_TRUE(fw::InitWithBackend(fw::headless::CreateBackend(), VQ_TEST_RES_DIR));
        ASSERT_EQ(CoCreateInstance(kControl, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                   control_.PutVoid()),
                  S_OK);
    }
    void TearDown() override {
        control_.Reset();
        fw::Shutdown();
        if (lib_ != nullptr)
            dlclose(lib_);
    }

    TempRegistry registry_;
    void* lib_ = nullptr;
    CComPtr<IDispatch> control_;
};

TEST_F(GenericContainer, ListsMembersAndEventsThroughTheTypeInformationAlone) {
    std::uint32_t count = 0;
    ASSERT_EQ(control_->GetTypeInfoCount(&count), S_OK);
    ASSERT_EQ(count, 1u);
    CComPtr<ITypeInfo> disp;
    ASSERT_EQ(control_->GetTypeInfo(0, 1033, disp.Put()), S_OK);
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(disp->GetTypeAttr(&attr), S_OK);
    EXPECT_EQ(attr->guid, kDispatch);
    EXPECT_EQ(attr->typekind, TKIND_DISPATCH);
    disp->ReleaseTypeAttr(attr);
    BSTR name = nullptr, help = nullptr, file = nullptr;
    ASSERT_EQ(disp->GetDocumentation(MEMBERID_NIL, &name, &help, nullptr, &file), S_OK);
    EXPECT_EQ(Utf8(name), "_DPallinote");
    EXPECT_EQ(Utf8(help), "Pallinote Control 的调度接口");
    EXPECT_EQ(Utf8(file), "Pallinote.hlp");

    EXPECT_EQ(Functions(disp.Get()),
              (std::vector<std::string>{
                  "1 void ShowMessage(BSTR strcaption, BSTR strtext, BSTR strUrl, BSTR strtime, "
                  "BSTR strclose, BSTR strmode, ULONG colour, BSTR other1, BSTR other2, BSTR "
                  "other3) 方法ShowMessage",
                  "2 void CloseMessage(BSTR str) 方法CloseMessage",
                  "3 BOOL Connect(BSTR strIP, BSTR strPort) 建立连接Connect",
                  "4 BOOL SockClose() 方法SockClose",
                  "5 BOOL Send(BSTR str, long nLen) 方法Send",
                  "6 BSTR GetLocalIP() 方法GetLocalIP",
                  "7 BSTR GetLocalTime() 方法GetLocalTime",
                  "8 BOOL SetLocalTime(long year, long mon, long day, long hour, long min, long "
                  "sec) 方法SetLocalTime",
                  "9 void ShowWindow(BSTR strTitle) 方法ShowWindow",
                  "16 BOOL SetTop(BSTR strTitle) 方法SetTop",
              }));
    EXPECT_EQ(Variables(disp.Get()), (std::vector<std::string>{
                                         "13 BSTR IP property IP",
                                         "14 BSTR Port property Port",
                                         "15 long IsConnected 属性 IsConnected",
                                         "17 BSTR OverTime 属性 OverTime",
                                     }));

    // The library the interface lives in.
    CComPtr<ITypeLib> lib;
    ASSERT_EQ(disp->GetContainingTypeLib(lib.Put(), nullptr), S_OK);
    TLIBATTR* la = nullptr;
    ASSERT_EQ(lib->GetLibAttr(&la), S_OK);
    EXPECT_EQ(la->guid, kLibrary);
    EXPECT_EQ(la->wMajorVerNum, 1);
    EXPECT_EQ(la->wMinorVerNum, 0);
    EXPECT_EQ(la->lcid, 1033u);
    lib->ReleaseTLibAttr(la);
    ASSERT_EQ(lib->GetDocumentation(-1, &name, &help, nullptr, &file), S_OK);
    EXPECT_EQ(Utf8(name), "PallinoteLib");
    EXPECT_EQ(Utf8(help), "Pallinote ActiveX 控件模块");
    EXPECT_EQ(Utf8(file), "Pallinote.hlp");

    // The events: the class's default source interface.
    CComPtr<IProvideClassInfo2> classInfo;
    ASSERT_EQ(control_->QueryInterface(IID_IProvideClassInfo2, classInfo.PutVoid()), S_OK);
    GUID source{};
    ASSERT_EQ(classInfo->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &source), S_OK);
    EXPECT_EQ(source, kEvents);
    CComPtr<ITypeInfo> cls;
    ASSERT_EQ(classInfo->GetClassInfo(cls.Put()), S_OK);
    ASSERT_EQ(cls->GetTypeAttr(&attr), S_OK);
    EXPECT_EQ(attr->guid, kControl);
    EXPECT_EQ(attr->typekind, TKIND_COCLASS);
    EXPECT_NE(attr->wTypeFlags & TYPEFLAG_FCANCREATE, 0);
    EXPECT_NE(attr->wTypeFlags & TYPEFLAG_FCONTROL, 0);
    const std::uint16_t impls = attr->cImplTypes;
    cls->ReleaseTypeAttr(attr);
    CComPtr<ITypeInfo> events;
    CComPtr<ITypeInfo> primary;
    for (std::uint32_t i = 0; i < impls; ++i) {
        std::int32_t flags = 0;
        HREFTYPE ref = 0;
        ASSERT_EQ(cls->GetImplTypeFlags(i, &flags), S_OK);
        ASSERT_EQ(cls->GetRefTypeOfImplType(i, &ref), S_OK);
        if (flags == (IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE)) {
            ASSERT_EQ(cls->GetRefTypeInfo(ref, events.Put()), S_OK);
        } else if (flags == IMPLTYPEFLAG_FDEFAULT) {
            ASSERT_EQ(cls->GetRefTypeInfo(ref, primary.Put()), S_OK);
        }
    }
    ASSERT_TRUE(events);
    ASSERT_TRUE(primary);
    ASSERT_EQ(primary->GetDocumentation(MEMBERID_NIL, &name, nullptr, nullptr, nullptr), S_OK);
    EXPECT_EQ(Utf8(name), "_DPallinote");
    ASSERT_EQ(events->GetTypeAttr(&attr), S_OK);
    EXPECT_EQ(attr->guid, kEvents);
    events->ReleaseTypeAttr(attr);
    ASSERT_EQ(events->GetDocumentation(MEMBERID_NIL, &name, &help, nullptr, nullptr), S_OK);
    EXPECT_EQ(Utf8(name), "_DPallinoteEvents");
    EXPECT_EQ(Utf8(help), "Pallinote Control 的事件接口");
    std::vector<std::string> raised = Functions(events.Get());
    for (std::string& e : raised)
        e = e.substr(0, e.find(')') + 1);  // the events carry no help strings of their own
    EXPECT_EQ(raised, (std::vector<std::string>{
                          "10 void OnRecv(BSTR strInfo, ULONG nLen)",
                          "11 void OnConnect()",
                          "12 void OnSockClose()",
                          "13 void CallbackClose(BSTR other1, BSTR other2, BSTR other3)",
                          "14 void CallbackHttp(BSTR id, BSTR strHttp, BSTR other1, BSTR other2, "
                          "BSTR other3)",
                      }));

    // A name read from the type information reaches the member.
    BSTR portName[1] = {};
    std::uint32_t got = 0;
    ASSERT_EQ(disp->GetNames(14, portName, 1, &got), S_OK);
    const std::u16string port = U16FromBstr(portName[0]);
    SysFreeString(portName[0]);
    const OLECHAR* lookup[] = {port.c_str()};
    DISPID id = 0;
    ASSERT_EQ(control_->GetIDsOfNames(GUID_NULL, lookup, 1, 1033, &id), S_OK);
    CVariant value;
    ASSERT_EQ(control_->Invoke(id, GUID_NULL, 1033, DISPATCH_PROPERTYGET, nullptr, &value, nullptr,
                               nullptr),
              S_OK);
    EXPECT_EQ(U16FromBstr(value.bstrVal), u"9999");
}

class Sink final : public IDispatch {
public:
    HRESULT QueryInterface(REFIID iid, void** out) override {
        *out = nullptr;
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == kEvents) {
            *out = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override { return --refs; }
    HRESULT GetTypeInfoCount(std::uint32_t*) override { return E_NOTIMPL; }
    HRESULT GetTypeInfo(std::uint32_t, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT GetIDsOfNames(REFIID, const OLECHAR* const*, std::uint32_t, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    HRESULT Invoke(DISPID, REFIID, LCID, std::uint16_t, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                   std::uint32_t*) override {
        return S_OK;
    }
    ULONG refs = 1;
};

TEST_F(GenericContainer, EnumeratesTheEventConnectionAndItsSinks) {
    CComPtr<IConnectionPointContainer> cpc;
    ASSERT_EQ(control_->QueryInterface(IID_IConnectionPointContainer, cpc.PutVoid()), S_OK);
    CComPtr<IEnumConnectionPoints> points;
    ASSERT_EQ(cpc->EnumConnectionPoints(points.Put()), S_OK);
    IConnectionPoint* all[4] = {};
    std::uint32_t n = 0;
    EXPECT_EQ(points->Next(4, all, &n), S_FALSE);
    ASSERT_EQ(n, 1u);  // the one event interface
    CComPtr<IConnectionPoint> cp;
    cp.Attach(all[0]);
    IID iid{};
    ASSERT_EQ(cp->GetConnectionInterface(&iid), S_OK);
    EXPECT_EQ(iid, kEvents);

    Sink first, second;
    std::uint32_t c1 = 0, c2 = 0;
    ASSERT_EQ(cp->Advise(&first, &c1), S_OK);
    ASSERT_EQ(cp->Advise(&second, &c2), S_OK);
    CComPtr<IEnumConnections> conns;
    ASSERT_EQ(cp->EnumConnections(conns.Put()), S_OK);
    CONNECTDATA d[3];
    ASSERT_EQ(conns->Next(3, d, &n), S_FALSE);
    ASSERT_EQ(n, 2u);
    EXPECT_EQ(d[0].dwCookie, c1);
    EXPECT_EQ(d[1].dwCookie, c2);
    EXPECT_EQ(d[0].pUnk, static_cast<IUnknown*>(&first));
    EXPECT_EQ(d[1].pUnk, static_cast<IUnknown*>(&second));
    d[0].pUnk->Release();
    d[1].pUnk->Release();
    conns.Reset();
    ASSERT_EQ(cp->Unadvise(c1), S_OK);
    ASSERT_EQ(cp->Unadvise(c2), S_OK);
    EXPECT_EQ(first.refs, 1u);
    EXPECT_EQ(second.refs, 1u);
}

TEST_F(GenericContainer, ShowsThePropertyPageTheControlNamesInsideItsOwnWindow) {
    CComPtr<ISpecifyPropertyPages> specify;
    ASSERT_EQ(control_->QueryInterface(IID_ISpecifyPropertyPages, specify.PutVoid()), S_OK);
    CAUUID pages;
    ASSERT_EQ(specify->GetPages(&pages), S_OK);
    ASSERT_EQ(pages.cElems, 1u);
    const CLSID pageClass = pages.pElems[0];
    CoTaskMemFree(pages.pElems);
    EXPECT_EQ(pageClass, kPropPage);

    CComPtr<IPropertyPage> page;
    ASSERT_EQ(CoCreateInstance(pageClass, nullptr, CLSCTX_INPROC_SERVER, IID_IPropertyPage,
                               page.PutVoid()),
              S_OK);
    PROPPAGEINFO info;
    ASSERT_EQ(page->GetPageInfo(&info), S_OK);
    EXPECT_EQ(std::u16string(info.pszTitle), u"常规");
    const fw::DialogTemplate* dialog = fw::Resources::Global().FindDialog(200);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(info.width, dialog->size.cx);
    EXPECT_EQ(info.height, dialog->size.cy);
    CoTaskMemFree(info.pszTitle);

    fw::Window host;
    ASSERT_TRUE(
        host.CreateEx(0, "container", fw::WS_POPUP | fw::WS_VISIBLE, {0, 0, 600, 400}, nullptr));
    const PAGERECT where{12, 20, 12 + info.width, 20 + info.height};
    // The page is for the control: nothing to show before it has one, and
    // other objects are refused.
    EXPECT_EQ(page->Activate(host.GetSafeHwnd(), &where, true), E_UNEXPECTED);
    IUnknown* wrong[] = {static_cast<IUnknown*>(page.Get())};
    EXPECT_EQ(page->SetObjects(1, wrong), E_NOINTERFACE);
    IUnknown* objects[] = {static_cast<IUnknown*>(control_.Get())};
    ASSERT_EQ(page->SetObjects(1, objects), S_OK);

    ASSERT_EQ(page->Activate(host.GetSafeHwnd(), &where, true), S_OK);
    const std::vector<fw::HWND> children = host.GetChildren();
    ASSERT_EQ(children.size(), 1u);
    fw::Window* shown = fw::Window::FromHandle(children[0]);
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->GetWindowText(), vq::Gbk("常规"));
    EXPECT_EQ(shown->GetDlgItemText(1103), "Pallinote");  // the content of dialog 200
    EXPECT_EQ(shown->GetWindowRect(), (fw::Rect{12, 20, 12 + info.width, 20 + info.height}));
    EXPECT_FALSE(shown->IsWindowVisible());
    ASSERT_EQ(page->Show(5), S_OK);
    EXPECT_TRUE(shown->IsWindowVisible());
    const PAGERECT smaller{0, 0, 100, 50};
    ASSERT_EQ(page->Move(&smaller), S_OK);
    EXPECT_EQ(shown->GetWindowRect().Width(), 100);
    EXPECT_EQ(page->IsPageDirty(), S_FALSE);
    EXPECT_EQ(page->Apply(), S_OK);
    ASSERT_EQ(page->Deactivate(), S_OK);
    EXPECT_TRUE(host.GetChildren().empty());
    ASSERT_EQ(page->SetObjects(0, nullptr), S_OK);
    page.Reset();
    host.DestroyWindow();
}

}  // namespace
