// A class factory for one class of a server, living as long as the module.
// Its references and LockServer count towards the module lock, so a library
// is not unloaded while a host holds its factory.
#pragma once

#include "com/ClassFactory.h"

class CClassFactory final : public IClassFactory {
public:
    using Creator = HRESULT (*)(IUnknown* outer, REFIID iid, void** out);

    CClassFactory(Creator create, ModuleLock& lock) : create_(create), lock_(lock) {}

    HRESULT QueryInterface(REFIID iid, void** out) override {
        if (out == nullptr)
            return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IClassFactory) {
            *out = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override {
        lock_.Lock();
        return 2;
    }
    ULONG Release() override {
        lock_.Unlock();
        return 1;
    }
    HRESULT CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        if (out == nullptr)
            return E_POINTER;
        *out = nullptr;
        if (outer != nullptr)
            return CLASS_E_NOAGGREGATION;
        return create_(outer, iid, out);
    }
    HRESULT LockServer(bool lock) override {
        lock ? lock_.Lock() : lock_.Unlock();
        return S_OK;
    }

private:
    Creator create_;
    ModuleLock& lock_;
};
