#pragma once

// The socket worker: one thread at a time owns the service connection, takes
// queued requests one by one, sends each, collects and decodes its reply and
// hands the result to a receiver on the worker thread.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "protocol/RecordSet.h"
#include "protocol/ServiceRequest.h"

// Every time limit of the worker; the defaults are the product's values, tests
// shorten them.
struct TimeLimits {
    std::chrono::milliseconds connect{10000};
    std::chrono::milliseconds silence{10000};  // no byte of a reply for this long: retry
    std::chrono::milliseconds retryPause{1000};
    std::chrono::milliseconds probe{100000};
};

// A reply growing past this fails, so a peer cannot exhaust memory.
inline constexpr size_t kMaxReplyBytes = 64u * 1024 * 1024;
inline constexpr size_t kReceiveChunk = 1024;

struct ServerSettings {
    std::string address;  // host name or dotted address
    int port = 0;         // the chosen port: TCPORT when USE is 2, otherwise HTTPPORT
    int httpPort = 0;
    int tcPort = 0;
    int use = 0;  // 0: HTTP mode; any other value: binary packets
    TimeLimits limits;
    size_t maxReplyBytes = kMaxReplyBytes;
    // Turns `address` into an IPv4 address (network byte order); empty: the system
    // resolver. A lookup cannot be interrupted, so nobody may wait for it to end.
    std::function<bool(const std::string& host, uint32_t* ipv4)> resolve;

    bool BinaryMode() const { return use != 0; }
};

// Settings as config.ini gives them ([NET] IP, HTTPPORT, TCPORT, USE), with the
// port chosen.
ServerSettings MakeServerSettings(std::string address, int httpPort, int tcPort, int use);

enum ResultStatus : int32_t {
    kStatusProbeFailed = 0,   // login only, binary mode
    kStatusReply = 2,         // a reply, or none after silence (then no record sets)
    kStatusFailed = 3,        // send or receive failed; the worker has ended
    kStatusNoConnection = 4,  // login receiver only; the worker has ended
};

// What a receiver gets. The record sets are owned here; a receiver that keeps
// them moves them out during OnThreadReturn.
struct RequestResult {
    int32_t status = kStatusReply;
    RecordSetList recordSets;  // at most kMaxRecordSets
    // Status 2 without record sets comes both from a reply that held none and from
    // silence; this tells them apart (silence: the request was queued again).
    bool silence = false;

    int Count() const { return static_cast<int>(recordSets.size()); }
    RecordSet* First() const { return recordSets.empty() ? nullptr : recordSets.front().get(); }
};

class IThreadReturn {
public:
    virtual ~IThreadReturn() = default;
    // Called on the worker thread; the worker waits until it returns.
    virtual void OnThreadReturn(RequestResult& result) = 0;
};

class IThread {
public:
    virtual ~IThread() = default;
    // True to go on serving, false to stop the worker.
    virtual bool ProcessRequest(ServiceRequest& request) = 0;
};

// The process-wide list of requests in arrival order, with its lock.
class RequestQueue {
public:
    static RequestQueue& Global();

    // Any thread: appends a waiting request.
    void EnqueueRequest(std::unique_ptr<ServiceRequest> request);
    // Worker: the first waiting request, now taken (it stays owned by the queue);
    // waits up to `maxWait` for one, and returns null early once `stop` is set.
    ServiceRequest* TakeNextRequest(std::chrono::milliseconds maxWait = {},
                                    const std::atomic<bool>* stop = nullptr);
    // Worker: unlinks and frees `request`.
    void RemoveRequest(const ServiceRequest* request);
    // Worker, after silence: appends a waiting copy of `current` as issued, if it
    // is still queued and taken.
    void RequeueCurrent(const ServiceRequest& current);
    // Wakes every TakeNextRequest wait so that it rechecks its stop flag.
    void Wake();

    // Copies of the items, in order, for tests and diagnostics.
    std::vector<ServiceRequest> Snapshot() const;
    size_t Size() const;
    void Clear();

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::list<std::unique_ptr<ServiceRequest>> items_;
};

// Queues a service call: kind 2, `text` as built, the current session value.
void QueueServiceCall(std::string text, std::string session,
                      RequestQueue& queue = RequestQueue::Global());

// The worker's connection; each whole send and each wait-and-receive pair is
// made under its own lock.
class SocketChannel {
public:
    SocketChannel() = default;
    ~SocketChannel();
    SocketChannel(const SocketChannel&) = delete;
    SocketChannel& operator=(const SocketChannel&) = delete;

