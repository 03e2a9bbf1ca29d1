// The client's own socket worker (and, where it is built, the command-line
// client) against the reference service: the path every window of the program
// takes.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <condition_variable>
#include <cstdio>
#include <deque>
#include <mutex>
#include <thread>

#include "platform/core/Text.h"
#include "protocol/SockThread.h"
#include "tests/service/ServiceHarness.h"

namespace vqsvc::test {
namespace {

class Collector : public IThreadReturn {
public:
    void OnThreadReturn(RequestResult& result) override {
        std::lock_guard<std::mutex> lock(mutex_);
        results_.emplace_back(result.status, std::move(result.recordSets));
        changed_.notify_all();
    }
    // The next result, or status -1 when none came in time.
    std::pair<int, RecordSetList> Next(int timeoutMs = 8000) {
        std::unique_lock<std::mutex> lock(mutex_);
        if (!changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                               [&] { return !results_.empty(); })) {
            return std::pair<int, RecordSetList>(-1, RecordSetList());
        }
        auto r = std::move(results_.front());
        results_.pop_front();
        return r;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::pair<int, RecordSetList>> results_;
};

class Worker : public ::testing::TestWithParam<int> {
protected:
    // USE: 0 HTTP, 2 binary on TCPORT, 1 binary on HTTPPORT (the service then
    // sees a packet on its HTTP port and refuses it).
    void StartWorker(const std::string& user, const std::string& password) {
        int use = GetParam();
        worker = std::make_unique<SXSockThread>(queue, counter);
        ServerSettings settings =
            MakeServerSettings("127.0.0.1", service.HttpPort(), service.TcpPort(), use);
        settings.limits.silence = std::chrono::milliseconds(3000);
        settings.limits.probe = std::chrono::milliseconds(3000);
        worker->LoadSettings(settings, kCommon, kRenZheng, "", "");
        worker->SetUser(vq::Utf8ToGbk(user), password);
        worker->SetDiagnostics(nullptr);
        worker->SetPublicKeyFile(service.PublicKeyPath());
        worker->SetLoginReceiver(&login);
        worker->SetServiceReceiver(&calls);
        auto request = std::make_unique<ServiceRequest>();
        request->kind = kRequestLogin;
        request->text = std::string(kLoginPlaceholder);
        queue.EnqueueRequest(std::move(request));
        thread = std::thread([this] { worker->Run(); });
    }
    void TearDown() override {
        if (worker) {
            worker->RequestStop();
            queue.Wake();
        }
        if (thread.joinable())
            thread.join();
    }
    ServiceHarness service;
    RequestQueue queue;
    PackageCounter counter;
    Collector login, calls;
    std::unique_ptr<SXSockThread> worker;
    std::thread thread;
};

TEST_P(Worker, LogsInAndServesQueuedCallsInOrder) {
    StartWorker("demo", "demo123");
    auto [status, sets] = login.Next();
    ASSERT_EQ(status, kStatusReply);
    ASSERT_FALSE(sets.empty());
    ASSERT_TRUE(sets[0]->MoveFirst());
    ASSERT_EQ(sets[0]->Value("isok"), "T");
    std::string session = sets[0]->Value("session");

    QueueServiceCall(Call(10, "&username=demo"), session, queue);
    QueueServiceCall(Call(2, "&menuid=9&count=6&virid=1"), session, queue);
    QueueServiceCall(Call(13, "&fromid=1"), session, queue);
    QueueServiceCall(
        Call(14, "&fromid=1&toid=4&msgcontent=" + EscapeUserText(vq::Utf8ToGbk("好的 & 谢谢")) +
                     "&totype=0&state=0"),
        session, queue);
    const char* tags[] = {"getviridbyuserna", "get1menu", "getinfoIM", "sendmsg"};
    for (const char* tag : tags) {
        auto [s, reply] = calls.Next();
        ASSERT_EQ(s, kStatusReply) << tag;
        ASSERT_FALSE(reply.empty()) << tag;
        EXPECT_EQ(reply[0]->Tag(), tag);
    }
    // The message reached its addressee unchanged.
    TestClient zhang(service.HttpPort(), true);
    ASSERT_TRUE(zhang.Login("zhangwei", "zhangwei123", service.PublicKeyPath()));
    auto reply = zhang.Call(Call(13, "&fromid=4"));
    ASSERT_FALSE(reply.empty());
    auto rows = Rows(*reply[0]);
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows.back()["msgcontent"], "好的 & 谢谢");
}

TEST_P(Worker, WrongPasswordIsReportedAsRefused) {
    StartWorker("demo", "wrong");
    auto [status, sets] = login.Next();
    ASSERT_EQ(status, kStatusReply);
    ASSERT_FALSE(sets.empty());
    ASSERT_TRUE(sets[0]->MoveFirst());
    EXPECT_EQ(sets[0]->Value("isok"), "F");
}

INSTANTIATE_TEST_SUITE_P(Use, Worker, ::testing::Values(0, 2),
                         [](const auto& info) { return "Use" + std::to_string(info.param); });

using WorkerOnHttpPort = Worker;

TEST_P(WorkerOnHttpPort, ProbeGetsNoAnswerAndTheLoginFails) {
    StartWorker("demo", "demo123");
    // The HTTP port waits for a request head that never comes: no "OK".
    auto [status, sets] = login.Next();
    EXPECT_EQ(status, kStatusProbeFailed);
}

INSTANTIATE_TEST_SUITE_P(Use, WorkerOnHttpPort, ::testing::Values(1),
                         [](const auto& info) { return "Use" + std::to_string(info.param); });

#ifdef VQ_CLI_PROGRAM
// Runs vqcli and returns its exit code, with what it printed in `out`.
int RunCli(const std::vector<std::string>& args, std::string* out) {
    std::string cmd = VQ_CLI_PROGRAM;
    for (const auto& a : args)
        cmd += " '" + a + "'";
    FILE* p = popen(cmd.c_str(), "r");
    if (!p)
        return -1;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0)
        out->append(buf, n);
    int status = pclose(p);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(Cli, ReadsTheMenuInBothModes) {
    ServiceHarness service;
    for (const char* mode : {"http", "binary"}) {
        std::string port =
            std::to_string(std::string(mode) == "http" ? service.HttpPort() : service.TcpPort());
        std::string out;
        int code = RunCli({"--host",     "127.0.0.1", "--port",   port,
                           "--mode",     mode,        "--common", kCommon,
                           "--renzheng", kRenZheng,   "--key",    service.PublicKeyPath(),
                           "--timeout",  "20",        "--user",   "demo",
                           "--password", "demo123",   "--call",   "1",
                           "virid=1"},
                          &out);
        EXPECT_EQ(code, 0) << mode << ": " << out;
        EXPECT_NE(out.find("\"tag\":\"getmunu\""), std::string::npos) << out;
        EXPECT_NE(out.find("财经点评"), std::string::npos) << out;
        out.clear();
        code = RunCli({"--host", "127.0.0.1", "--port", port, "--mode", mode, "--key",
                       service.PublicKeyPath(), "--renzheng", kRenZheng, "--timeout", "20",
                       "--user", "demo", "--password", "nope", "--call", "1"},
                      &out);
        EXPECT_EQ(code, 4) << mode << ": " << out;
    }
}
#endif

}  // namespace
}  // namespace vqsvc::test
