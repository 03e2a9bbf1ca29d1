#include "com/ComRuntime.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstdlib>

#include <map>
#include <mutex>
#include <vector>

#include "com/CatRegister.h"
#include "com/PropertyPage.h"
#include "com/Registry.h"

namespace {

struct LoadedModule {
    std::string path;
    void* handle;
};

// Libraries stay loaded for the process (or until CoFreeUnusedLibraries):
// objects they made may still be alive.
std::mutex& ModulesLock() {
    static std::mutex m;
    return m;
}

std::vector<LoadedModule>& Modules() {
    static std::vector<LoadedModule> m;
    return m;
}

HRESULT LoadServer(const std::string& path, void** handle) {
    std::lock_guard<std::mutex> guard(ModulesLock());
    for (const LoadedModule& m : Modules()) {
        if (m.path == path) {
            *handle = m.handle;
            return S_OK;
        }
    }
    void* h = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (h == nullptr)
        return CO_E_DLLNOTFOUND;
    Modules().push_back({path, h});
    *handle = h;
    return S_OK;
}

}  // namespace

HRESULT CoGetClassObject(REFCLSID clsid, std::uint32_t context, REFIID iid, void** out) {
    if (out == nullptr)
        return E_POINTER;
    *out = nullptr;
    if ((context & CLSCTX_INPROC_SERVER) == 0)
        return REGDB_E_CLASSNOTREG;
    if (clsid == CLSID_StdComponentCategoriesMgr)
        return E_NOINTERFACE;

    Registry reg;
    HRESULT hr = ReadRegistry(reg);
    if (FAILED(hr))
        return hr;
    const auto path = reg.GetValue("CLSID\\" + GuidToString(clsid) + "\\InprocServer32");
    if (!path || path->empty())
        return REGDB_E_CLASSNOTREG;

    void* handle = nullptr;
    hr = LoadServer(*path, &handle);
    if (FAILED(hr))
        return hr;
    auto get = reinterpret_cast<PfnDllGetClassObject>(dlsym(handle, "DllGetClassObject"));
    if (get == nullptr)
        return CO_E_ERRORINDLL;
    return get(&clsid, &iid, out);
}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, std::uint32_t context, REFIID iid,
                         void** out) {
    if (out == nullptr)
        return E_POINTER;
    *out = nullptr;
    if (clsid == CLSID_StdComponentCategoriesMgr) {
        if (outer != nullptr)
            return CLASS_E_NOAGGREGATION;
        return CreateStdComponentCategoriesMgr(iid, out);
    }
    CComPtr<IClassFactory> factory;
    const HRESULT hr = CoGetClassObject(clsid, context, IID_IClassFactory, factory.PutVoid());
    if (FAILED(hr))
        return hr;
    return factory->CreateInstance(outer, iid, out);
}

HRESULT CLSIDFromProgID(const std::string& progId, CLSID* clsid) {
    if (clsid == nullptr)
        return E_POINTER;
    *clsid = GUID_NULL;
    if (progId.empty() || !Registry::IsValidKey(progId))
        return CO_E_CLASSSTRING;
    Registry reg;
    const HRESULT hr = ReadRegistry(reg);
    if (FAILED(hr))
        return hr;
    const auto text = reg.GetValue(progId + "\\CLSID");
    if (!text)
        return CO_E_CLASSSTRING;
    const auto id = GuidFromString(*text);
    if (!id)
        return CO_E_CLASSSTRING;
    *clsid = *id;
    return S_OK;
}

void CoFreeUnusedLibraries() {
    std::lock_guard<std::mutex> guard(ModulesLock());
    auto& mods = Modules();
    for (auto it = mods.begin(); it != mods.end();) {
        auto canUnload = reinterpret_cast<PfnDllCanUnloadNow>(dlsym(it->handle, "DllCanUnloadNow"));
        if (canUnload != nullptr && canUnload() == S_OK) {
            dlclose(it->handle);
            it = mods.erase(it);
        } else {
            ++it;
        }
    }
}

HRESULT RegisterClassEntry(const ClassRegistration& e) {
    if (e.serverPath.empty())
        return E_INVALIDARG;
    if (!e.progId.empty() && !Registry::IsValidKey(e.progId))
        return E_INVALIDARG;
    return UpdateRegistry([&](Registry& reg) -> HRESULT {
        const std::string id = GuidToString(e.clsid);
        const std::string key = "CLSID\\" + id;
        reg.SetValue(key, "", e.typeName);
        reg.SetValue(key + "\\InprocServer32", "", e.serverPath);
        reg.SetValue(key + "\\InprocServer32", "ThreadingModel", e.threadingModel);
        if (!e.progId.empty()) {
            reg.SetValue(key + "\\ProgID", "", e.progId);
            reg.SetValue(e.progId, "", e.typeName);
            reg.SetValue(e.progId + "\\CLSID", "", id);
        }
        if (e.control)
            reg.CreateKey(key + "\\Control");
        if (e.insertable) {
            reg.CreateKey(key + "\\Insertable");
        } else {
            reg.DeleteKey(key + "\\Insertable");
        }
        if (e.toolboxBitmap != 0) {
            reg.SetValue(key + "\\ToolboxBitmap32", "",
                         e.serverPath + ", " + std::to_string(e.toolboxBitmap));
        }
        if (e.miscStatus != 0) {
            reg.SetValue(key + "\\MiscStatus", "", "0");
            reg.SetValue(key + "\\MiscStatus\\1", "", std::to_string(e.miscStatus));
        }
        if (!(e.libid == GUID_NULL)) {
            reg.SetValue(key + "\\TypeLib", "", GuidToString(e.libid));
            reg.SetValue(key + "\\Version", "", e.libVersion);
        }
        return S_OK;
    });
}

HRESULT UnregisterClassEntry(REFCLSID clsid, const std::string& progId) {
    return UpdateRegistry([&](Registry& reg) -> HRESULT {
        const std::string id = GuidToString(clsid);
        reg.DeleteKey("CLSID\\" + id);
        if (!progId.empty() && Registry::IsValidKey(progId)) {
            const auto owner = reg.GetValue(progId + "\\CLSID");
            if (owner && GuidFromString(*owner) == std::optional<GUID>(clsid)) {
                reg.DeleteKey(progId);
            }
        }
        return S_OK;
    });
}

std::string ModulePathOf(const void* address) {
    Dl_info info{};
    if (dladdr(address, &info) == 0 || info.dli_fname == nullptr)
        return {};
    char resolved[4096];
    if (realpath(info.dli_fname, resolved) == nullptr)
        return info.dli_fname;
    return resolved;
}

void* CoTaskMemAlloc(std::size_t bytes) {
    return std::malloc(bytes == 0 ? 1 : bytes);
}

void CoTaskMemFree(void* p) {
    std::free(p);
}

OLECHAR* CoTaskMemStrDup(const OLECHAR* text) {
    std::size_t n = 0;
    while (text != nullptr && text[n] != 0)
        ++n;
    auto* copy = static_cast<OLECHAR*>(CoTaskMemAlloc((n + 1) * sizeof(OLECHAR)));
    if (copy == nullptr)
        return nullptr;
    std::copy_n(text != nullptr ? text : u"", n, copy);
    copy[n] = 0;
    return copy;
}
