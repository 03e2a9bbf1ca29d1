// Type-library descriptions: the interfaces, members and classes of a server,
// written once as tables in the server. The same tables drive registration
// and late-bound calls (name lookup, argument checks and conversion).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "com/Dispatch.h"

enum class MemberKind { Method, Property };

struct ParamDesc {
    const char* name;
    VARTYPE vt;
};

struct MemberDesc {
    DISPID id;
    const char* name;
    MemberKind kind;
    VARTYPE type;  // result of a method (VT_EMPTY: none), type of a property
    std::vector<ParamDesc> params;
    const char* help;
    bool persisted = false;
};

struct InterfaceDesc {
    IID iid;
    const char* name;
    const char* help;
    std::vector<MemberDesc> members;

    const MemberDesc* Find(DISPID id) const;
    // Names match without regard to ASCII case, as in every dispatch lookup.
    const MemberDesc* FindName(std::u16string_view name) const;
};

struct CoClassDesc {
    CLSID clsid;
    const char* name;
    const char* help;
    IID defaultInterface;
    IID defaultSource;  // the default event interface; GUID_NULL when it raises none
    bool control = false;
};

struct TypeLibDesc {
    GUID libid;
    const char* name;
    std::uint16_t major;
    std::uint16_t minor;
    LCID lcid;
    const char* helpFile;
    const char* help;
    std::vector<const InterfaceDesc*> interfaces;
    std::vector<CoClassDesc> classes;
};

// "1.0" as the registry writes versions.
std::string VersionText(std::uint16_t major, std::uint16_t minor);

// Records the library, its interfaces and its file in the registry.
HRESULT RegisterTypeLib(const TypeLibDesc& lib, const std::string& filePath);
// Removes one version of a registered library and the interfaces it owns.
// Locale 0 is the neutral locale and matches a library registered under any
// locale, as a neutral lookup does.
HRESULT UnRegisterTypeLib(REFGUID libid, std::uint16_t major, std::uint16_t minor, LCID lcid);
// The file a registered library version lives in.
HRESULT QueryPathOfRegTypeLib(REFGUID libid, std::uint16_t major, std::uint16_t minor, LCID lcid,
                              std::string* path);

// IDispatch::GetIDsOfNames over a description: ids of the member name and of
// its parameters. Unknown names give DISPID_UNKNOWN and DISP_E_UNKNOWNNAME.
HRESULT DispGetIDsOfNames(const InterfaceDesc& iface, const OLECHAR* const* names,
                          std::uint32_t count, DISPID* ids);

// The checked arguments of one Invoke call, in parameter order.
struct DispCall {
    const MemberDesc* member = nullptr;
    bool isPut = false;  // a property write; args[0] is the new value
    std::vector<CVariant> args;
};

// Checks an Invoke call against the description: the member exists
// (DISP_E_MEMBERNOTFOUND), the flags suit its kind, there are no named
// arguments other than a property write's (DISP_E_NONAMEDARGS), the count is
// right (DISP_E_BADPARAMCOUNT), and each argument converts to its parameter's
// type (DISP_E_TYPEMISMATCH or DISP_E_OVERFLOW, *argErr = its position in rgvarg).
HRESULT DispPrepareCall(const InterfaceDesc& iface, DISPID id, std::uint16_t flags,
                        const DISPPARAMS* params, DispCall& call, std::uint32_t* argErr);
