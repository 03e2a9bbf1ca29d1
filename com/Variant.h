// VARIANT: the tagged value that crosses IDispatch. Only the kinds this system
// passes are supported; others are refused with DISP_E_BADVARTYPE.
#pragma once

#include <cstdint>
#include <string>

#include "com/Bstr.h"
#include "com/HResult.h"

class IUnknown;
class IDispatch;

using VARTYPE = std::uint16_t;
using VARIANT_BOOL = std::int16_t;
using OLE_COLOR = std::uint32_t;

constexpr VARIANT_BOOL VARIANT_TRUE = -1;
constexpr VARIANT_BOOL VARIANT_FALSE = 0;

enum : VARTYPE {
    VT_EMPTY = 0,
    VT_I2 = 2,
    VT_I4 = 3,
    VT_BSTR = 8,
    VT_DISPATCH = 9,
    VT_ERROR = 10,
    VT_BOOL = 11,
    VT_VARIANT = 12,
    VT_UNKNOWN = 13,
    VT_UI4 = 19,
    VT_VOID = 24,
    VT_HRESULT = 25,
    // Type-library only: OLE_COLOR is an unsigned 32-bit value on the wire.
    VT_COLOR = VT_UI4,
};

struct VARIANT {
    VARTYPE vt = VT_EMPTY;
    union {
        std::int32_t lVal;
        std::uint32_t ulVal;
        std::int16_t iVal;
        VARIANT_BOOL boolVal;
        HRESULT scode;
        BSTR bstrVal;
        IUnknown* punkVal;
        IDispatch* pdispVal;
    };
    VARIANT() : lVal(0) {}
};

void VariantInit(VARIANT* v);
// Frees what the variant owns (BSTR, interface reference) and leaves it empty.
HRESULT VariantClear(VARIANT* v);
// Deep copy: a BSTR is duplicated, an interface AddRef'd.
HRESULT VariantCopy(VARIANT* dest, const VARIANT* src);
// Converts src into dest (which is cleared first) as type vt. Numbers convert
// with range checks (DISP_E_OVERFLOW), texts to numbers as whole decimal
// integers (DISP_E_TYPEMISMATCH otherwise).
HRESULT VariantChangeType(VARIANT* dest, const VARIANT* src, VARTYPE vt);

// Owning wrapper.
class CVariant : public VARIANT {
public:
    CVariant() = default;
    CVariant(const CVariant& o) : VARIANT() { VariantCopy(this, &o); }
    CVariant& operator=(const CVariant& o) {
        if (this != &o)
            VariantCopy(this, &o);
        return *this;
    }
    ~CVariant() { VariantClear(this); }

    static CVariant I4(std::int32_t v);
    static CVariant UI4(std::uint32_t v);
    static CVariant Bool(bool v);
    static CVariant Str(std::u16string_view s);
};

// Arrays of CVariant are handed out as VARIANT arrays.
static_assert(sizeof(CVariant) == sizeof(VARIANT));
