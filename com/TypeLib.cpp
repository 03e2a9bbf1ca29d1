#include "com/TypeLib.h"

#include <cstdio>

#include "com/Registry.h"

namespace {

char16_t LowerU16(char16_t c) {
    return (c >= u'A' && c <= u'Z') ? c - u'A' + u'a' : c;
}

bool SameName(std::u16string_view a, const char* b) {
    std::size_t i = 0;
    for (; i < a.size() && b[i] != '\0'; ++i) {
        if (LowerU16(a[i]) != LowerU16(static_cast<char16_t>(static_cast<unsigned char>(b[i])))) {
            return false;
        }
    }
    return i == a.size() && b[i] == '\0';
}

std::u16string_view ViewOf(const OLECHAR* s) {
    if (s == nullptr)
        return {};
    std::size_t n = 0;
    while (s[n] != 0)
        ++n;
    return {s, n};
}

std::string LcidText(LCID lcid) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%x", static_cast<unsigned>(lcid));
    return buf;
}

std::string LibKey(REFGUID libid) {
    return "TypeLib\\" + GuidToString(libid);
}

// Sorts out which registry key of a version holds the file for a locale.
std::string FindLocaleKey(const Registry& reg, const std::string& versionKey, LCID lcid) {
    const std::string exact = versionKey + "\\" + LcidText(lcid);
    if (reg.KeyExists(exact))
        return exact;
    if (lcid == 0) {
        for (const std::string& sub : reg.SubKeys(versionKey)) {
            if (reg.KeyExists(versionKey + "\\" + sub + "\\linux"))
                return versionKey + "\\" + sub;
        }
    } else if (reg.KeyExists(versionKey + "\\0")) {
        return versionKey + "\\0";
    }
    return {};
}

}  // namespace

const MemberDesc* InterfaceDesc::Find(DISPID id) const {
    for (const MemberDesc& m : members) {
        if (m.id == id)
            return &m;
    }
    return nullptr;
}

const MemberDesc* InterfaceDesc::FindName(std::u16string_view name) const {
    for (const MemberDesc& m : members) {
        if (SameName(name, m.name))
            return &m;
    }
    return nullptr;
}

std::string VersionText(std::uint16_t major, std::uint16_t minor) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%x.%x", static_cast<unsigned>(major),
                  static_cast<unsigned>(minor));
    return buf;
}

HRESULT RegisterTypeLib(const TypeLibDesc& lib, const std::string& filePath) {
    if (filePath.empty())
        return E_INVALIDARG;
    return UpdateRegistry([&](Registry& reg) -> HRESULT {
        const std::string version = LibKey(lib.libid) + "\\" + VersionText(lib.major, lib.minor);
        reg.SetValue(version, "", lib.help);
        reg.SetValue(version + "\\" + LcidText(lib.lcid) + "\\linux", "", filePath);
        reg.SetValue(version + "\\FLAGS", "", "0");
        const auto slash = filePath.rfind('/');
        reg.SetValue(version + "\\HELPDIR", "",
                     slash == std::string::npos ? std::string() : filePath.substr(0, slash));
        for (const InterfaceDesc* iface : lib.interfaces) {
            const std::string key = "Interface\\" + GuidToString(iface->iid);
            reg.SetValue(key, "", iface->name);
            reg.SetValue(key + "\\TypeLib", "", GuidToString(lib.libid));
            reg.SetValue(key + "\\TypeLib", "Version", VersionText(lib.major, lib.minor));
        }
        return S_OK;
    });
}

HRESULT UnRegisterTypeLib(REFGUID libid, std::uint16_t major, std::uint16_t minor, LCID lcid) {
    return UpdateRegistry([&](Registry& reg) -> HRESULT {
        const std::string version = LibKey(libid) + "\\" + VersionText(major, minor);
        if (!reg.KeyExists(version) || FindLocaleKey(reg, version, lcid).empty()) {
            return TYPE_E_LIBNOTREGISTERED;
        }
        const std::string lib = GuidToString(libid);
        // Interfaces are found through the registry, as the description of an
        // older build may have had others.
        for (const std::string& iid : reg.SubKeys("Interface")) {
            const std::string key = "Interface\\" + iid + "\\TypeLib";
            const auto owner = reg.GetValue(key);
            const auto ver = reg.GetValue(key, "Version");
            if (owner && ver && GuidFromString(*owner) == GuidFromString(lib) &&
                *ver == VersionText(major, minor)) {
                reg.DeleteKey("Interface\\" + iid);
            }
        }
        reg.DeleteKey(version);
        if (reg.SubKeys(LibKey(libid)).empty())
            reg.DeleteKey(LibKey(libid));
        return S_OK;
    });
}

