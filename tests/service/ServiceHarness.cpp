#include "tests/service/ServiceHarness.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/core/Text.h"
#include "protocol/Crypto.h"
#include "protocol/QORCoder.h"
#include "service/DemoData.h"
#include "service/KeyStore.h"

namespace vqsvc::test {

namespace {

// One key pair for the whole test run: generating one per test costs seconds.
const RsaKeyPair& TestKeys() {
    static const RsaKeyPair pair = [] {
        RsaKeyPair p;
        GenerateKeyPair(1024, &p);
        return p;
    }();
    return pair;
}

}  // namespace

TempDir::TempDir() {
    std::string base = std::filesystem::temp_directory_path().string() + "/vqsvc-XXXXXX";
    std::vector<char> buf(base.begin(), base.end());
    buf.push_back('\0');
    path_ = mkdtemp(buf.data());
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

ServiceHarness::ServiceHarness(ServerOptions options, bool seed) : options_(std::move(options)) {
    std::string data = dir_.path() + "/data";
    std::filesystem::create_directories(data);
    const RsaKeyPair& keys = TestKeys();
    std::ofstream(data + "/" + kPrivateKeyFile) << keys.privatePem;
    std::ofstream(data + "/" + kPublicKeyFile, std::ios::binary)
        .write(reinterpret_cast<const char*>(keys.publicDer.data()),
               static_cast<std::streamsize>(keys.publicDer.size()));
    std::string error;
    privateKey_ = EnsureKeyPair(data, PublicKeyPath(), &error);
    if (!store_.Open(data, TestClock()))
        std::abort();
    if (seed && !SeedDemoData(store_, 7))
        std::abort();
    StartServer();
}

ServiceHarness::~ServiceHarness() {
    StopServer();
}

void ServiceHarness::StartServer() {
    if (!store_.IsOpen() && !store_.Open(dir_.path() + "/data", TestClock()))
        std::abort();
    handler_ = std::make_unique<ServiceHandler>(store_, privateKey_);
    // A restart keeps the ports, as a real restart would.
    if (server_) {
        options_.httpPort = server_->HttpPort();
        options_.tcpPort = server_->TcpPort();
    }
    server_ = std::make_unique<ServiceServer>(*handler_, options_, [this](const std::string& l) {
        std::lock_guard<std::mutex> lock(faultsMutex_);
        faults_.push_back(l);
    });
    if (!server_->Start())
        std::abort();
    thread_ = std::thread([this] { server_->Run(); });
}

void ServiceHarness::StopServer() {
    if (thread_.joinable()) {
        server_->Stop();
        thread_.join();
    }
    store_.Close();
}

std::vector<std::string> ServiceHarness::Faults() {
    std::lock_guard<std::mutex> lock(faultsMutex_);
    return faults_;
}

std::vector<Row> Rows(RecordSet& set) {
    std::vector<Row> rows;
    if (!set.MoveFirst())
        return rows;
    do {
        Row row;
        for (int i = 0; i < set.ColumnCount(); ++i) {
            row[set.Column(i)->name] = vq::GbkToUtf8(set.GetText(i));
        }
        rows.push_back(std::move(row));
    } while (set.MoveNext());
    return rows;
}

std::vector<std::string> MissingColumns(const RecordSet& set,
                                        const std::vector<std::string_view>& names) {
    std::vector<std::string> missing;
    for (std::string_view n : names) {
        if (set.FindColumnNoCase(n) < 0)
            missing.emplace_back(n);
    }
    return missing;
}

std::string Call(int subFunction, const std::string& params) {
    return std::string(kParameterPrefix) + std::to_string(subFunction) + params;
}

TestClient::TestClient(uint16_t port, bool http) : http_(http) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        close(fd);
        return;
    }
    int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    fd_ = fd;
}

TestClient::~TestClient() {
    if (fd_ >= 0)
        close(fd_);
}

void TestClient::Abort() {
    linger l{1, 0};
    setsockopt(fd_, SOL_SOCKET, SO_LINGER, &l, sizeof l);
    close(fd_);
    fd_ = -1;
}

std::string TestClient::Frame(std::string text) {
    if (http_) {
        FrameHttpPost(text);
        return text;
    }
    std::vector<uint8_t> packet = BuildRequestPacket(text);
    return std::string(packet.begin(), packet.end());
}

bool TestClient::SendRaw(const std::string& bytes) {
    size_t sent = 0;
    while (sent < bytes.size()) {
        ssize_t n = send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        sent += static_cast<size_t>(n);
    }
    return true;
}

bool TestClient::Receive(RecordSetList* reply, int timeoutMs) {
    std::string buffer;
    PacketParser parser;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        int left = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                        deadline - std::chrono::steady_clock::now())
                                        .count());
        if (left <= 0)
            return false;
        pollfd p{fd_, POLLIN, 0};
        if (poll(&p, 1, left) <= 0)
            return false;
        char buf[4096];
        ssize_t n = recv(fd_, buf, sizeof buf, 0);
        if (n <= 0)
            return false;
        if (http_) {
            buffer.append(buf, static_cast<size_t>(n));
            std::string copy = buffer;
            if (SplitHttpReply(copy) == kHttpComplete) {
                *reply =
                    DecodeRecordSets(reinterpret_cast<const uint8_t*>(copy.data()), copy.size());
                return true;
            }
        } else if (parser.FeedPacket(reinterpret_cast<const uint8_t*>(buf),
                                     static_cast<size_t>(n)) == kFeedComplete) {
            *reply = DecodeRecordSets(parser.Body(), parser.BodySize());
            return true;
        }
    }
}

bool TestClient::WaitClosed(int timeoutMs) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd p{fd_, POLLIN, 0};
        if (poll(&p, 1, 100) > 0) {
            char buf[4096];
            ssize_t n = recv(fd_, buf, sizeof buf, 0);
            if (n <= 0)
                return true;
        }
    }
    return false;
}

bool TestClient::Login(const std::string& user, const std::string& password,
                       const std::string& publicKeyPath) {
    ConnectionContext context;
    context.common = kCommon;
    context.renZheng = kRenZheng;
    context.userName = vq::Utf8ToGbk(user);
    context.password = password;
    context.counter = &counter_;
    context.publicKeyFile = publicKeyPath;
    std::string text = BuildLoginText(context, nullptr);
    AppendCommonParameters(text, false, false, "", context);
    lastLoginText = text;
    RecordSetList reply;
    if (!SendRaw(Frame(text)) || !Receive(&reply) || reply.empty())
        return false;
    RecordSet& set = *reply[0];
    if (!set.MoveFirst())
        return false;
    int ok = set.FindColumn("isok");
    if (ok < 0 || set.GetText(ok) != "T")
        return false;
    session = set.Value("session");
    return true;
}

RecordSetList TestClient::Call(const std::string& text) {
    ConnectionContext context;
    context.common = kCommon;
    context.counter = &counter_;
    std::string final = text;
    AppendCommonParameters(final, false, false, session, context);
    RecordSetList reply;
    if (!SendRaw(Frame(final)) || !Receive(&reply))
        return {};
    return reply;
}

}  // namespace vqsvc::test
