#include "platform/core/Profile.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>

#include "tests/core/TempDir.h"

namespace {

using vq::test::FileMode;
using vq::test::ReadBytes;
using vq::test::WriteBytes;

class ProfileTest : public ::testing::Test {
protected:
    vq::test::TempDir dir;
    std::string ini = dir.File("config.ini");

    std::string Get(std::string_view sec, std::string_view key, std::size_t max = 200) {
        return vq::GetPrivateProfileString(sec, key, "<none>", max, ini);
    }
};

const char kSample[] =
    "orphan=1\r\n"
    "; a comment\r\n"
    "[NET]\r\n"
    "  IP = 10.0.0.1 \r\n"
    "; TCPORT=9\r\n"
    "HTTPPORT=8080\r\n"
    "noequals\r\n"
    "\r\n"
    "[net]\r\n"
    "TCPORT=1\r\n"
    "[ URL ]\n"
    "COMMON=a=b;c\n"
    "Quoted=\"q\"\n"
    "\tTabbed\t=\tv\t\n"
    "Empty=\n";

TEST_F(ProfileTest, ReadsTheSimpleSyntaxLeniently) {
    WriteBytes(ini, kSample);
    EXPECT_EQ(Get("net", "ip"), "10.0.0.1");  // names without case, blanks trimmed
    EXPECT_EQ(Get("NET", "HTTPPORT"), "8080");
    EXPECT_EQ(Get("URL", "common"), "a=b;c");  // first "=" splits; ";" inside is kept
    EXPECT_EQ(Get("URL", "Quoted"), "\"q\"");  // no unquoting
    EXPECT_EQ(Get("URL", "Tabbed"), "v");
    EXPECT_EQ(Get("URL", "Empty"), "");  // present but empty is not the default
}

TEST_F(ProfileTest, AbsentKeysGiveTheDefault) {
    WriteBytes(ini, kSample);
    EXPECT_EQ(Get("NET", "TCPORT"), "<none>");  // commented out; a later [net] is ignored
    EXPECT_EQ(Get("NET", "noequals"), "<none>");
    EXPECT_EQ(Get("", "orphan"), "<none>");  // keys before any section belong to none
    EXPECT_EQ(Get("NET", "COMMON"), "<none>");
    EXPECT_EQ(Get("Nowhere", "IP"), "<none>");
    EXPECT_EQ(vq::GetPrivateProfileString("NET", "IP", "d", 10, dir.File("missing.ini")), "d");
    EXPECT_EQ(vq::GetPrivateProfileString("NET", "IP", "d", 10, dir.path()), "d");  // a folder
    EXPECT_FALSE(std::filesystem::exists(dir.File("missing.ini")));
}

TEST_F(ProfileTest, ResultIsCutLikeABufferOfMaxChars) {
    WriteBytes(ini, "[A]\r\nv=abcdef\r\nz=\xCC\xE1\xCA\xBE\r\n");
    EXPECT_EQ(Get("A", "v", 4), "abc");
    EXPECT_EQ(Get("A", "v", 7), "abcdef");
    EXPECT_EQ(Get("A", "v", 1), "");
    EXPECT_EQ(Get("A", "v", 0), "");
    EXPECT_EQ(Get("A", "z", 4), "\xCC\xE1");  // 3 bytes would split the second character
    EXPECT_EQ(Get("A", "z", 3), "\xCC\xE1");
    EXPECT_EQ(Get("A", "z", 2), "");
    EXPECT_EQ(vq::GetPrivateProfileString("A", "none", "\xCC\xE1xyz", 4, ini), "\xCC\xE1x");
}

TEST_F(ProfileTest, IntegersReadAsAtoiDoes) {
    WriteBytes(ini,
               "[N]\r\na=  -12abc\r\nb=abc\r\nc=\r\nd=99999999999\r\ne=-99999999999\r\nf=+5\r\n"
               "g=0x10\r\n");
    EXPECT_EQ(vq::GetPrivateProfileInt("N", "a", 7, ini), -12);
    EXPECT_EQ(vq::GetPrivateProfileInt("N", "b", 7, ini), 0);
    EXPECT_EQ(vq::GetPrivateProfileInt("N", "c", 7, ini), 7);
    EXPECT_EQ(vq::GetPrivateProfileInt("N", "d", 7, ini), INT_MAX);
    EXPECT_EQ(vq::GetPrivateProfileInt("N", "e", 7, ini), INT_MIN);
    EXPECT_EQ(vq::GetPrivateProfileInt("N", "f", 7, ini), 5);
    EXPECT_EQ(vq::GetPrivateProfileInt("N", "g", 7, ini), 0);
    EXPECT_EQ(vq::GetPrivateProfileInt("N", "missing", 7, ini), 7);
    EXPECT_EQ(vq::GetPrivateProfileInt("N", "a", 7, dir.File("missing.ini")), 7);
}

TEST_F(ProfileTest, FirstWritesCreateTheFileWithBlankLinesBetweenSections) {
    ASSERT_TRUE(vq::WritePrivateProfileString("INFOR", "NAME", "config", ini));
    EXPECT_EQ(ReadBytes(ini), "[INFOR]\r\nNAME=config\r\n");
    EXPECT_EQ(FileMode(ini), 0600u);
    ASSERT_TRUE(vq::WritePrivateProfileString("VERSION", "NAME", "3.0", ini));
    ASSERT_TRUE(vq::WritePrivateProfileString("INFOR", "NAME", "config", ini));
    EXPECT_EQ(ReadBytes(ini), "[INFOR]\r\nNAME=config\r\n\r\n[VERSION]\r\nNAME=3.0\r\n");
    // Only the file itself is left in the folder: no temporary files.
    int entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path())) {
        ++entries;
    }
    EXPECT_EQ(entries, 1);
}

