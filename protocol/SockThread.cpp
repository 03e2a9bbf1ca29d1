#include "protocol/SockThread.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "protocol/QORCoder.h"

namespace {

int PollMs(std::chrono::milliseconds limit) {
    const auto ms = limit.count();
    return ms < 0 ? 0 : (ms > 0x7fffffff ? 0x7fffffff : static_cast<int>(ms));
}

// Waits for `events` on `fd` or for the wake descriptor: 1 ready, 0 time-out,
// -1 woken (stop) or error.
int WaitFor(int fd, short events, std::chrono::milliseconds limit, int wakeFd) {
    pollfd fds[2] = {{fd, events, 0}, {wakeFd, POLLIN, 0}};
    const nfds_t count = wakeFd >= 0 ? 2 : 1;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        const int r = poll(fds, count, PollMs(left));
        if (r < 0 && errno == EINTR) {
            continue;
        }
        if (r < 0) {
            return -1;
        }
        if (count == 2 && (fds[1].revents & POLLIN)) {
            return -1;
        }
        if (r == 0) {
            return 0;
        }
        return 1;
    }
}

bool ResolveIpv4(const ServerSettings& settings, in_addr* out) {
    const std::string& host = settings.address;
    if (host.empty()) {
        return false;  // address 0 is not a server
    }
    if (settings.resolve) {
        uint32_t ipv4 = 0;
        if (!settings.resolve(host, &ipv4)) {
            return false;
        }
        out->s_addr = ipv4;
        return true;
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), nullptr, &hints, &found) == 0 && found != nullptr) {
        *out = reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr;
        freeaddrinfo(found);
        return true;
    }
    return inet_pton(AF_INET, host.c_str(), out) == 1;
}

}  // namespace

ServerSettings MakeServerSettings(std::string address, int httpPort, int tcPort, int use) {
    ServerSettings s;
    s.address = std::move(address);
    s.httpPort = httpPort;
    s.tcPort = tcPort;
    s.use = use;
    s.port = use == 2 ? tcPort : httpPort;
    return s;
}

// ---------------------------------------------------------------- queue

RequestQueue& RequestQueue::Global() {
    // Never destroyed: a worker may still be running when the process exits.
    static RequestQueue* queue = new RequestQueue;
    return *queue;
}

void RequestQueue::EnqueueRequest(std::unique_ptr<ServiceRequest> request) {
    if (!request) {
        return;
    }
    request->state = kRequestWaiting;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        items_.push_back(std::move(request));
    }
    changed_.notify_all();
}

ServiceRequest* RequestQueue::TakeNextRequest(std::chrono::milliseconds maxWait,
                                              const std::atomic<bool>* stop) {
    std::unique_lock<std::mutex> lock(mutex_);
    const auto deadline = std::chrono::steady_clock::now() + maxWait;
    for (;;) {
        if (stop != nullptr && stop->load()) {
            return nullptr;
        }
        for (auto& item : items_) {
            if (item->state == kRequestWaiting) {
                item->state = kRequestTaken;
                return item.get();
            }
        }
        if (changed_.wait_until(lock, deadline) == std::cv_status::timeout) {
            return nullptr;
        }
    }
}

void RequestQueue::RemoveRequest(const ServiceRequest* request) {
    std::lock_guard<std::mutex> lock(mutex_);
    items_.remove_if([request](const auto& item) { return item.get() == request; });
}

void RequestQueue::RequeueCurrent(const ServiceRequest& current) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        bool queued = false;
        for (const auto& item : items_) {
            queued = queued || (item.get() == &current && item->state == kRequestTaken);
        }
        if (!queued) {
            return;
        }
        auto copy = std::make_unique<ServiceRequest>(current);
        copy->state = kRequestWaiting;
        items_.push_back(std::move(copy));
    }
    changed_.notify_all();
}

void RequestQueue::Wake() {
    { std::lock_guard<std::mutex> lock(mutex_); }
    changed_.notify_all();
}

