// Connection points: how a control hands its events to the sinks a host advised.
#pragma once

#include <cstdint>
#include <vector>

#include "com/Dispatch.h"

constexpr IID IID_IConnectionPointContainer =
    MakeGuid(0xB196B284, 0xBAB4, 0x101A, 0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07);
constexpr IID IID_IConnectionPoint =
    MakeGuid(0xB196B286, 0xBAB4, 0x101A, 0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07);

constexpr IID IID_IEnumConnections =
    MakeGuid(0xB196B287, 0xBAB4, 0x101A, 0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07);
constexpr IID IID_IEnumConnectionPoints =
    MakeGuid(0xB196B285, 0xBAB4, 0x101A, 0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07);

class IConnectionPoint;
class IConnectionPointContainer;

// One advised sink: the caller of Next owns the reference in pUnk.
struct CONNECTDATA {
    IUnknown* pUnk = nullptr;
    std::uint32_t dwCookie = 0;
};

// Enumerators hand out a snapshot taken when they were made. Next returns
// S_FALSE when fewer than count items were left; fetched may be null.
class IEnumConnections : public IUnknown {
public:
    virtual HRESULT Next(std::uint32_t count, CONNECTDATA* out, std::uint32_t* fetched) = 0;
    virtual HRESULT Skip(std::uint32_t count) = 0;
    virtual HRESULT Reset() = 0;
    virtual HRESULT Clone(IEnumConnections** out) = 0;

protected:
    ~IEnumConnections() = default;
};

class IEnumConnectionPoints : public IUnknown {
public:
    virtual HRESULT Next(std::uint32_t count, IConnectionPoint** out, std::uint32_t* fetched) = 0;
    virtual HRESULT Skip(std::uint32_t count) = 0;
    virtual HRESULT Reset() = 0;
    virtual HRESULT Clone(IEnumConnectionPoints** out) = 0;

protected:
    ~IEnumConnectionPoints() = default;
};

class IConnectionPoint : public IUnknown {
public:
    virtual HRESULT GetConnectionInterface(IID* iid) = 0;
    virtual HRESULT GetConnectionPointContainer(IConnectionPointContainer** out) = 0;
    virtual HRESULT Advise(IUnknown* sink, std::uint32_t* cookie) = 0;
    virtual HRESULT Unadvise(std::uint32_t cookie) = 0;
    virtual HRESULT EnumConnections(IEnumConnections** out) = 0;

protected:
    ~IConnectionPoint() = default;
};

class IConnectionPointContainer : public IUnknown {
public:
    virtual HRESULT EnumConnectionPoints(IEnumConnectionPoints** out) = 0;
    virtual HRESULT FindConnectionPoint(REFIID iid, IConnectionPoint** out) = 0;

protected:
    ~IConnectionPointContainer() = default;
};

// An enumerator over the given connection points (each is held while it lives).
HRESULT CreateConnectionPointEnum(const std::vector<IConnectionPoint*>& points,
                                  IEnumConnectionPoints** out);

// One outgoing dispatch interface of an object. It lives inside its container
// and delegates its reference count there, so the container outlives every
// pointer to it. Sinks are held as IDispatch (queried at Advise).
class CConnectionPoint final : public IConnectionPoint {
public:
    CConnectionPoint(IConnectionPointContainer* container, const IID& iid)
        : container_(container), iid_(iid) {}
    CConnectionPoint(const CConnectionPoint&) = delete;
    CConnectionPoint& operator=(const CConnectionPoint&) = delete;
    ~CConnectionPoint() { UnadviseAll(); }

    HRESULT QueryInterface(REFIID iid, void** out) override;
    ULONG AddRef() override { return container_->AddRef(); }
    ULONG Release() override { return container_->Release(); }
    HRESULT GetConnectionInterface(IID* iid) override;
    HRESULT GetConnectionPointContainer(IConnectionPointContainer** out) override;
    HRESULT Advise(IUnknown* sink, std::uint32_t* cookie) override;
    HRESULT Unadvise(std::uint32_t cookie) override;
    HRESULT EnumConnections(IEnumConnections** out) override;

    // Calls every sink advised at the time of the call, in advise order.
    // args are in parameter order (not reversed). A sink that unadvises during
    // the call is still called safely: each is held for the duration.
    void Fire(DISPID id, std::vector<CVariant> args);
    void UnadviseAll();
    std::size_t SinkCount() const { return sinks_.size(); }

private:
    struct Sink {
        std::uint32_t cookie;
        IDispatch* sink;
    };
    IConnectionPointContainer* container_;
    IID iid_;
    std::vector<Sink> sinks_;
    std::uint32_t nextCookie_ = 1;
};
