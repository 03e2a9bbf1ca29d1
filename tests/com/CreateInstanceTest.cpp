#include <gtest/gtest.h>

#include <cstring>

#include "com/CatRegister.h"
#include "com/ComRuntime.h"
#include "com/Dispatch.h"
#include "com/Registry.h"
#include "tests/com/TempRegistry.h"
#include "tests/com/TestServerIds.h"

namespace {

ClassRegistration AnswerEntry(const std::string& path) {
    ClassRegistration e;
    e.clsid = CLSID_TestAnswer;
    e.progId = "VqTest.Answer.1";
    e.typeName = "Answer";
    e.serverPath = path;
    return e;
}

TEST(CreateInstance, LoadsTheRegisteredLibraryAndCallsItsObject) {
    TempRegistry temp;
    ASSERT_EQ(RegisterClassEntry(AnswerEntry(VQ_TEST_SERVER_PATH)), S_OK);
    CComPtr<IDispatch> obj;
    ASSERT_EQ(CoCreateInstance(CLSID_TestAnswer, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                               obj.PutVoid()),
              S_OK);
    CVariant result;
    ASSERT_EQ(obj->Invoke(1, GUID_NULL, 0, DISPATCH_METHOD, nullptr, &result, nullptr, nullptr),
              S_OK);
    EXPECT_EQ(result.lVal, 42);
    CLSID byName;
    ASSERT_EQ(CLSIDFromProgID("VqTest.Answer.1", &byName), S_OK);
    EXPECT_EQ(byName, CLSID_TestAnswer);
    // The object keeps its library loaded; freeing unused libraries must not unload it.
    CoFreeUnusedLibraries();
    EXPECT_EQ(obj->Invoke(1, GUID_NULL, 0, DISPATCH_METHOD, nullptr, &result, nullptr, nullptr),
              S_OK);
}

TEST(CreateInstance, ReportsEachKindOfMissingClass) {
    TempRegistry temp;
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(CoCreateInstance(CLSID_TestAnswer, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &out),
              REGDB_E_CLASSNOTREG);
    EXPECT_EQ(out, nullptr);
    ASSERT_EQ(RegisterClassEntry(AnswerEntry(temp.Dir() + "/missing.so")), S_OK);
    EXPECT_EQ(CoCreateInstance(CLSID_TestAnswer, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &out),
              CO_E_DLLNOTFOUND);
    ASSERT_EQ(RegisterClassEntry(AnswerEntry(VQ_TEST_NOEXPORTS_PATH)), S_OK);
    EXPECT_EQ(CoCreateInstance(CLSID_TestAnswer, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &out),
              CO_E_ERRORINDLL);
    CLSID id;
    EXPECT_EQ(CLSIDFromProgID("No.Such.1", &id), CO_E_CLASSSTRING);
}

TEST(CreateInstance, UnregisteringRemovesClassAndItsOwnProgIdOnly) {
    TempRegistry temp;
    ASSERT_EQ(RegisterClassEntry(AnswerEntry(VQ_TEST_SERVER_PATH)), S_OK);
    ASSERT_EQ(UpdateRegistry([](Registry& r) {
                  r.SetValue("Other.Prog.1\\CLSID", "", "{00000000-0000-0000-0000-000000000009}");
                  return S_OK;
              }),
              S_OK);
    ASSERT_EQ(UnregisterClassEntry(CLSID_TestAnswer, "Other.Prog.1"), S_OK);
    Registry r;
    ASSERT_EQ(ReadRegistry(r), S_OK);
    EXPECT_FALSE(r.KeyExists("CLSID\\" + GuidToString(CLSID_TestAnswer)));
    EXPECT_TRUE(r.KeyExists("Other.Prog.1"));
}

TEST(ComponentCategories, RegistersDescriptionsAndClassMarks) {
    TempRegistry temp;
    CComPtr<ICatRegister> cats;
    ASSERT_EQ(CoCreateInstance(CLSID_StdComponentCategoriesMgr, nullptr, CLSCTX_INPROC_SERVER,
                               IID_ICatRegister, cats.PutVoid()),
              S_OK);
    CATEGORYINFO info{};
    info.catid = CATID_SafeForScripting;
    info.lcid = 1033;
    // A description that fills the buffer without a terminator is read to its end only.
    for (auto& c : info.szDescription)
        c = u'x';
    ASSERT_EQ(cats->RegisterCategories(1, &info), S_OK);
    ASSERT_EQ(cats->RegisterClassImplCategories(CLSID_TestAnswer, 1, &CATID_SafeForScripting),
              S_OK);
    Registry r;
    ASSERT_EQ(ReadRegistry(r), S_OK);
    EXPECT_EQ(r.GetValue("Component Categories\\" + GuidToString(CATID_SafeForScripting), "409"),
              std::string(127, 'x'));
    const std::string mark = "CLSID\\" + GuidToString(CLSID_TestAnswer) +
                             "\\Implemented Categories\\" + GuidToString(CATID_SafeForScripting);
    EXPECT_TRUE(r.KeyExists(mark));
    ASSERT_EQ(cats->UnRegisterClassImplCategories(CLSID_TestAnswer, 1, &CATID_SafeForScripting),
              S_OK);
    ASSERT_EQ(ReadRegistry(r), S_OK);
    EXPECT_FALSE(r.KeyExists(mark));
}

}  // namespace
