#include "com/TypeInfo.h"

#include <atomic>
#include <new>

#include "com/Text16.h"

namespace {

void PutText(BSTR* out, const char* utf8) {
    if (out != nullptr)
        *out = BstrFromU16(Utf8ToUtf16(utf8 != nullptr ? utf8 : ""));
}

// Methods are functions and properties variables, each in table order.
std::vector<const MemberDesc*> MembersOf(const InterfaceDesc& iface, MemberKind kind) {
    std::vector<const MemberDesc*> out;
    for (const MemberDesc& m : iface.members) {
        if (m.kind == kind)
            out.push_back(&m);
    }
    return out;
}

class CDescTypeLib final : public CUnknownImpl<ITypeLib, IID_ITypeLib> {
public:
    CDescTypeLib(const TypeLibDesc& desc, ModuleLock* lock) : desc_(desc), lock_(lock) {
        if (lock_ != nullptr)
            lock_->Lock();
    }

    std::uint32_t GetTypeInfoCount() override {
        return static_cast<std::uint32_t>(desc_.interfaces.size() + desc_.classes.size());
    }
    HRESULT GetTypeInfo(std::uint32_t index, ITypeInfo** info) override;
    HRESULT GetTypeInfoType(std::uint32_t index, TYPEKIND* kind) override {
        if (kind == nullptr)
            return E_POINTER;
        if (index >= GetTypeInfoCount())
            return TYPE_E_ELEMENTNOTFOUND;
        *kind = index < desc_.interfaces.size() ? TKIND_DISPATCH : TKIND_COCLASS;
        return S_OK;
    }
    HRESULT GetTypeInfoOfGuid(REFGUID guid, ITypeInfo** info) override {
        if (info == nullptr)
            return E_POINTER;
        *info = nullptr;
        const std::uint32_t index = IndexOf(guid);
        return index == kNone ? TYPE_E_ELEMENTNOTFOUND : GetTypeInfo(index, info);
    }
    HRESULT GetLibAttr(TLIBATTR** attr) override {
        if (attr == nullptr)
            return E_POINTER;
        *attr = new (std::nothrow) TLIBATTR;
        if (*attr == nullptr)
            return E_OUTOFMEMORY;
        (*attr)->guid = desc_.libid;
        (*attr)->lcid = desc_.lcid;
        (*attr)->wMajorVerNum = desc_.major;
        (*attr)->wMinorVerNum = desc_.minor;
        return S_OK;
    }
    HRESULT GetDocumentation(std::int32_t index, BSTR* name, BSTR* doc, std::uint32_t* helpContext,
                             BSTR* helpFile) override {
        const char* typeName = desc_.name;
        const char* typeHelp = desc_.help;
        if (index != -1) {
            if (index < 0 || static_cast<std::uint32_t>(index) >= GetTypeInfoCount())
                return TYPE_E_ELEMENTNOTFOUND;
            const auto i = static_cast<std::size_t>(index);
            if (i < desc_.interfaces.size()) {
                typeName = desc_.interfaces[i]->name;
                typeHelp = desc_.interfaces[i]->help;
            } else {
                typeName = desc_.classes[i - desc_.interfaces.size()].name;
                typeHelp = desc_.classes[i - desc_.interfaces.size()].help;
            }
        }
        PutText(name, typeName);
        PutText(doc, typeHelp);
        PutText(helpFile, desc_.helpFile);
        if (helpContext != nullptr)
            *helpContext = 0;
        return S_OK;
    }
    void ReleaseTLibAttr(TLIBATTR* attr) override { delete attr; }

    static constexpr std::uint32_t kNone = 0xFFFFFFFFu;
    std::uint32_t IndexOf(REFGUID guid) const {
        for (std::size_t i = 0; i < desc_.interfaces.size(); ++i) {
            if (desc_.interfaces[i]->iid == guid)
                return static_cast<std::uint32_t>(i);
        }
        for (std::size_t i = 0; i < desc_.classes.size(); ++i) {
            if (desc_.classes[i].clsid == guid)
                return static_cast<std::uint32_t>(desc_.interfaces.size() + i);
        }
        return kNone;
    }
    const TypeLibDesc& Desc() const { return desc_; }
    ModuleLock* Lock() const { return lock_; }

private:
    ~CDescTypeLib() {
        if (lock_ != nullptr)
            lock_->Unlock();
    }

