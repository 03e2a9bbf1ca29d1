#pragma once

// The network side of the service: one event-loop thread (epoll) serving the
// HTTP port and the binary port. Sockets are non-blocking, so a slow or silent
// client only holds its own connection; connections, request sizes, output
// backlog and the time a request may take to arrive are all bounded.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>

#include "service/ServiceHandler.h"

namespace vqsvc {

struct ServerOptions {
    std::string address = "127.0.0.1";
    uint16_t httpPort = 0;  // 0: any free port (see HttpPort())
    uint16_t tcpPort = 0;
    size_t maxConnections = 256;
    size_t maxRequestBytes = 256 * 1024;
    size_t maxHeaderBytes = 8 * 1024;
    size_t maxPendingOutput = 8 * 1024 * 1024;  // stop reading a client that does not read
    int requestTimeoutMs = 30'000;              // first byte to last byte of one request
    int idleTimeoutMs = 15 * 60'000;            // the client polls every 30 s
};

// One line per fault; the default writes to standard error.
using FaultLog = std::function<void(const std::string& line)>;

class ServiceServer {
public:
    ServiceServer(ServiceHandler& handler, ServerOptions options, FaultLog log = {});
    ~ServiceServer();
    ServiceServer(const ServiceServer&) = delete;
    ServiceServer& operator=(const ServiceServer&) = delete;

    // Binds and listens on both ports; false with a reason in Error().
    bool Start();
    uint16_t HttpPort() const { return httpPort_; }
    uint16_t TcpPort() const { return tcpPort_; }
    const std::string& Error() const { return error_; }

    // Serves until Stop(); connections still open are closed on the way out.
    void Run();
    // From any thread or a signal handler.
    void Stop();

    size_t ConnectionCount() const { return connectionCount_.load(); }
    uint64_t RequestsServed() const { return requestsServed_.load(); }

private:
    struct Connection;
    void Accept(int listenFd, bool http);
    void OnReadable(Connection& c);
    void OnWritable(Connection& c);
    bool ProcessHttp(Connection& c);
    // `feed`: result of the feed just made, or -1 to run the parser on what is buffered.
    bool ProcessBinary(Connection& c, int feed);
    void Queue(Connection& c, const void* data, size_t size);
    void UpdateInterest(Connection& c);
    void Fault(const Connection& c, const std::string& what);
    void CloseConnection(int fd);
    void ExpireConnections();

    ServiceHandler& handler_;
    ServerOptions options_;
    FaultLog log_;
    std::string error_;
    int epoll_ = -1;
    int wake_ = -1;  // eventfd for Stop()
    int httpListen_ = -1;
    int tcpListen_ = -1;
    uint16_t httpPort_ = 0;
    uint16_t tcpPort_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<size_t> connectionCount_{0};
    std::atomic<uint64_t> requestsServed_{0};
    std::unordered_map<int, std::unique_ptr<Connection>> connections_;
};

// The HTTP request head as the service accepts it: a POST with a decimal
// Content-Length. Exposed for the fuzz target.
struct HttpHead {
    size_t headerBytes = 0;  // up to and including the blank line
    size_t contentLength = 0;
};
enum class HttpHeadResult { kIncomplete, kComplete, kMalformed, kTooLarge };
HttpHeadResult ParseHttpHead(std::string_view data, size_t maxHeader, size_t maxBody,
                             HttpHead* head);

}  // namespace vqsvc
