#include "service/ServiceServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include "protocol/ByteOrder.h"
#include "protocol/QORCoder.h"
#include "protocol/ServiceRequest.h"

using vqproto::LoadU16;

namespace vqsvc {

namespace {

int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

constexpr std::string_view kContentLength = "Content-Length:";
constexpr size_t kReadChunk = 64 * 1024;
constexpr size_t kMaxReadPerEvent = 1024 * 1024;  // fairness between busy clients

std::string HttpReplyHead(size_t bodyLength) {
    return "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\nContent-Length: " +
           std::to_string(bodyLength) + "\r\nConnection: Keep-Alive\r\n\r\n";
}

std::string HttpError(const char* status) {
    return std::string("HTTP/1.1 ") + status + "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
}

int OpenListener(const std::string& address, uint16_t port, uint16_t* bound, std::string* error) {
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    if (inet_pton(AF_INET, address.c_str(), &addr.sin_addr) != 1) {
        *error = "not an IPv4 address: " + address;
        return -1;
    }
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        *error = std::string("socket: ") + std::strerror(errno);
        return -1;
    }
    int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(fd, 128) != 0) {
        *error = "cannot listen on " + address + ":" + std::to_string(port) + ": " +
                 std::strerror(errno);
        close(fd);
        return -1;
    }
    socklen_t len = sizeof addr;
    getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    *bound = ntohs(addr.sin_port);
    return fd;
}

}  // namespace

HttpHeadResult ParseHttpHead(std::string_view data, size_t maxHeader, size_t maxBody,
                             HttpHead* head) {
    size_t end = data.find("\r\n\r\n");
    if (end == std::string_view::npos) {
        return data.size() > maxHeader ? HttpHeadResult::kTooLarge : HttpHeadResult::kIncomplete;
    }
    if (end + 4 > maxHeader)
        return HttpHeadResult::kTooLarge;
    std::string_view header = data.substr(0, end + 2);
    if (header.substr(0, 5) != "POST ")
        return HttpHeadResult::kMalformed;
    // Exactly one Content-Length, spelt as the client writes it: the body is cut
    // by that header alone.
    size_t at = header.find(kContentLength);
    if (at == std::string_view::npos || (at > 0 && header[at - 1] != '\n') ||
        header.find(kContentLength, at + 1) != std::string_view::npos) {
        return HttpHeadResult::kMalformed;
    }
    size_t pos = at + kContentLength.size();
    if (pos >= header.size() || header[pos] != ' ')
        return HttpHeadResult::kMalformed;
    ++pos;
    size_t value = 0;
    size_t digits = 0;
    while (pos < header.size() && header[pos] >= '0' && header[pos] <= '9') {
        if (++digits > 12)
            return HttpHeadResult::kTooLarge;
        value = value * 10 + static_cast<size_t>(header[pos] - '0');
        ++pos;
    }
    if (digits == 0 || pos >= header.size() || header[pos] != '\r') {
        return HttpHeadResult::kMalformed;
    }
    if (value > maxBody)
        return HttpHeadResult::kTooLarge;
    head->headerBytes = end + 4;
    head->contentLength = value;
    return HttpHeadResult::kComplete;
}

struct ServiceServer::Connection {
    int fd = -1;
    bool http = true;
    std::string peer;
    std::string in;  // HTTP bytes not yet handled
    PacketParser parser;
    std::string out;
    size_t outOffset = 0;
    int64_t requestStartMs = 0;  // 0: no partial request buffered
    int64_t lastActivityMs = 0;
    bool closeAfterWrite = false;
    bool readPaused = false;
    bool dead = false;  // closed once the current event is handled
    uint32_t events = 0;

    size_t Pending() const { return out.size() - outOffset; }
    bool HasPartialRequest() const { return http ? !in.empty() : parser.Buffered() > 0; }
};

ServiceServer::ServiceServer(ServiceHandler& handler, ServerOptions options, FaultLog log)
    : handler_(handler), options_(std::move(options)), log_(std::move(log)) {
    if (!log_) {
        log_ = [](const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); };
    }
}

