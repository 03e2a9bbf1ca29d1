// The control library as the program uses it: found only through the registry
// and loaded at run time. This program does not link the library's code.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "com/ClassFactory.h"
#include "com/ComRuntime.h"
#include "com/ConnectionPoint.h"
#include "com/Dispatch.h"
#include "tests/com/TempRegistry.h"

namespace {

const CLSID kCtrl = *GuidFromString("{11DC9524-86C3-48A9-BFB8-C0A419BBB9F4}");
const IID kEvents = *GuidFromString("{E05DFF1F-D1DB-4450-89DD-659F865D1E68}");

// The runtime folder from the environment, else the path the build recorded.
std::string LibraryPath() {
    const char* dir = std::getenv("VQ_RUNTIME_DIR");
    if (dir != nullptr && *dir != '\0')
        return std::string(dir) + "/Pallinote.ocx";
    return VQ_PALLINOTE_PATH;
}

class CountingSink final : public IDispatch {
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
    HRESULT Invoke(DISPID id, REFIID, LCID, std::uint16_t, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                   std::uint32_t*) override {
        ids.push_back(id);
        return S_OK;
    }
    ULONG refs = 1;
    std::vector<DISPID> ids;
};

HRESULT Call(IDispatch* d, DISPID id, std::uint16_t flags, std::vector<CVariant> args,
             CVariant* result) {
    std::reverse(args.begin(), args.end());
    DISPPARAMS p;
    p.rgvarg = args.empty() ? nullptr : args.data();
    p.cArgs = static_cast<std::uint32_t>(args.size());
    return d->Invoke(id, GUID_NULL, 0, flags, &p, result, nullptr, nullptr);
}

TEST(LoadedLibrary, RegistersCreatesByClassIdAndAnswersByDispatchId) {
    TempRegistry temp;
    // As the program starts: load the library by path and register it.
    void* lib = dlopen(LibraryPath().c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(lib, nullptr) << dlerror();
    auto reg = reinterpret_cast<PfnDllRegisterServer>(dlsym(lib, "DllRegisterServer"));
    auto canUnload = reinterpret_cast<PfnDllCanUnloadNow>(dlsym(lib, "DllCanUnloadNow"));
    ASSERT_NE(reg, nullptr);
    ASSERT_NE(canUnload, nullptr);
    EXPECT_EQ(reg(), S_OK);
    EXPECT_EQ(reg(), S_OK);

    CLSID byName;
    ASSERT_EQ(CLSIDFromProgID("PALLINOTE.PallinoteCtrl.1", &byName), S_OK);
    EXPECT_EQ(byName, kCtrl);
    {
        CComPtr<IDispatch> ctrl;
        ASSERT_EQ(
            CoCreateInstance(kCtrl, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, ctrl.PutVoid()),
            S_OK);
        EXPECT_EQ(canUnload(), S_FALSE);

        CVariant r;
        ASSERT_EQ(Call(ctrl.Get(), 13, DISPATCH_PROPERTYGET, {}, &r), S_OK);
        EXPECT_EQ(U16FromBstr(r.bstrVal), u"127.0.0.1");
        ASSERT_EQ(Call(ctrl.Get(), 14, DISPATCH_PROPERTYGET, {}, &r), S_OK);
        EXPECT_EQ(U16FromBstr(r.bstrVal), u"9999");
        for (DISPID id : {10, 11, 12}) {
            EXPECT_EQ(Call(ctrl.Get(), id, DISPATCH_METHOD, {}, &r), DISP_E_MEMBERNOTFOUND);
        }
        ASSERT_EQ(Call(ctrl.Get(), 7, DISPATCH_METHOD, {}, &r), S_OK);  // GetLocalTime
        EXPECT_EQ(SysStringLen(r.bstrVal), 19u);

        CComPtr<IConnectionPointContainer> cpc;
        ASSERT_EQ(ctrl->QueryInterface(IID_IConnectionPointContainer, cpc.PutVoid()), S_OK);
        CComPtr<IConnectionPoint> cp;
        ASSERT_EQ(cpc->FindConnectionPoint(kEvents, cp.Put()), S_OK);
        CountingSink sink;
        std::uint32_t cookie = 0;
        ASSERT_EQ(cp->Advise(&sink, &cookie), S_OK);
        ASSERT_EQ(
            Call(ctrl.Get(), 3, DISPATCH_METHOD, {CVariant::Str(u""), CVariant::Str(u"0")}, &r),
            S_OK);  // Connect with no address: true, nothing raised
        EXPECT_EQ(r.vt, VT_BOOL);
        EXPECT_EQ(r.boolVal, VARIANT_TRUE);
        ASSERT_EQ(Call(ctrl.Get(), 4, DISPATCH_METHOD, {}, &r), S_OK);  // SockClose
        EXPECT_EQ(sink.ids, std::vector<DISPID>{12});
        EXPECT_EQ(cp->Unadvise(cookie), S_OK);
    }
    EXPECT_EQ(canUnload(), S_OK);
    auto unreg = reinterpret_cast<PfnDllUnregisterServer>(dlsym(lib, "DllUnregisterServer"));
    ASSERT_NE(unreg, nullptr);
    EXPECT_EQ(unreg(), S_OK);
    void* out = nullptr;
    EXPECT_EQ(CoCreateInstance(kCtrl, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, &out),
              REGDB_E_CLASSNOTREG);
    dlclose(lib);
}

}  // namespace
