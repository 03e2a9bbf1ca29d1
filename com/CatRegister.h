// Component categories: which classes are safe for scripting and initialising.
#pragma once

#include <cstdint>

#include "com/Bstr.h"
#include "com/Unknown.h"

constexpr IID IID_ICatRegister =
    MakeGuid(0x0002E012, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);
// The standard category manager, served by this runtime itself.
constexpr CLSID CLSID_StdComponentCategoriesMgr =
    MakeGuid(0x0002E005, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);
constexpr CATID CATID_SafeForScripting =
    MakeGuid(0x7DD95801, 0x9882, 0x11CF, 0x9F, 0xA9, 0x00, 0xAA, 0x00, 0x6C, 0x42, 0xC4);
constexpr CATID CATID_SafeForInitializing =
    MakeGuid(0x7DD95802, 0x9882, 0x11CF, 0x9F, 0xA9, 0x00, 0xAA, 0x00, 0x6C, 0x42, 0xC4);

struct CATEGORYINFO {
    CATID catid;
    LCID lcid;
    OLECHAR szDescription[128];  // zero-terminated, so at most 127 characters
};

class ICatRegister : public IUnknown {
public:
    virtual HRESULT RegisterCategories(std::uint32_t count, const CATEGORYINFO* infos) = 0;
    virtual HRESULT UnRegisterCategories(std::uint32_t count, const CATID* ids) = 0;
    virtual HRESULT RegisterClassImplCategories(REFCLSID clsid, std::uint32_t count,
                                                const CATID* ids) = 0;
    virtual HRESULT UnRegisterClassImplCategories(REFCLSID clsid, std::uint32_t count,
                                                  const CATID* ids) = 0;
    virtual HRESULT RegisterClassReqCategories(REFCLSID clsid, std::uint32_t count,
                                               const CATID* ids) = 0;
    virtual HRESULT UnRegisterClassReqCategories(REFCLSID clsid, std::uint32_t count,
                                                 const CATID* ids) = 0;

protected:
    ~ICatRegister() = default;
};

// Creates the runtime's category manager.
HRESULT CreateStdComponentCategoriesMgr(REFIID iid, void** out);
