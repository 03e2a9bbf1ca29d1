#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "com/ConnectionPoint.h"
#include "com/Persist.h"
#include "com/Registry.h"
#include "com/TypeLib.h"
#include "tests/com/TempRegistry.h"

namespace {

const InterfaceDesc& Sample() {
    static const InterfaceDesc d{
        MakeGuid(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11),
        "_DSample",
        "sample",
        {{1, "Add", MemberKind::Method, VT_I4, {{"a", VT_I4}, {"b", VT_BSTR}}, "m"},
         {2, "Name", MemberKind::Property, VT_BSTR, {}, "p"}}};
    return d;
}

// Arguments in reverse order, as callers pass them.
DISPPARAMS Params(std::vector<CVariant>& reversed) {
    DISPPARAMS p;
    p.rgvarg = reversed.data();
    p.cArgs = static_cast<std::uint32_t>(reversed.size());
    return p;
}

TEST(DispatchCall, MethodArgumentsArriveInParameterOrderConverted) {
    std::vector<CVariant> args{CVariant::I4(5), CVariant::Str(u"12")};  // b = 5, a = "12"
    DISPPARAMS p = Params(args);
    DispCall call;
    ASSERT_EQ(DispPrepareCall(Sample(), 1, DISPATCH_METHOD, &p, call, nullptr), S_OK);
    ASSERT_EQ(call.args.size(), 2u);
    EXPECT_EQ(call.args[0].vt, VT_I4);
    EXPECT_EQ(call.args[0].lVal, 12);
    EXPECT_EQ(call.args[1].vt, VT_BSTR);
    EXPECT_EQ(U16FromBstr(call.args[1].bstrVal), u"5");
    EXPECT_FALSE(call.isPut);
}

TEST(DispatchCall, RefusesWrongIdsFlagsCountsAndTypes) {
    std::vector<CVariant> two{CVariant::I4(5), CVariant::Str(u"x")};
    DISPPARAMS p = Params(two);
    DispCall call;
    std::uint32_t argErr = 99;
    EXPECT_EQ(DispPrepareCall(Sample(), 3, DISPATCH_METHOD, &p, call, nullptr),
              DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(DispPrepareCall(Sample(), 1, DISPATCH_PROPERTYPUT, &p, call, nullptr),
              DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(DispPrepareCall(Sample(), 1, DISPATCH_METHOD, &p, call, &argErr),
              DISP_E_TYPEMISMATCH);
    EXPECT_EQ(argErr, 1u);  // "x" is rgvarg[1], the first parameter
    EXPECT_EQ(DispPrepareCall(Sample(), 1, DISPATCH_METHOD, nullptr, call, nullptr),
              DISP_E_BADPARAMCOUNT);
    DISPID named = 0;
    p.rgdispidNamedArgs = &named;
    p.cNamedArgs = 1;
    EXPECT_EQ(DispPrepareCall(Sample(), 1, DISPATCH_METHOD, &p, call, nullptr), DISP_E_NONAMEDARGS);
}

TEST(DispatchCall, PropertiesAreReadAndWritten) {
    DispCall call;
    ASSERT_EQ(DispPrepareCall(Sample(), 2, DISPATCH_PROPERTYGET, nullptr, call, nullptr), S_OK);
    EXPECT_FALSE(call.isPut);
    std::vector<CVariant> v{CVariant::I4(7)};
    DISPPARAMS p = Params(v);
    DISPID put = DISPID_PROPERTYPUT;
    p.rgdispidNamedArgs = &put;
    p.cNamedArgs = 1;
    ASSERT_EQ(DispPrepareCall(Sample(), 2, DISPATCH_PROPERTYPUT, &p, call, nullptr), S_OK);
    EXPECT_TRUE(call.isPut);
    EXPECT_EQ(U16FromBstr(call.args[0].bstrVal), u"7");
    EXPECT_EQ(DispPrepareCall(Sample(), 2, DISPATCH_PROPERTYGET, &p, call, nullptr),
              DISP_E_NONAMEDARGS);
}

TEST(DispatchNames, LookUpMembersAndParametersWithoutCase) {
    const OLECHAR* names[] = {u"add", u"B", u"zz"};
    DISPID ids[3];
    EXPECT_EQ(DispGetIDsOfNames(Sample(), names, 3, ids), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(ids[0], 1);
    EXPECT_EQ(ids[1], 1);
    EXPECT_EQ(ids[2], DISPID_UNKNOWN);
    const OLECHAR* missing[] = {u"Nope"};
    EXPECT_EQ(DispGetIDsOfNames(Sample(), missing, 1, ids), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(ids[0], DISPID_UNKNOWN);
}

TEST(TypeLibRegistration, RegistersFindsAndRemovesByNeutralLocale) {
    TempRegistry temp;
    const GUID libid = MakeGuid(0xAA, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10);
    TypeLibDesc lib{libid, "SampleLib", 1, 0, 1033, "s.hlp", "Sample", {&Sample()}, {}};
    ASSERT_EQ(RegisterTypeLib(lib, "/opt/s.so"), S_OK);
    std::string path;
    ASSERT_EQ(QueryPathOfRegTypeLib(libid, 1, 0, 1033, &path), S_OK);
    EXPECT_EQ(path, "/opt/s.so");
    EXPECT_EQ(QueryPathOfRegTypeLib(libid, 1, 0, 0, &path), S_OK);
    EXPECT_EQ(QueryPathOfRegTypeLib(libid, 2, 0, 0, &path), TYPE_E_LIBNOTREGISTERED);
    Registry reg;
    ASSERT_EQ(ReadRegistry(reg), S_OK);
    EXPECT_EQ(reg.GetValue("Interface\\" + GuidToString(Sample().iid)), "_DSample");

    ASSERT_EQ(UnRegisterTypeLib(libid, 1, 0, 0), S_OK);
    ASSERT_EQ(ReadRegistry(reg), S_OK);
    EXPECT_FALSE(reg.KeyExists("TypeLib\\" + GuidToString(libid)));
    EXPECT_FALSE(reg.KeyExists("Interface\\" + GuidToString(Sample().iid)));
    EXPECT_EQ(UnRegisterTypeLib(libid, 1, 0, 0), TYPE_E_LIBNOTREGISTERED);
}

// An object with one connection point, and a sink that records calls.
class Source final : public IConnectionPointContainer {
public:
    HRESULT QueryInterface(REFIID, void** out) override {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override { return --refs; }
    HRESULT EnumConnectionPoints(IEnumConnectionPoints**) override { return E_NOTIMPL; }
    HRESULT FindConnectionPoint(REFIID, IConnectionPoint**) override { return E_NOTIMPL; }
    ULONG refs = 1;
    CConnectionPoint point{this, Sample().iid};
};

class RecordingSink final : public IDispatch {
public:
    HRESULT QueryInterface(REFIID iid, void** out) override {
        if (iid == IID_IDispatch || iid == IID_IUnknown) {
            *out = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override { return --refs; }
    HRESULT GetTypeInfoCount(std::uint32_t*) override { return E_NOTIMPL; }
    HRESULT GetTypeInfo(std::uint32_t, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT GetIDsOfNames(REFIID, const OLECHAR* const*, std::uint32_t, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    HRESULT Invoke(DISPID id, REFIID, LCID, std::uint16_t, DISPPARAMS* p, VARIANT*, EXCEPINFO*,
                   std::uint32_t*) override {
        std::u16string call = std::u16string(1, static_cast<char16_t>(u'0' + id));
        for (std::uint32_t i = p->cArgs; i-- > 0;)
            call += u"," + U16FromBstr(p->rgvarg[i].bstrVal);
        calls.push_back(call);
        if (onCall)
            onCall();
        return S_OK;
    }
    ULONG refs = 1;
    std::vector<std::u16string> calls;
    std::function<void()> onCall;
};

TEST(ConnectionPoint, FiresToEverySinkInAdviseOrderWithArgumentsInOrder) {
    RecordingSink a, b;  // outlive the source, which lets them go when it ends
    Source src;
    std::uint32_t ca = 0, cb = 0;
    ASSERT_EQ(src.point.Advise(&a, &ca), S_OK);
    ASSERT_EQ(src.point.Advise(&b, &cb), S_OK);
    EXPECT_NE(ca, cb);
    EXPECT_EQ(a.refs, 2u);
    src.point.Fire(3, {CVariant::Str(u"x"), CVariant::Str(u"y")});
    EXPECT_EQ(a.calls, std::vector<std::u16string>{u"3,x,y"});
    EXPECT_EQ(b.calls, std::vector<std::u16string>{u"3,x,y"});
    EXPECT_EQ(src.point.Unadvise(ca), S_OK);
    EXPECT_EQ(a.refs, 1u);
    EXPECT_EQ(src.point.Unadvise(ca), CONNECT_E_NOCONNECTION);
    src.point.Fire(4, {});
    EXPECT_EQ(a.calls.size(), 1u);
    EXPECT_EQ(b.calls.size(), 2u);
}

TEST(ConnectionPoint, SinkMayUnadviseDuringTheCall) {
    RecordingSink a, b;  // outlive the source, which lets them go when it ends
    Source src;
    std::uint32_t ca = 0, cb = 0;
    src.point.Advise(&a, &ca);
    src.point.Advise(&b, &cb);
    a.onCall = [&] { src.point.Unadvise(cb); };
    src.point.Fire(1, {});
    EXPECT_EQ(b.calls.size(), 1u);  // it was advised when the event began
    EXPECT_EQ(b.refs, 1u);
    EXPECT_EQ(src.point.SinkCount(), 1u);
}

TEST(ConnectionPoint, RefusesSinksWithoutDispatch) {
    Source src;
    Source notASink;
    std::uint32_t c = 7;
    EXPECT_EQ(src.point.Advise(&notASink, &c), CONNECT_E_CANNOTCONNECT);
    EXPECT_EQ(c, 0u);
    EXPECT_EQ(src.point.Advise(nullptr, &c), E_POINTER);
}

TEST(PropStream, WritesAndReadsBackWithBoundsChecks) {
    PropWriter w;
    w.U32(0x00010000);
    w.Str(u"127.0.0.1");
    w.I32(-5);
    const auto& bytes = w.Bytes();
    PropReader r(bytes.data(), bytes.size());
    std::uint32_t v = 0;
    std::u16string s;
    std::int32_t i = 0;
    ASSERT_TRUE(r.U32(v));
    EXPECT_EQ(v, 0x00010000u);
    EXPECT_FALSE(PropReader(bytes.data(), bytes.size()).Str(s, 4));  // longer than allowed
    ASSERT_TRUE(r.Str(s, 100));
    EXPECT_EQ(s, u"127.0.0.1");
    ASSERT_TRUE(r.I32(i));
    EXPECT_EQ(i, -5);
    EXPECT_FALSE(r.U32(v));
    // A length that runs past the end.
    const std::uint8_t cut[] = {3, 0, 0, 0, 'a', 0, 'b'};
    PropReader c(cut, sizeof cut);
    EXPECT_FALSE(c.Str(s, 100));
}

TEST(PropStream, BlocksKeepFollowingDataAndRefuseShortOrHugeOnes) {
    auto stream = CMemoryStream::Create();
    ASSERT_EQ(WriteBlock(stream.Get(), {1, 2, 3}), S_OK);
    ASSERT_EQ(WriteBlock(stream.Get(), {9}), S_OK);
    stream->Rewind();
    std::vector<std::uint8_t> out;
    ASSERT_EQ(ReadBlock(stream.Get(), 100, out), S_OK);
    EXPECT_EQ(out, (std::vector<std::uint8_t>{1, 2, 3}));
    ASSERT_EQ(ReadBlock(stream.Get(), 100, out), S_OK);
    EXPECT_EQ(out, std::vector<std::uint8_t>{9});
    EXPECT_EQ(ReadBlock(stream.Get(), 100, out), STG_E_READFAULT);

    auto huge = CMemoryStream::Create({0xFF, 0xFF, 0xFF, 0x7F});
    EXPECT_EQ(ReadBlock(huge.Get(), 1000, out), STG_E_INVALIDHEADER);
    auto shortBlock = CMemoryStream::Create({5, 0, 0, 0, 1, 2});
    EXPECT_EQ(ReadBlock(shortBlock.Get(), 1000, out), STG_E_READFAULT);
}

}  // namespace
