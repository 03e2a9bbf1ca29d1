#include "tests/protocol/TestPeer.h"

#include <arpa/inet.h>
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

int ListenLoopback(int* port) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = 0;
    bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    listen(fd, 8);
    socklen_t len = sizeof a;
    getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    *port = ntohs(a.sin_port);
    return fd;
}

std::vector<std::string> Split(const std::string& text) {
    std::vector<std::string> out;
    size_t at = 0;
    while (at <= text.size()) {
        size_t end = text.find('&', at);
        if (end == std::string::npos)
            end = text.size();
        out.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    return out;
}

}  // namespace

PeerAction PeerAction::Reply(std::vector<uint8_t> body) {
    PeerAction a;
    a.body = std::move(body);
    return a;
}

PeerAction PeerAction::ProbeOk() {
    return Reply({'O', 'K', 0, 0});
}

PeerAction PeerAction::Silence() {
    PeerAction a;
    a.kind = kSilence;
    return a;
}

PeerAction PeerAction::Close() {
    PeerAction a;
    a.kind = kClose;
    return a;
}

PeerAction PeerAction::Raw(std::vector<uint8_t> bytes, bool closeAfter) {
    PeerAction a;
    a.kind = kRaw;
    a.raw = std::move(bytes);
    a.closeAfter = closeAfter;
    return a;
}

TestPeer::TestPeer(bool binary, Handler handler) : binary_(binary), handler_(std::move(handler)) {
    listenFd_ = ListenLoopback(&port_);
    wakeFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    thread_ = std::thread([this] { Loop(); });
}

TestPeer::~TestPeer() {
    stop_ = true;
    const uint64_t one = 1;
    [[maybe_unused]] ssize_t n = write(wakeFd_, &one, sizeof one);
    thread_.join();
    close(listenFd_);
    close(wakeFd_);
}

std::vector<PeerRequest> TestPeer::Requests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

std::vector<bool> TestPeer::PendingAtReply() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return pending_;
}

std::vector<std::chrono::steady_clock::time_point> TestPeer::ReplyTimes() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return replies_;
}

bool TestPeer::WaitForRequests(size_t count, std::chrono::milliseconds limit) const {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, limit, [&] { return requests_.size() >= count; });
}

std::vector<uint8_t> TestPeer::Frame(bool binary, const std::vector<uint8_t>& body) {
    if (binary) {
        QORCoder coder;
        coder.BuildPacket({}, static_cast<uint32_t>(body.size()), PacketHeader::kKindRequest, 300,
                          body.data(), false, false);
        return coder.Packet();
    }
    const std::string head =
        "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n";
    std::vector<uint8_t> out(head.begin(), head.end());
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

bool TestPeer::SleepUnlessStopped(std::chrono::milliseconds pause) {
    pollfd p{wakeFd_, POLLIN, 0};
    poll(&p, 1, static_cast<int>(pause.count()));
    return !stop_;
}

void TestPeer::Loop() {
    while (!stop_) {
        pollfd fds[2] = {{listenFd_, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
        if (poll(fds, 2, 1000) <= 0 || (fds[1].revents & POLLIN)) {
            continue;
        }
        const int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) {
            continue;
        }
        const int on = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        const int connection = ++connections_;
        if (!closeOnAccept_) {
            Serve(fd, connection);
        }
        close(fd);
    }
}

void TestPeer::Serve(int fd, int connection) {
    std::string http;
    PacketParser parser;
    uint8_t chunk[4096];
    while (!stop_) {
        pollfd fds[2] = {{fd, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
        if (poll(fds, 2, 1000) <= 0 || (fds[1].revents & POLLIN)) {
            continue;
        }
        const ssize_t n = recv(fd, chunk, sizeof chunk, 0);
        if (n <= 0) {
            return;
        }
        std::vector<PeerRequest> got;
        const auto now = std::chrono::steady_clock::now();
        if (binary_) {
            int r = parser.FeedPacket(chunk, static_cast<size_t>(n));
            while (r != kFeedMore) {
                if (r == kFeedComplete) {
                    PeerRequest q;
                    q.probe = parser.Packet()[PacketHeader::kKind] == PacketHeader::kKindProbe;
                    const char* body = reinterpret_cast<const char*>(parser.Body());
                    q.text.assign(body, strnlen(body, parser.BodySize()));
                    got.push_back(q);
                }
                r = parser.FeedPacket(nullptr, 0);
            }
        } else {
            http.append(reinterpret_cast<const char*>(chunk), static_cast<size_t>(n));
            for (;;) {
                const size_t blank = http.find("\r\n\r\n");
                const size_t cl = http.find("Content-Length: ");
                if (blank == std::string::npos || cl == std::string::npos || cl > blank) {
                    break;
                }
                const size_t length = std::stoul(http.substr(cl + 16));
                if (http.size() < blank + 4 + length) {
                    break;
                }
                PeerRequest q;
                q.text = http.substr(blank + 4, length);
                http.erase(0, blank + 4 + length);
                got.push_back(q);
            }
        }
        for (size_t i = 0; i < got.size(); ++i) {
            PeerRequest& q = got[i];
            const bool buffered = i + 1 < got.size() || !http.empty();
            q.connection = connection;
            q.arrived = now;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                requests_.push_back(q);
                changed_.notify_all();
            }
            if (!Act(fd, q, buffered)) {
                return;
            }
        }
    }
}

bool TestPeer::SendBytes(int fd, const std::vector<uint8_t>& bytes, size_t chunk) {
    size_t at = 0;
    const size_t step = chunk == 0 ? bytes.size() : chunk;
    while (at < bytes.size()) {
        const size_t n = std::min(step, bytes.size() - at);
        const ssize_t sent = send(fd, bytes.data() + at, n, MSG_NOSIGNAL);
        if (sent <= 0) {
            return false;
        }
        at += static_cast<size_t>(sent);
        if (chunk != 0 && at < bytes.size() && !SleepUnlessStopped(std::chrono::milliseconds(0))) {
            return false;
        }
    }
    return true;
}

bool TestPeer::Act(int fd, const PeerRequest& request, bool buffered) {
    const PeerAction a = handler_(request);
    if (a.delay.count() > 0 && !SleepUnlessStopped(a.delay)) {
        return false;
    }
    pollfd readable{fd, POLLIN, 0};
    const bool pending = buffered || poll(&readable, 1, 0) > 0;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        pending_.push_back(pending);
    }
    bool ok = true;
    switch (a.kind) {
        case PeerAction::kSilence:
            return true;
        case PeerAction::kClose:
            return false;
        case PeerAction::kRaw:
            ok = SendBytes(fd, a.raw, a.chunk);
            break;
        case PeerAction::kReply:
            ok = SendBytes(fd, Frame(binary_, a.body), a.chunk);
            break;
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        replies_.push_back(std::chrono::steady_clock::now());
    }
    return ok && !a.closeAfter;
}

int ClosedLoopbackPort() {
    int port = 0;
    const int fd = ListenLoopback(&port);
    close(fd);
    return port;
}

std::string TextParam(const std::string& text, const std::string& name) {
    for (const std::string& pair : Split(text)) {
        if (pair.compare(0, name.size() + 1, name + "=") == 0) {
            return pair.substr(name.size() + 1);
        }
    }
    return "<absent>";
}

int CountParam(const std::string& text, const std::string& name) {
    int count = 0;
    for (const std::string& pair : Split(text)) {
        count += pair.compare(0, name.size() + 1, name + "=") == 0 ? 1 : 0;
    }
    return count;
}