TEST_F(ProfileTest, ReplacingAKeyKeepsEveryOtherByte) {
    WriteBytes(ini, kSample);
    std::filesystem::permissions(ini, std::filesystem::perms(0644));
    ASSERT_TRUE(vq::WritePrivateProfileString("Net", "ip", "192.168.0.1", ini));
    std::string expected = kSample;
    expected.replace(expected.find("IP = 10.0.0.1 "), 14, "IP=192.168.0.1");
    EXPECT_EQ(ReadBytes(ini), expected);
    EXPECT_EQ(FileMode(ini), 0600u);  // rewritten files lose group and other access

    ASSERT_TRUE(vq::WritePrivateProfileString("url", "EMPTY", "x", ini));
    expected.replace(expected.find("Empty=\n"), 7, "Empty=x\n");
    EXPECT_EQ(ReadBytes(ini), expected);
}

TEST_F(ProfileTest, NewKeysGoBelowTheLastKeyOfTheirSection) {
    WriteBytes(ini, "[A]\r\nx=1\r\n; note\r\n\r\n[B]\r\ny=2\r\n");
    ASSERT_TRUE(vq::WritePrivateProfileString("A", "k", "v", ini));
    EXPECT_EQ(ReadBytes(ini), "[A]\r\nx=1\r\nk=v\r\n; note\r\n\r\n[B]\r\ny=2\r\n");
    ASSERT_TRUE(vq::WritePrivateProfileString("B", "k", "w", ini));
    EXPECT_EQ(ReadBytes(ini), "[A]\r\nx=1\r\nk=v\r\n; note\r\n\r\n[B]\r\ny=2\r\nk=w\r\n");

    WriteBytes(ini, "[Empty]\r\n\r\n[B]\r\n");
    ASSERT_TRUE(vq::WritePrivateProfileString("Empty", "k", "v", ini));
    EXPECT_EQ(ReadBytes(ini), "[Empty]\r\nk=v\r\n\r\n[B]\r\n");
}

TEST_F(ProfileTest, UnterminatedLastLinesAreEndedBeforeAdding) {
    WriteBytes(ini, "[A]\r\nx=1");
    ASSERT_TRUE(vq::WritePrivateProfileString("A", "y", "2", ini));
    EXPECT_EQ(ReadBytes(ini), "[A]\r\nx=1\r\ny=2\r\n");
    WriteBytes(ini, "[A]");
    ASSERT_TRUE(vq::WritePrivateProfileString("A", "y", "2", ini));
    EXPECT_EQ(ReadBytes(ini), "[A]\r\ny=2\r\n");
    WriteBytes(ini, "x");
    ASSERT_TRUE(vq::WritePrivateProfileString("A", "y", "2", ini));
    EXPECT_EQ(ReadBytes(ini), "x\r\n\r\n[A]\r\ny=2\r\n");
    EXPECT_EQ(Get("A", "y"), "2");
}

TEST_F(ProfileTest, StrayCarriageReturnsDoNotHideAWrittenKey) {
    WriteBytes(ini, "[A\r");
    ASSERT_TRUE(vq::WritePrivateProfileString("A", "k", "v", ini));
    EXPECT_EQ(ReadBytes(ini), "[A\r\r\nk=v\r\n");
    EXPECT_EQ(Get("A", "k"), "v");
    WriteBytes(ini, "[B]\r\r\nk=w\r\r\n");
    EXPECT_EQ(Get("B", "k"), "w");
}

TEST_F(ProfileTest, RefusesWhatWouldBreakTheLineStructure) {
    const std::string before = "[A]\r\nx=1\r\n";
    WriteBytes(ini, before);
    EXPECT_FALSE(vq::WritePrivateProfileString("A", "x", "1\r\n[B]\r\nz=3", ini));
    EXPECT_FALSE(vq::WritePrivateProfileString("A", "x", "a\nb", ini));
    EXPECT_FALSE(vq::WritePrivateProfileString("A", "k=v", "1", ini));
    EXPECT_FALSE(vq::WritePrivateProfileString("A", "[k", "1", ini));
    EXPECT_FALSE(vq::WritePrivateProfileString("A", ";k", "1", ini));
    EXPECT_FALSE(vq::WritePrivateProfileString("A", " k", "1", ini));
    EXPECT_FALSE(vq::WritePrivateProfileString("A]", "k", "1", ini));
    EXPECT_FALSE(vq::WritePrivateProfileString("", "k", "1", ini));
    EXPECT_FALSE(vq::WritePrivateProfileString("A", "", "1", ini));
    EXPECT_EQ(ReadBytes(ini), before);
    // A folder where the file should be, and a missing parent folder.
    EXPECT_FALSE(vq::WritePrivateProfileString("A", "x", "2", dir.path()));
    EXPECT_FALSE(vq::WritePrivateProfileString("A", "x", "2", dir.File("no/such.ini")));
}

TEST_F(ProfileTest, ValuesWrittenAreReadBackAsWritten) {
    const std::string gbk = "\xD3\xC3\xBB\xA7 a;b=c";  // GBK text with blanks and ";"
    ASSERT_TRUE(vq::WritePrivateProfileString("Manager", "UserName", gbk, ini));
    ASSERT_TRUE(vq::WritePrivateProfileString("Manager", "UserPassword", "", ini));
    EXPECT_EQ(Get("MANAGER", "username"), gbk);
    EXPECT_EQ(Get("Manager", "UserPassword"), "");
    // Surrounding blanks are not kept: values are trimmed on reading.
    ASSERT_TRUE(vq::WritePrivateProfileString("Manager", "UserName", "  x  ", ini));
    EXPECT_EQ(Get("Manager", "UserName"), "x");
}

}  // namespace
