// Type information at run time: ITypeLib and ITypeInfo served from a server's
// type-library description (TypeLib.h), so that a container that knows nothing
// of the server can list its interfaces, members, parameters, help strings and
// its default event interface. A dispatch interface shows its methods as
// functions and its properties as variables.
#pragma once

#include <cstdint>

#include "com/TypeLib.h"

constexpr IID IID_ITypeInfo =
    MakeGuid(0x00020401, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);
constexpr IID IID_ITypeLib =
    MakeGuid(0x00020402, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);
constexpr IID IID_IProvideClassInfo =
    MakeGuid(0xB196B283, 0xBAB4, 0x101A, 0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07);
constexpr IID IID_IProvideClassInfo2 =
    MakeGuid(0xA6BC3AC0, 0xDBAA, 0x11CE, 0x9D, 0xE3, 0x00, 0xAA, 0x00, 0x4B, 0xB8, 0x51);

using MEMBERID = DISPID;
using HREFTYPE = std::uint32_t;
constexpr MEMBERID MEMBERID_NIL = -1;

enum TYPEKIND : std::int32_t {
    TKIND_ENUM = 0,
    TKIND_RECORD = 1,
    TKIND_MODULE = 2,
    TKIND_INTERFACE = 3,
    TKIND_DISPATCH = 4,
    TKIND_COCLASS = 5,
    TKIND_ALIAS = 6,
    TKIND_UNION = 7,
};
enum FUNCKIND : std::int32_t { FUNC_DISPATCH = 4 };
enum INVOKEKIND : std::int32_t {
    INVOKE_FUNC = 1,
    INVOKE_PROPERTYGET = 2,
    INVOKE_PROPERTYPUT = 4,
    INVOKE_PROPERTYPUTREF = 8,
};
enum VARKIND : std::int32_t { VAR_DISPATCH = 3 };

constexpr std::uint16_t TYPEFLAG_FCANCREATE = 0x2;
constexpr std::uint16_t TYPEFLAG_FCONTROL = 0x20;
constexpr std::uint16_t TYPEFLAG_FDISPATCHABLE = 0x1000;
constexpr std::int32_t IMPLTYPEFLAG_FDEFAULT = 0x1;
constexpr std::int32_t IMPLTYPEFLAG_FSOURCE = 0x2;
constexpr std::uint16_t PARAMFLAG_FIN = 0x1;
constexpr std::uint32_t GUIDKIND_DEFAULT_SOURCE_DISP_IID = 1;

struct TYPEDESC {
    VARTYPE vt = VT_EMPTY;
};
struct PARAMDESC {
    std::uint16_t wParamFlags = 0;
};
struct ELEMDESC {
    TYPEDESC tdesc;
    PARAMDESC paramdesc;
};

struct TYPEATTR {
    GUID guid;
    LCID lcid = 0;
    MEMBERID memidConstructor = MEMBERID_NIL;
    MEMBERID memidDestructor = MEMBERID_NIL;
    TYPEKIND typekind = TKIND_DISPATCH;
    std::uint16_t cFuncs = 0;
    std::uint16_t cVars = 0;
    std::uint16_t cImplTypes = 0;
    std::uint16_t wTypeFlags = 0;
    std::uint16_t wMajorVerNum = 0;
    std::uint16_t wMinorVerNum = 0;
};

struct FUNCDESC {
    MEMBERID memid = MEMBERID_NIL;
    FUNCKIND funckind = FUNC_DISPATCH;
    INVOKEKIND invkind = INVOKE_FUNC;
    std::int16_t cParams = 0;
    std::int16_t cParamsOpt = 0;
    ELEMDESC* lprgelemdescParam = nullptr;  // cParams entries
    ELEMDESC elemdescFunc;                  // the result; VT_VOID for none
    std::uint16_t wFuncFlags = 0;
};

struct VARDESC {
    MEMBERID memid = MEMBERID_NIL;
    ELEMDESC elemdescVar;
    std::uint16_t wVarFlags = 0;
    VARKIND varkind = VAR_DISPATCH;
};