ServiceServer::~ServiceServer() {
    for (auto& [fd, c] : connections_)
        close(fd);
    for (int fd : {httpListen_, tcpListen_, wake_, epoll_}) {
        if (fd >= 0)
            close(fd);
    }
}

bool ServiceServer::Start() {
    epoll_ = epoll_create1(EPOLL_CLOEXEC);
    wake_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (epoll_ < 0 || wake_ < 0) {
        error_ = std::string("epoll: ") + std::strerror(errno);
        return false;
    }
    httpListen_ = OpenListener(options_.address, options_.httpPort, &httpPort_, &error_);
    if (httpListen_ < 0)
        return false;
    tcpListen_ = OpenListener(options_.address, options_.tcpPort, &tcpPort_, &error_);
    if (tcpListen_ < 0)
        return false;
    for (int fd : {wake_, httpListen_, tcpListen_}) {
        epoll_event ev{};
        ev.events = EPOLLIN;
        ev.data.fd = fd;
        epoll_ctl(epoll_, EPOLL_CTL_ADD, fd, &ev);
    }
    return true;
}

void ServiceServer::Stop() {
    stopping_ = true;
    if (wake_ >= 0) {
        uint64_t one = 1;
        ssize_t n = write(wake_, &one, sizeof one);
        (void)n;
    }
}

void ServiceServer::Run() {
    std::vector<epoll_event> events(64);
    while (!stopping_) {
        int n = epoll_wait(epoll_, events.data(), static_cast<int>(events.size()), 500);
        if (n < 0 && errno != EINTR) {
            log_(std::string("velquor-service: epoll_wait: ") + std::strerror(errno));
            break;
        }
        for (int i = 0; i < n; ++i) {
            int fd = events[static_cast<size_t>(i)].data.fd;
            uint32_t ev = events[static_cast<size_t>(i)].events;
            if (fd == wake_)
                continue;
            if (fd == httpListen_ || fd == tcpListen_) {
                Accept(fd, fd == httpListen_);
                continue;
            }
            auto it = connections_.find(fd);
            if (it == connections_.end())
                continue;
            Connection& c = *it->second;
            if (ev & (EPOLLIN | EPOLLHUP | EPOLLERR))
                OnReadable(c);
            if (!c.dead && (ev & EPOLLOUT))
                OnWritable(c);
            if (c.dead)
                CloseConnection(fd);
        }
        ExpireConnections();
    }
    // Replies already made go out if the socket takes them now; nothing waits.
    std::vector<int> fds;
    for (auto& [fd, c] : connections_)
        fds.push_back(fd);
    for (int fd : fds) {
        Connection& c = *connections_[fd];
        if (c.Pending() > 0) {
            ssize_t sent = send(fd, c.out.data() + c.outOffset, c.Pending(), MSG_NOSIGNAL);
            (void)sent;
        }
        CloseConnection(fd);
    }
}

void ServiceServer::Accept(int listenFd, bool http) {
    for (;;) {
        sockaddr_in addr{};
        socklen_t len = sizeof addr;
        int fd = accept4(listenFd, reinterpret_cast<sockaddr*>(&addr), &len,
                         SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0)
            return;  // EAGAIN or a transient error: epoll tells us again
        char ip[INET_ADDRSTRLEN] = "?";
        inet_ntop(AF_INET, &addr.sin_addr, ip, sizeof ip);
        std::string peer = std::string(ip) + ":" + std::to_string(ntohs(addr.sin_port));
        if (connections_.size() >= options_.maxConnections) {
            log_("velquor-service: " + peer + ": refused, " +
                 std::to_string(options_.maxConnections) + " connections already open");
            close(fd);
            continue;
        }
        int one = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        auto c = std::make_unique<Connection>();
        c->fd = fd;
        c->http = http;
        c->peer = std::move(peer);
        c->lastActivityMs = NowMs();
        c->events = EPOLLIN;
        epoll_event ev{};
        ev.events = c->events;
        ev.data.fd = fd;
        epoll_ctl(epoll_, EPOLL_CTL_ADD, fd, &ev);
        connections_[fd] = std::move(c);
        connectionCount_ = connections_.size();
    }
}