std::vector<ServiceRequest> RequestQueue::Snapshot() const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<ServiceRequest> out;
    for (const auto& item : items_) {
        out.push_back(*item);
    }
    return out;
}

size_t RequestQueue::Size() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return items_.size();
}

void RequestQueue::Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    items_.clear();
}

void QueueServiceCall(std::string text, std::string session, RequestQueue& queue) {
    auto request = std::make_unique<ServiceRequest>();
    request->kind = kRequestServiceCall;
    request->text = std::move(text);
    request->session = std::move(session);
    queue.EnqueueRequest(std::move(request));
}

// ---------------------------------------------------------------- channel

SocketChannel::~SocketChannel() {
    if (fd >= 0) {
        close(fd);
    }
}

bool SocketChannel::SendAll(const void* data, size_t size, int wakeFd) {
    if (size == 0 || fd < 0) {
        return false;
    }
    std::lock_guard<std::mutex> lock(sendLock);
    const auto* p = static_cast<const uint8_t*>(data);
    while (size > 0) {
        // MSG_NOSIGNAL: a closed peer is a failed send, not a SIGPIPE.
        const ssize_t n = send(fd, p, size, MSG_NOSIGNAL);
        if (n > 0) {
            p += n;
            size -= static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (WaitFor(fd, POLLOUT, std::chrono::milliseconds(10000), wakeFd) == 1) {
                continue;
            }
        }
        return false;
    }
    return true;
}

long SocketChannel::WaitAndReceive(void* buffer, size_t capacity, std::chrono::milliseconds limit,
                                   int wakeFd) {
    std::lock_guard<std::mutex> lock(receiveLock);
    const int ready = WaitFor(fd, POLLIN, limit, wakeFd);
    if (ready < 0) {
        errno = ECANCELED;
        return -1;
    }
    for (;;) {
        const ssize_t n = recv(fd, buffer, capacity, 0);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        return static_cast<long>(n);
    }
}

// ---------------------------------------------------------------- worker

SXSockThread::SXSockThread(RequestQueue& queue, PackageCounter& counter)
    : queue_(queue), counter_(counter), wakeFd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

SXSockThread::~SXSockThread() {
    if (wakeFd_ >= 0) {
        close(wakeFd_);
    }
}

void SXSockThread::LoadSettings(const ServerSettings& settings, std::string common,
                                std::string renZheng, std::string userName, std::string password) {
    settings_ = settings;
    common_ = std::move(common);
    renZheng_ = std::move(renZheng);
    SetUser(std::move(userName), std::move(password));
}

void SXSockThread::SetUser(std::string userName, std::string password) {
    userName_ = std::move(userName);
    password_ = std::move(password);
}

void SXSockThread::SetLoginReceiver(IThreadReturn* receiver) {
    std::lock_guard<std::mutex> lock(deliverMutex_);
    loginReceiver_ = receiver;
}

void SXSockThread::SetServiceReceiver(IThreadReturn* receiver) {
    std::lock_guard<std::mutex> lock(deliverMutex_);
    serviceReceiver_ = receiver;
}

bool SXSockThread::RequestStop() {
    bool busy;
    {
        std::lock_guard<std::mutex> lock(deliverMutex_);
        stop_ = true;
        busy = inDelivery_;
    }
    if (wakeFd_ >= 0) {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = write(wakeFd_, &one, sizeof one);
    }
    queue_.Wake();
    return busy;
}

void SXSockThread::Deliver(bool login, int32_t status, RecordSetList sets, bool silence) {
    IThreadReturn* receiver;
    {
        std::lock_guard<std::mutex> lock(deliverMutex_);
        // Once replaced, this worker calls nobody.
        if (stop_) {
            return;
        }
        receiver = login ? loginReceiver_ : serviceReceiver_;
        if (receiver == nullptr) {
            return;
        }
        inDelivery_ = true;
    }
    RequestResult result;
    result.status = status;
    result.recordSets = std::move(sets);
    result.silence = silence;
    receiver->OnThreadReturn(result);
    std::lock_guard<std::mutex> lock(deliverMutex_);
    inDelivery_ = false;
}

