#include "messaging/ImageDataObject.h"

#include <mutex>
#include <set>

// What a bitmap handle points at.
struct HBITMAP__ {
    fw::Bitmap picture;
};

namespace {

struct HandleTable {
    std::mutex lock;
    std::set<HBITMAP> live;
};

HandleTable& Handles() {
    static HandleTable table;
    return table;
}

std::atomic<int> g_liveObjects{0};

}  // namespace

HBITMAP CreateBitmapHandle(fw::Bitmap picture) {
    auto* handle = new HBITMAP__{std::move(picture)};
    HandleTable& t = Handles();
    std::lock_guard<std::mutex> guard(t.lock);
    t.live.insert(handle);
    return handle;
}

const fw::Bitmap* BitmapOfHandle(HBITMAP handle) {
    HandleTable& t = Handles();
    std::lock_guard<std::mutex> guard(t.lock);
    // A stale handle names nothing rather than freed memory.
    return t.live.count(handle) != 0 ? &handle->picture : nullptr;
}

bool DeleteObject(HBITMAP handle) {
    HandleTable& t = Handles();
    {
        std::lock_guard<std::mutex> guard(t.lock);
        if (t.live.erase(handle) == 0) {
            return false;
        }
    }
    delete handle;
    return true;
}

int LiveBitmapHandles() {
    HandleTable& t = Handles();
    std::lock_guard<std::mutex> guard(t.lock);
    return int(t.live.size());
}

HBITMAP OleDuplicateData(HBITMAP source, CLIPFORMAT format, unsigned flags) {
    (void)flags;
    if (format != CF_BITMAP) {
        return nullptr;
    }
    const fw::Bitmap* picture = BitmapOfHandle(source);
    if (picture == nullptr || picture->IsNull()) {
        return nullptr;
    }
    return CreateBitmapHandle(*picture);
}

void ReleaseStgMedium(STGMEDIUM* medium) {
    if (medium == nullptr) {
        return;
    }
    if (medium->pUnkForRelease != nullptr) {
        medium->pUnkForRelease->Release();
    } else if (medium->tymed == TYMED_GDI && medium->hBitmap != nullptr) {
        DeleteObject(medium->hBitmap);
    }
    medium->tymed = TYMED_NULL;
    medium->hBitmap = nullptr;
    medium->pUnkForRelease = nullptr;
}

// ---------------------------------------------------------------------------------------

CImageDataObject::CImageDataObject() {
    ++g_liveObjects;
}

CImageDataObject::~CImageDataObject() {
    if (release_) {
        ReleaseStgMedium(&medium_);
    }
    --g_liveObjects;
}

int CImageDataObject::LiveObjects() {
    return g_liveObjects.load();
}

HRESULT CImageDataObject::QueryInterface(REFIID iid, void** out) {
    if (out == nullptr) {
        return E_POINTER;
    }
    if (iid == IID_IUnknown || iid == IID_IDataObject) {
        *out = static_cast<IDataObject*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

ULONG CImageDataObject::AddRef() {
    return ++refs_;
}

ULONG CImageDataObject::Release() {
    const ULONG left = --refs_;
    if (left == 0) {
        delete this;
    }
    return left;
}

HRESULT CImageDataObject::GetData(FORMATETC* format, STGMEDIUM* medium) {
    (void)format;
    if (medium == nullptr) {
        return E_POINTER;
    }
    HBITMAP copy = OleDuplicateData(medium_.hBitmap, CF_BITMAP, 0);
    if (copy == nullptr) {
        return E_HANDLE;
    }
    medium->tymed = TYMED_GDI;
    medium->hBitmap = copy;
    medium->pUnkForRelease = nullptr;
    return S_OK;
}

HRESULT CImageDataObject::SetData(FORMATETC* format, STGMEDIUM* medium, int release) {
    if (format == nullptr || medium == nullptr) {
        return E_POINTER;
    }
    // A medium stored before and owned here would otherwise be lost.
    if (release_) {
        ReleaseStgMedium(&medium_);
    }
    format_ = *format;
    medium_ = *medium;
    release_ = release != 0;
    return S_OK;
}

HRESULT CImageDataObject::SetBitmap(HBITMAP bitmap) {
    FORMATETC format;
    format.cfFormat = CF_BITMAP;
    format.ptd = nullptr;
    format.dwAspect = DVASPECT_CONTENT;
    format.lindex = -1;
    format.tymed = TYMED_GDI;
    STGMEDIUM medium;
    medium.tymed = TYMED_GDI;
    medium.hBitmap = bitmap;
    medium.pUnkForRelease = nullptr;
    return SetData(&format, &medium, 1);
}

HRESULT CImageDataObject::GetDataHere(FORMATETC*, STGMEDIUM*) {
    return E_NOTIMPL;
}
HRESULT CImageDataObject::QueryGetData(FORMATETC*) {
    return E_NOTIMPL;
}
HRESULT CImageDataObject::GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) {
    return E_NOTIMPL;
}
HRESULT CImageDataObject::EnumFormatEtc(DWORD, IEnumFORMATETC**) {
    return E_NOTIMPL;
}
HRESULT CImageDataObject::DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) {
    return E_NOTIMPL;
}
HRESULT CImageDataObject::DUnadvise(DWORD) {
    return E_NOTIMPL;
}
HRESULT CImageDataObject::EnumDAdvise(IEnumSTATDATA**) {
    return E_NOTIMPL;
}