void ServiceServer::Fault(const Connection& c, const std::string& what) {
    log_("velquor-service: " + c.peer + (c.http ? " (http): " : " (binary): ") + what);
}

void ServiceServer::CloseConnection(int fd) {
    epoll_ctl(epoll_, EPOLL_CTL_DEL, fd, nullptr);
    close(fd);
    connections_.erase(fd);
    connectionCount_ = connections_.size();
}

void ServiceServer::OnReadable(Connection& c) {
    char buf[kReadChunk];
    size_t total = 0;
    while (!c.readPaused && total < kMaxReadPerEvent) {
        ssize_t n = recv(c.fd, buf, sizeof buf, 0);
        if (n > 0) {
            total += static_cast<size_t>(n);
            c.lastActivityMs = NowMs();
            if (c.requestStartMs == 0)
                c.requestStartMs = c.lastActivityMs;
            if (c.http) {
                c.in.append(buf, static_cast<size_t>(n));
                if (!ProcessHttp(c))
                    return;
            } else {
                int r = c.parser.FeedPacket(reinterpret_cast<const uint8_t*>(buf),
                                            static_cast<size_t>(n));
                if (!ProcessBinary(c, r))
                    return;
            }
            if (!c.HasPartialRequest())
                c.requestStartMs = 0;
            continue;
        }
        if (n == 0) {
            if (c.HasPartialRequest())
                Fault(c, "client closed the connection mid-request");
            c.dead = true;
            return;
        }
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK) {
            Fault(c, std::string("receive failed: ") + std::strerror(errno));
            c.dead = true;
            return;
        }
        break;
    }
}

bool ServiceServer::ProcessHttp(Connection& c) {
    while (!c.in.empty() && c.Pending() < options_.maxPendingOutput && !c.closeAfterWrite) {
        HttpHead head;
        HttpHeadResult r =
            ParseHttpHead(c.in, options_.maxHeaderBytes, options_.maxRequestBytes, &head);
        if (r == HttpHeadResult::kIncomplete)
            break;
        if (r != HttpHeadResult::kComplete) {
            bool large = r == HttpHeadResult::kTooLarge;
            Fault(c, large ? "request too large" : "malformed HTTP request");
            std::string reply = HttpError(large ? "413 Payload Too Large" : "400 Bad Request");
            c.in.clear();
            c.closeAfterWrite = true;
            Queue(c, reply.data(), reply.size());
            return !c.dead;
        }
        size_t total = head.headerBytes + head.contentLength;
        if (c.in.size() < total)
            break;
        std::string request = c.in.substr(0, total);
        c.in.erase(0, total);
        if (SplitHttpReply(request) != kHttpComplete) {
            Fault(c, "HTTP body does not match its Content-Length");
            c.closeAfterWrite = true;
            std::string reply = HttpError("400 Bad Request");
            Queue(c, reply.data(), reply.size());
            return !c.dead;
        }
        std::string fault;
        ReplyBody body = handler_.Handle(request, &fault);
        if (!fault.empty())
            Fault(c, fault);
        ++requestsServed_;
        std::string head2 = HttpReplyHead(body.size());
        head2.append(reinterpret_cast<const char*>(body.data()), body.size());
        Queue(c, head2.data(), head2.size());
        if (c.dead)
            return false;
    }
    return true;
}

