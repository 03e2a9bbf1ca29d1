#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>

#include "protocol/Crypto.h"
#include "protocol/ServiceRequest.h"
#include "tests/protocol/TestBytes.h"

namespace fs = std::filesystem;

namespace {

// name=value pairs of a text, split at "&" the way the service reads them.
std::multimap<std::string, std::string> Parameters(const std::string& text) {
    std::multimap<std::string, std::string> out;
    size_t at = 0;
    while (at <= text.size()) {
        size_t end = text.find('&', at);
        if (end == std::string::npos)
            end = text.size();
        const std::string pair = text.substr(at, end - at);
        const size_t eq = pair.find('=');
        if (!pair.empty()) {
            out.emplace(pair.substr(0, eq), eq == std::string::npos ? "" : pair.substr(eq + 1));
        }
        at = end + 1;
    }
    return out;
}

std::string Param(const std::string& text, const std::string& name) {
    auto all = Parameters(text);
    auto it = all.find(name);
    return it == all.end() ? "<absent>" : it->second;
}

std::string ReadAll(std::FILE* f) {
    std::rewind(f);
    std::string out;
    char buf[512];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        out.append(buf, n);
    return out;
}

class TempDir {
public:
    TempDir() {
        std::random_device rd;
        path_ =
            fs::temp_directory_path() / ("vqproto-" + std::to_string(rd()) + std::to_string(rd()));
        fs::create_directories(path_);
    }
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

}  // namespace

TEST(CommonParameters, OrderSessionAndCounter) {
    PackageCounter counter;
    ConnectionContext ctx;
    ctx.common = "&branch=7";
    ctx.counter = &counter;

    std::string text = "tc_service=300&TC_MFUNCNO=600&TC_SFUNCNO=49";
    AppendCommonParameters(text, false, false, "", ctx);
    EXPECT_EQ(text,
              "tc_service=300&TC_MFUNCNO=600&TC_SFUNCNO=49&branch=7&packageid=1&netaddr=&branch=7");
    EXPECT_EQ(text.find("tc_session"), std::string::npos);

    std::string second = "x";
    AppendCommonParameters(second, true, true, "abc", ctx);
    EXPECT_EQ(
        second,
        "x&TC_COMPRESS=18&tc_isunicode=1&tc_session={abc}&branch=7&packageid=2&netaddr=&branch=7");
    EXPECT_EQ(counter.Current(), 2u);
}

TEST(HttpFraming, ExactRequestBytes) {
    std::string text = "a=1&b=2";
    FrameHttpPost(text);
    EXPECT_EQ(text,
              "POST / HTTP/1.1\r\nUser-Agent:QOR ZArid Client\r\nContent-Language:en-US\r\n"
              "Content-Type:application/x-www-form-urlencoded\r\nConnection: Keep-Alive\r\n"
              "Content-Length: 7\r\n\r\na=1&b=2");
    std::string gbk = "\xd6\xd0";
    FrameHttpPost(gbk);
    EXPECT_NE(gbk.find("Content-Length: 2\r\n\r\n\xd6\xd0"), std::string::npos);
}

TEST(HttpSplit, CompleteOnlyAtTheExactLength) {
    const std::string reply = "HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\nabc";
    std::string whole = reply;
    EXPECT_EQ(SplitHttpReply(whole), kHttpComplete);
    EXPECT_EQ(whole, "abc");

    std::string shorter = reply.substr(0, reply.size() - 1);
    EXPECT_EQ(SplitHttpReply(shorter), kHttpIncomplete);
    EXPECT_EQ(shorter, reply.substr(0, reply.size() - 1));
    std::string longer = reply + "d";
    EXPECT_EQ(SplitHttpReply(longer), kHttpIncomplete);

    std::string empty = "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n";
    EXPECT_EQ(SplitHttpReply(empty), kHttpComplete);
    EXPECT_EQ(empty, "");
}

TEST(HttpSplit, MalformedHeadersStayIncomplete) {
    for (std::string bad : {
             std::string("HTTP/1.1 200 OK\r\nContent-Length: 3\r\nabc"),      // no blank line
             std::string("\r\n\r\nContent-Length: 0\r\n"),                    // blank line first
             std::string("HTTP/1.1 200 OK\r\n\r\nContent-Length: 0\r\n"),     // only in the body
             std::string("HTTP/1.1 200 OK\r\ncontent-length: 3\r\n\r\nabc"),  // case-sensitive
             std::string("HTTP/1.1 200 OK\r\nContent-Length: -3\r\n\r\nabc"),
             std::string("HTTP/1.1 200 OK\r\nContent-Length: 99999999999999999999999\r\n\r\nabc"),
             std::string(""),
         }) {
        const std::string before = bad;
        EXPECT_EQ(SplitHttpReply(bad), kHttpIncomplete) << before;
        EXPECT_EQ(bad, before);
    }
}

TEST(FunctionNumbers, ReadFromTheFinalText) {
    FunctionNumbers n =
        ReadFunctionNumbers("tc_service=300&TC_MFUNCNO=600&TC_SFUNCNO=41&name=x&packageid=3");
    EXPECT_EQ(n.service, 300);
    EXPECT_EQ(n.mainFunction, 600);
    EXPECT_EQ(n.subFunction, 41);

    n = ReadFunctionNumbers("tc_service=300&TC_MFUNCNO=600&name=x");
    EXPECT_EQ(n.subFunction, 0);
    n = ReadFunctionNumbers("Tc_SfUnCnO=12&");
    EXPECT_EQ(n.subFunction, 12);
    // The key counts only when an "&" follows it somewhere.
    n = ReadFunctionNumbers("a=1&tc_sfuncno=12");
    EXPECT_EQ(n.subFunction, 0);
    n = ReadFunctionNumbers("tc_sfuncno=&x=1");
    EXPECT_EQ(n.subFunction, 0);
    n = ReadFunctionNumbers("tc_sfuncno=70000&");  // a 16-bit field keeps the low bits
    EXPECT_EQ(n.subFunction, 70000 & 0xffff);
}

TEST(Hex, EncodeAndDecode) {
    const uint8_t bytes[] = {0x00, 0x0f, 0xa0, 0xff};
    EXPECT_EQ(HexEncode(bytes, 4), "000fa0ff");
    EXPECT_EQ(HexEncode(nullptr, 0), "");
    EXPECT_EQ(HexDecode("000fa0ff"), std::string("\x00\x0f\xa0\xff", 4));
    EXPECT_EQ(HexDecode("000FA0FF"), std::string("\x00\x0f\xa0\xff", 4));
    EXPECT_EQ(HexDecode("abc"), "\xab");
    EXPECT_EQ(HexDecode("a"), "");
    EXPECT_EQ(HexDecode(""), "");
}

TEST(UserText, EscapesExactlyFourBytes) {
    EXPECT_EQ(EscapeUserText("a&b=c+d%e"), "a%26b%3Dc%2Bd%25e");
    EXPECT_EQ(EscapeUserText("\xd6\xd0 /?#\r\n"), "\xd6\xd0 /?#\r\n");
    EXPECT_EQ(UnescapeUserText("a%26b%3dc%2Bd%25e"), "a&b=c+d%e");
    EXPECT_EQ(UnescapeUserText("%41%2"), "%41%2");  // other escapes are not ours
    EXPECT_EQ(UnescapeUserText("%252B"), "%2B");

    std::mt19937 rng(3);
    for (int i = 0; i < 200; ++i) {
        std::string s(rng() % 40, '\0');
        for (char& c : s)
            c = "&=+%ab\xd6\xd0"[rng() % 8];
        const std::string escaped = EscapeUserText(s);
        EXPECT_EQ(escaped.find_first_of("&=+"), std::string::npos);
        EXPECT_EQ(UnescapeUserText(escaped), s);
    }
}

TEST(SubFunctions, TableMatchesTheCalls) {
    const auto table = SubFunctionTable();
    ASSERT_EQ(table.size(), static_cast<size_t>(ServiceCall::kHomeImages) + 1);
    for (size_t i = 0; i < table.size(); ++i) {
        EXPECT_EQ(static_cast<size_t>(table[i].call), i);
    }
    EXPECT_EQ(BuildServiceText(ServiceCall::kHomeLatest, {"V1"}),
              "tc_service=300&TC_MFUNCNO=600&TC_SFUNCNO=2&menuid=9&count=6&virid=V1");
    EXPECT_EQ(BuildServiceText(ServiceCall::kListTab2, {"O"}),
              "tc_service=300&TC_MFUNCNO=600&TC_SFUNCNO=20&menuid=&orgid=O");
    EXPECT_EQ(BuildServiceText(ServiceCall::kHomeImages, {}),
              "tc_service=300&TC_MFUNCNO=600&TC_SFUNCNO=49");
    EXPECT_EQ(
        BuildServiceText(ServiceCall::kBoardPost, {"V", "m", "t", "O"}),
        "tc_service=300&TC_MFUNCNO=600&TC_SFUNCNO=45&partenid=-1&virid=V&meno=m&title=t&orgid=O");
    EXPECT_EQ(BuildServiceText(ServiceCall::kMarkChatRead, {"9"}),
              "tc_service=300&TC_MFUNCNO=600&TC_SFUNCNO=15&state=1&msgid=9");
    EXPECT_EQ(
        BuildServiceText(ServiceCall::kSendChat, {"a", "b"}),
        "tc_service=300&TC_MFUNCNO=600&TC_SFUNCNO=14&fromid=a&toid=b&msgcontent=&totype=0&state=0");
    EXPECT_EQ(BuildSearchText("10", "abc"), "tc_service=300&TC_MFUNCNO=600&TC_SFUNCNO=47&cont=abc");
    EXPECT_EQ(BuildSearchText("11", "abc"), "tc_service=300&TC_MFUNCNO=600&TC_SFUNCNO=11&cont=abc");
    EXPECT_EQ(BuildSearchText("", ""), "tc_service=300&TC_MFUNCNO=600&TC_SFUNCNO=&cont=");
}

TEST(SubFunctions, UserTextCannotInjectParameters) {
    const std::string content = "hi&toid=admin&state=1=+%";
    const std::string text = BuildServiceText(ServiceCall::kSendChat, {"me", "you", content});
    const auto params = Parameters(text);
    EXPECT_EQ(params.count("toid"), 1u);
    EXPECT_EQ(params.count("state"), 1u);
    EXPECT_EQ(UnescapeUserText(Param(text, "msgcontent")), content);
    EXPECT_EQ(Param(text, "toid"), "you");

    // Values from the program or the service go in unchanged.
    const std::string ids = BuildServiceText(ServiceCall::kMenuNews, {"v&1", "m=2"});
    EXPECT_EQ(ids, "tc_service=300&TC_MFUNCNO=600&TC_SFUNCNO=34&virid=v&1&menuid=m=2");
    // Every typed field of every form is escaped.
    const std::string custom =
        BuildServiceText(ServiceCall::kCustomRequest, {"n&", "u=", "a+", "m%", "p&"});
    EXPECT_EQ(custom,
              "tc_service=300&TC_MFUNCNO=600&TC_SFUNCNO=41&name=n%26&usrcode=u%3D&addr=a%2B&mobile="
              "m%25&pho=p%26");
    EXPECT_EQ(
        Param(BuildServiceText(ServiceCall::kQuestionnaire, {"v", "5", "1", "a&b"}), "jianyi"),
        "a%26b");
    EXPECT_EQ(
        Param(BuildServiceText(ServiceCall::kBoardReply, {"3", "v", "x=y", "t&", "o"}), "meno"),
        "x%3Dy");
    EXPECT_EQ(Param(BuildSearchText("10", "600&x"), "cont"), "600%26x");
}

class LoginText : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        keys_ = new RsaKeyPair;
        ASSERT_TRUE(GenerateKeyPair(2048, keys_));
    }
    static void TearDownTestSuite() {
        delete keys_;
        keys_ = nullptr;
    }
    void SetUp() override {
        std::ofstream(dir_.path() / "pubkey.bin", std::ios::binary)
            .write(reinterpret_cast<const char*>(keys_->publicDer.data()),
                   static_cast<std::streamsize>(keys_->publicDer.size()));
        ctx_.renZheng = "tc_service=300&TC_MFUNCNO=100&TC_SFUNCNO=1";
        ctx_.common = "&c=1";
        ctx_.userName = "alice";
        ctx_.password = "password";
        // A Windows-style relative part, as the program names the file.
        ctx_.publicKeyFile = dir_.path().string() + "\\pubkey.bin";
        ctx_.counter = &counter_;
    }

    static RsaKeyPair* keys_;
    TempDir dir_;
    ConnectionContext ctx_;
    PackageCounter counter_;
};
RsaKeyPair* LoginText::keys_ = nullptr;

