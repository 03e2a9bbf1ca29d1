// Embedding a control in a host window. Windows are named by the framework's
// handles (64-bit numbers), so this runtime does not depend on the framework.
#pragma once

#include <cstdint>

#include "com/Unknown.h"

constexpr IID IID_IVqOleControl =
    MakeGuid(0x6A0C7E41, 0x3B2D, 0x4F6E, 0x9C, 0x1A, 0x5D, 0x2E, 0x7B, 0x40, 0x91, 0xC3);

constexpr int OLEIVERB_PROPERTIES = -7;

struct ControlPlacement {
    std::uint64_t parent = 0;  // the host window
    std::uint32_t style = 0;
    int left = 0, top = 0, right = 0, bottom = 0;  // in the parent's client area
    std::uint32_t id = 0;
    const char* textGbk = "";
};

class IVqOleControl : public IUnknown {
public:
    // Creates the control's own window as a child of place.parent.
    virtual HRESULT CreateControlWindow(const ControlPlacement& place, std::uint64_t* hwnd) = 0;
    virtual HRESULT DoVerb(int verb) = 0;

protected:
    ~IVqOleControl() = default;
};
