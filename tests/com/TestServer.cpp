// A minimal in-process server for the creation tests: one class whose object
// answers IDispatch with dispatch id 1 returning 42.
#include <atomic>

#include "com/ClassFactory.h"
#include "com/Dispatch.h"
#include "tests/com/TestServerIds.h"

namespace {

ModuleLock g_lock;

class Answer final : public IDispatch {
public:
    Answer() { g_lock.Lock(); }
    HRESULT QueryInterface(REFIID iid, void** out) override {
        if (iid == IID_IUnknown || iid == IID_IDispatch) {
            *out = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override {
        const ULONG n = --refs_;
        if (n == 0)
            delete this;
        return n;
    }
    HRESULT GetTypeInfoCount(std::uint32_t* n) override {
        *n = 0;
        return S_OK;
    }
    HRESULT GetTypeInfo(std::uint32_t, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT GetIDsOfNames(REFIID, const OLECHAR* const*, std::uint32_t, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    HRESULT Invoke(DISPID id, REFIID, LCID, std::uint16_t, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
                   std::uint32_t*) override {
        if (id != 1)
            return DISP_E_MEMBERNOTFOUND;
        result->vt = VT_I4;
        result->lVal = 42;
        return S_OK;
    }

private:
    ~Answer() { g_lock.Unlock(); }
    std::atomic<ULONG> refs_{0};
};

class Factory final : public IClassFactory {
public:
    HRESULT QueryInterface(REFIID iid, void** out) override {
        if (iid == IID_IUnknown || iid == IID_IClassFactory) {
            *out = static_cast<IClassFactory*>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return 2; }
    ULONG Release() override { return 1; }
    HRESULT CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        if (outer != nullptr)
            return CLASS_E_NOAGGREGATION;
        CComPtr<IDispatch> obj(new Answer);
        return obj->QueryInterface(iid, out);
    }
    HRESULT LockServer(bool lock) override {
        lock ? g_lock.Lock() : g_lock.Unlock();
        return S_OK;
    }
};

Factory g_factory;

}  // namespace

extern "C" __attribute__((visibility("default"))) HRESULT DllGetClassObject(const CLSID* clsid,
                                                                            const IID* iid,
                                                                            void** out) {
    if (*clsid != CLSID_TestAnswer) {
        *out = nullptr;
        return CLASS_E_CLASSNOTAVAILABLE;
    }
    return g_factory.QueryInterface(*iid, out);
}

extern "C" __attribute__((visibility("default"))) HRESULT DllCanUnloadNow() {
    return g_lock.Count() == 0 ? S_OK : S_FALSE;
}
