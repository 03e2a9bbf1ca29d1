#include "session/IniFileReader.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tests/core/TempDir.h"

namespace {

using vq::test::FileMode;
using vq::test::ReadBytes;
using vq::test::WriteBytes;

// A config.ini as the program leaves it: every later section follows a blank line.
const std::string kSystemFile =
    "[INFOR]\r\n"
    "NAME=config\r\n"
    "\r\n"
    "[VERSION]\r\n"
    "NAME=3.0\r\n"
    "\r\n"
    "[NET]\r\n"
    "IP=192.168.1.5\r\n"
    "HTTPPORT=80\r\n"
    "\r\n"
    "[Manager]\r\n"
    "IsRemFlag=1\r\n"
    "UserName=ab\r\n"
    "UserPassword=pw\r\n";

std::string Read(const CIniFileReader& ini, std::string_view section, std::string_view key) {
    const int sec = ini.FindSection(section);
    return ini.ReadValue(sec < 0 ? -1 : ini.FindKey(sec, key));
}

bool Has(const CIniFileReader& ini, std::string_view section, std::string_view key) {
    const int sec = ini.FindSection(section);
    return sec >= 0 && ini.FindKey(sec, key) >= 0;
}

TEST(IniFileReader, FindsSectionsAndKeysExactly) {
    CIniFileReader ini;
    ASSERT_TRUE(ini.LoadFromBuffer(kSystemFile));
    EXPECT_EQ(ini.SectionCount(), 4);
    EXPECT_EQ(ini.FindSection("INFOR"), 1);  // the byte after "["
    EXPECT_EQ(ini.FindSection("NET"), static_cast<int>(kSystemFile.find("[NET]") + 1));
    EXPECT_EQ(ini.FindSection("net"), -1);  // case counts
    EXPECT_EQ(ini.FindSection("NE"), -1);
    EXPECT_EQ(Read(ini, "NET", "IP"), "192.168.1.5");
    EXPECT_EQ(ini.FindKey(ini.FindSection("NET"), "IP"),
              static_cast<int>(kSystemFile.find("IP=") + 3));
    EXPECT_EQ(Read(ini, "VERSION", "NAME"), "3.0");  // the first NAME after its own header
    EXPECT_EQ(Read(ini, "Manager", "UserName"), "ab");
    EXPECT_FALSE(Has(ini, "Manager", "username"));
    // The search ends at the next section header.
    EXPECT_FALSE(Has(ini, "NET", "UserName"));
    EXPECT_FALSE(Has(ini, "INFOR", "IP"));
}

TEST(IniFileReader, ValuesEndAtTheirDelimiters) {
    CIniFileReader ini;
    ASSERT_TRUE(
        ini.LoadFromBuffer("[Manager]\r\n"
                           "IsRemFlag = 1\r\n"
                           "UserPassword=ab;cd\r\n"
                           "UserName=x\ty\r\n"
                           "IP=1.2]3\r\n"
                           "Empty=\r\n"
                           "NoEquals\r\n"
                           "Last=z"));
    // Blanks around "=" make another key: IsRemFlag is absent and reads as 0.
    EXPECT_FALSE(Has(ini, "Manager", "IsRemFlag"));
    EXPECT_TRUE(Has(ini, "Manager", "IsRemFlag "));
    EXPECT_EQ(std::atoi(Read(ini, "Manager", "IsRemFlag").c_str()), 0);
    EXPECT_EQ(Read(ini, "Manager", "UserPassword"), "ab");
    EXPECT_EQ(Read(ini, "Manager", "UserName"), "x");
    EXPECT_EQ(Read(ini, "Manager", "IP"), "1.2");
    EXPECT_TRUE(Has(ini, "Manager", "Empty"));
    EXPECT_EQ(Read(ini, "Manager", "Empty"), "");
    EXPECT_FALSE(Has(ini, "Manager", "NoEquals"));
    EXPECT_EQ(Read(ini, "Manager", "Last"), "z");
}

TEST(IniFileReader, SectionHeadersOnlyAtLineStarts) {
    CIniFileReader ini;
    ASSERT_TRUE(ini.LoadFromBuffer("x=[A]\r\n [B]\r\n[C;note]\r\n[D\r\nk=1\r\n[E"));
    EXPECT_EQ(ini.SectionCount(), 3);
    EXPECT_EQ(ini.FindSection("A"), -1);
    EXPECT_EQ(ini.FindSection("B"), -1);
    EXPECT_GE(ini.FindSection("C"), 0);
    EXPECT_EQ(Read(ini, "D", "k"), "1");
    EXPECT_GE(ini.FindSection("E"), 0);  // header at the very end, no line end
    EXPECT_FALSE(Has(ini, "E", "k"));
}

TEST(IniFileReader, PositionsOutsideTheContentReadNothing) {
    CIniFileReader ini;
    ASSERT_TRUE(ini.LoadFromBuffer("[A]\r\nk=v"));
    EXPECT_EQ(ini.ReadValue(-1), "");
    EXPECT_EQ(ini.ReadValue(ini.Length() + 100), "");
    EXPECT_EQ(ini.FindKey(-1, "k"), -1);
    EXPECT_EQ(ini.FindKey(ini.Length() + 1, "k"), -1);
    EXPECT_EQ(ini.FindKey(ini.Length(), "k"), -1);
}

TEST(IniFileReader, MissingSectionIsAppendedAfterABlankLine) {
    CIniFileReader ini;
    const std::string before = "[NET]\r\nIP=1.2.3.4\r\n";
    ini.LoadFromBuffer(before);
    ASSERT_TRUE(ini.SetValue("IsRemFlag", "Manager", "1"));
    EXPECT_EQ(ini.Content(), before + "\r\n[Manager]\r\nIsRemFlag=1\r\n");
    EXPECT_EQ(ini.SectionCount(), 2);
    EXPECT_EQ(Read(ini, "Manager", "IsRemFlag"), "1");
    // Into nothing at all, as with a missing file.
    CIniFileReader empty;
    EXPECT_FALSE(empty.LoadFromBuffer(""));
    ASSERT_TRUE(empty.SetValue("IsRemFlag", "Manager", "1"));
    EXPECT_EQ(empty.Content(), "\r\n[Manager]\r\nIsRemFlag=1\r\n");
}

TEST(IniFileReader, ReplacingAValueMovesOnlyWhatFollows) {
    CIniFileReader ini;
    ini.LoadFromBuffer(kSystemFile);
    ASSERT_TRUE(ini.SetValue("UserName", "Manager", "abcde"));
    std::string expected = kSystemFile;
    expected.replace(expected.find("UserName=ab") + 9, 2, "abcde");
    EXPECT_EQ(ini.Content(), expected);
    EXPECT_EQ(ini.Length(), static_cast<int>(kSystemFile.size()) + 3);
    // Shrinking to nothing, and a value followed by a comment.
    ASSERT_TRUE(ini.SetValue("UserName", "Manager", ""));
    expected.replace(expected.find("UserName=abcde") + 9, 5, "");
    EXPECT_EQ(ini.Content(), expected);
    ini.LoadFromBuffer("[A]\r\nk=old;note\r\n");
    ASSERT_TRUE(ini.SetValue("k", "A", "new"));
    EXPECT_EQ(ini.Content(), "[A]\r\nk=new;note\r\n");
}

TEST(IniFileReader, ValueWithSemicolonIsCutWhenReadBack) {
    CIniFileReader ini;
    ini.LoadFromBuffer(kSystemFile);
    ASSERT_TRUE(ini.SetValue("UserPassword", "Manager", "pa;ss"));
    EXPECT_EQ(Read(ini, "Manager", "UserPassword"), "pa");
}

TEST(IniFileReader, NewKeysOfSystemFilesGoIntoTheBlankLineAsBefore) {
    CIniFileReader ini;
    ini.LoadFromBuffer(kSystemFile);
    ASSERT_TRUE(ini.SetValue("TCPORT", "NET", "8000"));
    ASSERT_TRUE(ini.SetValue("IsLoginFlag", "Manager", "0"));
    ASSERT_TRUE(ini.SetValue("NAME", "INFOR", "config"));
    EXPECT_EQ(ini.Content(),
              "[INFOR]\r\n"
              "NAME=config\r\n"
              "\r\n"
              "[VERSION]\r\n"
              "NAME=3.0\r\n"
              "\r\n"
              "[NET]\r\n"
              "IP=192.168.1.5\r\n"
              "HTTPPORT=80\r\n"
              "TCPORT=8000\r\n"
              "\r\n"
              "[Manager]\r\n"
              "IsRemFlag=1\r\n"
              "UserName=ab\r\n"
              "UserPassword=pw\r\n"
              "IsLoginFlag=0\r\n");
}

TEST(IniFileReader, NewKeyStaysInItsSectionWithoutABlankLineBelow) {
    CIniFileReader ini;
    ini.LoadFromBuffer("[NET]\r\nIP=1.2.3.4\r\n[Manager]\r\nUserName=ab\r\n");
    ASSERT_TRUE(ini.SetValue("TCPORT", "NET", "8000"));
    EXPECT_EQ(ini.Content(), "[NET]\r\nIP=1.2.3.4\r\nTCPORT=8000\r\n[Manager]\r\nUserName=ab\r\n");
    EXPECT_EQ(Read(ini, "NET", "TCPORT"), "8000");
    // Found again, so the next write replaces instead of adding another line.
    ASSERT_TRUE(ini.SetValue("TCPORT", "NET", "9000"));
    EXPECT_EQ(ini.Content(), "[NET]\r\nIP=1.2.3.4\r\nTCPORT=9000\r\n[Manager]\r\nUserName=ab\r\n");
}

TEST(IniFileReader, InsertionStopsAtCommentAndFillerLines) {
    CIniFileReader ini;
    ini.LoadFromBuffer("[A]\r\nx=1\r\n//note\r\n");
    ASSERT_TRUE(ini.SetValue("k", "A", "v"));
    EXPECT_EQ(ini.Content(), "[A]\r\nx=1\r\nk=v\r\n//note\r\n");
    ini.LoadFromBuffer("[A]\r\nx=1\r\n\xFF\xFF\r\n");
    ASSERT_TRUE(ini.SetValue("k", "A", "v"));
    EXPECT_EQ(ini.Content(), "[A]\r\nx=1\r\nk=v\r\n\xFF\xFF\r\n");
    ini.LoadFromBuffer("[A]\nx=1\n\n[B]\n");
    ASSERT_TRUE(ini.SetValue("k", "A", "v"));
    EXPECT_EQ(ini.Content(), "[A]\nx=1\nk=v\r\n\n[B]\n");
}

TEST(IniFileReader, UnterminatedLastLineIsNotJoinedToTheNewKey) {
    CIniFileReader ini;
    ini.LoadFromBuffer("[Manager]\r\nUserName=ab");
    ASSERT_TRUE(ini.SetValue("IsRemFlag", "Manager", "1"));
    EXPECT_EQ(ini.Content(), "[Manager]\r\nUserName=ab\r\nIsRemFlag=1\r\n");
    EXPECT_EQ(Read(ini, "Manager", "UserName"), "ab");
    ini.LoadFromBuffer("[Manager]");
    ASSERT_TRUE(ini.SetValue("IsRemFlag", "Manager", "1"));
    EXPECT_EQ(ini.Content(), "[Manager]\r\nIsRemFlag=1\r\n");
}

TEST(IniFileReader, RefusesNamesAndValuesThatBreakLines) {
    CIniFileReader ini;
    ini.LoadFromBuffer(kSystemFile);
    EXPECT_FALSE(ini.SetValue("UserPassword", "Manager", "x\r\n[NET]\r\nIP=6.6.6.6"));
    EXPECT_FALSE(ini.SetValue("UserPassword", "Manager", "x\ny"));
    EXPECT_FALSE(ini.SetValue("k=v", "Manager", "1"));
    EXPECT_FALSE(ini.SetValue("k;", "Manager", "1"));
    EXPECT_FALSE(ini.SetValue("[k", "Manager", "1"));
    EXPECT_FALSE(ini.SetValue("", "Manager", "1"));
    EXPECT_FALSE(ini.SetValue("k", "Man]ager", "1"));
    EXPECT_FALSE(ini.SetValue("k", "Man\tager", "1"));
    EXPECT_FALSE(ini.SetValue("k", "", "1"));
    EXPECT_EQ(ini.Content(), kSystemFile);
}

class IniFileReaderFile : public ::testing::Test {
protected:
    vq::test::TempDir dir;
    std::string path = dir.File("config.ini");
    CIniFileReader ini;
    void SetUp() override { ASSERT_TRUE(ini.SetFileName(path)); }
};

TEST_F(IniFileReaderFile, MissingOrEmptyFileLoadsAsNothing) {
    EXPECT_FALSE(ini.Load());
    EXPECT_EQ(ini.Length(), 0);
    EXPECT_EQ(Read(ini, "Manager", "IsRemFlag"), "");
    WriteBytes(path, "");
    EXPECT_FALSE(ini.Load());
    WriteBytes(path, kSystemFile);
    EXPECT_TRUE(ini.Load());
    EXPECT_EQ(ini.Content(), kSystemFile);
    // A later failed load drops the old content.
    ASSERT_TRUE(ini.SetFileName(dir.File("other.ini")));
    EXPECT_FALSE(ini.Load());
    EXPECT_EQ(ini.Length(), 0);
}

TEST_F(IniFileReaderFile, WriteBackKeepsTheBytesAndHidesThePassword) {
    const std::string bytes = kSystemFile + std::string("X=\0\xCC\xE1\r\n", 7);
    WriteBytes(path, bytes);
    ASSERT_TRUE(ini.Load());
    ASSERT_TRUE(ini.Save());
    EXPECT_EQ(ReadBytes(path), bytes);
    EXPECT_EQ(FileMode(path), 0600u);

    // Creating the file from nothing: the write-back after SetValue on a missing file.
    const std::string fresh = dir.File("fresh.ini");
    CIniFileReader created;
    ASSERT_TRUE(created.SetFileName(fresh));
    EXPECT_FALSE(created.Load());
    ASSERT_TRUE(created.SetValue("IsRemFlag", "Manager", "1"));
    ASSERT_TRUE(created.Save());
    EXPECT_EQ(ReadBytes(fresh), "\r\n[Manager]\r\nIsRemFlag=1\r\n");
    EXPECT_EQ(FileMode(fresh), 0600u);
}

TEST_F(IniFileReaderFile, AnUnreadableFileIsNeverOverwritten) {
    ASSERT_TRUE(ini.SetFileName(dir.path()));  // a folder cannot be read as a file
    EXPECT_FALSE(ini.Load());
    ASSERT_TRUE(ini.SetValue("IsRemFlag", "Manager", "1"));
    EXPECT_FALSE(ini.Save());
}

}  // namespace
