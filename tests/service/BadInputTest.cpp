// Faulty clients: malformed HTTP and packets, wrong checksums, oversized and
// endless requests, clients that vanish mid-reply, too many connections. The
// service answers or closes that one connection, logs a line and goes on.

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <thread>

#include "protocol/ByteOrder.h"
#include "protocol/QORCoder.h"
#include "protocol/ServiceRequest.h"
#include "tests/service/ServiceHarness.h"

namespace vqsvc::test {
namespace {

bool AnyFaultContains(ServiceHarness& s, const std::string& text) {
    for (int i = 0; i < 50; ++i) {
        for (const auto& f : s.Faults()) {
            if (f.find(text) != std::string::npos)
                return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

// The service still serves a normal client after the fault.
void ExpectServing(ServiceHarness& s) {
    TestClient c(s.HttpPort(), true);
    ASSERT_TRUE(c.Login("demo", "demo123", s.PublicKeyPath()));
    auto reply = c.Call(Call(1, "&virid=1"));
    ASSERT_FALSE(reply.empty());
    EXPECT_EQ(reply[0]->Tag(), "getmunu");
}

class BadInput : public ::testing::Test {
protected:
    static ServerOptions Options() {
        ServerOptions o;
        o.maxRequestBytes = 16 * 1024;
        o.requestTimeoutMs = 400;
        o.maxConnections = 6;
        return o;
    }
    ServiceHarness service{Options()};
};

TEST_F(BadInput, MalformedHttpIsAnsweredWith400AndClosed) {
    const std::string requests[] = {
        "GET / HTTP/1.1\r\nContent-Length: 0\r\n\r\n",
        "POST / HTTP/1.1\r\nUser-Agent:x\r\n\r\nabc",      // no Content-Length
        "POST / HTTP/1.1\r\nContent-Length: x1\r\n\r\n",   // not a number
        "POST / HTTP/1.1\r\nContent-Length:3\r\n\r\nabc",  // not as the client spells it
        "POST / HTTP/1.1\r\nContent-Length: 3\r\nContent-Length: 3\r\n\r\nabc",
    };
    for (const std::string& r : requests) {
        TestClient c(service.HttpPort(), true);
        ASSERT_TRUE(c.SendRaw(r));
        EXPECT_TRUE(c.WaitClosed()) << r;
    }
    EXPECT_TRUE(AnyFaultContains(service, "malformed HTTP request"));
    ExpectServing(service);
}

TEST_F(BadInput, OversizedAndEndlessRequestsAreCut) {
    {
        TestClient c(service.HttpPort(), true);
        ASSERT_TRUE(c.SendRaw("POST / HTTP/1.1\r\nContent-Length: 999999999\r\n\r\n"));
        EXPECT_TRUE(c.WaitClosed());
    }
    {
        // A header that never ends.
        TestClient c(service.HttpPort(), true);
        std::string junk = "POST / HTTP/1.1\r\n" + std::string(20000, 'a');
        c.SendRaw(junk);
        EXPECT_TRUE(c.WaitClosed());
    }
    {
        // A binary packet whose body exceeds the bound.
        TestClient c(service.TcpPort(), false);
        std::string text = Call(1, "&virid=1&pad=" + std::string(40000, 'x'));
        auto packet = BuildRequestPacket(text);
        c.SendRaw(std::string(packet.begin(), packet.end()));
        EXPECT_TRUE(c.WaitClosed());
    }
    EXPECT_TRUE(AnyFaultContains(service, "request too large"));
    ExpectServing(service);
}

TEST_F(BadInput, WrongMagicVersionOrChecksumClosesTheConnection) {
    auto packet = BuildRequestPacket(Call(1, "&virid=1"));
    struct Case {
        size_t offset;
        const char* fault;
    } cases[] = {{PacketHeader::kMagic, "magic"},
                 {PacketHeader::kVersion, "version"},
                 {PacketHeader::kSize + 3, "checksum"}};
    for (const Case& k : cases) {
        auto bad = packet;
        bad[k.offset] ^= 0x21;
        TestClient c(service.TcpPort(), false);
        ASSERT_TRUE(c.SendRaw(std::string(bad.begin(), bad.end())));
        EXPECT_TRUE(c.WaitClosed()) << k.fault;
        EXPECT_TRUE(AnyFaultContains(service, std::string("wrong packet ") + k.fault));
    }
    // A declared length that disagrees with the body length.
    auto bad = packet;
    vqproto::StoreU32(bad.data() + PacketHeader::kBodyLength, 3);
    TestClient c(service.TcpPort(), false);
    ASSERT_TRUE(c.SendRaw(std::string(bad.begin(), bad.end())));
    EXPECT_TRUE(c.WaitClosed());
    ExpectServing(service);
}

TEST_F(BadInput, GarbageBeforeAPacketIsSkippedAndProbeIsAnswered) {
    TestClient c(service.TcpPort(), false);
    auto probe = BuildProbePacket();
    ASSERT_TRUE(c.SendRaw("noise" + std::string(probe.begin(), probe.end())));
    // The probe reply carries no record sets; its body begins "OK\0".
    char buf[256];
    ssize_t got = 0;
    for (int i = 0; i < 50 && got < 99; ++i) {
        ssize_t n = recv(c.Fd(), buf + got, sizeof buf - static_cast<size_t>(got), MSG_DONTWAIT);
        if (n > 0)
            got += n;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_GE(got, 99);
    EXPECT_TRUE(IsProbeReply(reinterpret_cast<const uint8_t*>(buf), static_cast<size_t>(got)));
    // The same connection then serves a login.
    EXPECT_TRUE(c.Login("demo", "demo123", service.PublicKeyPath()));
}

TEST_F(BadInput, SlowRequestIsCutAfterItsTime) {
    TestClient slow(service.HttpPort(), true);
    ASSERT_TRUE(slow.SendRaw("POST / HTTP/1.1\r\nContent-Len"));
    EXPECT_TRUE(slow.WaitClosed(5000));
    EXPECT_TRUE(AnyFaultContains(service, "not completed in time"));
}

TEST(SlowClients, DoNotHoldUpOthers) {
    ServiceHarness service;  // the default 30 s for a request to arrive
    TestClient slowHttp(service.HttpPort(), true);
    ASSERT_TRUE(slowHttp.SendRaw("POST / HTTP/1.1\r\nContent-Length: 100\r\n\r\nabc"));
    TestClient slowBinary(service.TcpPort(), false);
    auto packet = BuildRequestPacket(Call(1, "&virid=1"));
    ASSERT_TRUE(slowBinary.SendRaw(std::string(packet.begin(), packet.begin() + 50)));
    // Both wait for the rest of their requests while others are answered, in both modes.
    ExpectServing(service);
    TestClient binary(service.TcpPort(), false);
    EXPECT_TRUE(binary.Login("zhangwei", "zhangwei123", service.PublicKeyPath()));
    // The slow ones are still connected and still get their answer when they finish.
    ASSERT_TRUE(slowBinary.SendRaw(std::string(packet.begin() + 50, packet.end())));
    RecordSetList reply;
    ASSERT_TRUE(slowBinary.Receive(&reply));
    ASSERT_FALSE(reply.empty());
    EXPECT_EQ(reply[0]->Tag(), "sessionerr");
    ASSERT_TRUE(slowHttp.SendRaw(std::string(97, 'x')));
    ASSERT_TRUE(slowHttp.Receive(&reply));
    ASSERT_FALSE(reply.empty());
    EXPECT_EQ(reply[0]->Tag(), "badrequest") << "a 100-byte parameter name";
}

TEST_F(BadInput, ClientVanishingMidReplyLeavesTheServiceWhole) {
    for (int round = 0; round < 3; ++round) {
        TestClient c(service.HttpPort(), true);
        ASSERT_TRUE(c.Login("demo", "demo123", service.PublicKeyPath()));
        int small = 1024;
        setsockopt(c.Fd(), SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
        // Many large replies asked for at once, none read, then the socket goes.
        std::string burst;
        ConnectionContext context;
        for (int i = 0; i < 40; ++i) {
            std::string text = Call(20, "&menuid=&orgid=1");
            AppendCommonParameters(text, false, false, c.session, context);
            FrameHttpPost(text);
            burst += text;
        }
        ASSERT_TRUE(c.SendRaw(burst));
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        c.Abort();
    }
    ExpectServing(service);
    ServiceStore check;
    ASSERT_TRUE(check.Open(service.DataDir() + "/data", service.TestClock()));
    EXPECT_TRUE(check.IntegrityOk());
}

TEST_F(BadInput, ConnectionsBeyondTheBoundAreRefused) {
    std::vector<std::unique_ptr<TestClient>> held;
    for (int i = 0; i < 6; ++i) {
        held.push_back(std::make_unique<TestClient>(service.HttpPort(), true));
        ASSERT_TRUE(held.back()->Connected());
    }
    // Let the server accept them all before the extra one arrives.
    for (int i = 0; i < 100 && service.Server().ConnectionCount() < 6; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    TestClient extra(service.HttpPort(), true);
    EXPECT_TRUE(extra.WaitClosed());
    EXPECT_TRUE(AnyFaultContains(service, "connections already open"));
    held.pop_back();
    for (int i = 0; i < 100 && service.Server().ConnectionCount() > 5; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ExpectServing(service);
}

TEST(Restart, KeepsDataAndSessions) {
    ServiceHarness service;
    TestClient c(service.HttpPort(), true);
    ASSERT_TRUE(c.Login("zhangwei", "zhangwei123", service.PublicKeyPath()));
    auto reply = c.Call(Call(14, "&fromid=4&toid=1&msgcontent=restart&totype=0&state=0"));
    ASSERT_FALSE(reply.empty());
    reply = c.Call(Call(45, "&partenid=-1&virid=4&meno=m&title=t&orgid=1"));
    ASSERT_FALSE(reply.empty());
    std::string session = c.session;

    service.StopServer();
    service.StartServer();

    TestClient again(service.HttpPort(), true);
    again.session = session;
    reply = again.Call(Call(46, "&virid=4&orgid=1&usertype=0"));
    ASSERT_FALSE(reply.empty());
    ASSERT_EQ(reply[0]->Tag(), "getliuyans") << "the session outlives the restart";
    auto threads = Rows(*reply[0]);
    ASSERT_FALSE(threads.empty());
    EXPECT_EQ(threads[0]["message_title"], "t");

    TestClient demo(service.TcpPort(), false);
    ASSERT_TRUE(demo.Login("demo", "demo123", service.PublicKeyPath()));
    reply = demo.Call(Call(13, "&fromid=1"));
    ASSERT_FALSE(reply.empty());
    auto rows = Rows(*reply[0]);
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows.back()["msgcontent"], "restart");
}

TEST(HttpHead, AcceptsTheClientsFormOnly) {
    HttpHead head;
    std::string ok = "POST / HTTP/1.1\r\nUser-Agent:QOR ZArid Client\r\nContent-Length: 12\r\n\r\n";
    EXPECT_EQ(ParseHttpHead(ok, 8192, 100, &head), HttpHeadResult::kComplete);
    EXPECT_EQ(head.headerBytes, ok.size());
    EXPECT_EQ(head.contentLength, 12u);
    EXPECT_EQ(ParseHttpHead(ok.substr(0, ok.size() - 1), 8192, 100, &head),
              HttpHeadResult::kIncomplete);
    EXPECT_EQ(ParseHttpHead(ok, 8192, 11, &head), HttpHeadResult::kTooLarge);
    EXPECT_EQ(ParseHttpHead(ok, 20, 100, &head), HttpHeadResult::kTooLarge);
    EXPECT_EQ(ParseHttpHead("POST / HTTP/1.1\r\nX-Content-Length: 1\r\n\r\n", 8192, 100, &head),
              HttpHeadResult::kMalformed);
    EXPECT_EQ(ParseHttpHead("POST / HTTP/1.1\r\nContent-Length: 99999999999999\r\n\r\n", 8192, 100,
                            &head),
              HttpHeadResult::kTooLarge);
}

}  // namespace
}  // namespace vqsvc::test