struct TLIBATTR {
    GUID guid;
    LCID lcid = 0;
    std::uint16_t wMajorVerNum = 0;
    std::uint16_t wMinorVerNum = 0;
    std::uint16_t wLibFlags = 0;
};

class ITypeLib;

class ITypeInfo : public IUnknown {
public:
    virtual HRESULT GetTypeAttr(TYPEATTR** attr) = 0;
    virtual HRESULT GetFuncDesc(std::uint32_t index, FUNCDESC** desc) = 0;
    virtual HRESULT GetVarDesc(std::uint32_t index, VARDESC** desc) = 0;
    // The member's name, then its parameters' names; *count tells how many were filled.
    virtual HRESULT GetNames(MEMBERID memid, BSTR* names, std::uint32_t maxNames,
                             std::uint32_t* count) = 0;
    virtual HRESULT GetRefTypeOfImplType(std::uint32_t index, HREFTYPE* ref) = 0;
    virtual HRESULT GetImplTypeFlags(std::uint32_t index, std::int32_t* flags) = 0;
    virtual HRESULT GetIDsOfNames(const OLECHAR* const* names, std::uint32_t count,
                                  MEMBERID* ids) = 0;
    // MEMBERID_NIL documents the type itself. Any out-parameter may be null.
    virtual HRESULT GetDocumentation(MEMBERID memid, BSTR* name, BSTR* doc,
                                     std::uint32_t* helpContext, BSTR* helpFile) = 0;
    virtual HRESULT GetRefTypeInfo(HREFTYPE ref, ITypeInfo** info) = 0;
    virtual HRESULT GetContainingTypeLib(ITypeLib** lib, std::uint32_t* index) = 0;
    virtual void ReleaseTypeAttr(TYPEATTR* attr) = 0;
    virtual void ReleaseFuncDesc(FUNCDESC* desc) = 0;
    virtual void ReleaseVarDesc(VARDESC* desc) = 0;

protected:
    ~ITypeInfo() = default;
};

class ITypeLib : public IUnknown {
public:
    virtual std::uint32_t GetTypeInfoCount() = 0;
    virtual HRESULT GetTypeInfo(std::uint32_t index, ITypeInfo** info) = 0;
    virtual HRESULT GetTypeInfoType(std::uint32_t index, TYPEKIND* kind) = 0;
    virtual HRESULT GetTypeInfoOfGuid(REFGUID guid, ITypeInfo** info) = 0;
    virtual HRESULT GetLibAttr(TLIBATTR** attr) = 0;
    // Index -1 documents the library itself.
    virtual HRESULT GetDocumentation(std::int32_t index, BSTR* name, BSTR* doc,
                                     std::uint32_t* helpContext, BSTR* helpFile) = 0;
    virtual void ReleaseTLibAttr(TLIBATTR* attr) = 0;

protected:
    ~ITypeLib() = default;
};

class IProvideClassInfo : public IUnknown {
public:
    // The type information of the object's class.
    virtual HRESULT GetClassInfo(ITypeInfo** info) = 0;

protected:
    ~IProvideClassInfo() = default;
};

class IProvideClassInfo2 : public IProvideClassInfo {
public:
    // GUIDKIND_DEFAULT_SOURCE_DISP_IID: the object's default event interface.
    virtual HRESULT GetGUID(std::uint32_t kind, GUID* guid) = 0;

protected:
    ~IProvideClassInfo2() = default;
};

// A type library over a description that outlives it (a server's static
// tables). Every object handed out holds `lock` (may be null) so that the
// server's code stays loaded while a container keeps one.
HRESULT CreateDescTypeLib(const TypeLibDesc& desc, ModuleLock* lock, ITypeLib** out);
// The type information of one interface or class of that description.
HRESULT GetDescTypeInfo(const TypeLibDesc& desc, ModuleLock* lock, REFGUID guid, ITypeInfo** out);
