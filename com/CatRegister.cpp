#include "com/CatRegister.h"

#include <cstdio>
#include <string>

#include "com/Registry.h"
#include "com/Text16.h"

namespace {

class CComponentCategoriesMgr final : public CUnknownImpl<ICatRegister, IID_ICatRegister> {
public:
    HRESULT RegisterCategories(std::uint32_t count, const CATEGORYINFO* infos) override {
        if (count != 0 && infos == nullptr)
            return E_POINTER;
        return UpdateRegistry([&](Registry& reg) -> HRESULT {
            for (std::uint32_t i = 0; i < count; ++i) {
                // The description is read only up to its fixed buffer's end.
                std::size_t n = 0;
                while (n < 127 && infos[i].szDescription[n] != 0)
                    ++n;
                char lcid[16];
                std::snprintf(lcid, sizeof lcid, "%x", static_cast<unsigned>(infos[i].lcid));
                reg.SetValue(CategoryKey(infos[i].catid), lcid,
                             Utf16ToUtf8({infos[i].szDescription, n}));
            }
            return S_OK;
        });
    }
    HRESULT UnRegisterCategories(std::uint32_t count, const CATID* ids) override {
        if (count != 0 && ids == nullptr)
            return E_POINTER;
        return UpdateRegistry([&](Registry& reg) -> HRESULT {
            for (std::uint32_t i = 0; i < count; ++i)
                reg.DeleteKey(CategoryKey(ids[i]));
            return S_OK;
        });
    }
    HRESULT RegisterClassImplCategories(REFCLSID clsid, std::uint32_t count,
                                        const CATID* ids) override {
        return Mark(clsid, "Implemented Categories", count, ids, true);
    }
    HRESULT UnRegisterClassImplCategories(REFCLSID clsid, std::uint32_t count,
                                          const CATID* ids) override {
        return Mark(clsid, "Implemented Categories", count, ids, false);
    }
    HRESULT RegisterClassReqCategories(REFCLSID clsid, std::uint32_t count,
                                       const CATID* ids) override {
        return Mark(clsid, "Required Categories", count, ids, true);
    }
    HRESULT UnRegisterClassReqCategories(REFCLSID clsid, std::uint32_t count,
                                         const CATID* ids) override {
        return Mark(clsid, "Required Categories", count, ids, false);
    }

private:
    ~CComponentCategoriesMgr() = default;

    static std::string CategoryKey(REFGUID catid) {
        return "Component Categories\\" + GuidToString(catid);
    }

    static HRESULT Mark(REFCLSID clsid, const char* kind, std::uint32_t count, const CATID* ids,
                        bool on) {
        if (count != 0 && ids == nullptr)
            return E_POINTER;
        return UpdateRegistry([&](Registry& reg) -> HRESULT {
            const std::string base = "CLSID\\" + GuidToString(clsid) + "\\" + kind;
            for (std::uint32_t i = 0; i < count; ++i) {
                const std::string key = base + "\\" + GuidToString(ids[i]);
                if (on) {
                    reg.CreateKey(key);
                } else {
                    reg.DeleteKey(key);
                }
            }
            if (!on && reg.KeyExists(base) && reg.SubKeys(base).empty())
                reg.DeleteKey(base);
            return S_OK;
        });
    }
};

}  // namespace

HRESULT CreateStdComponentCategoriesMgr(REFIID iid, void** out) {
    if (out == nullptr)
        return E_POINTER;
    *out = nullptr;
    CComPtr<ICatRegister> mgr(new CComponentCategoriesMgr);
    return mgr->QueryInterface(iid, out);
}