HRESULT QueryPathOfRegTypeLib(REFGUID libid, std::uint16_t major, std::uint16_t minor, LCID lcid,
                              std::string* path) {
    if (path == nullptr)
        return E_POINTER;
    Registry reg;
    const HRESULT hr = ReadRegistry(reg);
    if (FAILED(hr))
        return hr;
    const std::string version = LibKey(libid) + "\\" + VersionText(major, minor);
    const std::string locale = FindLocaleKey(reg, version, lcid);
    if (locale.empty())
        return TYPE_E_LIBNOTREGISTERED;
    const auto file = reg.GetValue(locale + "\\linux");
    if (!file)
        return TYPE_E_LIBNOTREGISTERED;
    *path = *file;
    return S_OK;
}

HRESULT DispGetIDsOfNames(const InterfaceDesc& iface, const OLECHAR* const* names,
                          std::uint32_t count, DISPID* ids) {
    if (ids == nullptr || (names == nullptr && count != 0))
        return E_POINTER;
    if (count == 0)
        return E_INVALIDARG;
    for (std::uint32_t i = 0; i < count; ++i)
        ids[i] = DISPID_UNKNOWN;
    const MemberDesc* m = iface.FindName(ViewOf(names[0]));
    if (m == nullptr)
        return DISP_E_UNKNOWNNAME;
    ids[0] = m->id;
    HRESULT hr = S_OK;
    for (std::uint32_t i = 1; i < count; ++i) {
        const std::u16string_view want = ViewOf(names[i]);
        for (std::size_t p = 0; p < m->params.size(); ++p) {
            if (SameName(want, m->params[p].name))
                ids[i] = static_cast<DISPID>(p);
        }
        if (ids[i] == DISPID_UNKNOWN)
            hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
}

HRESULT DispPrepareCall(const InterfaceDesc& iface, DISPID id, std::uint16_t flags,
                        const DISPPARAMS* params, DispCall& call, std::uint32_t* argErr) {
    call = DispCall{};
    const MemberDesc* m = iface.Find(id);
    if (m == nullptr)
        return DISP_E_MEMBERNOTFOUND;
    static const DISPPARAMS kNoArgs;
    if (params == nullptr)
        params = &kNoArgs;
    if (params->cArgs != 0 && params->rgvarg == nullptr)
        return E_POINTER;
    if (params->cNamedArgs > params->cArgs)
        return E_INVALIDARG;

    const bool put = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
    std::vector<VARTYPE> types;
    if (m->kind == MemberKind::Method) {
        // Callers that cannot tell methods from properties ask with both flags.
        if (put || (flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET)) == 0) {
            return DISP_E_MEMBERNOTFOUND;
        }
        if (params->cNamedArgs != 0)
            return DISP_E_NONAMEDARGS;
        for (const ParamDesc& p : m->params)
            types.push_back(p.vt);
    } else if (put) {
        if ((flags & DISPATCH_PROPERTYPUT) == 0)
            return DISP_E_MEMBERNOTFOUND;
        if (params->cNamedArgs > 1 ||
            (params->cNamedArgs == 1 && (params->rgdispidNamedArgs == nullptr ||
                                         params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT))) {
            return DISP_E_NONAMEDARGS;
        }
        types.push_back(m->type);
        call.isPut = true;
    } else {
        if ((flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET)) == 0)
            return DISP_E_MEMBERNOTFOUND;
        if (params->cNamedArgs != 0)
            return DISP_E_NONAMEDARGS;
    }
    if (params->cArgs != types.size())
        return DISP_E_BADPARAMCOUNT;

    call.args.resize(types.size());
    for (std::size_t i = 0; i < types.size(); ++i) {
        const std::uint32_t slot = params->cArgs - 1 - static_cast<std::uint32_t>(i);
        const HRESULT hr = VariantChangeType(&call.args[i], &params->rgvarg[slot], types[i]);
        if (FAILED(hr)) {
            if (argErr != nullptr)
                *argErr = slot;
            call.args.clear();
            return hr == DISP_E_OVERFLOW ? hr : DISP_E_TYPEMISMATCH;
        }
    }
    call.member = m;
    return S_OK;
}
