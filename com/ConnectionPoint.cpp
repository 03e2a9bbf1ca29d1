#include "com/ConnectionPoint.h"

#include <algorithm>

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
    if (out != nullptr)
        *out = nullptr;
    return E_NOTIMPL;
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