    const TypeLibDesc& desc_;
    ModuleLock* lock_;
};

// One interface or class of the library; references go by the library's
// index of the type they name.
class CDescTypeInfo final : public CUnknownImpl<ITypeInfo, IID_ITypeInfo> {
public:
    CDescTypeInfo(CDescTypeLib* lib, std::uint32_t index) : lib_(lib), index_(index) {
        const TypeLibDesc& d = lib->Desc();
        if (index < d.interfaces.size()) {
            iface_ = d.interfaces[index];
            funcs_ = MembersOf(*iface_, MemberKind::Method);
            vars_ = MembersOf(*iface_, MemberKind::Property);
        } else {
            class_ = &d.classes[index - d.interfaces.size()];
            if (!(class_->defaultInterface == GUID_NULL))
                impls_.push_back({class_->defaultInterface, IMPLTYPEFLAG_FDEFAULT});
            if (!(class_->defaultSource == GUID_NULL)) {
                impls_.push_back(
                    {class_->defaultSource, IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE});
            }
        }
        if (ModuleLock* lock = lib_->Lock())
            lock->Lock();
    }

    HRESULT GetTypeAttr(TYPEATTR** attr) override {
        if (attr == nullptr)
            return E_POINTER;
        *attr = new (std::nothrow) TYPEATTR;
        if (*attr == nullptr)
            return E_OUTOFMEMORY;
        TYPEATTR& a = **attr;
        const TypeLibDesc& d = lib_->Desc();
        a.lcid = d.lcid;
        a.wMajorVerNum = d.major;
        a.wMinorVerNum = d.minor;
        if (iface_ != nullptr) {
            a.guid = iface_->iid;
            a.typekind = TKIND_DISPATCH;
            a.cFuncs = static_cast<std::uint16_t>(funcs_.size());
            a.cVars = static_cast<std::uint16_t>(vars_.size());
            a.wTypeFlags = TYPEFLAG_FDISPATCHABLE;
        } else {
            a.guid = class_->clsid;
            a.typekind = TKIND_COCLASS;
            a.cImplTypes = static_cast<std::uint16_t>(impls_.size());
            a.wTypeFlags = TYPEFLAG_FCANCREATE | (class_->control ? TYPEFLAG_FCONTROL : 0);
        }
        return S_OK;
    }

    HRESULT GetFuncDesc(std::uint32_t index, FUNCDESC** desc) override {
        if (desc == nullptr)
            return E_POINTER;
        *desc = nullptr;
        if (index >= funcs_.size())
            return TYPE_E_ELEMENTNOTFOUND;
        const MemberDesc& m = *funcs_[index];
        auto* f = new (std::nothrow) FUNCDESC;
        if (f == nullptr)
            return E_OUTOFMEMORY;
        f->memid = m.id;
        f->cParams = static_cast<std::int16_t>(m.params.size());
        f->elemdescFunc.tdesc.vt = m.type == VT_EMPTY ? VARTYPE{VT_VOID} : m.type;
        if (!m.params.empty()) {
            f->lprgelemdescParam = new (std::nothrow) ELEMDESC[m.params.size()];
            if (f->lprgelemdescParam == nullptr) {
                delete f;
                return E_OUTOFMEMORY;
            }
            for (std::size_t i = 0; i < m.params.size(); ++i) {
                f->lprgelemdescParam[i].tdesc.vt = m.params[i].vt;
                f->lprgelemdescParam[i].paramdesc.wParamFlags = PARAMFLAG_FIN;
            }
        }
        *desc = f;
        return S_OK;
    }

    HRESULT GetVarDesc(std::uint32_t index, VARDESC** desc) override {
        if (desc == nullptr)
            return E_POINTER;
        *desc = nullptr;
        if (index >= vars_.size())
            return TYPE_E_ELEMENTNOTFOUND;
        auto* v = new (std::nothrow) VARDESC;
        if (v == nullptr)
            return E_OUTOFMEMORY;
        v->memid = vars_[index]->id;
        v->elemdescVar.tdesc.vt = vars_[index]->type;
        *desc = v;
        return S_OK;
    }

    HRESULT GetNames(MEMBERID memid, BSTR* names, std::uint32_t maxNames,
                     std::uint32_t* count) override {
        if (names == nullptr || count == nullptr)
            return E_POINTER;
        *count = 0;
        const MemberDesc* m = iface_ != nullptr ? iface_->Find(memid) : nullptr;
        if (m == nullptr)
            return TYPE_E_ELEMENTNOTFOUND;
        if (maxNames == 0)
            return S_OK;
        PutText(&names[0], m->name);
        std::uint32_t n = 1;
        for (std::size_t i = 0; i < m->params.size() && n < maxNames; ++i)
            PutText(&names[n++], m->params[i].name);
        *count = n;
        return S_OK;
    }

    HRESULT GetRefTypeOfImplType(std::uint32_t index, HREFTYPE* ref) override {
        if (ref == nullptr)
            return E_POINTER;
        if (index >= impls_.size())
            return TYPE_E_ELEMENTNOTFOUND;
        const std::uint32_t target = lib_->IndexOf(impls_[index].iid);
        if (target == CDescTypeLib::kNone)
            return TYPE_E_ELEMENTNOTFOUND;
        *ref = target;
        return S_OK;
    }