TEST_F(LoginText, FieldsKeyAndDigest) {
    std::FILE* diag = std::tmpfile();
    ASSERT_NE(diag, nullptr);
    const std::string text = BuildLoginText(ctx_, diag);
    const std::string printed = ReadAll(diag);
    std::fclose(diag);

    ASSERT_EQ(text.rfind(ctx_.renZheng, 0), 0u);
    EXPECT_EQ(Param(text, "loginID"), "alice");
    EXPECT_EQ(Param(text, "netaddr"), "alice");
    EXPECT_EQ(Param(text, "loginPwd"), "5f4dcc3b5aa765d61d8327deb882cf99");  // MD5("password")
    const std::string key = Param(text, "userKey");
    ASSERT_EQ(key.size(), 512u);  // 256 bytes of a 2048-bit key, in hex
    const std::string cipher = HexDecode(key);
    std::vector<uint8_t> plain;
    ASSERT_TRUE(
        DecryptWithPrivateKey(keys_->privatePem, testbytes::Data(cipher), cipher.size(), &plain));
    ASSERT_EQ(plain.size(), 16u);
    for (uint8_t b : plain)
        EXPECT_LE(b, 254);

    // The order of the fields, after RenZheng.
    const size_t id = text.find("&loginID="), k = text.find("&userKey="),
                 p = text.find("&loginPwd="), n = text.find("&netaddr=");
    EXPECT_TRUE(id < k && k < p && p < n);

    // The diagnostic keeps its form but shows neither the key nor the digest.
    EXPECT_EQ(printed.rfind("FixRenZhengUrl : ", 0), 0u);
    EXPECT_EQ(printed.substr(printed.size() - 2), "\r\n");
    EXPECT_EQ(printed.find("5f4dcc3b5aa765d61d8327deb882cf99"), std::string::npos);
    EXPECT_EQ(printed.find(key.substr(0, 16)), std::string::npos);
    EXPECT_NE(printed.find("&loginID=alice&userKey=******&loginPwd=******&netaddr=alice"),
              std::string::npos);
}

TEST_F(LoginText, KeyBytesDifferBetweenLogins) {
    std::vector<uint8_t> previous;
    for (int i = 0; i < 3; ++i) {
        const std::string cipher = HexDecode(Param(BuildLoginText(ctx_, nullptr), "userKey"));
        std::vector<uint8_t> plain;
        ASSERT_TRUE(DecryptWithPrivateKey(keys_->privatePem, testbytes::Data(cipher), cipher.size(),
                                          &plain));
        EXPECT_NE(plain, previous);
        previous = plain;
    }
}

TEST_F(LoginText, MissingKeyFileStillBuildsTheText) {
    ctx_.publicKeyFile = (dir_.path() / "absent.bin").string();
    const std::string text = BuildLoginText(ctx_, nullptr);
    EXPECT_EQ(Param(text, "userKey"), "");
    EXPECT_EQ(Param(text, "loginPwd"), "5f4dcc3b5aa765d61d8327deb882cf99");
}
