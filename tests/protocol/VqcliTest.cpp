#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "protocol/RecordSetWriter.h"
#include "tests/protocol/TestBytes.h"
#include "tests/protocol/TestPeer.h"

extern char** environ;

using namespace std::chrono_literals;

namespace {

struct RunResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

std::string ToolPath() {
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe");
    return (self.parent_path().parent_path() / "bin" / "vqcli").string();
}

std::string Drain(int fd) {
    std::string s;
    char buf[4096];
    ssize_t n;
    while ((n = read(fd, buf, sizeof buf)) > 0)
        s.append(buf, static_cast<size_t>(n));
    return s;
}

// Runs vqcli with `args`, for at most 20 s; the child is ended by its id past that.
RunResult RunTool(std::vector<std::string> args) {
    const std::string tool = ToolPath();
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(tool.c_str()));
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    char outName[] = "/tmp/vqcli-out-XXXXXX";
    char errName[] = "/tmp/vqcli-err-XXXXXX";
    const int outFd = mkstemp(outName);
    const int errFd = mkstemp(errName);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, outFd, 1);
    posix_spawn_file_actions_adddup2(&actions, errFd, 2);
    pid_t pid = -1;
    RunResult r;
    if (posix_spawn(&pid, tool.c_str(), &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        const auto end = std::chrono::steady_clock::now() + 20s;
        while (waitpid(pid, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > end) {
                kill(pid, SIGKILL);
                waitpid(pid, &status, 0);
                break;
            }
            std::this_thread::sleep_for(5ms);
        }
        r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    lseek(outFd, 0, SEEK_SET);
    lseek(errFd, 0, SEEK_SET);
    r.out = Drain(outFd);
    r.err = Drain(errFd);
    close(outFd);
    close(errFd);
    unlink(outName);
    unlink(errName);
    return r;
}

std::vector<uint8_t> LoginReply(const std::string& ok) {
    return EncodeTextRecordSet("login", {"isok", "session"}, {{ok, "SES"}});
}

// Two sets: typed columns with a GBK text, quotes and a backslash; then an empty set.
std::vector<uint8_t> CallReply() {
    RecordSetWriter w("getinfoIM");
    w.AddColumn("msgcontent", kTypeText);
    w.AddColumn("msgid", kTypeInt32);
    w.AddColumn("ok", kTypeBool);
    w.AddRow();
    w.SetText(0, "\xd6\xd0\xce\xc4 \"q\" \\");
    w.SetInt(1, 42);
    w.SetBool(2, true);
    w.AddRow();
    w.SetNull(0);
    w.SetInt(1, -1);
    std::vector<uint8_t> body = w.Finish();
    RecordSetWriter empty("newsneedcheck");
    empty.AddColumn("x", kTypeDouble);
    empty.AppendTo(body);
    return body;
}

const char kExpected[] =
    "{\"tag\":\"getinfoIM\",\"columns\":[{\"name\":\"msgcontent\",\"type\":9},"
    "{\"name\":\"msgid\",\"type\":4},{\"name\":\"ok\",\"type\":1}],"
    "\"rows\":[[\"\xe4\xb8\xad\xe6\x96\x87 \\\"q\\\" "
    "\\\\\",\"42\",\"T\"],[\"null\",\"-1\",\"F\"]]}\n"
    "{\"tag\":\"newsneedcheck\",\"columns\":[{\"name\":\"x\",\"type\":7}],\"rows\":[]}\n";

TestPeer::Handler Service(std::string loginOk = "T") {
    return [loginOk](const PeerRequest& r) {
        if (r.probe)
            return PeerAction::ProbeOk();
        if (TextParam(r.text, "loginID") != "<absent>")
            return PeerAction::Reply(LoginReply(loginOk));
        return PeerAction::Reply(CallReply());
    };
}

std::vector<std::string> Args(int port, const std::string& mode, std::vector<std::string> more) {
    std::vector<std::string> a = {"--host",     "127.0.0.1", "--port",    std::to_string(port),
                                  "--mode",     mode,        "--user",    "alice",
                                  "--password", "pw",        "--timeout", "10"};
    a.insert(a.end(), more.begin(), more.end());
    return a;
}

}  // namespace

TEST(Vqcli, PrintsTheReplyInBothModes) {
    for (bool binary : {false, true}) {
        SCOPED_TRACE(binary ? "binary" : "http");
        TestPeer peer(binary, Service());
        const RunResult r = RunTool(Args(peer.Port(), binary ? "binary" : "http",
                                         {"--call", "13", "fromid=7", "msg=a&b=c"}));
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.out, kExpected);
        const auto requests = peer.Requests();
        ASSERT_EQ(requests.size(), binary ? 3u : 2u);
        EXPECT_EQ(requests[0].probe, binary);
        const std::string call = requests.back().text;
        EXPECT_EQ(
            call.rfind("tc_service=300&TC_MFUNCNO=600&TC_SFUNCNO=13&fromid=7&msg=a%26b%3Dc", 0),
            0u);
        EXPECT_EQ(TextParam(call, "tc_session"), "{SES}");
        EXPECT_NE(r.err.find("FixRenZhengUrl : "), std::string::npos);  // kept off stdout
    }
}

