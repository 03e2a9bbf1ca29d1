// The control's property page: dialog 200 with the caption "常规". It offers
// no controls of its own and exchanges no properties. A container reaches it
// by class id (the control names it through ISpecifyPropertyPages) and shows
// it inside a window of its own; the Properties verb shows it as a dialog.
#pragma once

#include <atomic>
#include <memory>
#include <vector>

#include "com/Dispatch.h"
#include "com/Persist.h"
#include "com/PropertyPage.h"

namespace fw {
class Dialog;
class Window;
}  // namespace fw

class CPallinotePropPage final : public IPropertyPage, public IPersist {
public:
    static HRESULT CreateInstance(IUnknown* outer, REFIID iid, void** out);

    CPallinotePropPage();
    ~CPallinotePropPage();

    HRESULT QueryInterface(REFIID iid, void** out) override;
    ULONG AddRef() override;
    ULONG Release() override;
    // IPersist
    HRESULT GetClassID(CLSID* clsid) override;
    // IPropertyPage
    HRESULT SetPageSite(IPropertyPageSite* site) override;
    HRESULT Activate(std::uint64_t parent, const PAGERECT* rect, bool modal) override;
    HRESULT Deactivate() override;
    HRESULT GetPageInfo(PROPPAGEINFO* info) override;
    HRESULT SetObjects(std::uint32_t count, IUnknown** objects) override;
    HRESULT Show(std::uint32_t cmdShow) override;
    HRESULT Move(const PAGERECT* rect) override;
    HRESULT IsPageDirty() override;
    HRESULT Apply() override;
    HRESULT Help(const OLECHAR* helpDir) override;

    // Runs the page's dialog modally; the result of the dialog.
    long ShowModal(fw::Window* owner);
    // The page's window while it is active, else null.
    fw::Dialog* PageWindow() const { return page_.get(); }
    std::size_t ObjectCount() const { return objects_.size(); }

private:
    std::atomic<ULONG> refs_{0};
    CComPtr<IPropertyPageSite> site_;
    std::vector<CComPtr<IDispatch>> objects_;
    std::unique_ptr<fw::Dialog> page_;
};
