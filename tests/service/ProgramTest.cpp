// The velquor-service program itself: first start in an empty folder, the
// printed accounts and ports, the key files, and a clean stop on SIGTERM.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <regex>
#include <thread>

#include "service/Admin.h"
#include "service/DemoData.h"
#include "tests/service/ServiceHarness.h"

namespace vqsvc::test {
namespace {

struct Child {
    pid_t pid = -1;
    int out = -1;
    std::string text;

    // Reads what the child printed until `marker` appears or the time is up.
    bool ReadUntil(const std::string& marker, int timeoutMs) {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (text.find(marker) == std::string::npos) {
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            char buf[4096];
            ssize_t n = read(out, buf, sizeof buf);
            if (n > 0) {
                text.append(buf, static_cast<size_t>(n));
            } else if (n == 0) {
                return text.find(marker) != std::string::npos;
            } else {
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
        }
        return true;
    }
};

Child Start(const std::vector<std::string>& args,
            const std::vector<std::pair<std::string, std::string>>& env = {}) {
    int pipefd[2];
    if (pipe(pipefd) != 0)
        return {};
    Child c;
    c.pid = fork();
    if (c.pid == 0) {
        for (const auto& [name, value] : env) {
            if (value.empty()) {
                unsetenv(name.c_str());
            } else {
                setenv(name.c_str(), value.c_str(), 1);
            }
        }
        dup2(pipefd[1], 1);
        dup2(pipefd[1], 2);
        close(pipefd[0]);
        std::vector<char*> argv;
        std::string program = VQ_SERVICE_PROGRAM;
        argv.push_back(program.data());
        std::vector<std::string> copy = args;
        for (auto& a : copy)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    close(pipefd[1]);
    fcntl(pipefd[0], F_SETFL, O_NONBLOCK);
    c.out = pipefd[0];
    return c;
}

int WaitExit(pid_t pid, int timeoutMs) {
    for (int waited = 0; waited < timeoutMs; waited += 20) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return -1;
}

TEST(Program, FirstStartServesTheDemoAndStopsOnSigterm) {
    TempDir dir;
    std::string data = dir.path() + "/data";
    std::string pub = dir.path() + "/client/pubkey.bin";
    Child c = Start({"--data", data, "--http-port", "0", "--tcp-port", "0", "--pubkey", pub});
    ASSERT_GT(c.pid, 0);
    ASSERT_TRUE(c.ReadUntil("public key", 30000)) << c.text;
    EXPECT_NE(c.text.find("demo       demo123"), std::string::npos) << c.text;
    std::smatch m;
    ASSERT_TRUE(std::regex_search(c.text, m,
                                  std::regex("HTTP 127\\.0\\.0\\.1:(\\d+), binary "
                                             "127\\.0\\.0\\.1:(\\d+)")));
    uint16_t httpPort = static_cast<uint16_t>(std::stoi(m[1]));

    struct stat st {};
    ASSERT_EQ(stat((data + "/service-key.pem").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    ASSERT_EQ(stat(data.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0077, 0u) << "the data folder is the owner's only";
    EXPECT_TRUE(std::filesystem::exists(pub));

    TestClient client(httpPort, true);
    ASSERT_TRUE(client.Login("demo", "demo123", pub));
    EXPECT_FALSE(client.Call(Call(1, "&virid=1")).empty());

    kill(c.pid, SIGTERM);
    EXPECT_EQ(WaitExit(c.pid, 10000), 0);
    c.ReadUntil("stopped", 1000);
    EXPECT_NE(c.text.find("stopped after"), std::string::npos);
    close(c.out);

    // A second start keeps the key and the data.
    std::string keyBefore;
    {
        std::ifstream in(pub, std::ios::binary);
        keyBefore.assign(std::istreambuf_iterator<char>(in), {});
    }
    Child again = Start({"--data", data, "--http-port", "0", "--tcp-port", "0", "--pubkey", pub});
    ASSERT_TRUE(again.ReadUntil("public key", 30000)) << again.text;
    EXPECT_EQ(again.text.find("Created the demo branch"), std::string::npos);
    kill(again.pid, SIGINT);
    EXPECT_EQ(WaitExit(again.pid, 10000), 0);
    close(again.out);
    std::ifstream in(pub, std::ios::binary);
    std::string keyAfter(std::istreambuf_iterator<char>(in), {});
    EXPECT_EQ(keyBefore, keyAfter);
}

TEST(Program, AdminCommandsFindTheDemosDataFolder) {
    TempDir dir;
    const std::string home = dir.path() + "/velquor";
    {
        // The folder the demo script gives the service.
        ServiceStore store;
        int64_t now = kTestNow;
        ASSERT_TRUE(store.Open(home + "/service", [&now] { return now; }));
        ASSERT_TRUE(SeedDemoData(store, 7));
    }
    const std::vector<std::pair<std::string, std::string>> env = {{"VELQUOR_HOME", home}};
    Child c = Start({"admin", "send-chat", "--from", "zhangwei", "--to", "demo", "--text",
                     "王经理，方便时回个电话。"},
                    env);
    EXPECT_EQ(WaitExit(c.pid, 10000), 0);
    c.ReadUntil("waiting", 1000);
    EXPECT_NE(c.text.find("from zhangwei to demo waiting"), std::string::npos) << c.text;
    close(c.out);
    {
        ServiceStore store;
        ASSERT_TRUE(store.Open(home + "/service", {}));
        auto unread = store.UnreadChats(1, 50);
        ASSERT_FALSE(unread.empty());
        EXPECT_EQ(unread.back().content, "王经理，方便时回个电话。");
        EXPECT_EQ(unread.back().fromName, "张伟");
    }

    // The XDG rule, and no folder made where there is no service.
    EXPECT_EQ(DemoDataFolder([](const char* n) -> const char* {
                  const std::string name = n;
                  return name == "XDG_DATA_HOME" ? "/d" : (name == "HOME" ? "/h" : nullptr);
              }),
              "/d/velquor/service");
    EXPECT_EQ(DemoDataFolder([](const char* n) -> const char* {
                  return std::string(n) == "HOME" ? "/h" : nullptr;
              }),
              "/h/.local/share/velquor/service");
    EXPECT_EQ(DemoDataFolder([](const char* n) -> const char* {
                  return std::string(n) == "XDG_DATA_HOME"
                             ? "rel"
                             : (std::string(n) == "HOME" ? "/h" : nullptr);
              }),
              "/h/.local/share/velquor/service");
    const std::string empty = dir.path() + "/nothing";
    Child none = Start({"admin", "list-sessions"}, {{"VELQUOR_HOME", empty}});
    EXPECT_EQ(WaitExit(none.pid, 10000), 1);
    none.ReadUntil("no service data", 1000);
    EXPECT_NE(none.text.find("no service data in " + empty + "/service"), std::string::npos)
        << none.text;
    close(none.out);
    EXPECT_FALSE(std::filesystem::exists(empty));
}

TEST(Program, RefusesBadOptions) {
    Child c = Start({"--http-port", "99999"});
    EXPECT_EQ(WaitExit(c.pid, 10000), 2);
    close(c.out);
}

}  // namespace
}  // namespace vqsvc::test
