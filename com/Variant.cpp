#include "com/Variant.h"

#include <limits>

#include "com/Dispatch.h"

void VariantInit(VARIANT* v) {
    v->vt = VT_EMPTY;
    v->lVal = 0;
}

HRESULT VariantClear(VARIANT* v) {
    if (v == nullptr)
        return E_POINTER;
    switch (v->vt) {
        case VT_BSTR:
            SysFreeString(v->bstrVal);
            break;
        case VT_UNKNOWN:
            if (v->punkVal != nullptr)
                v->punkVal->Release();
            break;
        case VT_DISPATCH:
            if (v->pdispVal != nullptr)
                v->pdispVal->Release();
            break;
        default:
            break;
    }
    VariantInit(v);
    return S_OK;
}

HRESULT VariantCopy(VARIANT* dest, const VARIANT* src) {
    if (dest == nullptr || src == nullptr)
        return E_POINTER;
    if (dest == src)
        return S_OK;
    VARIANT tmp;
    tmp.vt = src->vt;
    tmp.ulVal = src->ulVal;
    switch (src->vt) {
        case VT_BSTR:
            tmp.bstrVal = nullptr;
            if (src->bstrVal != nullptr) {
                tmp.bstrVal = SysAllocStringLen(src->bstrVal, SysStringLen(src->bstrVal));
                if (tmp.bstrVal == nullptr)
                    return E_OUTOFMEMORY;
            }
            break;
        case VT_UNKNOWN:
            tmp.punkVal = src->punkVal;
            if (tmp.punkVal != nullptr)
                tmp.punkVal->AddRef();
            break;
        case VT_DISPATCH:
            tmp.pdispVal = src->pdispVal;
            if (tmp.pdispVal != nullptr)
                tmp.pdispVal->AddRef();
            break;
        case VT_EMPTY:
        case VT_I2:
        case VT_I4:
        case VT_BOOL:
        case VT_UI4:
        case VT_ERROR:
            break;
        default:
            return DISP_E_BADVARTYPE;
    }
    VariantClear(dest);
    *dest = tmp;
    return S_OK;
}

namespace {

// The value of a numeric variant widened to 64 bits.
bool NumberOf(const VARIANT& v, std::int64_t& out) {
    switch (v.vt) {
        case VT_I2:
            out = v.iVal;
            return true;
        case VT_I4:
            out = v.lVal;
            return true;
        case VT_UI4:
            out = v.ulVal;
            return true;
        case VT_BOOL:
            out = v.boolVal;
            return true;
        case VT_EMPTY:
            out = 0;
            return true;
        default:
            return false;
    }
}

HRESULT ParseDecimal(BSTR s, std::int64_t& out) {
    const std::uint32_t n = SysStringLen(s);
    std::uint32_t i = 0;
    while (i < n && s[i] == u' ')
        ++i;
    bool negative = false;
    if (i < n && (s[i] == u'-' || s[i] == u'+'))
        negative = s[i++] == u'-';
    if (i >= n)
        return DISP_E_TYPEMISMATCH;
    std::int64_t value = 0;
    for (; i < n && s[i] != u' '; ++i) {
        if (s[i] < u'0' || s[i] > u'9')
            return DISP_E_TYPEMISMATCH;
        value = value * 10 + (s[i] - u'0');
        if (value > (std::int64_t{1} << 33))
            return DISP_E_OVERFLOW;
    }
    while (i < n && s[i] == u' ')
        ++i;
    if (i != n)
        return DISP_E_TYPEMISMATCH;
    out = negative ? -value : value;
    return S_OK;
}

}  // namespace

HRESULT VariantChangeType(VARIANT* dest, const VARIANT* src, VARTYPE vt) {
    if (dest == nullptr || src == nullptr)
        return E_POINTER;
    if (src->vt == vt)
        return VariantCopy(dest, src);
    VARIANT out;
    std::int64_t n = 0;
    if (vt == VT_BSTR) {
        if (!NumberOf(*src, n))
            return DISP_E_TYPEMISMATCH;
        if (src->vt == VT_BOOL)
            n = n != 0 ? -1 : 0;
        const std::string digits = std::to_string(n);
        const std::u16string text(digits.begin(), digits.end());
        out.vt = VT_BSTR;
        out.bstrVal = BstrFromU16(text);
        if (out.bstrVal == nullptr)
            return E_OUTOFMEMORY;
    } else {
        if (src->vt == VT_BSTR) {
            const HRESULT hr = ParseDecimal(src->bstrVal, n);
            if (FAILED(hr))
                return hr;
        } else if (!NumberOf(*src, n)) {
            return DISP_E_TYPEMISMATCH;
        }
        out.vt = vt;
        switch (vt) {
            case VT_I2:
                if (n < std::numeric_limits<std::int16_t>::min() ||
                    n > std::numeric_limits<std::int16_t>::max())
                    return DISP_E_OVERFLOW;
                out.iVal = static_cast<std::int16_t>(n);
                break;
            case VT_I4:
                if (n < std::numeric_limits<std::int32_t>::min() ||
                    n > std::numeric_limits<std::int32_t>::max())
                    return DISP_E_OVERFLOW;
                out.lVal = static_cast<std::int32_t>(n);
                break;
            case VT_UI4:
                // A negative I4 carrying a colour keeps its bits, as OLE_COLOR callers expect.
                if (n < std::numeric_limits<std::int32_t>::min() ||
                    n > std::numeric_limits<std::uint32_t>::max())
                    return DISP_E_OVERFLOW;
                out.ulVal = static_cast<std::uint32_t>(n);
                break;
            case VT_BOOL:
                out.boolVal = n != 0 ? VARIANT_TRUE : VARIANT_FALSE;
                break;
            default:
                return DISP_E_BADVARTYPE;
        }
    }
    VariantClear(dest);
    *dest = out;
    return S_OK;
}

CVariant CVariant::I4(std::int32_t v) {
    CVariant r;
    r.vt = VT_I4;
    r.lVal = v;
    return r;
}

CVariant CVariant::UI4(std::uint32_t v) {
    CVariant r;
    r.vt = VT_UI4;
    r.ulVal = v;
    return r;
}

CVariant CVariant::Bool(bool v) {
    CVariant r;
    r.vt = VT_BOOL;
    r.boolVal = v ? VARIANT_TRUE : VARIANT_FALSE;
    return r;
}

CVariant CVariant::Str(std::u16string_view s) {
    CVariant r;
    r.vt = VT_BSTR;
    r.bstrVal = BstrFromU16(s);
    return r;
}
