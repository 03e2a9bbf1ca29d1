#include "notifier/PallinotePropPage.h"

#include <new>

#include "notifier/PallinoteApp.h"
#include "notifier/PallinoteLib.h"
#include "platform/Window.h"
#include "platform/core/Text.h"

namespace {

class CPropPageDlg : public fw::Dialog {
public:
    explicit CPropPageDlg(fw::Window* owner) : fw::Dialog(IDD_PROPPAGE_PALLINOTE, owner) {}
    bool OnInitDialog() override {
        SetWindowText(vq::Gbk(PallinoteString(IDS_PALLINOTE_PPG_CAPTION)));
        return true;
    }
};

}  // namespace

CPallinotePropPage::CPallinotePropPage() {
    ThePallinoteApp().Lock().Lock();
}

CPallinotePropPage::~CPallinotePropPage() {
    ThePallinoteApp().Lock().Unlock();
}

HRESULT CPallinotePropPage::CreateInstance(IUnknown* outer, REFIID iid, void** out) {
    if (out == nullptr)
        return E_POINTER;
    *out = nullptr;
    if (outer != nullptr)
        return CLASS_E_NOAGGREGATION;
    auto* page = new (std::nothrow) CPallinotePropPage;
    if (page == nullptr)
        return E_OUTOFMEMORY;
    page->AddRef();
    const HRESULT hr = page->QueryInterface(iid, out);
    page->Release();
    return hr;
}

HRESULT CPallinotePropPage::QueryInterface(REFIID iid, void** out) {
    if (out == nullptr)
        return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IPersist) {
        *out = static_cast<IPersist*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

ULONG CPallinotePropPage::AddRef() {
    return ++refs_;
}

ULONG CPallinotePropPage::Release() {
    const ULONG n = --refs_;
    if (n == 0)
        delete this;
    return n;
}

HRESULT CPallinotePropPage::GetClassID(CLSID* clsid) {
    if (clsid == nullptr)
        return E_POINTER;
    *clsid = CLSID_PallinotePropPage;
    return S_OK;
}

long CPallinotePropPage::Show(fw::Window* owner) {
    CPropPageDlg dlg(owner);
    return static_cast<long>(dlg.DoModal());
}
