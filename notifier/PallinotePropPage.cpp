#include "notifier/PallinotePropPage.h"

#include <new>

#include "notifier/PallinoteApp.h"
#include "notifier/PallinoteLib.h"
#include "platform/Resources.h"
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
    page_.reset();
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
    if (iid == IID_IUnknown || iid == IID_IPropertyPage) {
        *out = static_cast<IPropertyPage*>(this);
    } else if (iid == IID_IPersist) {
        *out = static_cast<IPersist*>(this);
    } else {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
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

HRESULT CPallinotePropPage::SetPageSite(IPropertyPageSite* site) {
    site_ = site;
    return S_OK;
}

HRESULT CPallinotePropPage::SetObjects(std::uint32_t count, IUnknown** objects) {
    if (count != 0 && objects == nullptr)
        return E_POINTER;
    // The page is for the control only: anything else is refused as a whole.
    std::vector<CComPtr<IDispatch>> taken;
    for (std::uint32_t i = 0; i < count; ++i) {
        CComPtr<IDispatch> ctrl;
        if (objects[i] == nullptr ||
            FAILED(objects[i]->QueryInterface(DIID__DPallinote, ctrl.PutVoid()))) {
            return E_NOINTERFACE;
        }
        taken.push_back(ctrl);
    }
    objects_ = std::move(taken);
    return S_OK;
}

HRESULT CPallinotePropPage::Activate(std::uint64_t parent, const PAGERECT* rect, bool modal) {
    (void)modal;
    if (rect == nullptr)
        return E_POINTER;
    if (objects_.empty() || page_ != nullptr)
        return E_UNEXPECTED;
    fw::Window* host = fw::Window::FromHandle(parent);
    if (host == nullptr)
        return E_HANDLE;
    auto dlg = std::make_unique<CPropPageDlg>(host);
    if (!dlg->Create(IDD_PROPPAGE_PALLINOTE, host))
        return E_FAIL;
    dlg->MoveWindow(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top);
    page_ = std::move(dlg);
    return S_OK;
}

HRESULT CPallinotePropPage::Deactivate() {
    if (page_ == nullptr)
        return E_UNEXPECTED;
    page_->DestroyWindow();
    page_.reset();
    return S_OK;
}

HRESULT CPallinotePropPage::GetPageInfo(PROPPAGEINFO* info) {
    if (info == nullptr)
        return E_POINTER;
    *info = PROPPAGEINFO{};
    if (const fw::DialogTemplate* t = fw::Resources::Global().FindDialog(IDD_PROPPAGE_PALLINOTE)) {
        info->width = t->size.cx;
        info->height = t->size.cy;
    }
    const std::u16string title = vq::Utf8ToUtf16(PallinoteString(IDS_PALLINOTE_PPG_CAPTION));
    info->pszTitle = CoTaskMemStrDup(title.c_str());
    return info->pszTitle != nullptr ? S_OK : E_OUTOFMEMORY;
}

HRESULT CPallinotePropPage::Show(std::uint32_t cmdShow) {
    if (page_ == nullptr)
        return E_UNEXPECTED;
    page_->ShowWindow(cmdShow == 0 ? fw::SW_HIDE : fw::SW_SHOW);
    return S_OK;
}

HRESULT CPallinotePropPage::Move(const PAGERECT* rect) {
    if (rect == nullptr)
        return E_POINTER;
    if (page_ == nullptr)
        return E_UNEXPECTED;
    page_->MoveWindow(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top);
    return S_OK;
}

HRESULT CPallinotePropPage::IsPageDirty() {
    return S_FALSE;  // nothing on the page can change
}

HRESULT CPallinotePropPage::Apply() {
    return S_OK;
}

HRESULT CPallinotePropPage::Help(const OLECHAR* helpDir) {
    (void)helpDir;
    return E_NOTIMPL;  // the help file is not part of the library
}

long CPallinotePropPage::ShowModal(fw::Window* owner) {
    CPropPageDlg dlg(owner);
    return static_cast<long>(dlg.DoModal());
}
