// The control's TCP client against a real server on the loopback address.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include "notifier/HideWnd.h"
#include "notifier/NotifierSocket.h"
#include "tests/notifier/NotifierTestSupport.h"

namespace {

// A listening socket on 127.0.0.1 with an ephemeral port; accepts one peer.
class LoopbackServer {
public:
    LoopbackServer() {
        listen_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(listen_, reinterpret_cast<sockaddr*>(&a), sizeof a);
        listen(listen_, 4);
        socklen_t len = sizeof a;
        getsockname(listen_, reinterpret_cast<sockaddr*>(&a), &len);
        port_ = ntohs(a.sin_port);
    }
    ~LoopbackServer() {
        if (peer_ >= 0)
            close(peer_);
        close(listen_);
    }
    std::u16string Port() const {
        const std::string s = std::to_string(port_);
        return {s.begin(), s.end()};
    }
    // The connect has completed in the kernel, so accept does not block.
    void Accept() {
        if (peer_ >= 0)
            close(peer_);
        peer_ = accept(listen_, nullptr, nullptr);
        int one = 1;
        setsockopt(peer_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    }
    void SendBytes(const std::string& bytes) {
        ASSERT_EQ(send(peer_, bytes.data(), bytes.size(), MSG_NOSIGNAL),
                  static_cast<ssize_t>(bytes.size()));
    }
    std::string ReadSome() {
        char buf[4096];
        const ssize_t n = recv(peer_, buf, sizeof buf, 0);
        return n > 0 ? std::string(buf, static_cast<std::size_t>(n)) : std::string();
    }
    void ClosePeer() {
        close(peer_);
        peer_ = -1;
    }

private:
    int listen_ = -1;
    int peer_ = -1;
    std::uint16_t port_ = 0;
};

class SocketTest : public ControlFixture {
protected:
    void ConnectTo(LoopbackServer& server) {
        ASSERT_TRUE(ctrl->Connect(u"127.0.0.1", server.Port()));
        ASSERT_EQ(ctrl->IsConnected(), 1);
        server.Accept();
    }
};

TEST_F(SocketTest, EmptyAddressOrPortZeroDoNothing) {
    EXPECT_TRUE(ctrl->Connect(u"", u"9999"));
    EXPECT_TRUE(ctrl->Connect(u"127.0.0.1", u"0"));
    EXPECT_TRUE(ctrl->Connect(u"127.0.0.1", u"abc"));
    EXPECT_TRUE(sink.events.empty());
    EXPECT_EQ(ctrl->IsConnected(), 0);
    EXPECT_EQ(ctrl->IP(), u"127.0.0.1");
    EXPECT_EQ(ctrl->Port(), u"abc");
    EXPECT_FALSE(ctrl->Socket()->IsOpen());  // no socket left behind
}

TEST_F(SocketTest, RefusedConnectRecordsTheErrorAndRaisesNothing) {
    int port = 0;
    {
        LoopbackServer gone;  // a port that was just free again
        const std::u16string text = gone.Port();
        port = std::stoi(std::string(text.begin(), text.end()));
    }
    const std::string p = std::to_string(port);
    EXPECT_TRUE(ctrl->Connect(u"127.0.0.1", std::u16string(p.begin(), p.end())));
    EXPECT_EQ(ctrl->IsConnected(), 0);
    EXPECT_TRUE(sink.events.empty());
    EXPECT_EQ(ctrl->Socket()->LastErrorText(), "connect() failed");
    EXPECT_NE(ctrl->Socket()->LastErrorCode(), 0);
    EXPECT_FALSE(ctrl->Socket()->IsOpen());
}

TEST_F(SocketTest, NonAsciiAddressFailsInsteadOfNamingAnotherHost) {
    LoopbackServer server;
    // Low bytes of U+4E31 and U+0131 would spell "127.0.0.1".
    EXPECT_TRUE(ctrl->Connect(u"127.0.0.\u4E31", server.Port()));
    EXPECT_TRUE(
        ctrl->Connect(u"\u0131"
                      u"27.0.0.1",
                      server.Port()));
    EXPECT_EQ(ctrl->IsConnected(), 0);
    EXPECT_TRUE(sink.events.empty());
    EXPECT_EQ(ctrl->Socket()->LastErrorText(), "connect() failed");
}

TEST_F(SocketTest, ReceivedBytesBecomeOneEventPerRead) {
    LoopbackServer server;
    ConnectTo(server);
    EXPECT_EQ(sink.Ids(), std::vector<DISPID>{eventidOnConnect});
    server.SendBytes(std::string("abc\0def", 7));
    ASSERT_TRUE(PumpUntil([&] { return sink.Count(eventidOnRecv) == 1; }));
    EXPECT_EQ(sink.events.back().args, (std::vector<std::u16string>{u"abc", u"7"}));
}

TEST_F(SocketTest, ALargeBurstArrivesAsSeveralReadsOfAtMost1024Bytes) {
    LoopbackServer server;
    ConnectTo(server);
    server.SendBytes(std::string(3000, 'x'));
    std::uint32_t total = 0;
    sink.onEvent = [&](const RecordedEvent& e) {
        if (e.id == eventidOnRecv) {
            const std::uint32_t n = std::stoul(std::string(e.args[1].begin(), e.args[1].end()));
            EXPECT_LE(n, 1024u);
            total += n;
        }
    };
    ASSERT_TRUE(PumpUntil([&] { return total == 3000; }));
    EXPECT_GE(sink.Count(eventidOnRecv), 3);
}

TEST_F(SocketTest, SendPutsTheGbkBytesOnTheStream) {
    LoopbackServer server;
    ConnectTo(server);
    EXPECT_TRUE(ctrl->Send(u"hi\u4E2D", 99));
    EXPECT_EQ(server.ReadSome(), "hi\xD6\xD0");
}

TEST_F(SocketTest, PeerCloseRaisesOnSockCloseOnce) {
    LoopbackServer server;
    ConnectTo(server);
    server.ClosePeer();
    ASSERT_TRUE(PumpUntil([&] { return sink.Count(eventidOnSockClose) == 1; }));
    EXPECT_EQ(ctrl->IsConnected(), 0);
    // Nothing more arrives for the closed socket.
    PumpUntil([] { return false; }, 100);
    EXPECT_EQ(sink.Count(eventidOnSockClose), 1);
    EXPECT_FALSE(ctrl->Send(u"late", 4));
}

TEST_F(SocketTest, ReconnectClosesTheOldConnectionFirst) {
    LoopbackServer a, b;
    ConnectTo(a);
    ASSERT_TRUE(ctrl->Connect(u"127.0.0.1", b.Port()));
    EXPECT_EQ(sink.Ids(),
              (std::vector<DISPID>{eventidOnConnect, eventidOnSockClose, eventidOnConnect}));
    EXPECT_EQ(ctrl->IsConnected(), 1);
}

TEST_F(SocketTest, IdleConnectionDropsAfterOneToTwoHalfPeriods) {
    LoopbackServer server;
    ctrl->SetOverTime(u"4");
    ConnectTo(server);
    ASSERT_NE(ctrl->SocketWindow(), nullptr);
    EXPECT_EQ(ctrl->SocketWindow()->HalfPeriod(), 2);
    fw::headless::AdvanceClock(2000);  // first tick: data counted as seen at connect
    EXPECT_EQ(sink.Count(eventidOnSockClose), 0);
    fw::headless::AdvanceClock(1999);
    EXPECT_EQ(sink.Count(eventidOnSockClose), 0);
    fw::headless::AdvanceClock(1);
    EXPECT_EQ(sink.Count(eventidOnSockClose), 1);
    EXPECT_EQ(ctrl->IsConnected(), 0);
    fw::headless::AdvanceClock(10000);
    EXPECT_EQ(sink.Count(eventidOnSockClose), 1);
}

TEST_F(SocketTest, DataKeepsAnIdleConnectionUp) {
    LoopbackServer server;
    ctrl->SetOverTime(u"4");
    ConnectTo(server);
    for (int i = 0; i < 3; ++i) {
        fw::headless::AdvanceClock(1500);
        server.SendBytes("ping");
        ASSERT_TRUE(PumpUntil([&] { return sink.Count(eventidOnRecv) == i + 1; }));
    }
    EXPECT_EQ(sink.Count(eventidOnSockClose), 0);
    EXPECT_EQ(ctrl->IsConnected(), 1);
}

TEST_F(SocketTest, OverTimeZeroNeverDrops) {
    LoopbackServer server;
    ConnectTo(server);
    fw::headless::AdvanceClock(3600 * 1000);
    EXPECT_EQ(sink.Count(eventidOnSockClose), 0);
    EXPECT_EQ(ctrl->IsConnected(), 1);
}

TEST_F(SocketTest, DestroyingAConnectedControlRaisesOnSockCloseOnce) {
    LoopbackServer server;
    ConnectTo(server);
    DestroyControl();
    EXPECT_EQ(sink.Count(eventidOnSockClose), 1);
    EXPECT_EQ(sink.refs, 1u);          // the control let go of the sink
    EXPECT_EQ(server.ReadSome(), "");  // the peer sees the close
}

}  // namespace
