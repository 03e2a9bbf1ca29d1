#pragma once
// The data object that carries one picture into a rich edit, and the bitmap handles it
// stores. A handle owns one picture; OleDuplicateData copies it, DeleteObject and
// ReleaseStgMedium free it.

#include <atomic>
#include <memory>

#include "com/DataObject.h"
#include "platform/Bitmap.h"

// ---- Bitmap handles ----
HBITMAP CreateBitmapHandle(fw::Bitmap picture);
// The picture of a live handle; null for a null handle.
const fw::Bitmap* BitmapOfHandle(HBITMAP handle);
bool DeleteObject(HBITMAP handle);
// Handles alive now (for leak checks).
int LiveBitmapHandles();
// A new handle holding a copy of the picture (CF_BITMAP only); null when it cannot copy.
HBITMAP OleDuplicateData(HBITMAP source, CLIPFORMAT format, unsigned flags);
// Frees the medium: its release object when it has one, else the bitmap it holds.
void ReleaseStgMedium(STGMEDIUM* medium);

class CImageDataObject final : public IDataObject {
public:
    // Made with no reference: the first QueryInterface or AddRef takes one.
    CImageDataObject();

    // ---- IUnknown ----
    HRESULT QueryInterface(REFIID iid, void** out) override;
    ULONG AddRef() override;
    ULONG Release() override;

    // ---- IDataObject ----
    // A copy of the stored bitmap in a TYMED_GDI medium without release object; E_HANDLE
    // when it cannot be copied.
    HRESULT GetData(FORMATETC* format, STGMEDIUM* medium) override;
    HRESULT GetDataHere(FORMATETC* format, STGMEDIUM* medium) override;
    HRESULT QueryGetData(FORMATETC* format) override;
    HRESULT GetCanonicalFormatEtc(FORMATETC* in, FORMATETC* out) override;
    // Stores the format and the medium; with `release` the object frees the medium when it
    // is replaced or the object goes.
    HRESULT SetData(FORMATETC* format, STGMEDIUM* medium, int release) override;
    HRESULT EnumFormatEtc(DWORD direction, IEnumFORMATETC** out) override;
    HRESULT DAdvise(FORMATETC* format, DWORD flags, IAdviseSink* sink, DWORD* connection) override;
    HRESULT DUnadvise(DWORD connection) override;
    HRESULT EnumDAdvise(IEnumSTATDATA** out) override;

    // Stores `bitmap` as CF_BITMAP content, taking it over.
    HRESULT SetBitmap(HBITMAP bitmap);
    const FORMATETC& Format() const { return format_; }

    // Objects alive now (for leak checks).
    static int LiveObjects();

private:
    ~CImageDataObject();

    std::atomic<ULONG> refs_{0};
    bool release_ = false;
    STGMEDIUM medium_;
    FORMATETC format_;
};
