// Property pages: a control names the classes of its pages, and a container
// creates each page by class id, hands it the objects it is for and lets it
// show its dialog inside a window of the container's. Windows are named by
// the framework's handles, as in OleControl.h.
#pragma once

#include <cstdint>

#include "com/Bstr.h"
#include "com/Unknown.h"

constexpr IID IID_ISpecifyPropertyPages =
    MakeGuid(0xB196B28B, 0xBAB4, 0x101A, 0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07);
constexpr IID IID_IPropertyPageSite =
    MakeGuid(0xB196B28C, 0xBAB4, 0x101A, 0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07);
constexpr IID IID_IPropertyPage =
    MakeGuid(0xB196B28D, 0xBAB4, 0x101A, 0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07);

// Memory that one side allocates and the other frees (page titles, page lists).
void* CoTaskMemAlloc(std::size_t bytes);
void CoTaskMemFree(void* p);
// A copy of a text in task memory, or null when out of memory.
OLECHAR* CoTaskMemStrDup(const OLECHAR* text);

// Counted array of class ids in task memory; the receiver frees pElems.
struct CAUUID {
    std::uint32_t cElems = 0;
    GUID* pElems = nullptr;
};

class ISpecifyPropertyPages : public IUnknown {
public:
    virtual HRESULT GetPages(CAUUID* pages) = 0;

protected:
    ~ISpecifyPropertyPages() = default;
};

struct PAGERECT {
    int left = 0, top = 0, right = 0, bottom = 0;
};

// Texts in task memory; the container frees them.
struct PROPPAGEINFO {
    std::uint32_t cb = sizeof(PROPPAGEINFO);
    OLECHAR* pszTitle = nullptr;
    int width = 0, height = 0;  // pixels
    OLECHAR* pszDocString = nullptr;
    OLECHAR* pszHelpFile = nullptr;
    std::uint32_t dwHelpContext = 0;
};

constexpr std::uint32_t PROPPAGESTATUS_DIRTY = 0x1;

class IPropertyPageSite : public IUnknown {
public:
    virtual HRESULT OnStatusChange(std::uint32_t flags) = 0;
    virtual HRESULT GetLocaleID(LCID* lcid) = 0;

protected:
    ~IPropertyPageSite() = default;
};

class IPropertyPage : public IUnknown {
public:
    virtual HRESULT SetPageSite(IPropertyPageSite* site) = 0;
    // Creates the page's window as a child of parent, at rect, hidden.
    virtual HRESULT Activate(std::uint64_t parent, const PAGERECT* rect, bool modal) = 0;
    virtual HRESULT Deactivate() = 0;
    virtual HRESULT GetPageInfo(PROPPAGEINFO* info) = 0;
    // The objects the page is for; 0 objects lets go of them.
    virtual HRESULT SetObjects(std::uint32_t count, IUnknown** objects) = 0;
    // 0 hides the page's window, anything else shows it.
    virtual HRESULT Show(std::uint32_t cmdShow) = 0;
    virtual HRESULT Move(const PAGERECT* rect) = 0;
    virtual HRESULT IsPageDirty() = 0;
    virtual HRESULT Apply() = 0;
    virtual HRESULT Help(const OLECHAR* helpDir) = 0;

protected:
    ~IPropertyPage() = default;
};
