#include "session/ConfigFile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>
#include <thread>
#include <utility>

#include "platform/core/Profile.h"
#include "session/IniFileReader.h"
#include "tests/core/TempDir.h"

namespace {

using vq::test::FileMode;
using vq::test::ReadBytes;
using vq::test::WriteBytes;

class ConfigFileTest : public ::testing::Test {
protected:
    vq::test::TempDir dir;
    std::string path = dir.File("config.ini");
};

TEST(ConfigTable, EveryKeyIsUniqueAndWritable) {
    std::set<std::pair<std::string_view, std::string_view>> seen;
    for (const ConfigKey& k : kConfigKeys) {
        EXPECT_TRUE(seen.insert({k.section, k.key}).second) << k.section << "/" << k.key;
        // Both writers must accept every name of the table.
        CIniFileReader ini;
        EXPECT_TRUE(ini.SetValue(k.key, k.section, "v")) << k.section << "/" << k.key;
        std::string content;
        EXPECT_TRUE(vq::SetProfileValue(content, k.section, k.key, "v"));
    }
    EXPECT_EQ(Config(ConfigId::kLoginStateValue).section, "LoginStateFLag");
    EXPECT_EQ(Config(ConfigId::kManagerUserPassword).key, "UserPassword");
}

TEST_F(ConfigFileTest, ChosenPortFollowsUse) {
    const char* const file = "[NET]\r\nIP=10.1.2.3\r\nHTTPPORT=8080\r\nTCPORT=9090\r\nUSE=%d\r\n";
    for (auto [use, port] : {std::pair{0, 8080}, {1, 8080}, {2, 9090}, {3, 8080}}) {
        char buf[128];
        std::snprintf(buf, sizeof buf, file, use);
        WriteBytes(path, buf);
        const NetSettings s = ReadNetSettings(path);
        EXPECT_EQ(s.use, use);
        EXPECT_EQ(s.port, port) << "USE=" << use;
        EXPECT_EQ(s.ip, "10.1.2.3");
        EXPECT_EQ(s.httpPort, 8080);
        EXPECT_EQ(s.tcPort, 9090);
    }
}

TEST_F(ConfigFileTest, MissingFileReadsEmptyAndZero) {
    const NetSettings n = ReadNetSettings(path);
    EXPECT_EQ(n.ip, "");
    EXPECT_EQ(n.port, 0);
    const ManagerSettings m = ReadManagerSettings(path);
    EXPECT_FALSE(m.remember || m.autoLogin);
    EXPECT_EQ(m.userName + m.userPassword, "");
}

TEST_F(ConfigFileTest, TextsAreCutToTheirLimits) {
    const std::string longText(300, 'c');
    WriteBytes(path, "[NET]\r\nIP=1234567890123456789\r\n\r\n[URL]\r\nCOMMON=" + longText +
                         "\r\nInLogin=" + longText + "\r\n\r\n[USER]\r\nNAME=" + longText +
                         "\r\n\r\n[LoginStateFLag]\r\nvalue=23\r\n");
    EXPECT_EQ(ReadNetSettings(path).ip, "123456789012345");
    const UrlSettings u = ReadUrlSettings(path);
    EXPECT_EQ(u.common, longText.substr(0, 199));
    EXPECT_EQ(u.inLogin, longText.substr(0, 159));
    EXPECT_EQ(ReadUserDefaults(path).name, longText.substr(0, 199));
    EXPECT_EQ(ReadConfigText(ConfigId::kLoginStateValue, path), "2");
}

TEST_F(ConfigFileTest, ManagerValuesAreReadExactly) {
    WriteBytes(path,
               "[Manager]\r\nIsRemFlag=1\r\nIsLoginFlag = 1\r\nUserName=\xD5\xC5\xC8\xFD\r\n"
               "UserPassword=p;w\r\n");
    const ManagerSettings m = ReadManagerSettings(path);
    EXPECT_TRUE(m.remember);
    EXPECT_FALSE(m.autoLogin);  // blanks around "=": not the key
    EXPECT_EQ(m.userName, "\xD5\xC5\xC8\xFD");
    EXPECT_EQ(m.userPassword, "p");
}

TEST_F(ConfigFileTest, StampCreatesThePrivateFile) {
    ASSERT_TRUE(WriteConfigStamp(path));
    EXPECT_EQ(ReadBytes(path), "[INFOR]\r\nNAME=config\r\n\r\n[VERSION]\r\nNAME=3.0\r\n");
    EXPECT_EQ(FileMode(path), 0600u);
    ASSERT_TRUE(WriteConfigStamp(path));
    EXPECT_EQ(ReadBytes(path), "[INFOR]\r\nNAME=config\r\n\r\n[VERSION]\r\nNAME=3.0\r\n");
}

TEST_F(ConfigFileTest, BothWritersProduceFilesBothReadersAgreeOn) {
    ASSERT_TRUE(WriteConfigStamp(path));
    ASSERT_TRUE(WriteNetAddress("192.168.0.7", "8000", path));
    ASSERT_TRUE(IniWriteValues({{ConfigId::kManagerIsRemFlag, "1"},
                                {ConfigId::kManagerUserName, "ab"},
                                {ConfigId::kManagerUserPassword, "pw"}},
                               path));
    ASSERT_TRUE(WriteConfigText(ConfigId::kManagerIsLoginFlag, "1", path));
    ASSERT_TRUE(WriteConfigText(ConfigId::kLoginStateValue, "2", path));
    EXPECT_EQ(ReadBytes(path),
              "[INFOR]\r\nNAME=config\r\n\r\n[VERSION]\r\nNAME=3.0\r\n"
              "\r\n[NET]\r\nIP=192.168.0.7\r\nTCPORT=8000\r\n"
              "\r\n[Manager]\r\nIsRemFlag=1\r\nUserName=ab\r\nUserPassword=pw\r\n"
              "IsLoginFlag=1\r\n"
              "\r\n[LoginStateFLag]\r\nvalue=2\r\n");
    EXPECT_EQ(FileMode(path), 0600u);
    for (const ConfigKey& k : kConfigKeys) {
        const auto id = static_cast<ConfigId>(&k - kConfigKeys.data());
        EXPECT_EQ(IniReadText(id, path), ReadConfigText(id, path)) << k.section << "/" << k.key;
    }
    const ManagerSettings m = ReadManagerSettings(path);
    EXPECT_TRUE(m.remember && m.autoLogin);
    EXPECT_EQ(ReadNetSettings(path).tcPort, 8000);
}

TEST_F(ConfigFileTest, ForgettingTheLoginEmptiesNameAndPassword) {
    WriteBytes(path, "[Manager]\r\nIsRemFlag=1\r\nUserName=ab\r\nUserPassword=secret\r\n");
    ASSERT_TRUE(ClearRememberedLogin(path));
    EXPECT_EQ(ReadBytes(path), "[Manager]\r\nIsRemFlag=0\r\nUserName=\r\nUserPassword=\r\n");
    const ManagerSettings m = ReadManagerSettings(path);
    EXPECT_FALSE(m.remember);
    EXPECT_EQ(m.userName + m.userPassword, "");
}

TEST_F(ConfigFileTest, RefusedWriteLeavesTheFileAlone) {
    WriteBytes(path, "[NET]\r\nIP=1.1.1.1\r\n");
    EXPECT_FALSE(IniWriteValues(
        {{ConfigId::kNetIp, "2.2.2.2"}, {ConfigId::kManagerUserPassword, "a\r\nb"}}, path));
    EXPECT_EQ(ReadBytes(path), "[NET]\r\nIP=1.1.1.1\r\n");
}

TEST_F(ConfigFileTest, ConcurrentWritersLoseNoChange) {
    ASSERT_TRUE(WriteConfigStamp(path));
    auto writer = [this](ConfigId id, int rounds) {
        for (int i = 0; i < rounds; ++i) {
            IniWriteValues({{id, std::to_string(i)}}, path);
        }
    };
    std::thread a(writer, ConfigId::kManagerUserName, 40);
    std::thread b(writer, ConfigId::kNetIp, 40);
    for (int i = 0; i < 40; ++i) {
        WriteConfigText(ConfigId::kLoginStateValue, std::to_string(i % 4), path);
    }
    a.join();
    b.join();
    EXPECT_EQ(IniReadText(ConfigId::kManagerUserName, path), "39");
    EXPECT_EQ(IniReadText(ConfigId::kNetIp, path), "39");
    EXPECT_EQ(IniReadText(ConfigId::kLoginStateValue, path), "3");
    EXPECT_EQ(IniReadText(ConfigId::kInforName, path), "config");
}

}  // namespace