bool ServiceServer::ProcessBinary(Connection& c, int r) {
    for (bool first = true;; first = false) {
        // After the result of the last feed, running the parser with no bytes
        // continues with whatever is still buffered behind the packet handled.
        if (!first || r < 0) {
            r = c.parser.Buffered() > 0 ? c.parser.FeedPacket(nullptr, 0) : kFeedMore;
        }
        if (r == kFeedMore) {
            if (c.parser.Buffered() > options_.maxRequestBytes + PacketHeader::kSize) {
                Fault(c, "request too large");
                c.dead = true;
                return false;
            }
            return true;
        }
        if (r != kFeedComplete) {
            static const char* const kWhy[] = {"",
                                               "",
                                               "wrong packet magic",
                                               "wrong packet version",
                                               "wrong packet length",
                                               "",
                                               "wrong packet checksum"};
            Fault(c, r >= 2 && r <= 6 && kWhy[r][0] ? kWhy[r] : "malformed packet");
            c.dead = true;
            return false;
        }
        const uint8_t* packet = c.parser.Packet();
        uint16_t kind = LoadU16(packet + PacketHeader::kKind);
        if (c.parser.PacketSize() > options_.maxRequestBytes + PacketHeader::kSize) {
            Fault(c, "request too large");
            c.dead = true;
            return false;
        }
        QORCoder coder;
        if (kind == PacketHeader::kKindProbe) {
            static const uint8_t kOk[3] = {'O', 'K', 0};
            coder.BuildPacket({}, sizeof kOk, PacketHeader::kKindProbe, 0, kOk, false, false);
        } else if (kind == PacketHeader::kKindRequest) {
            std::string_view text(reinterpret_cast<const char*>(c.parser.Body()),
                                  c.parser.BodySize());
            uint16_t service = LoadU16(packet + PacketHeader::kService);
            uint16_t mainFunction = LoadU16(packet + PacketHeader::kMainFunction);
            uint16_t subFunction = LoadU16(packet + PacketHeader::kSubFunction);
            std::string fault;
            ReplyBody body = handler_.Handle(text, &fault);
            if (!fault.empty())
                Fault(c, fault);
            ++requestsServed_;
            coder.BuildPacket({}, static_cast<uint32_t>(body.size()), PacketHeader::kKindRequest,
                              service, body.data(), false, false);
            coder.SetFunctionNumbers(mainFunction, subFunction);
        } else {
            Fault(c, "unknown packet kind " + std::to_string(kind));
            c.dead = true;
            return false;
        }
        Queue(c, coder.Packet().data(), coder.Packet().size());
        if (c.dead)
            return false;
        if (c.Pending() >= options_.maxPendingOutput)
            return true;
    }
}

void ServiceServer::Queue(Connection& c, const void* data, size_t size) {
    if (c.outOffset > 0 && c.outOffset == c.out.size()) {
        c.out.clear();
        c.outOffset = 0;
    }
    c.out.append(static_cast<const char*>(data), size);
    OnWritable(c);
}

void ServiceServer::OnWritable(Connection& c) {
    while (c.Pending() > 0) {
        ssize_t n = send(c.fd, c.out.data() + c.outOffset, c.Pending(), MSG_NOSIGNAL);
        if (n > 0) {
            c.outOffset += static_cast<size_t>(n);
            c.lastActivityMs = NowMs();
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            break;
        Fault(c, std::string("client went away mid-reply: ") + std::strerror(errno));
        c.dead = true;
        return;
    }
    if (c.Pending() == 0) {
        c.out.clear();
        c.outOffset = 0;
        if (c.closeAfterWrite) {
            c.dead = true;
            return;
        }
        if (c.readPaused) {
            c.readPaused = false;
            // Requests that waited behind the backlog.
            bool alive = c.http ? ProcessHttp(c) : ProcessBinary(c, -1);
            if (!alive)
                return;
        }
    } else if (c.Pending() >= options_.maxPendingOutput) {
        c.readPaused = true;
    }
    UpdateInterest(c);
}

void ServiceServer::UpdateInterest(Connection& c) {
    uint32_t want = 0;
    if (!c.readPaused && !c.closeAfterWrite)
        want |= EPOLLIN;
    if (c.Pending() > 0)
        want |= EPOLLOUT;
    if (want != c.events) {
        c.events = want;
        epoll_event ev{};
        ev.events = want;
        ev.data.fd = c.fd;
        epoll_ctl(epoll_, EPOLL_CTL_MOD, c.fd, &ev);
    }
}

void ServiceServer::ExpireConnections() {
    int64_t now = NowMs();
    std::vector<int> expired;
    for (auto& [fd, c] : connections_) {
        if (c->requestStartMs && now - c->requestStartMs > options_.requestTimeoutMs) {
            Fault(*c, "request not completed in time");
            expired.push_back(fd);
        } else if (now - c->lastActivityMs > options_.idleTimeoutMs) {
            Fault(*c, "idle connection closed");
            expired.push_back(fd);
        }
    }
    for (int fd : expired)
        CloseConnection(fd);
}

}  // namespace vqsvc
