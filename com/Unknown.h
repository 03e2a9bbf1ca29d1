// IUnknown and a reference-holding pointer. Interfaces are abstract classes;
// objects cross library boundaries only through these vtables, so both sides
// must be built by the same compiler (they are: one build makes both).
#pragma once

#include <atomic>
#include <cstdint>
#include <utility>

#include "com/Guid.h"
#include "com/HResult.h"

using ULONG = std::uint32_t;
using LCID = std::uint32_t;
using DISPID = std::int32_t;

constexpr IID IID_IUnknown =
    MakeGuid(0x00000000, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);

class IUnknown {
public:
    virtual HRESULT QueryInterface(REFIID iid, void** out) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    ~IUnknown() = default;
};

// Holds one reference.
template <class T>
class CComPtr {
public:
    CComPtr() = default;
    CComPtr(T* p) : p_(p) {  // NOLINT: implicit like the familiar smart pointer
        if (p_ != nullptr)
            p_->AddRef();
    }
    CComPtr(const CComPtr& o) : CComPtr(o.p_) {}
    CComPtr(CComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    CComPtr& operator=(CComPtr o) noexcept {
        std::swap(p_, o.p_);
        return *this;
    }
    ~CComPtr() { Reset(); }

    void Reset() {
        if (p_ != nullptr)
            std::exchange(p_, nullptr)->Release();
    }
    T* Get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    // For out-parameters: the callee stores an already-added reference here.
    T** Put() {
        Reset();
        return &p_;
    }
    void** PutVoid() { return reinterpret_cast<void**>(Put()); }
    T* Detach() { return std::exchange(p_, nullptr); }
    // Takes over a reference that the caller already holds.
    void Attach(T* p) {
        Reset();
        p_ = p;
    }

private:
    T* p_ = nullptr;
};

// IUnknown for a heap object that answers IUnknown and its one interface `Interface` (`kIid`)
// and deletes itself when the last reference goes.
template <class Interface, const IID& kIid>
class CUnknownImpl : public Interface {
public:
    HRESULT QueryInterface(REFIID iid, void** out) override {
        if (out == nullptr)
            return E_POINTER;
        if (iid == IID_IUnknown || iid == kIid) {
            *out = static_cast<Interface*>(this);
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

protected:
    virtual ~CUnknownImpl() = default;

private:
    std::atomic<ULONG> refs_{0};
};

// Count of live objects and server locks of one module, for DllCanUnloadNow.
class ModuleLock {
public:
    void Lock() { count_.fetch_add(1, std::memory_order_relaxed); }
    void Unlock() { count_.fetch_sub(1, std::memory_order_relaxed); }
    long Count() const { return count_.load(std::memory_order_relaxed); }

private:
    std::atomic<long> count_{0};
};
