#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "com/Registry.h"
#include "tests/com/TempRegistry.h"

namespace {

TEST(Registry, KeysAndValuesIgnoreAsciiCase) {
    Registry r;
    ASSERT_TRUE(r.SetValue("CLSID\\{ABC}\\InprocServer32", "", "/x.ocx"));
    ASSERT_TRUE(r.SetValue("CLSID\\{ABC}\\InprocServer32", "ThreadingModel", "Apartment"));
    EXPECT_EQ(r.GetValue("clsid\\{abc}\\inprocserver32"), "/x.ocx");
    EXPECT_EQ(r.GetValue("CLSID\\{ABC}\\InprocServer32", "threadingmodel"), "Apartment");
    EXPECT_TRUE(r.KeyExists("CLSID"));  // parents come into being
    EXPECT_FALSE(r.GetValue("CLSID\\{ABC}").has_value());
    EXPECT_EQ(r.SubKeys("CLSID"), std::vector<std::string>{"{ABC}"});
}

TEST(Registry, RefusesInvalidKeyNames) {
    Registry r;
    for (const char* bad : {"", "\\a", "a\\", "a\\\\b", "a\nb"}) {
        EXPECT_FALSE(r.CreateKey(bad)) << bad;
        EXPECT_FALSE(r.SetValue(bad, "", "v")) << bad;
    }
}

TEST(Registry, DeleteKeyRemovesTheWholeTreeButNotSiblings) {
    Registry r;
    r.SetValue("A\\B", "", "1");
    r.SetValue("A\\B\\C\\D", "", "2");
    r.SetValue("A\\B C", "", "sibling sorting between B and B\\");
    r.SetValue("A\\BB", "", "3");
    EXPECT_TRUE(r.DeleteKey("a\\b"));
    EXPECT_FALSE(r.KeyExists("A\\B"));
    EXPECT_FALSE(r.KeyExists("A\\B\\C"));
    EXPECT_FALSE(r.KeyExists("A\\B\\C\\D"));
    EXPECT_TRUE(r.KeyExists("A\\B C"));
    EXPECT_TRUE(r.KeyExists("A\\BB"));
    EXPECT_FALSE(r.DeleteKey("A\\B"));
}

TEST(Registry, SerializesEveryByteAndParsesItBack) {
    Registry r;
    ASSERT_TRUE(
        r.SetValue("K\\100%\\\xE4\xB8\xAD", "name\tand\nline", "100% \r\n\x01 \xE4\xB8\xAD"));
    r.CreateKey("Empty\\Key");
    Registry back;
    ASSERT_TRUE(back.Parse(r.Serialize()));
    EXPECT_EQ(back.GetValue("K\\100%\\\xE4\xB8\xAD", "name\tand\nline"),
              "100% \r\n\x01 \xE4\xB8\xAD");
    EXPECT_TRUE(back.KeyExists("Empty\\Key"));
    EXPECT_EQ(back.Serialize(), r.Serialize());
}

TEST(Registry, MalformedTextIsRefusedAndLeavesContents) {
    Registry r;
    r.SetValue("Keep", "", "me");
    for (const char* bad :
         {"", "VQREG 2\n", "VQREG 1", "VQREG 1\nA\tb\n", "VQREG 1\nA\tb\tc\td\n", "VQREG 1\nA%4\n",
          "VQREG 1\nA%ZZ\n", "VQREG 1\nA\x01\n", "VQREG 1\nA\tb\tc", "VQREG 1\n\\A\n"}) {
        EXPECT_FALSE(r.Parse(bad)) << bad;
        EXPECT_EQ(r.GetValue("Keep"), "me");
    }
}

TEST(RegistryFile, MissingFileIsEmptyAndSaveReplacesAtomically) {
    TempRegistry temp;
    Registry r;
    EXPECT_EQ(r.Load(temp.Path()), S_OK);
    EXPECT_FALSE(r.KeyExists("A"));
    r.SetValue("A", "v", "1");
    ASSERT_EQ(r.Save(temp.Dir() + "/sub/dir/registry"), S_OK);
    Registry back;
    ASSERT_EQ(back.Load(temp.Dir() + "/sub/dir/registry"), S_OK);
    EXPECT_EQ(back.GetValue("A", "v"), "1");
    // Nothing but the file itself is left behind.
    int files = 0;
    for (const auto& e : std::filesystem::directory_iterator(temp.Dir() + "/sub/dir")) {
        (void)e;
        ++files;
    }
    EXPECT_EQ(files, 1);
}

TEST(RegistryFile, CorruptOrUnwritableFilesFail) {
    TempRegistry temp;
    { std::ofstream(temp.Path()) << "garbage"; }
    Registry r;
    EXPECT_EQ(r.Load(temp.Path()), REGDB_E_READREGDB);
    // Changes are refused rather than overwriting what could not be read.
    EXPECT_EQ(
        UpdateRegistry([](Registry& reg) { return reg.SetValue("A", "", "") ? S_OK : E_FAIL; }),
        REGDB_E_READREGDB);
    std::ifstream in(temp.Path());
    std::stringstream ss;
    ss << in.rdbuf();
    EXPECT_EQ(ss.str(), "garbage");

    // A folder that cannot be made: its parent is a file.
    Registry w;
    w.SetValue("A", "", "");
    EXPECT_EQ(w.Save(temp.Path() + "/registry"), REGDB_E_WRITEREGDB);
}

TEST(RegistryFile, UpdateAppliesOnlySuccessfulChanges) {
    TempRegistry temp;
    ASSERT_EQ(UpdateRegistry([](Registry& r) {
                  r.SetValue("A", "", "1");
                  return S_OK;
              }),
              S_OK);
    EXPECT_EQ(UpdateRegistry([](Registry& r) {
                  r.SetValue("A", "", "2");
                  return E_FAIL;
              }),
              E_FAIL);
    Registry r;
    ASSERT_EQ(ReadRegistry(r), S_OK);
    EXPECT_EQ(r.GetValue("A"), "1");
}

TEST(RegistryFile, DefaultPathFollowsTheEnvironment) {
    TempRegistry temp;
    EXPECT_EQ(Registry::DefaultPath(), temp.Path());
    unsetenv("VQ_COM_REGISTRY");
    const char* oldXdg = std::getenv("XDG_DATA_HOME");
    const std::string savedXdg = oldXdg ? oldXdg : "";
    setenv("XDG_DATA_HOME", "/data/home", 1);
    EXPECT_EQ(Registry::DefaultPath(), "/data/home/velquor/registry");
    unsetenv("XDG_DATA_HOME");
    const char* home = std::getenv("HOME");
    EXPECT_EQ(Registry::DefaultPath(),
              std::string(home ? home : "") + "/.local/share/velquor/registry");
    if (oldXdg)
        setenv("XDG_DATA_HOME", savedXdg.c_str(), 1);
    setenv("VQ_COM_REGISTRY", temp.Path().c_str(), 1);
}

}  // namespace
