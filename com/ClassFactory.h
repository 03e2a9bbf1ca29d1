// IClassFactory and the signatures of the four exports of an in-process server.
#pragma once

#include "com/Unknown.h"

constexpr IID IID_IClassFactory =
    MakeGuid(0x00000001, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);

class IClassFactory : public IUnknown {
public:
    virtual HRESULT CreateInstance(IUnknown* outer, REFIID iid, void** out) = 0;
    virtual HRESULT LockServer(bool lock) = 0;

protected:
    ~IClassFactory() = default;
};

extern "C" {
using PfnDllGetClassObject = HRESULT (*)(const CLSID* clsid, const IID* iid, void** out);
using PfnDllCanUnloadNow = HRESULT (*)();
using PfnDllRegisterServer = HRESULT (*)();
using PfnDllUnregisterServer = HRESULT (*)();
}
