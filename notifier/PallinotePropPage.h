// The control's property page: dialog 200 with the caption "常规". It offers
// no controls of its own and exchanges no properties.
#pragma once

#include <atomic>

#include "com/Persist.h"

namespace fw {
class Window;
}

class CPallinotePropPage final : public IPersist {
public:
    static HRESULT CreateInstance(IUnknown* outer, REFIID iid, void** out);

    CPallinotePropPage();
    ~CPallinotePropPage();

    HRESULT QueryInterface(REFIID iid, void** out) override;
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT GetClassID(CLSID* clsid) override;

    // Runs the page's dialog modally; the result of the dialog.
    long Show(fw::Window* owner);

private:
    std::atomic<ULONG> refs_{0};
};