    // Sends every byte; false when there are none or the connection fails.
    // `wakeFd` (or -1) interrupts the wait for room in the socket buffer.
    bool SendAll(const void* data, size_t size, int wakeFd);
    // Waits up to `limit` for readable data, then receives at most `capacity`
    // bytes: > 0 bytes, 0 the peer closed, -1 with errno (EAGAIN: nothing in time).
    long WaitAndReceive(void* buffer, size_t capacity, std::chrono::milliseconds limit, int wakeFd);

    int fd = -1;
    std::mutex sendLock;
    std::mutex receiveLock;
};

class SXSockThread : public IThread {
public:
    explicit SXSockThread(RequestQueue& queue = RequestQueue::Global(),
                          PackageCounter& counter = PackageCounter::Global());
    ~SXSockThread() override;

    // Settings and texts as read from config.ini; user name and password are then
    // replaced by what was typed at login.
    void LoadSettings(const ServerSettings& settings, std::string common, std::string renZheng,
                      std::string userName, std::string password);
    void SetUser(std::string userName, std::string password);
    // Where the login's diagnostic line goes (stdout by default; null: nowhere)
    // and which key file it encrypts with (".\\pubkey.bin" by default).
    void SetDiagnostics(std::FILE* out) { diagnostics_ = out; }
    void SetPublicKeyFile(std::string path) { publicKeyFile_ = std::move(path); }
    const ServerSettings& Settings() const { return settings_; }

    // Receivers may be set from any thread; null removes one.
    void SetLoginReceiver(IThreadReturn* receiver);
    void SetServiceReceiver(IThreadReturn* receiver);

    bool ProcessRequest(ServiceRequest& request) override;

    // The thread body: connect, then serve until a failure or a stop.
    void Run();
    // Asks the worker to end: no receiver is called once this returns. Returns
    // true when a receiver call is under way (the caller must not wait for it).
    bool RequestStop();
    bool StopRequested() const { return stop_.load(); }
    bool Finished() const { return finished_.load(); }

private:
    bool Connect();
    bool SendText(const std::string& text);
    bool Probe();
    // True with the decoded reply, or with none and `silence` set after silence; false on
    // failure.
    bool ReceiveReply(const ServiceRequest& request, RecordSetList* out, bool* silence);
    void Deliver(bool login, int32_t status, RecordSetList sets, bool silence = false);
    void PauseInterruptibly(std::chrono::milliseconds pause);

    RequestQueue& queue_;
    PackageCounter& counter_;
    ServerSettings settings_;
    std::string common_;
    std::string renZheng_;
    std::string userName_;
    std::string password_;
    std::FILE* diagnostics_ = stdout;
    std::string publicKeyFile_{kPublicKeyFile};
    SocketChannel channel_;
    int wakeFd_ = -1;

    std::mutex deliverMutex_;  // guards the receivers, stop_ changes and inDelivery_
    IThreadReturn* loginReceiver_ = nullptr;
    IThreadReturn* serviceReceiver_ = nullptr;
    bool inDelivery_ = false;
    std::atomic<bool> stop_{false};
    std::atomic<bool> finished_{false};
};

// Keeps the one running worker. Starting a new worker stops the previous one at
// once and never waits for it: it may be inside a receiver call that itself
// waits for the starting thread, or inside a host-name lookup that nothing can
// interrupt. The stopped worker is retired, keeps its SXSockThread alive, calls
// no receiver any more, and is joined by a later Start or Stop once it has ended.
class WorkerHost {
public:
    static WorkerHost& Global();
    ~WorkerHost();

    // Never blocks on a running worker; fit for the user-interface thread.
    void Start(std::shared_ptr<SXSockThread> worker);
    // Stops the current worker and waits until it and every retired one have
    // ended. Not for a thread that a receiver may be waiting for.
    void Stop();
    std::shared_ptr<SXSockThread> Current() const;
    size_t RetiredCount() const;

private:
    struct Running {
        std::shared_ptr<SXSockThread> worker;
        std::thread thread;
    };
    void RetireCurrentLocked();
    void ReapLocked(bool wait);

    mutable std::mutex mutex_;
    std::shared_ptr<SXSockThread> current_;
    std::thread thread_;
    std::vector<Running> retired_;
};