void SXSockThread::PauseInterruptibly(std::chrono::milliseconds pause) {
    if (wakeFd_ >= 0) {
        pollfd p{wakeFd_, POLLIN, 0};
        poll(&p, 1, PollMs(pause));
    }
}

bool SXSockThread::Connect() {
    in_addr address{};
    if (!ResolveIpv4(settings_, &address) || settings_.port <= 0 || settings_.port > 65535) {
        return false;
    }
    if (stop_) {
        return false;  // replaced while the lookup ran
    }
    channel_.fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (channel_.fd < 0) {
        return false;
    }
    // Each request goes out in one piece and must not wait for delayed acks.
    const int on = 1;
    setsockopt(channel_.fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<uint16_t>(settings_.port));
    to.sin_addr = address;
    if (connect(channel_.fd, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0) {
        return true;
    }
    if (errno != EINPROGRESS) {
        return false;
    }
    if (WaitFor(channel_.fd, POLLOUT, settings_.limits.connect, wakeFd_) != 1) {
        return false;
    }
    int error = 0;
    socklen_t length = sizeof error;
    return getsockopt(channel_.fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
}

void SXSockThread::Run() {
    if (!Connect()) {
        Deliver(true, kStatusNoConnection, {});
    } else {
        while (!stop_) {
            ServiceRequest* request =
                queue_.TakeNextRequest(std::chrono::milliseconds(1000), &stop_);
            if (request == nullptr) {
                continue;
            }
            const bool goOn = ProcessRequest(*request);
            if (stop_) {
                // Abandoned by a stopped worker: nobody will serve it.
                queue_.RemoveRequest(request);
                break;
            }
            if (!goOn) {
                break;  // the failed request stays queued, taken, and is not retried
            }
            queue_.RemoveRequest(request);
        }
    }
    if (channel_.fd >= 0) {
        shutdown(channel_.fd, SHUT_RDWR);
        close(channel_.fd);
        channel_.fd = -1;
    }
    finished_ = true;
}

bool SXSockThread::SendText(const std::string& text) {
    if (text.empty() || channel_.fd < 0) {
        return false;
    }
    if (!settings_.BinaryMode()) {
        std::string framed = text;
        FrameHttpPost(framed);
        return channel_.SendAll(framed.data(), framed.size(), wakeFd_);
    }
    const std::vector<uint8_t> packet = BuildRequestPacket(text);
    return channel_.SendAll(packet.data(), packet.size(), wakeFd_);
}

bool SXSockThread::Probe() {
    const std::vector<uint8_t> probe = BuildProbePacket();
    if (!channel_.SendAll(probe.data(), probe.size(), wakeFd_)) {
        return false;
    }
    uint8_t buffer[kReceiveChunk];
    const long n = channel_.WaitAndReceive(buffer, sizeof buffer, settings_.limits.probe, wakeFd_);
    return n > 0 && IsProbeReply(buffer, static_cast<size_t>(n));
}

bool SXSockThread::ReceiveReply(const ServiceRequest& request, RecordSetList* out, bool* silence) {
    out->clear();
    *silence = false;
    std::string httpBuffer;
    PacketParser parser;
    size_t total = 0;
    uint8_t chunk[kReceiveChunk];
    for (;;) {
        const long n =
            channel_.WaitAndReceive(chunk, sizeof chunk, settings_.limits.silence, wakeFd_);
        if (n == 0) {
            return false;  // the peer closed the connection
        }
        if (n < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK) {
                // Silence: retry later from the back of the queue.
                PauseInterruptibly(settings_.limits.retryPause);
                if (stop_) {
                    return false;  // a replaced worker re-queues nothing
                }
                queue_.RequeueCurrent(request);
                *silence = true;
                return true;
            }
            return false;
        }
        total += static_cast<size_t>(n);
        if (total > settings_.maxReplyBytes) {
            return false;
        }
        if (!settings_.BinaryMode()) {
            httpBuffer.append(reinterpret_cast<const char*>(chunk), static_cast<size_t>(n));
            if (SplitHttpReply(httpBuffer) == kHttpComplete) {
                *out = DecodeRecordSets(reinterpret_cast<const uint8_t*>(httpBuffer.data()),
                                        httpBuffer.size());
                return true;
            }
            continue;
        }
        int r = parser.FeedPacket(chunk, static_cast<size_t>(n));
        while (r != kFeedMore && r != kFeedComplete) {
            r = parser.FeedPacket(nullptr, 0);  // a malformed packet is dropped
        }
        if (r == kFeedComplete) {
            *out = DecodeRecordSets(parser.Body(), parser.BodySize());
            return true;
        }
    }
}

bool SXSockThread::ProcessRequest(ServiceRequest& request) {
    if (request.text.empty()) {
        return true;
    }
    ConnectionContext context;
    context.common = common_;
    context.renZheng = renZheng_;
    context.userName = userName_;
    context.password = password_;
    context.channel = &channel_;
    context.counter = &counter_;
    context.publicKeyFile = publicKeyFile_;

    bool login;
    std::string text;
    if (request.kind == kRequestLogin) {
        login = true;
        if (settings_.BinaryMode() && !Probe()) {
            Deliver(true, kStatusProbeFailed, {});
            return true;
        }
        text = BuildLoginText(context, diagnostics_);
    } else if (request.kind == kRequestServiceCall) {
        login = false;
        text = request.text;  // the request keeps its text as issued, for a retry
    } else {
        return true;
    }
    AppendCommonParameters(text, request.compress != 0, request.unicode != 0, request.session,
                           context);
    RecordSetList sets;
    bool silence = false;
    if (!SendText(text) || !ReceiveReply(request, &sets, &silence)) {
        Deliver(login, kStatusFailed, {});
        return false;
    }
    Deliver(login, kStatusReply, std::move(sets), silence);
    return true;
}

// ---------------------------------------------------------------- host

WorkerHost& WorkerHost::Global() {
    // Never destroyed: exiting the process must neither join a worker that is
    // waiting for a window nor destroy a joinable thread.
    static WorkerHost* host = new WorkerHost;
    return *host;
}

WorkerHost::~WorkerHost() {
    Stop();
}

void WorkerHost::RetireCurrentLocked() {
    if (!current_) {
        return;
    }
    current_->RequestStop();
    if (thread_.joinable()) {
        retired_.push_back({current_, std::move(thread_)});
    }
    current_.reset();
}

void WorkerHost::ReapLocked(bool wait) {
    for (auto it = retired_.begin(); it != retired_.end();) {
        if (it->thread.get_id() == std::this_thread::get_id()) {
            ++it;  // a worker cannot join itself
        } else if (wait || it->worker->Finished()) {
            // A finished worker has only its last return to make: the join is immediate.
            it->thread.join();
            it = retired_.erase(it);
        } else {
            ++it;
        }
    }
}

void WorkerHost::Start(std::shared_ptr<SXSockThread> worker) {
    std::lock_guard<std::mutex> lock(mutex_);
    RetireCurrentLocked();
    ReapLocked(false);
    current_ = worker;
    thread_ = std::thread([worker] { worker->Run(); });
}

void WorkerHost::Stop() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (current_) {
        current_->RequestStop();
        if (thread_.get_id() == std::this_thread::get_id()) {
            retired_.push_back({current_, std::move(thread_)});  // called from a receiver
        } else {
            thread_.join();
        }
        current_.reset();
    }
    ReapLocked(true);
}

std::shared_ptr<SXSockThread> WorkerHost::Current() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return current_;
}

size_t WorkerHost::RetiredCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return retired_.size();
}
