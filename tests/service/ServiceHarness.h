#pragma once

// A reference service started by a test on loopback ports chosen by the system,
// over a temporary data folder with a fixed clock, and a client that speaks to
// it through the project's own request and codec code.

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "protocol/RecordSet.h"
#include "protocol/ServiceRequest.h"
#include "service/ServiceHandler.h"
#include "service/ServiceServer.h"
#include "service/ServiceStore.h"

namespace vqsvc::test {

// A fresh temporary folder, removed with everything in it at the end.
class TempDir {
public:
    TempDir();
    ~TempDir();
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// The fixed "now" of the tests: 2026-12-08 09:30:00 in Beijing.
inline constexpr int64_t kTestNow = 1796693400;

class ServiceHarness {
public:
    explicit ServiceHarness(ServerOptions options = {}, bool seed = true);
    ~ServiceHarness();

    void StartServer();
    void StopServer();

    uint16_t HttpPort() const { return server_->HttpPort(); }
    uint16_t TcpPort() const { return server_->TcpPort(); }
    uint16_t Port(bool http) const { return http ? HttpPort() : TcpPort(); }
    const std::string& DataDir() const { return dir_.path(); }
    std::string PublicKeyPath() const { return dir_.path() + "/client/pubkey.bin"; }
    ServiceServer& Server() { return *server_; }

    // Faults the server logged so far.
    std::vector<std::string> Faults();
    void Advance(int64_t seconds) { now_ += seconds; }
    Clock TestClock() {
        return [this] { return now_.load(); };
    }

private:
    TempDir dir_;
    ServerOptions options_;
    std::atomic<int64_t> now_{kTestNow};
    ServiceStore store_;
    std::string privateKey_;
    std::unique_ptr<ServiceHandler> handler_;
    std::unique_ptr<ServiceServer> server_;
    std::thread thread_;
    std::mutex faultsMutex_;
    std::vector<std::string> faults_;
};

using Row = std::map<std::string, std::string>;  // column name -> text (UTF-8)

// Every row of a record set, read with GetText and converted from GBK.
std::vector<Row> Rows(RecordSet& set);
// Names of the columns that `set` lacks among `names` (letter case ignored).
std::vector<std::string> MissingColumns(const RecordSet& set,
                                        const std::vector<std::string_view>& names);

class TestClient {
public:
    TestClient(uint16_t port, bool http);
    ~TestClient();
    bool Connected() const { return fd_ >= 0; }

    // Logs in; true when the reply says "T" (the session is kept).
    bool Login(const std::string& user, const std::string& password,
               const std::string& publicKeyPath);
    // A service call: `text` as issued; the common parameters (with the kept
    // session) are appended here. Empty when no reply came.
    RecordSetList Call(const std::string& text);
    // Sends raw bytes and decodes the reply; false when none came in time.
    bool SendRaw(const std::string& bytes);
    bool Receive(RecordSetList* reply, int timeoutMs = 5000);
    // True when the server closed the connection within the time.
    bool WaitClosed(int timeoutMs = 5000);

    int Fd() const { return fd_; }
    // Closes at once with a reset, as a crashed client would.
    void Abort();

    std::string session;
    std::string lastLoginText;

private:
    std::string Frame(std::string text);

    int fd_ = -1;
    bool http_;
    PackageCounter counter_;
};

inline const char* kRenZheng = "tc_service=300&TC_MFUNCNO=600&TC_SFUNCNO=0";
inline const char* kCommon = "&clientver=3.0";

// "tc_service=300&TC_MFUNCNO=600&TC_SFUNCNO=" + number + params.
std::string Call(int subFunction, const std::string& params = {});

}  // namespace vqsvc::test
