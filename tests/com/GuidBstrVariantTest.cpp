#include <gtest/gtest.h>

#include <cstring>

#include "com/Bstr.h"
#include "com/Dispatch.h"
#include "com/Guid.h"
#include "com/Variant.h"

namespace {

TEST(Guid, ParsesAndFormatsTheRegistryForm) {
    const auto g = GuidFromString("{11dc9524-86c3-48a9-bfb8-c0a419bbb9f4}");
    ASSERT_TRUE(g.has_value());
    EXPECT_EQ(g->Data1, 0x11DC9524u);
    EXPECT_EQ(g->Data2, 0x86C3);
    EXPECT_EQ(g->Data3, 0x48A9);
    EXPECT_EQ(g->Data4[0], 0xBF);
    EXPECT_EQ(g->Data4[7], 0xF4);
    EXPECT_EQ(GuidToString(*g), "{11DC9524-86C3-48A9-BFB8-C0A419BBB9F4}");
    EXPECT_EQ(GuidFromString("11DC9524-86C3-48A9-BFB8-C0A419BBB9F4"), g);
}

TEST(Guid, RefusesMalformedTexts) {
    for (const char* bad :
         {"", "{}", "{11DC9524-86C3-48A9-BFB8-C0A419BBB9F}",
          "{11DC9524-86C3-48A9-BFB8C0A419BBB9F4}", "{11DC9524-86C3-48A9-BFB8-C0A419BBB9FG}",
          "{11DC9524-86C3-48A9-BFB8-C0A419BBB9F4", "11DC9524-86C3-48A9-BFB8-C0A419BBB9F4}",
          "{11DC9524+86C3-48A9-BFB8-C0A419BBB9F4}", "{11DC9524-86C3-48A9-BFB8-C0A419BBB9F4}x"}) {
        EXPECT_FALSE(GuidFromString(bad).has_value()) << bad;
    }
}

TEST(Guid, ComparesAllFields) {
    GUID a = *GuidFromString("{00000000-0000-0000-0000-000000000001}");
    GUID b = a;
    EXPECT_EQ(a, b);
    b.Data4[7] = 2;
    EXPECT_FALSE(a == b);
    EXPECT_TRUE(GuidLess{}(a, b));
    EXPECT_FALSE(GuidLess{}(b, a));
}

TEST(Bstr, KeepsLengthPrefixTerminatorAndEmbeddedZeros) {
    const char16_t text[] = u"ab\0cd";
    BSTR s = SysAllocStringLen(text, 5);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(SysStringLen(s), 5u);
    EXPECT_EQ(SysStringByteLen(s), 10u);
    std::uint32_t prefix = 0;
    std::memcpy(&prefix, reinterpret_cast<unsigned char*>(s) - 4, 4);
    EXPECT_EQ(prefix, 10u);
    EXPECT_EQ(s[5], 0);
    EXPECT_EQ(U16FromBstr(s), std::u16string(text, 5));
    SysFreeString(s);

    BSTR z = SysAllocString(u"hello");
    EXPECT_EQ(SysStringLen(z), 5u);
    SysFreeString(z);
}

TEST(Bstr, NullIsTheEmptyTextAndTooLongIsRefused) {
    EXPECT_EQ(SysStringLen(nullptr), 0u);
    EXPECT_EQ(U16FromBstr(nullptr), u"");
    SysFreeString(nullptr);
    EXPECT_EQ(SysAllocString(nullptr), nullptr);
    EXPECT_EQ(SysAllocStringLen(nullptr, 0x7FFFFFFFu), nullptr);
    BSTR zeroed = SysAllocStringLen(nullptr, 3);
    ASSERT_NE(zeroed, nullptr);
    EXPECT_EQ(U16FromBstr(zeroed), std::u16string(3, u'\0'));
    SysFreeString(zeroed);
}

TEST(Bstr, WrapperOwnsAndMoves) {
    CBstr a(u"x\u4E2D");
    CBstr b(std::move(a));
    EXPECT_EQ(a.Get(), nullptr);
    EXPECT_EQ(b.Str(), u"x\u4E2D");
    BSTR raw = b.Detach();
    EXPECT_EQ(b.Get(), nullptr);
    b.Attach(raw);
    EXPECT_EQ(b.Length(), 2u);
}

class CountingUnknown final : public IUnknown {
public:
    HRESULT QueryInterface(REFIID, void** out) override {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override { return --refs; }
    ULONG refs = 1;
};

TEST(Variant, CopiesDeeplyAndClearsWhatItOwns) {
    CVariant s = CVariant::Str(u"abc");
    CVariant t = s;
    ASSERT_EQ(t.vt, VT_BSTR);
    EXPECT_NE(t.bstrVal, s.bstrVal);
    EXPECT_EQ(U16FromBstr(t.bstrVal), u"abc");

    CountingUnknown unk;
    {
        CVariant v;
        v.vt = VT_UNKNOWN;
        v.punkVal = &unk;
        unk.AddRef();
        CVariant w = v;
        EXPECT_EQ(unk.refs, 3u);
    }
    EXPECT_EQ(unk.refs, 1u);
}

HRESULT Change(CVariant& out, const CVariant& in, VARTYPE vt) {
    return VariantChangeType(&out, &in, vt);
}

TEST(Variant, ChangesTypeWithRangeChecks) {
    CVariant out;
    EXPECT_EQ(Change(out, CVariant::Str(u" 42 "), VT_I4), S_OK);
    EXPECT_EQ(out.lVal, 42);
    EXPECT_EQ(Change(out, CVariant::Str(u"-7"), VT_I4), S_OK);
    EXPECT_EQ(out.lVal, -7);
    EXPECT_EQ(Change(out, CVariant::Str(u"4x"), VT_I4), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(Change(out, CVariant::Str(u""), VT_I4), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(Change(out, CVariant::Str(u"99999999999"), VT_I4), DISP_E_OVERFLOW);
    EXPECT_EQ(Change(out, CVariant::UI4(0xFFFFFFFFu), VT_I4), DISP_E_OVERFLOW);
    EXPECT_EQ(Change(out, CVariant::I4(70000), VT_I2), DISP_E_OVERFLOW);

    // A colour passed as a signed number keeps its bits.
    EXPECT_EQ(Change(out, CVariant::I4(-1), VT_UI4), S_OK);
    EXPECT_EQ(out.ulVal, 0xFFFFFFFFu);
    EXPECT_EQ(Change(out, CVariant::I4(5), VT_BOOL), S_OK);
    EXPECT_EQ(out.boolVal, VARIANT_TRUE);
    EXPECT_EQ(Change(out, CVariant::Bool(true), VT_BSTR), S_OK);
    EXPECT_EQ(U16FromBstr(out.bstrVal), u"-1");
    EXPECT_EQ(Change(out, CVariant::I4(-12), VT_BSTR), S_OK);
    EXPECT_EQ(U16FromBstr(out.bstrVal), u"-12");
}

}  // namespace
