// The control's one TCP socket and its last-error record. Blocking calls on
// the UI thread, as the control's contract says; readiness comes back to the
// socket window through the framework.
#pragma once

#include <netinet/in.h>

#include <cstdint>
#include <string>
#include <string_view>

class NotifierSocket {
public:
    NotifierSocket();
    ~NotifierSocket();
    NotifierSocket(const NotifierSocket&) = delete;
    NotifierSocket& operator=(const NotifierSocket&) = delete;

    // Makes a new TCP socket; on failure records "socket() failed".
    bool Create();
    // Resolves host (a name, else a dotted address) and connects, blocking.
    // A host that is empty, not plain ASCII or longer than 99 characters, or
    // port 0, fails without reaching the network. Failures record
    // "connect() failed" (except the empty host and port 0, which record nothing).
    bool Connect(std::u16string_view host, int port);
    // Closes the socket; on success the address and handle are cleared,
    // on failure "closesocket() failed" is recorded.
    bool Close();
    // One send of the bytes; -1 records "send() failed".
    long Send(const std::string& bytes);
    // One read of at most size bytes; -1 records "recv() failed".
    long Recv(char* buffer, std::size_t size);

    int Handle() const { return fd_; }
    bool IsOpen() const { return fd_ >= 0; }
    const sockaddr_in& Address() const { return address_; }
    std::uint16_t Version() const { return version_; }
    const std::string& LastErrorText() const { return lastErrorText_; }
    int LastErrorCode() const { return lastErrorCode_; }
    void RecordError(std::string_view text, int code);

private:
    sockaddr_in address_{};
    std::uint16_t version_ = 0;
    std::string lastErrorText_;  // at most 511 bytes, as the record has 512 with the terminator
    int lastErrorCode_ = 0;
    int fd_ = -1;  // no socket (0 is a valid descriptor here)
};

// The text before the first zero byte, decoded from the ANSI code page (GBK).
std::u16string DecodeReceived(const char* data, std::size_t size);
// The first IPv4 address of the local host name in dotted form, or "".
std::u16string LocalIPv4();