    HRESULT GetImplTypeFlags(std::uint32_t index, std::int32_t* flags) override {
        if (flags == nullptr)
            return E_POINTER;
        if (index >= impls_.size())
            return TYPE_E_ELEMENTNOTFOUND;
        *flags = impls_[index].flags;
        return S_OK;
    }

    HRESULT GetIDsOfNames(const OLECHAR* const* names, std::uint32_t count,
                          MEMBERID* ids) override {
        if (iface_ == nullptr) {
            if (ids != nullptr) {
                for (std::uint32_t i = 0; i < count; ++i)
                    ids[i] = MEMBERID_NIL;
            }
            return DISP_E_UNKNOWNNAME;
        }
        return DispGetIDsOfNames(*iface_, names, count, ids);
    }

    HRESULT GetDocumentation(MEMBERID memid, BSTR* name, BSTR* doc, std::uint32_t* helpContext,
                             BSTR* helpFile) override {
        const char* itemName = iface_ != nullptr ? iface_->name : class_->name;
        const char* itemHelp = iface_ != nullptr ? iface_->help : class_->help;
        if (memid != MEMBERID_NIL) {
            const MemberDesc* m = iface_ != nullptr ? iface_->Find(memid) : nullptr;
            if (m == nullptr)
                return TYPE_E_ELEMENTNOTFOUND;
            itemName = m->name;
            itemHelp = m->help;
        }
        PutText(name, itemName);
        PutText(doc, itemHelp);
        PutText(helpFile, lib_->Desc().helpFile);
        if (helpContext != nullptr)
            *helpContext = 0;
        return S_OK;
    }

    HRESULT GetRefTypeInfo(HREFTYPE ref, ITypeInfo** info) override {
        if (info == nullptr)
            return E_POINTER;
        *info = nullptr;
        if (ref >= lib_->GetTypeInfoCount())
            return TYPE_E_ELEMENTNOTFOUND;
        return lib_->GetTypeInfo(ref, info);
    }

    HRESULT GetContainingTypeLib(ITypeLib** lib, std::uint32_t* index) override {
        if (lib == nullptr)
            return E_POINTER;
        *lib = lib_.Get();
        lib_->AddRef();
        if (index != nullptr)
            *index = index_;
        return S_OK;
    }

    void ReleaseTypeAttr(TYPEATTR* attr) override { delete attr; }
    void ReleaseFuncDesc(FUNCDESC* desc) override {
        if (desc != nullptr)
            delete[] desc->lprgelemdescParam;
        delete desc;
    }
    void ReleaseVarDesc(VARDESC* desc) override { delete desc; }

private:
    ~CDescTypeInfo() {
        if (ModuleLock* lock = lib_->Lock())
            lock->Unlock();
    }

    struct Impl {
        IID iid;
        std::int32_t flags;
    };
    CComPtr<CDescTypeLib> lib_;
    std::uint32_t index_;
    const InterfaceDesc* iface_ = nullptr;
    const CoClassDesc* class_ = nullptr;
    std::vector<const MemberDesc*> funcs_;
    std::vector<const MemberDesc*> vars_;
    std::vector<Impl> impls_;
};

HRESULT CDescTypeLib::GetTypeInfo(std::uint32_t index, ITypeInfo** info) {
    if (info == nullptr)
        return E_POINTER;
    *info = nullptr;
    if (index >= GetTypeInfoCount())
        return TYPE_E_ELEMENTNOTFOUND;
    auto* t = new (std::nothrow) CDescTypeInfo(this, index);
    if (t == nullptr)
        return E_OUTOFMEMORY;
    t->AddRef();
    *info = t;
    return S_OK;
}

}  // namespace

HRESULT CreateDescTypeLib(const TypeLibDesc& desc, ModuleLock* lock, ITypeLib** out) {
    if (out == nullptr)
        return E_POINTER;
    *out = nullptr;
    auto* lib = new (std::nothrow) CDescTypeLib(desc, lock);
    if (lib == nullptr)
        return E_OUTOFMEMORY;
    lib->AddRef();
    *out = lib;
    return S_OK;
}

HRESULT GetDescTypeInfo(const TypeLibDesc& desc, ModuleLock* lock, REFGUID guid, ITypeInfo** out) {
    if (out == nullptr)
        return E_POINTER;
    *out = nullptr;
    CComPtr<ITypeLib> lib;
    const HRESULT hr = CreateDescTypeLib(desc, lock, lib.Put());
    if (FAILED(hr))
        return hr;
    return lib->GetTypeInfoOfGuid(guid, out);
}
