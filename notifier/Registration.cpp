#include "notifier/Registration.h"

#include <algorithm>

#include "com/ComRuntime.h"
#include "com/Text16.h"
#include "com/TypeLib.h"
#include "notifier/PallinoteLib.h"

namespace {

const char16_t kScriptingDescription[] = u"Controls that are safely scriptable";
const char16_t kInitializingDescription[] = u"Controls safely initializable from persistent data";

HRESULT CreateCategoryManager(CComPtr<ICatRegister>& cats) {
    return CoCreateInstance(CLSID_StdComponentCategoriesMgr, nullptr, CLSCTX_INPROC_SERVER,
                            IID_ICatRegister, cats.PutVoid());
}

HRESULT CreateComponentCategory(const CATID& catid, std::u16string_view description) {
    CComPtr<ICatRegister> cats;
    HRESULT hr = CreateCategoryManager(cats);
    if (FAILED(hr))
        return hr;
    const CATEGORYINFO info = MakeCategoryInfo(catid, kPallinoteLibLcid, description);
    return cats->RegisterCategories(1, &info);
}

HRESULT RegisterCLSIDInCategory(const CLSID& clsid, const CATID& catid) {
    CComPtr<ICatRegister> cats;
    HRESULT hr = CreateCategoryManager(cats);
    if (FAILED(hr))
        return hr;
    return cats->RegisterClassImplCategories(clsid, 1, &catid);
}

HRESULT UnRegisterCLSIDInCategory(const CLSID& clsid, const CATID& catid) {
    CComPtr<ICatRegister> cats;
    HRESULT hr = CreateCategoryManager(cats);
    if (FAILED(hr))
        return hr;
    return cats->UnRegisterClassImplCategories(clsid, 1, &catid);
}

ClassRegistration ControlEntry(const std::string& path) {
    ClassRegistration e;
    e.clsid = CLSID_PallinoteCtrl;
    e.progId = kPallinoteCtrlProgId;
    e.typeName = PallinoteString(IDS_PALLINOTE);
    e.serverPath = path;
    e.threadingModel = "Apartment";
    e.control = true;
    e.insertable = false;
    e.toolboxBitmap = IDB_PALLINOTE;
    e.miscStatus = kPallinoteMiscStatus;
    e.libid = LIBID_PallinoteLib;
    e.libVersion = VersionText(kPallinoteLibMajor, kPallinoteLibMinor);
    return e;
}

ClassRegistration PropPageEntry(const std::string& path) {
    ClassRegistration e;
    e.clsid = CLSID_PallinotePropPage;
    e.progId = kPallinotePropPageProgId;
    e.typeName = PallinoteString(IDS_PALLINOTE_PPG);
    e.serverPath = path;
    e.threadingModel = "Apartment";
    return e;
}

}  // namespace

CATEGORYINFO MakeCategoryInfo(const CATID& catid, LCID lcid, std::u16string_view description) {
    CATEGORYINFO info{};
    info.catid = catid;
    info.lcid = lcid;
    const std::size_t n = std::min<std::size_t>(description.size(), 127);
    std::copy_n(description.begin(), n, info.szDescription);
    info.szDescription[n] = 0;
    return info;
}

HRESULT RegisterPallinote(const std::string& modulePath) {
    if (FAILED(RegisterTypeLib(PallinoteTypeLibDesc(), modulePath)))
        return SELFREG_E_TYPELIB;
    if (FAILED(RegisterClassEntry(ControlEntry(modulePath))) ||
        FAILED(RegisterClassEntry(PropPageEntry(modulePath)))) {
        return SELFREG_E_CLASS;
    }
    if (FAILED(CreateComponentCategory(CATID_SafeForScripting, kScriptingDescription)) ||
        FAILED(CreateComponentCategory(CATID_SafeForInitializing, kInitializingDescription))) {
        return SELFREG_E_CLASS;
    }
    if (FAILED(RegisterCLSIDInCategory(CLSID_PallinoteCtrl, CATID_SafeForScripting)) ||
        FAILED(RegisterCLSIDInCategory(CLSID_PallinoteCtrl, CATID_SafeForInitializing))) {
        return SELFREG_E_CLASS;
    }
    return S_OK;
}

HRESULT UnregisterPallinote() {
    HRESULT hr = UnRegisterCLSIDInCategory(CLSID_PallinoteCtrl, CATID_SafeForInitializing);
    if (FAILED(hr))
        return hr;
    hr = UnRegisterCLSIDInCategory(CLSID_PallinoteCtrl, CATID_SafeForScripting);
    if (FAILED(hr))
        return hr;
    if (FAILED(UnRegisterTypeLib(LIBID_PallinoteLib, kPallinoteLibMajor, kPallinoteLibMinor, 0))) {
        return SELFREG_E_TYPELIB;
    }
    if (FAILED(UnregisterClassEntry(CLSID_PallinoteCtrl, kPallinoteCtrlProgId)) ||
        FAILED(UnregisterClassEntry(CLSID_PallinotePropPage, kPallinotePropPageProgId))) {
        return SELFREG_E_CLASS;
    }
    return S_OK;
}
