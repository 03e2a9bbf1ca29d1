// Type information served from a description, and the connection enumerators.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "com/ConnectionPoint.h"
#include "com/TypeInfo.h"

namespace {

const IID kMain = MakeGuid(0x10, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1);
const IID kEvents = MakeGuid(0x20, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2);
const CLSID kClass = MakeGuid(0x30, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3);
const GUID kLib = MakeGuid(0x40, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4);

const InterfaceDesc& MainDesc() {
    static const InterfaceDesc d{
        kMain,
        "_DGadget",
        "gadget calls",
        {{1, "Add", MemberKind::Method, VT_I4, {{"a", VT_I4}, {"b", VT_BSTR}}, "adds"},
         {5, "Colour", MemberKind::Property, VT_UI4, {}, "the colour", true},
         {2, "Reset", MemberKind::Method, VT_EMPTY, {}, "resets"}}};
    return d;
}

const InterfaceDesc& EventsDesc() {
    static const InterfaceDesc d{kEvents,
                                 "_DGadgetEvents",
                                 "gadget events",
                                 {{7, "Ping", MemberKind::Method, VT_EMPTY, {}, ""}}};
    return d;
}

const TypeLibDesc& Lib() {
    static const TypeLibDesc d{kLib,
                               "GadgetLib",
                               2,
                               1,
                               1033,
                               "gadget.hlp",
                               "gadget library",
                               {&MainDesc(), &EventsDesc()},
                               {{kClass, "Gadget", "a gadget", kMain, kEvents, true}}};
    return d;
}

std::u16string Take(BSTR s) {
    std::u16string out = U16FromBstr(s);
    SysFreeString(s);
    return out;
}

TEST(TypeInfo, DispatchInterfaceListsMethodsAsFunctionsAndPropertiesAsVariables) {
    ModuleLock lock;
    CComPtr<ITypeInfo> info;
    ASSERT_EQ(GetDescTypeInfo(Lib(), &lock, kMain, info.Put()), S_OK);
    EXPECT_EQ(lock.Count(), 2);  // the type and its library hold the module

    TYPEATTR* attr = nullptr;
    ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
    EXPECT_EQ(attr->guid, kMain);
    EXPECT_EQ(attr->typekind, TKIND_DISPATCH);
    EXPECT_EQ(attr->cFuncs, 2);
    EXPECT_EQ(attr->cVars, 1);
    EXPECT_EQ(attr->wMajorVerNum, 2);
    info->ReleaseTypeAttr(attr);

    FUNCDESC* f = nullptr;
    ASSERT_EQ(info->GetFuncDesc(0, &f), S_OK);
    EXPECT_EQ(f->memid, 1);
    EXPECT_EQ(f->invkind, INVOKE_FUNC);
    EXPECT_EQ(f->elemdescFunc.tdesc.vt, VT_I4);
    ASSERT_EQ(f->cParams, 2);
    EXPECT_EQ(f->lprgelemdescParam[1].tdesc.vt, VT_BSTR);
    EXPECT_EQ(f->lprgelemdescParam[1].paramdesc.wParamFlags, PARAMFLAG_FIN);
    info->ReleaseFuncDesc(f);
    ASSERT_EQ(info->GetFuncDesc(1, &f), S_OK);
    EXPECT_EQ(f->memid, 2);
    EXPECT_EQ(f->elemdescFunc.tdesc.vt, VT_VOID);
    EXPECT_EQ(f->cParams, 0);
    info->ReleaseFuncDesc(f);
    EXPECT_EQ(info->GetFuncDesc(2, &f), TYPE_E_ELEMENTNOTFOUND);

    VARDESC* v = nullptr;
    ASSERT_EQ(info->GetVarDesc(0, &v), S_OK);
    EXPECT_EQ(v->memid, 5);
    EXPECT_EQ(v->varkind, VAR_DISPATCH);
    EXPECT_EQ(v->elemdescVar.tdesc.vt, VT_UI4);
    info->ReleaseVarDesc(v);
    EXPECT_EQ(info->GetVarDesc(1, &v), TYPE_E_ELEMENTNOTFOUND);

    // Names: the member, then its parameters, no more than asked for.
    BSTR names[3] = {};
    std::uint32_t n = 0;
    ASSERT_EQ(info->GetNames(1, names, 3, &n), S_OK);
    ASSERT_EQ(n, 3u);
    EXPECT_EQ(Take(names[0]), u"Add");
    EXPECT_EQ(Take(names[1]), u"a");
    EXPECT_EQ(Take(names[2]), u"b");
    ASSERT_EQ(info->GetNames(1, names, 2, &n), S_OK);
    EXPECT_EQ(n, 2u);
    Take(names[0]);
    Take(names[1]);
    EXPECT_EQ(info->GetNames(99, names, 3, &n), TYPE_E_ELEMENTNOTFOUND);

    BSTR name = nullptr, doc = nullptr, file = nullptr;
    ASSERT_EQ(info->GetDocumentation(5, &name, &doc, nullptr, &file), S_OK);
    EXPECT_EQ(Take(name), u"Colour");
    EXPECT_EQ(Take(doc), u"the colour");
    EXPECT_EQ(Take(file), u"gadget.hlp");
    ASSERT_EQ(info->GetDocumentation(MEMBERID_NIL, &name, nullptr, nullptr, nullptr), S_OK);
    EXPECT_EQ(Take(name), u"_DGadget");

    const OLECHAR* lookup[] = {u"ADD", u"b"};
    MEMBERID ids[2] = {};
    ASSERT_EQ(info->GetIDsOfNames(lookup, 2, ids), S_OK);
    EXPECT_EQ(ids[0], 1);
    EXPECT_EQ(ids[1], 1);  // the second parameter

    info.Reset();
    EXPECT_EQ(lock.Count(), 0);
}

TEST(TypeInfo, ClassNamesItsDefaultAndSourceInterfacesThroughItsLibrary) {
    CComPtr<ITypeLib> lib;
    ASSERT_EQ(CreateDescTypeLib(Lib(), nullptr, lib.Put()), S_OK);
    ASSERT_EQ(lib->GetTypeInfoCount(), 3u);
    TYPEKIND kind{};
    ASSERT_EQ(lib->GetTypeInfoType(2, &kind), S_OK);
    EXPECT_EQ(kind, TKIND_COCLASS);
    BSTR name = nullptr, doc = nullptr, file = nullptr;
    ASSERT_EQ(lib->GetDocumentation(-1, &name, &doc, nullptr, &file), S_OK);
    EXPECT_EQ(Take(name), u"GadgetLib");
    EXPECT_EQ(Take(doc), u"gadget library");
    EXPECT_EQ(Take(file), u"gadget.hlp");
    EXPECT_EQ(lib->GetDocumentation(3, &name, nullptr, nullptr, nullptr), TYPE_E_ELEMENTNOTFOUND);
    TLIBATTR* la = nullptr;
    ASSERT_EQ(lib->GetLibAttr(&la), S_OK);
    EXPECT_EQ(la->guid, kLib);
    EXPECT_EQ(la->lcid, 1033u);
    lib->ReleaseTLibAttr(la);

    CComPtr<ITypeInfo> cls;
    ASSERT_EQ(lib->GetTypeInfoOfGuid(kClass, cls.Put()), S_OK);
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(cls->GetTypeAttr(&attr), S_OK);
    EXPECT_EQ(attr->typekind, TKIND_COCLASS);
    EXPECT_EQ(attr->cImplTypes, 2);
    EXPECT_EQ(attr->wTypeFlags, TYPEFLAG_FCANCREATE | TYPEFLAG_FCONTROL);
    cls->ReleaseTypeAttr(attr);

    std::vector<std::pair<std::u16string, std::int32_t>> impls;
    for (std::uint32_t i = 0; i < 2; ++i) {
        HREFTYPE ref = 0;
        std::int32_t flags = 0;
        ASSERT_EQ(cls->GetRefTypeOfImplType(i, &ref), S_OK);
        ASSERT_EQ(cls->GetImplTypeFlags(i, &flags), S_OK);
        CComPtr<ITypeInfo> iface;
        ASSERT_EQ(cls->GetRefTypeInfo(ref, iface.Put()), S_OK);
        ASSERT_EQ(iface->GetDocumentation(MEMBERID_NIL, &name, nullptr, nullptr, nullptr), S_OK);
        impls.emplace_back(Take(name), flags);
    }
    EXPECT_EQ(impls, (std::vector<std::pair<std::u16string, std::int32_t>>{
                         {u"_DGadget", IMPLTYPEFLAG_FDEFAULT},
                         {u"_DGadgetEvents", IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE}}));
    HREFTYPE ref = 0;
    EXPECT_EQ(cls->GetRefTypeOfImplType(2, &ref), TYPE_E_ELEMENTNOTFOUND);

    CComPtr<ITypeLib> back;
    std::uint32_t index = 9;
    ASSERT_EQ(cls->GetContainingTypeLib(back.Put(), &index), S_OK);
    EXPECT_EQ(index, 2u);
    EXPECT_EQ(back->GetTypeInfoCount(), 3u);
}

// A container of one connection point, as a control is.
class Container final : public IConnectionPointContainer {
public:
    HRESULT QueryInterface(REFIID iid, void** out) override {
        *out = nullptr;
        if (iid == IID_IUnknown || iid == IID_IConnectionPointContainer) {
            *out = static_cast<IConnectionPointContainer*>(this);
            AddRef();
            return S_OK;
        }
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override { return --refs; }
    HRESULT EnumConnectionPoints(IEnumConnectionPoints** out) override {
        return CreateConnectionPointEnum({&point}, out);
    }
    HRESULT FindConnectionPoint(REFIID, IConnectionPoint**) override { return E_NOTIMPL; }

    ULONG refs = 1;
    CConnectionPoint point{this, kEvents};
};

class Sink final : public IDispatch {
public:
    HRESULT QueryInterface(REFIID iid, void** out) override {
        *out = nullptr;
        if (iid == IID_IUnknown || iid == IID_IDispatch) {
            *out = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override { return --refs; }
    HRESULT GetTypeInfoCount(std::uint32_t*) override { return E_NOTIMPL; }
    HRESULT GetTypeInfo(std::uint32_t, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT GetIDsOfNames(REFIID, const OLECHAR* const*, std::uint32_t, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    HRESULT Invoke(DISPID, REFIID, LCID, std::uint16_t, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                   std::uint32_t*) override {
        return S_OK;
    }
    ULONG refs = 1;
};

TEST(ConnectionEnumerators, HandOutHeldSnapshotsWithNextSkipResetAndClone) {
    Container c;
    CComPtr<IEnumConnectionPoints> points;
    ASSERT_EQ(c.EnumConnectionPoints(points.Put()), S_OK);
    EXPECT_GT(c.refs, 1u);  // the enumerator holds the point, and so its container
    IConnectionPoint* got[2] = {};
    std::uint32_t fetched = 9;
    EXPECT_EQ(points->Next(2, got, &fetched), S_FALSE);
    ASSERT_EQ(fetched, 1u);
    IID iid{};
    ASSERT_EQ(got[0]->GetConnectionInterface(&iid), S_OK);
    EXPECT_EQ(iid, kEvents);
    got[0]->Release();
    EXPECT_EQ(points->Next(1, got, &fetched), S_FALSE);
    EXPECT_EQ(fetched, 0u);
    points.Reset();
    EXPECT_EQ(c.refs, 1u);

    Sink a, b;
    std::uint32_t ca = 0, cb = 0;
    ASSERT_EQ(c.point.Advise(&a, &ca), S_OK);
    ASSERT_EQ(c.point.Advise(&b, &cb), S_OK);
    CComPtr<IEnumConnections> conns;
    ASSERT_EQ(c.point.EnumConnections(conns.Put()), S_OK);
    // Unadvising afterwards does not change what the enumerator hands out.
    ASSERT_EQ(c.point.Unadvise(ca), S_OK);
    CONNECTDATA d[2];
    ASSERT_EQ(conns->Next(2, d, &fetched), S_OK);
    ASSERT_EQ(fetched, 2u);
    EXPECT_EQ(d[0].pUnk, static_cast<IUnknown*>(&a));
    EXPECT_EQ(d[0].dwCookie, ca);
    EXPECT_EQ(d[1].pUnk, static_cast<IUnknown*>(&b));
    EXPECT_EQ(d[1].dwCookie, cb);
    d[0].pUnk->Release();
    d[1].pUnk->Release();

    ASSERT_EQ(conns->Reset(), S_OK);
    EXPECT_EQ(conns->Skip(1), S_OK);
    CComPtr<IEnumConnections> copy;
    ASSERT_EQ(conns->Clone(copy.Put()), S_OK);
    ASSERT_EQ(copy->Next(1, d, nullptr), S_OK);
    EXPECT_EQ(d[0].dwCookie, cb);  // the clone starts where the original stood
    d[0].pUnk->Release();
    EXPECT_EQ(conns->Skip(2), S_FALSE);
    conns.Reset();
    copy.Reset();
    EXPECT_EQ(a.refs, 1u);  // every reference the enumerators took is given back
    EXPECT_EQ(b.refs, 2u);  // still advised
    c.point.UnadviseAll();
}

}  // namespace
