#include "com/ConnectionPoint.h"

#include <algorithm>
#include <atomic>
#include <new>

namespace {

// What an enumerator does to hold and let go of one item of its snapshot.
struct HeldConnection {
    static void Hold(const CONNECTDATA& d) { d.pUnk->AddRef(); }
    static void Drop(const CONNECTDATA& d) { d.pUnk->Release(); }
};
struct HeldPoint {
    static void Hold(IConnectionPoint* p) { p->AddRef(); }
    static void Drop(IConnectionPoint* p) { p->Release(); }
};

// A snapshot enumerator. `keeper` keeps the object whose items these are (and
// so its library) alive while the enumerator lives.
template <class Base, class Item, class Held, const IID& kIid>
class CSnapshotEnum final : public CUnknownImpl<Base, kIid> {
public:
    CSnapshotEnum(std::vector<Item> items, IUnknown* keeper)
        : items_(std::move(items)), keeper_(keeper) {
        for (const Item& i : items_)
            Held::Hold(i);
    }

    HRESULT Next(std::uint32_t count, Item* out, std::uint32_t* fetched) override {
        if (fetched != nullptr)
            *fetched = 0;
        if (out == nullptr && count != 0)
            return E_POINTER;
        std::uint32_t n = 0;
        for (; n < count && pos_ < items_.size(); ++n, ++pos_) {
            out[n] = items_[pos_];
            Held::Hold(out[n]);
        }
        if (fetched != nullptr)
            *fetched = n;
        return n == count ? S_OK : S_FALSE;
    }
    HRESULT Skip(std::uint32_t count) override {
        const std::size_t left = items_.size() - pos_;
        pos_ += std::min<std::size_t>(count, left);
        return count <= left ? S_OK : S_FALSE;
    }
    HRESULT Reset() override {
        pos_ = 0;
        return S_OK;
    }
    HRESULT Clone(Base** out) override {
        if (out == nullptr)
            return E_POINTER;
        auto* copy = new (std::nothrow) CSnapshotEnum(items_, keeper_.Get());
        if (copy == nullptr) {
            *out = nullptr;
            return E_OUTOFMEMORY;
        }
        copy->pos_ = pos_;
        copy->AddRef();
        *out = copy;
        return S_OK;
    }

private:
    ~CSnapshotEnum() {
        for (const Item& i : items_)
            Held::Drop(i);
    }

    std::vector<Item> items_;
    std::size_t pos_ = 0;
    CComPtr<IUnknown> keeper_;
};

using CEnumConnections =
    CSnapshotEnum<IEnumConnections, CONNECTDATA, HeldConnection, IID_IEnumConnections>;
using CEnumConnectionPoints =
    CSnapshotEnum<IEnumConnectionPoints, IConnectionPoint*, HeldPoint, IID_IEnumConnectionPoints>;

}  // namespace

HRESULT CreateConnectionPointEnum(const std::vector<IConnectionPoint*>& points,
                                  IEnumConnectionPoints** out) {
    if (out == nullptr)
        return E_POINTER;
    *out = nullptr;
    auto* e = new (std::nothrow) CEnumConnectionPoints(points, nullptr);
    if (e == nullptr)
        return E_OUTOFMEMORY;
    e->AddRef();
    *out = e;
    return S_OK;
}

HRESULT CConnectionPoint::QueryInterface(REFIID iid, void** out) {
    if (out == nullptr)
        return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IConnectionPoint) {
        *out = static_cast<IConnectionPoint*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

HRESULT CConnectionPoint::GetConnectionInterface(IID* iid) {
    if (iid == nullptr)
        return E_POINTER;
    *iid = iid_;
    return S_OK;
}

HRESULT CConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** out) {
    if (out == nullptr)
        return E_POINTER;
    *out = container_;
    container_->AddRef();
    return S_OK;
}

HRESULT CConnectionPoint::Advise(IUnknown* sink, std::uint32_t* cookie) {
    if (cookie == nullptr)
        return E_POINTER;
    *cookie = 0;
    if (sink == nullptr)
        return E_POINTER;
    void* p = nullptr;
    // A sink must speak the event interface itself or at least IDispatch.
    if (FAILED(sink->QueryInterface(iid_, &p)) && FAILED(sink->QueryInterface(IID_IDispatch, &p))) {
        return CONNECT_E_CANNOTCONNECT;
    }
    const std::uint32_t c = nextCookie_++;
    sinks_.push_back({c, static_cast<IDispatch*>(p)});
    *cookie = c;
    return S_OK;
}

HRESULT CConnectionPoint::Unadvise(std::uint32_t cookie) {
    auto it = std::find_if(sinks_.begin(), sinks_.end(),
                           [cookie](const Sink& s) { return s.cookie == cookie; });
    if (it == sinks_.end())
        return CONNECT_E_NOCONNECTION;
    IDispatch* sink = it->sink;
    sinks_.erase(it);
    sink->Release();
    return S_OK;
}

HRESULT CConnectionPoint::EnumConnections(IEnumConnections** out) {
    if (out == nullptr)
        return E_POINTER;
    *out = nullptr;
    std::vector<CONNECTDATA> now;
    now.reserve(sinks_.size());
    for (const Sink& s : sinks_)
        now.push_back({s.sink, s.cookie});
    auto* e = new (std::nothrow) CEnumConnections(std::move(now), container_);
    if (e == nullptr)
        return E_OUTOFMEMORY;
    e->AddRef();
    *out = e;
    return S_OK;
}

void CConnectionPoint::Fire(DISPID id, std::vector<CVariant> args) {
    std::vector<IDispatch*> targets;
    targets.reserve(sinks_.size());
    for (const Sink& s : sinks_) {
        s.sink->AddRef();
        targets.push_back(s.sink);
    }
    std::reverse(args.begin(), args.end());
    for (IDispatch* sink : targets) {
        // Each sink gets its own copy so one cannot change what the next sees.
        std::vector<CVariant> copy = args;
        DISPPARAMS params;
        params.rgvarg = copy.empty() ? nullptr : copy.data();
        params.cArgs = static_cast<std::uint32_t>(copy.size());
        CVariant result;
        sink->Invoke(id, GUID_NULL, 0, DISPATCH_METHOD, &params, &result, nullptr, nullptr);
        sink->Release();
    }
}

void CConnectionPoint::UnadviseAll() {
    std::vector<Sink> old;
    old.swap(sinks_);
    for (const Sink& s : old)
        s.sink->Release();
}