TEST(Vqcli, ReadsTheConfigFile) {
    TestPeer peer(false, Service());
    const std::string dir = ::testing::TempDir();
    const std::string config = dir + "vqcli-config.ini";
    std::ofstream(config) << "[NET]\r\nIP=127.0.0.1\r\nHTTPPORT=" << peer.Port()
                          << "\r\nTCPORT=1\r\nUSE=0\r\n\r\n[URL]\r\nCOMMON=&site=9\r\n"
                          << "RenZheng=tc_service=300&TC_MFUNCNO=100&TC_SFUNCNO=1\r\n";
    const RunResult r = RunTool({"--config", config, "--user", "bob", "--password", "pw", "--raw",
                                 "tc_service=300&TC_MFUNCNO=600&TC_SFUNCNO=49", "--timeout", "10"});
    std::remove(config.c_str());
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, kExpected);
    const auto requests = peer.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].text.rfind("tc_service=300&TC_MFUNCNO=100&TC_SFUNCNO=1&loginID=bob", 0),
              0u);
    EXPECT_EQ(TextParam(requests[1].text, "site"), "9");
}

TEST(Vqcli, ExitCodes) {
    EXPECT_EQ(RunTool({"--user", "a"}).exitCode, 2);
    EXPECT_EQ(RunTool({"--user", "a", "--password", "b", "--call", "x"}).exitCode, 2);
    EXPECT_EQ(RunTool({"--user", "a", "--password", "b", "--call", "1", "novalue"}).exitCode, 2);
    EXPECT_EQ(RunTool({"--user", "a", "--password", "b", "--call", "1", "--raw", "x"}).exitCode, 2);
    EXPECT_EQ(RunTool(Args(ClosedLoopbackPort(), "http", {"--call", "1"})).exitCode, 3);
    {
        TestPeer refused(false, Service("F"));
        EXPECT_EQ(RunTool(Args(refused.Port(), "http", {"--call", "1"})).exitCode, 4);
    }
    {
        TestPeer busy(true, [](const PeerRequest&) { return PeerAction::Reply({'N', 'O', 0}); });
        EXPECT_EQ(RunTool(Args(busy.Port(), "binary", {"--call", "1"})).exitCode, 4);
    }
    {
        TestPeer closing(false, [](const PeerRequest& r) {
            if (TextParam(r.text, "loginID") != "<absent>")
                return PeerAction::Reply(LoginReply("T"));
            return PeerAction::Close();
        });
        const RunResult r = RunTool(Args(closing.Port(), "http", {"--call", "1"}));
        EXPECT_EQ(r.exitCode, 5);
        EXPECT_NE(r.err.find("connection lost"), std::string::npos) << r.err;
    }
    {
        TestPeer silent(false, [](const PeerRequest&) { return PeerAction::Silence(); });
        std::vector<std::string> a = Args(silent.Port(), "http", {"--call", "1"});
        a[11] = "0.3";  // --timeout
        const RunResult r = RunTool(a);
        EXPECT_EQ(r.exitCode, 6);
        EXPECT_NE(r.err.find("within 0.3 s (time-out)"), std::string::npos) << r.err;
    }
}

TEST(Vqcli, AnEmptyReplyIsNotATimeOut) {
    // A reply that holds no record set at all, to the call and to the login, in both modes.
    for (const char* mode : {"http", "binary"}) {
        SCOPED_TRACE(mode);
        TestPeer emptyCall(std::string(mode) == "binary", [](const PeerRequest& r) {
            if (r.probe)
                return PeerAction::ProbeOk();
            if (TextParam(r.text, "loginID") != "<absent>")
                return PeerAction::Reply(LoginReply("T"));
            return PeerAction::Reply({});
        });
        // Well inside the time allowed: the reply is there, it is only empty.
        const auto start = std::chrono::steady_clock::now();
        const RunResult r = RunTool(Args(emptyCall.Port(), mode, {"--call", "13", "fromid=7"}));
        EXPECT_EQ(r.exitCode, 7);
        EXPECT_LT(std::chrono::steady_clock::now() - start, 8s);
        EXPECT_NE(r.err.find("answered the call with an empty reply"), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
    }
    TestPeer emptyLogin(false, [](const PeerRequest&) { return PeerAction::Reply({}); });
    const RunResult r = RunTool(Args(emptyLogin.Port(), "http", {"--call", "1"}));
    EXPECT_EQ(r.exitCode, 7);
    EXPECT_NE(r.err.find("answered the login with an empty reply"), std::string::npos) << r.err;
}
