// The library's four exports. Everything else in the library stays internal
// to it as far as a host is concerned.
#include "com/ClassFactoryImpl.h"
#include "com/ComRuntime.h"
#include "notifier/PallinoteApp.h"
#include "notifier/PallinoteCtrl.h"
#include "notifier/PallinoteLib.h"
#include "notifier/PallinotePropPage.h"
#include "notifier/Registration.h"

#define PALLINOTE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

// The module object is made when the library is loaded.
CPallinoteApp& g_app = ThePallinoteApp();

CClassFactory& ControlFactory() {
    static CClassFactory factory(&CPallinoteCtrl::CreateInstance, g_app.Lock());
    return factory;
}

CClassFactory& PropPageFactory() {
    static CClassFactory factory(&CPallinotePropPage::CreateInstance, g_app.Lock());
    return factory;
}

}  // namespace

PALLINOTE_EXPORT HRESULT DllGetClassObject(const CLSID* clsid, const IID* iid, void** out) {
    if (out == nullptr)
        return E_POINTER;
    *out = nullptr;
    if (clsid == nullptr || iid == nullptr)
        return E_INVALIDARG;
    if (*clsid == CLSID_PallinoteCtrl)
        return ControlFactory().QueryInterface(*iid, out);
    if (*clsid == CLSID_PallinotePropPage)
        return PropPageFactory().QueryInterface(*iid, out);
    return CLASS_E_CLASSNOTAVAILABLE;
}

PALLINOTE_EXPORT HRESULT DllCanUnloadNow() {
    return g_app.Lock().Count() == 0 ? S_OK : S_FALSE;
}

PALLINOTE_EXPORT HRESULT DllRegisterServer() {
    return RegisterPallinote(ModulePathOf(reinterpret_cast<const void*>(&DllRegisterServer)));
}

PALLINOTE_EXPORT HRESULT DllUnregisterServer() {
    return UnregisterPallinote();
}
