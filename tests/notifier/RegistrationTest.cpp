#include <gtest/gtest.h>

#include "com/Registry.h"
#include "notifier/PallinoteLib.h"
#include "notifier/Registration.h"
#include "tests/com/TempRegistry.h"

namespace {

std::string Key(const GUID& g) {
    return "CLSID\\" + GuidToString(g);
}

TEST(Registration, RecordsTheWholeIdentityAndSucceedsTwice) {
    TempRegistry temp;
    const std::string path = "/opt/velquor/Pallinote.ocx";
    ASSERT_EQ(RegisterPallinote(path), S_OK);
    ASSERT_EQ(RegisterPallinote(path), S_OK);
    Registry r;
    ASSERT_EQ(ReadRegistry(r), S_OK);

    const std::string lib = "TypeLib\\{9872274A-B131-49E2-ABCF-B87D96DEFA9C}\\1.0";
    EXPECT_EQ(r.GetValue(lib), "Pallinote ActiveX 控件模块");
    EXPECT_EQ(r.GetValue(lib + "\\409\\linux"), path);
    EXPECT_EQ(r.GetValue("Interface\\{A3E9A3D1-D3D3-476C-BF38-42E37F695FD7}"), "_DPallinote");
    EXPECT_EQ(r.GetValue("Interface\\{E05DFF1F-D1DB-4450-89DD-659F865D1E68}"), "_DPallinoteEvents");

    const std::string ctrl = "CLSID\\{11DC9524-86C3-48A9-BFB8-C0A419BBB9F4}";
    EXPECT_EQ(r.GetValue(ctrl), "Pallinote Control");
    EXPECT_EQ(r.GetValue(ctrl + "\\InprocServer32"), path);
    EXPECT_EQ(r.GetValue(ctrl + "\\InprocServer32", "ThreadingModel"), "Apartment");
    EXPECT_EQ(r.GetValue(ctrl + "\\ProgID"), "PALLINOTE.PallinoteCtrl.1");
    EXPECT_TRUE(r.KeyExists(ctrl + "\\Control"));
    EXPECT_FALSE(r.KeyExists(ctrl + "\\Insertable"));
    EXPECT_EQ(r.GetValue(ctrl + "\\ToolboxBitmap32"), path + ", 1");
    EXPECT_EQ(r.GetValue(ctrl + "\\MiscStatus\\1"), std::to_string(0x20091));
    EXPECT_EQ(r.GetValue(ctrl + "\\TypeLib"), "{9872274A-B131-49E2-ABCF-B87D96DEFA9C}");
    EXPECT_EQ(r.GetValue(ctrl + "\\Version"), "1.0");
    EXPECT_EQ(r.GetValue("PALLINOTE.PallinoteCtrl.1\\CLSID"),
              "{11DC9524-86C3-48A9-BFB8-C0A419BBB9F4}");

    const std::string page = "CLSID\\{853BAB8E-B1D1-41C9-BCBC-7E9C02EE9D7D}";
    EXPECT_EQ(r.GetValue(page), "Pallinote Property Page");
    EXPECT_EQ(r.GetValue("PALLINOTE.PallinotePropPage.1\\CLSID"),
              "{853BAB8E-B1D1-41C9-BCBC-7E9C02EE9D7D}");

    EXPECT_EQ(r.GetValue("Component Categories\\{7DD95801-9882-11CF-9FA9-00AA006C42C4}", "409"),
              "Controls that are safely scriptable");
    EXPECT_EQ(r.GetValue("Component Categories\\{7DD95802-9882-11CF-9FA9-00AA006C42C4}", "409"),
              "Controls safely initializable from persistent data");
    EXPECT_TRUE(
        r.KeyExists(ctrl + "\\Implemented Categories\\{7DD95801-9882-11CF-9FA9-00AA006C42C4}"));
    EXPECT_TRUE(
        r.KeyExists(ctrl + "\\Implemented Categories\\{7DD95802-9882-11CF-9FA9-00AA006C42C4}"));
}

TEST(Registration, UnregisterRemovesItAllAndThenReportsTheMissingLibrary) {
    TempRegistry temp;
    ASSERT_EQ(RegisterPallinote("/x/Pallinote.ocx"), S_OK);
    ASSERT_EQ(UnregisterPallinote(), S_OK);
    Registry r;
    ASSERT_EQ(ReadRegistry(r), S_OK);
    EXPECT_FALSE(r.KeyExists(Key(CLSID_PallinoteCtrl)));
    EXPECT_FALSE(r.KeyExists(Key(CLSID_PallinotePropPage)));
    EXPECT_FALSE(r.KeyExists("TypeLib\\" + GuidToString(LIBID_PallinoteLib)));
    EXPECT_FALSE(r.KeyExists("PALLINOTE.PallinoteCtrl.1"));
    EXPECT_EQ(UnregisterPallinote(), SELFREG_E_TYPELIB);
}

TEST(Registration, UnwritableRegistryFailsAtTheFirstStep) {
    TempRegistry temp;
    {
        Registry blocker;
        ASSERT_EQ(blocker.Save(temp.Path()), S_OK);
    }
    // The registry's folder would have to be a file: nothing can be written.
    setenv("VQ_COM_REGISTRY", (temp.Path() + "/registry").c_str(), 1);
    EXPECT_EQ(RegisterPallinote("/x/Pallinote.ocx"), SELFREG_E_TYPELIB);
    // A category manager that cannot write: the first unregistration step's own code.
    EXPECT_EQ(UnregisterPallinote(), REGDB_E_WRITEREGDB);
}

TEST(Registration, CategoryDescriptionsAreCutTo127Characters) {
    const CATEGORYINFO info =
        MakeCategoryInfo(CATID_SafeForScripting, 1033, std::u16string(200, u'd'));
    EXPECT_EQ(std::u16string(info.szDescription), std::u16string(127, u'd'));
    const CATEGORYINFO shortOne = MakeCategoryInfo(CATID_SafeForScripting, 1033, u"ab");
    EXPECT_EQ(std::u16string(shortOne.szDescription), u"ab");
    EXPECT_EQ(shortOne.lcid, 1033u);
}

TEST(Identity, TablesCarryTheDispatchIdsAndHelpStrings) {
    const InterfaceDesc& d = PallinoteDispatchDesc();
    const std::vector<std::pair<DISPID, std::string>> methods = {
        {1, "ShowMessage"},  {2, "CloseMessage"}, {3, "Connect"},      {4, "SockClose"},
        {5, "Send"},         {6, "GetLocalIP"},   {7, "GetLocalTime"}, {8, "SetLocalTime"},
        {9, "ShowWindow"},   {16, "SetTop"},      {13, "IP"},          {14, "Port"},
        {15, "IsConnected"}, {17, "OverTime"}};
    EXPECT_EQ(d.members.size(), methods.size());
    for (const auto& [id, name] : methods) {
        const MemberDesc* m = d.Find(id);
        ASSERT_NE(m, nullptr) << name;
        EXPECT_EQ(std::string(m->name), name);
    }
    EXPECT_EQ(std::string(d.Find(3)->help), "建立连接Connect");
    EXPECT_EQ(std::string(d.Find(15)->help), "属性 IsConnected");
    EXPECT_EQ(d.Find(1)->params.size(), 10u);
    EXPECT_EQ(d.Find(1)->params[6].vt, VT_UI4);  // the colour
    const InterfaceDesc& e = PallinoteEventsDesc();
    for (DISPID id : {10, 11, 12, 13, 14})
        EXPECT_NE(e.Find(id), nullptr) << id;
    EXPECT_EQ(e.Find(14)->params.size(), 5u);
    EXPECT_EQ(std::string(PallinoteString(200)), "常规");
}

}  // namespace
