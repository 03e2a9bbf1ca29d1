#include "notifier/NotifierSocket.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/core/Text.h"

NotifierSocket::NotifierSocket() : version_(0x0202) {}

NotifierSocket::~NotifierSocket() {
    if (fd_ >= 0)
        ::close(fd_);
}

void NotifierSocket::RecordError(std::string_view text, int code) {
    lastErrorText_.assign(text.substr(0, 511));
    lastErrorCode_ = code;
}

bool NotifierSocket::Create() {
    // The previous socket is the caller's to close; never lose a descriptor here.
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
    if (fd_ < 0) {
        RecordError("socket() failed", errno);
        return false;
    }
    return true;
}

bool NotifierSocket::Connect(std::u16string_view host, int port) {
    if (host.empty() || port == 0)
        return false;
    // The address was once copied one byte per unit; anything outside ASCII
    // would then name another host, so it is refused instead.
    std::string ascii;
    for (char16_t c : host) {
        if (c == 0 || c > 0x7F || host.size() > 99) {
            RecordError("connect() failed", EINVAL);
            return false;
        }
        ascii += static_cast<char>(c);
    }
    if (port < 0 || port > 65535) {
        RecordError("connect() failed", EINVAL);
        return false;
    }
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(ascii.c_str(), nullptr, &hints, &found) == 0 && found != nullptr) {
        addr.sin_addr = reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr;
        ::freeaddrinfo(found);
    } else if (::inet_aton(ascii.c_str(), &addr.sin_addr) == 0) {
        RecordError("connect() failed", EHOSTUNREACH);
        return false;
    }
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    address_ = addr;
    int rc;
    do {
        rc = ::connect(fd_, reinterpret_cast<const sockaddr*>(&addr), sizeof addr);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        RecordError("connect() failed", errno);
        return false;
    }
    return true;
}

bool NotifierSocket::Close() {
    if (fd_ < 0 || ::close(fd_) != 0) {
        RecordError("closesocket() failed", fd_ < 0 ? EBADF : errno);
        return false;
    }
    fd_ = -1;
    address_ = sockaddr_in{};
    return true;
}

long NotifierSocket::Send(const std::string& bytes) {
    const ssize_t n = fd_ < 0 ? -1 : ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (n < 0) {
        RecordError("send() failed", fd_ < 0 ? EBADF : errno);
        return -1;
    }
    return static_cast<long>(n);
}

long NotifierSocket::Recv(char* buffer, std::size_t size) {
    const ssize_t n = fd_ < 0 ? -1 : ::recv(fd_, buffer, size, MSG_DONTWAIT);
    if (n < 0) {
        RecordError("recv() failed", fd_ < 0 ? EBADF : errno);
        return -1;
    }
    return static_cast<long>(n);
}

std::u16string DecodeReceived(const char* data, std::size_t size) {
    const void* zero = std::memchr(data, 0, size);
    const std::size_t n =
        zero != nullptr ? static_cast<std::size_t>(static_cast<const char*>(zero) - data) : size;
    return vq::GbkToUtf16(std::string_view(data, n));
}

std::u16string LocalIPv4() {
    char name[155] = {};
    if (::gethostname(name, sizeof name - 1) != 0)
        return {};
    addrinfo hints{};
    hints.ai_family = AF_INET;
    addrinfo* found = nullptr;
    if (::getaddrinfo(name, nullptr, &hints, &found) != 0 || found == nullptr)
        return {};
    char text[INET_ADDRSTRLEN] = {};
    const bool ok = ::inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr,
                                text, sizeof text) != nullptr;
    ::freeaddrinfo(found);
    if (!ok)
        return {};
    return std::u16string(text, text + std::strlen(text));
}
