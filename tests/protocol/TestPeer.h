#pragma once

// A scripted service on 127.0.0.1 for the worker and client tests: it reads
// requests in HTTP or binary framing, records them, and answers as the test's
// handler says (reply, silence, close, raw bytes, in chunks, after a delay).

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct PeerRequest {
    bool probe = false;
    std::string text;  // parameter text, without the NUL of a packet body
    int connection = 0;
    std::chrono::steady_clock::time_point arrived;
};

struct PeerAction {
    enum Kind { kReply, kSilence, kClose, kRaw };
    Kind kind = kReply;
    std::vector<uint8_t> body;  // kReply: the reply body, framed by the peer
    std::vector<uint8_t> raw;   // kRaw: sent exactly
    size_t chunk = 0;           // 0: one write; otherwise writes of this size
    std::chrono::milliseconds delay{0};
    bool closeAfter = false;

    static PeerAction Reply(std::vector<uint8_t> body);
    static PeerAction ProbeOk();
    static PeerAction Silence();
    static PeerAction Close();
    static PeerAction Raw(std::vector<uint8_t> bytes, bool closeAfter = false);
};

class TestPeer {
public:
    using Handler = std::function<PeerAction(const PeerRequest&)>;

    TestPeer(bool binary, Handler handler);
    ~TestPeer();
    TestPeer(const TestPeer&) = delete;
    TestPeer& operator=(const TestPeer&) = delete;

    int Port() const { return port_; }
    std::vector<PeerRequest> Requests() const;
    // Waits (bounded) until at least `count` requests have arrived.
    bool WaitForRequests(size_t count, std::chrono::milliseconds limit) const;
    int Connections() const { return connections_.load(); }
    // Connections accepted from now on are closed at once.
    void CloseOnAccept(bool on) { closeOnAccept_ = on; }
    // Times at which each reply finished going out, in order.
    std::vector<std::chrono::steady_clock::time_point> ReplyTimes() const;
    // For each reply: whether bytes of a later request had already arrived when
    // it went out (a client that does not wait for replies).
    std::vector<bool> PendingAtReply() const;

    // The framing the peer uses for a reply body.
    static std::vector<uint8_t> Frame(bool binary, const std::vector<uint8_t>& body);

private:
    void Loop();
    void Serve(int fd, int connection);
    bool Act(int fd, const PeerRequest& request, bool buffered);
    bool SendBytes(int fd, const std::vector<uint8_t>& bytes, size_t chunk);
    bool SleepUnlessStopped(std::chrono::milliseconds pause);

    bool binary_;
    Handler handler_;
    int listenFd_ = -1;
    int wakeFd_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<int> connections_{0};
    std::atomic<bool> closeOnAccept_{false};
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::vector<PeerRequest> requests_;
    std::vector<std::chrono::steady_clock::time_point> replies_;
    std::vector<bool> pending_;
    std::thread thread_;
};

// A port on 127.0.0.1 with nobody listening (bound, then released).
int ClosedLoopbackPort();
// name=value of a parameter text; "<absent>" when missing. Count: occurrences.
std::string TextParam(const std::string& text, const std::string& name);
int CountParam(const std::string& text, const std::string& name);
