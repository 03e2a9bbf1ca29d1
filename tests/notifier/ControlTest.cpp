#include <cstring>
#include <ctime>

#include "notifier/LocalClock.h"
#include "notifier/NotifierSocket.h"
#include "tests/notifier/NotifierTestSupport.h"

namespace {

using ControlTest = ControlFixture;

CVariant Get(IDispatch* d, DISPID id, HRESULT* hr = nullptr) {
    CVariant result;
    const HRESULT r =
        d->Invoke(id, GUID_NULL, 0, DISPATCH_PROPERTYGET, nullptr, &result, nullptr, nullptr);
    if (hr != nullptr)
        *hr = r;
    return result;
}

HRESULT Put(IDispatch* d, DISPID id, const CVariant& value) {
    CVariant v = value;
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS p;
    p.rgvarg = &v;
    p.cArgs = 1;
    p.rgdispidNamedArgs = &named;
    p.cNamedArgs = 1;
    return d->Invoke(id, GUID_NULL, 0, DISPATCH_PROPERTYPUT, &p, nullptr, nullptr, nullptr);
}

// Calls a method with arguments in parameter order.
HRESULT Call(IDispatch* d, DISPID id, std::vector<CVariant> args, CVariant* result = nullptr) {
    std::reverse(args.begin(), args.end());
    DISPPARAMS p;
    p.rgvarg = args.empty() ? nullptr : args.data();
    p.cArgs = static_cast<std::uint32_t>(args.size());
    CVariant ignored;
    return d->Invoke(id, GUID_NULL, 0, DISPATCH_METHOD, &p, result ? result : &ignored, nullptr,
                     nullptr);
}

TEST_F(ControlTest, FreshControlHasTheDefaults) {
    EXPECT_EQ(U16FromBstr(Get(ctrl, dispidIP).bstrVal), u"127.0.0.1");
    EXPECT_EQ(U16FromBstr(Get(ctrl, dispidPort).bstrVal), u"9999");
    EXPECT_EQ(Get(ctrl, dispidIsConnected).lVal, 0);
    EXPECT_EQ(U16FromBstr(Get(ctrl, dispidOverTime).bstrVal), u"0");
    EXPECT_EQ(ctrl->IsDirty(), S_FALSE);
}

TEST_F(ControlTest, PropertyWritesOnlyMarkTheControlModified) {
    ASSERT_EQ(Put(ctrl, dispidPort, CVariant::Str(u"8080")), S_OK);
    EXPECT_EQ(ctrl->IsDirty(), S_OK);
    EXPECT_EQ(U16FromBstr(Get(ctrl, dispidPort).bstrVal), u"8080");
    ASSERT_EQ(Put(ctrl, dispidIsConnected, CVariant::I4(1)), S_OK);
    EXPECT_EQ(ctrl->IsConnected(), 1);
    EXPECT_EQ(sink.events.size(), 0u);
}

TEST_F(ControlTest, SaveAndReloadKeepsPersistedPropertiesOnly) {
    ctrl->SetIP(u"10.1.2.3");
    ctrl->SetPort(u"7000");
    ctrl->SetOverTime(u"60");
    ctrl->SetIsConnected(1);
    auto stream = CMemoryStream::Create();
    ASSERT_EQ(ctrl->Save(stream.Get(), true), S_OK);
    EXPECT_EQ(ctrl->IsDirty(), S_FALSE);

    CComPtr<IPersistStreamInit> fresh;
    ASSERT_EQ(CPallinoteCtrl::CreateInstance(nullptr, IID_IPersistStreamInit, fresh.PutVoid()),
              S_OK);
    stream->Rewind();
    ASSERT_EQ(fresh->Load(stream.Get()), S_OK);
    auto* c = static_cast<CPallinoteCtrl*>(fresh.Get());
    EXPECT_EQ(c->IP(), u"10.1.2.3");
    EXPECT_EQ(c->Port(), u"7000");
    EXPECT_EQ(c->OverTime(), u"60");
    EXPECT_EQ(c->IsConnected(), 0);

    // The stream starts with the property-set version 1.0.
    const auto& bytes = stream->Bytes();
    ASSERT_GE(bytes.size(), 8u);
    std::uint32_t version = 0;
    std::memcpy(&version, bytes.data() + 4, 4);
    EXPECT_EQ(version, 0x00010000u);
}

TEST_F(ControlTest, DamagedStreamIsRefusedAndChangesNothing) {
    ctrl->SetIP(u"10.0.0.1");
    auto stream = CMemoryStream::Create();
    ASSERT_EQ(ctrl->Save(stream.Get(), true), S_OK);
    std::vector<std::uint8_t> bytes = stream->Bytes();

    CComPtr<IPersistStreamInit> other;
    ASSERT_EQ(CPallinoteCtrl::CreateInstance(nullptr, IID_IPersistStreamInit, other.PutVoid()),
              S_OK);
    auto* c = static_cast<CPallinoteCtrl*>(other.Get());
    c->SetPort(u"1234");
    // Cut inside the last text; then a later major version; then an unknown stock mask.
    std::vector<std::uint8_t> cut(bytes.begin(), bytes.end() - 1);
    cut[0] = static_cast<std::uint8_t>(cut[0] - 1);
    auto s1 = CMemoryStream::Create(cut);
    EXPECT_TRUE(FAILED(c->Load(s1.Get())));
    std::vector<std::uint8_t> v2 = bytes;
    v2[4 + 2] = 2;  // major version 2
    auto s2 = CMemoryStream::Create(v2);
    EXPECT_TRUE(FAILED(c->Load(s2.Get())));
    std::vector<std::uint8_t> mask = bytes;
    mask[4 + 12] = 1;
    auto s3 = CMemoryStream::Create(mask);
    EXPECT_TRUE(FAILED(c->Load(s3.Get())));
    EXPECT_EQ(c->Port(), u"1234");
    EXPECT_EQ(c->IP(), u"127.0.0.1");
}

TEST_F(ControlTest, ResetRestoresTheDefaults) {
    ctrl->SetIP(u"1.2.3.4");
    ctrl->SetOverTime(u"9");
    ASSERT_EQ(ctrl->InitNew(), S_OK);
    EXPECT_EQ(ctrl->IP(), u"127.0.0.1");
    EXPECT_EQ(ctrl->OverTime(), u"0");
    EXPECT_EQ(ctrl->IsDirty(), S_FALSE);
}

TEST_F(ControlTest, EventIdsAreNotMembersOfTheDispatchInterface) {
    for (DISPID id : {10, 11, 12}) {
        EXPECT_EQ(Call(ctrl, id, {}), DISP_E_MEMBERNOTFOUND) << id;
        HRESULT hr = S_OK;
        Get(ctrl, id, &hr);
        EXPECT_EQ(hr, DISP_E_MEMBERNOTFOUND) << id;
    }
}

TEST_F(ControlTest, MethodsAreCalledByIdWithCheckedArguments) {
    CVariant r;
    EXPECT_EQ(Call(ctrl, dispidSockClose, {}, &r), S_OK);
    EXPECT_EQ(r.vt, VT_BOOL);
    EXPECT_EQ(r.boolVal, VARIANT_TRUE);
    EXPECT_EQ(Call(ctrl, dispidConnect, {CVariant::Str(u"")}), DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(Put(ctrl, dispidSockClose, CVariant::I4(1)), DISP_E_MEMBERNOTFOUND);
    const OLECHAR* names[] = {u"showmessage"};
    DISPID id = 0;
    EXPECT_EQ(ctrl->GetIDsOfNames(GUID_NULL, names, 1, 0, &id), S_OK);
    EXPECT_EQ(id, dispidShowMessage);
}

TEST_F(ControlTest, UnknownConnectionInterfaceIsRefused) {
    CComPtr<IConnectionPoint> cp;
    EXPECT_EQ(ctrl->FindConnectionPoint(DIID__DPallinote, cp.Put()), CONNECT_E_NOCONNECTION);
}

TEST_F(ControlTest, SendRefusesEmptyUnconnectedAndOverlongTexts) {
    EXPECT_FALSE(ctrl->Send(u"", 0));
    EXPECT_FALSE(ctrl->Send(u"hello", 5));  // never connected
    EXPECT_EQ(ctrl->Socket()->LastErrorText(), "send() failed");
    EXPECT_FALSE(ctrl->Send(std::u16string(2048, u'a'), 0));
    EXPECT_NE(ctrl->Socket()->LastErrorText().find("2047"), std::string::npos);
    // 1024 Chinese characters are 2048 GBK bytes: too long once converted.
    EXPECT_FALSE(ctrl->Send(std::u16string(1024, u'\u4E2D'), 0));
    EXPECT_NE(ctrl->Socket()->LastErrorText().find("bytes"), std::string::npos);
}

TEST_F(ControlTest, SockCloseWithoutConnectionStillRaisesTheEvent) {
    EXPECT_TRUE(ctrl->SockClose());
    EXPECT_EQ(sink.Ids(), std::vector<DISPID>{eventidOnSockClose});
    EXPECT_EQ(ctrl->IsConnected(), 0);
}

class FakeClock final : public LocalClock {
public:
    std::time_t Now() override { return now; }
    int NowMillis() override { return 250; }
    bool CanSetTime() override { return allowed; }
    bool SetLocal(const SystemTime& t) override {
        calls.push_back(t);
        return IsValidSystemTime(t);
    }
    std::time_t now = 0;
    bool allowed = true;
    std::vector<SystemTime> calls;
};

std::time_t LocalMoment(int y, int mo, int d, int h, int mi, int s) {
    std::tm tm{};
    tm.tm_year = y - 1900;
    tm.tm_mon = mo - 1;
    tm.tm_mday = d;
    tm.tm_hour = h;
    tm.tm_min = mi;
    tm.tm_sec = s;
    tm.tm_isdst = -1;
    return std::mktime(&tm);
}

TEST_F(ControlTest, LocalTimeIsFormattedFromTheInjectedClock) {
    FakeClock clock;
    clock.now = LocalMoment(2011, 3, 3, 9, 5, 7);
    ctrl->SetClock(&clock);
    CVariant r;
    ASSERT_EQ(Call(ctrl, dispidGetLocalTime, {}, &r), S_OK);
    EXPECT_EQ(U16FromBstr(r.bstrVal), u"2011-03-03 09:05:07");
    ctrl->SetClock(nullptr);
}

TEST_F(ControlTest, SetLocalTimeNeedsThePrivilegeAndARealDate) {
    FakeClock clock;
    clock.now = LocalMoment(2011, 3, 3, 9, 5, 7);
    ctrl->SetClock(&clock);
    clock.allowed = false;
    EXPECT_FALSE(ctrl->SetLocalTime(2012, 1, 2, 3, 4, 5));
    EXPECT_TRUE(clock.calls.empty());

    clock.allowed = true;
    EXPECT_TRUE(ctrl->SetLocalTime(2012, 1, 2, 3, 4, 5));
    ASSERT_EQ(clock.calls.size(), 1u);
    EXPECT_EQ(clock.calls[0].year, 2012);
    EXPECT_EQ(clock.calls[0].second, 5);
    EXPECT_EQ(clock.calls[0].millis, 250);  // kept from the current time
    EXPECT_FALSE(ctrl->SetLocalTime(2011, 2, 29, 0, 0, 0));
    // Fields are 16-bit: 65536 + 2012 wraps to 2012.
    EXPECT_TRUE(ctrl->SetLocalTime(65536 + 2012, 1, 1, 0, 0, 0));
    EXPECT_EQ(clock.calls.back().year, 2012);
    ctrl->SetClock(nullptr);
}

TEST(NotifierSocketRecord, ReceivedTextEndsAtTheFirstZero) {
    const char bytes[] = {'a', 'b', 'c', 0, 'd', 'e', 'f'};
    EXPECT_EQ(DecodeReceived(bytes, sizeof bytes), u"abc");
    const char gbk[] = {'\xD6', '\xD0'};
    EXPECT_EQ(DecodeReceived(gbk, sizeof gbk), u"\u4E2D");
}

}  // namespace
