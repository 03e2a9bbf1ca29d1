// Data transfer between objects: clipboard formats, storage media and IDataObject, as a
// picture travels into a rich edit. Bitmaps are named by opaque handles (HBITMAP); who
// makes the handles also says how they are copied and freed (see OleDuplicateData and
// ReleaseStgMedium in the program's data object).
#pragma once

#include <cstdint>

#include "com/Unknown.h"

using CLIPFORMAT = std::uint16_t;
using DWORD = std::uint32_t;
using LONG = std::int32_t;

constexpr CLIPFORMAT CF_BITMAP = 2;

constexpr DWORD DVASPECT_CONTENT = 1;

// Storage medium kinds.
constexpr DWORD TYMED_NULL = 0;
constexpr DWORD TYMED_HGLOBAL = 1;
constexpr DWORD TYMED_GDI = 16;

struct HBITMAP__;
using HBITMAP = HBITMAP__*;
using HGLOBAL = void*;

struct DVTARGETDEVICE;

struct FORMATETC {
    CLIPFORMAT cfFormat = 0;
    DVTARGETDEVICE* ptd = nullptr;
    DWORD dwAspect = 0;
    LONG lindex = -1;
    DWORD tymed = TYMED_NULL;
};

struct STGMEDIUM {
    DWORD tymed = TYMED_NULL;
    union {
        HBITMAP hBitmap;
        HGLOBAL hGlobal;
    };
    // Released instead of the medium itself when set.
    IUnknown* pUnkForRelease = nullptr;

    STGMEDIUM() : hBitmap(nullptr) {}
};

class IEnumFORMATETC;
class IAdviseSink;
class IEnumSTATDATA;

constexpr IID IID_IDataObject =
    MakeGuid(0x0000010E, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);

class IDataObject : public IUnknown {
public:
    virtual HRESULT GetData(FORMATETC* format, STGMEDIUM* medium) = 0;
    virtual HRESULT GetDataHere(FORMATETC* format, STGMEDIUM* medium) = 0;
    virtual HRESULT QueryGetData(FORMATETC* format) = 0;
    virtual HRESULT GetCanonicalFormatEtc(FORMATETC* in, FORMATETC* out) = 0;
    // `release`: the object takes over the medium and frees it when done.
    virtual HRESULT SetData(FORMATETC* format, STGMEDIUM* medium, int release) = 0;
    virtual HRESULT EnumFormatEtc(DWORD direction, IEnumFORMATETC** out) = 0;
    virtual HRESULT DAdvise(FORMATETC* format, DWORD flags, IAdviseSink* sink,
                            DWORD* connection) = 0;
    virtual HRESULT DUnadvise(DWORD connection) = 0;
    virtual HRESULT EnumDAdvise(IEnumSTATDATA** out) = 0;

protected:
    ~IDataObject() = default;
};
