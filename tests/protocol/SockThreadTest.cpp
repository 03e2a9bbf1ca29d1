#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "protocol/RecordSetWriter.h"
#include "protocol/SockThread.h"
#include "tests/protocol/TestBytes.h"
#include "tests/protocol/TestPeer.h"

using namespace std::chrono_literals;
using testbytes::Append;

namespace {

constexpr char kRenZheng[] = "tc_service=300&TC_MFUNCNO=100&TC_SFUNCNO=1";

struct Seen {
    int status = -1;
    bool silence = false;
    std::vector<std::string> tags;
    std::string firstValue;  // first column of the first row of the first set
};

class Collector : public IThreadReturn {
public:
    void OnThreadReturn(RequestResult& result) override {
        Seen seen;
        seen.status = result.status;
        seen.silence = result.silence;
        for (auto& rs : result.recordSets) {
            seen.tags.emplace_back(rs->Tag());
        }
        if (RecordSet* first = result.First(); first != nullptr && first->MoveFirst()) {
            seen.firstValue = std::string(first->GetText(0));
        }
        if (hook) {
            hook(result);
        }
        // Notified under the lock: a waiter may destroy this collector as soon
        // as it sees the result.
        std::lock_guard<std::mutex> lock(mutex_);
        seen_.push_back(seen);
        changed_.notify_all();
    }
    bool WaitFor(size_t count, std::chrono::milliseconds limit = 5s) {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, limit, [&] { return seen_.size() >= count; });
    }
    std::vector<Seen> Results() {
        std::lock_guard<std::mutex> lock(mutex_);
        return seen_;
    }

    std::function<void(RequestResult&)> hook;

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Seen> seen_;
};

// A one-shot gate with a bounded wait.
class Gate {
public:
    void Open() {
        std::lock_guard<std::mutex> lock(mutex_);
        open_ = true;
        changed_.notify_all();
    }
    bool Wait(std::chrono::milliseconds limit = 5s) {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, limit, [&] { return open_; });
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool open_ = false;
};

std::vector<uint8_t> Reply(const std::string& tag, const std::string& value = "v") {
    return EncodeTextRecordSet(tag, {"c"}, {{value}});
}

std::string Call(const std::string& name) {
    return "tc_service=300&TC_MFUNCNO=600&TC_SFUNCNO=13&fromid=" + name;
}

// Answers the probe, and every other request with a set tagged by its fromid.
PeerAction EchoHandler(const PeerRequest& r) {
    if (r.probe) {
        return PeerAction::ProbeOk();
    }
    const std::string from = TextParam(r.text, "fromid");
    return PeerAction::Reply(Reply(from == "<absent>" ? "login" : from));
}

bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = 5s) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        std::this_thread::sleep_for(2ms);
    }
    return true;
}

class Worker : public ::testing::Test {
protected:
    static TimeLimits Fast() {
        TimeLimits t;
        t.connect = 2000ms;
        t.silence = 60ms;
        t.retryPause = 10ms;
        t.probe = 2000ms;
        return t;
    }

    std::shared_ptr<SXSockThread> Make(int use, int httpPort, int tcPort,
                                       TimeLimits limits = Fast(), Collector* login = nullptr,
                                       Collector* service = nullptr) {
        auto w = std::make_shared<SXSockThread>(queue_, counter_);
        ServerSettings s = MakeServerSettings("127.0.0.1", httpPort, tcPort, use);
        s.limits = limits;
        w->LoadSettings(s, "&c=1", kRenZheng, "cfgname", "cfgpass");
        w->SetUser("alice", "pw");
        w->SetLoginReceiver(login != nullptr ? login : &login_);
        w->SetServiceReceiver(service != nullptr ? service : &service_);
        return w;
    }
    std::shared_ptr<SXSockThread> Start(bool binary, int port, TimeLimits limits = Fast()) {
        auto w = Make(binary ? 2 : 0, binary ? 1 : port, binary ? port : 1, limits);
        host_.Start(w);
        return w;
    }
    void QueueLogin() {
        auto r = std::make_unique<ServiceRequest>();
        r->kind = kRequestLogin;
        r->text = std::string(kLoginPlaceholder);
        queue_.EnqueueRequest(std::move(r));
    }
    void QueueCall(const std::string& name, const std::string& session = "S") {
        QueueServiceCall(Call(name), session, queue_);
    }
    void TearDown() override { host_.Stop(); }

    RequestQueue queue_;
    PackageCounter counter_;
    Collector login_;
    Collector service_;
    WorkerHost host_;  // last: stops the worker before the rest goes
};

}  // namespace

TEST_F(Worker, UseSelectsPortAndOnlyBinaryModeProbes) {
    for (int use : {0, 1, 2}) {
        SCOPED_TRACE("USE=" + std::to_string(use));
        TestPeer peer(use != 0, EchoHandler);
        const int closed = ClosedLoopbackPort();
        const int http = use == 2 ? closed : peer.Port();
        const int tc = use == 2 ? peer.Port() : closed;
        Collector login;
        host_.Start(Make(use, http, tc, Fast(), &login));
        QueueLogin();
        ASSERT_TRUE(login.WaitFor(1));
        EXPECT_EQ(login.Results()[0].status, kStatusReply);
        EXPECT_EQ(login.Results()[0].tags, std::vector<std::string>{"login"});
        const auto requests = peer.Requests();
        ASSERT_EQ(requests.size(), use == 0 ? 1u : 2u);
        EXPECT_EQ(requests.front().probe, use != 0);
        const std::string text = requests.back().text;
        EXPECT_EQ(text.rfind(kRenZheng, 0), 0u);
        EXPECT_EQ(TextParam(text, "loginID"), "alice");  // the typed name, not the configured
        EXPECT_EQ(CountParam(text, "tc_session"), 0);
        EXPECT_EQ(CountParam(text, "packageid"), 1);
        host_.Stop();
    }
}

TEST_F(Worker, ProbeFailureReportsZeroAndKeepsServing) {
    TestPeer peer(true, [](const PeerRequest& r) {
        return r.probe ? PeerAction::Reply({'N', 'O', 0}) : EchoHandler(r);
    });
    Start(true, peer.Port());
    QueueLogin();
    ASSERT_TRUE(login_.WaitFor(1));
    EXPECT_EQ(login_.Results()[0].status, kStatusProbeFailed);
    QueueCall("after");
    ASSERT_TRUE(service_.WaitFor(1));
    EXPECT_EQ(service_.Results()[0].status, kStatusReply);
    EXPECT_EQ(service_.Results()[0].tags, std::vector<std::string>{"after"});
    const auto requests = peer.Requests();
    ASSERT_EQ(requests.size(), 2u);  // the login text itself never went out
    EXPECT_TRUE(requests[0].probe);
    EXPECT_EQ(TextParam(requests[1].text, "fromid"), "after");
}

TEST_F(Worker, SilenceRetriesWithFreshCommonParameters) {
    for (bool binary : {false, true}) {
        SCOPED_TRACE(binary ? "binary" : "http");
        Collector service;
        int calls = 0;
        TestPeer peer(binary, [&](const PeerRequest& r) {
            if (r.probe)
                return PeerAction::ProbeOk();
            return ++calls == 1 ? PeerAction::Silence() : EchoHandler(r);
        });
        host_.Start(Make(binary ? 2 : 0, binary ? 1 : peer.Port(), binary ? peer.Port() : 1, Fast(),
                         nullptr, &service));
        QueueCall("quiet", "abc");
        ASSERT_TRUE(service.WaitFor(2));
        const auto seen = service.Results();
        EXPECT_EQ(seen[0].status, kStatusReply);
        EXPECT_TRUE(seen[0].tags.empty());
        EXPECT_TRUE(seen[0].silence);
        EXPECT_EQ(seen[1].tags, std::vector<std::string>{"quiet"});
        EXPECT_FALSE(seen[1].silence);
        const auto requests = peer.Requests();
        ASSERT_EQ(requests.size(), 2u);
        for (const auto& r : requests) {
            EXPECT_EQ(CountParam(r.text, "tc_session"), 1);
            EXPECT_EQ(TextParam(r.text, "tc_session"), "{abc}");
            EXPECT_EQ(CountParam(r.text, "packageid"), 1);
            EXPECT_EQ(CountParam(r.text, "netaddr"), 1);
        }
        EXPECT_GT(std::stoul(TextParam(requests[1].text, "packageid")),
                  std::stoul(TextParam(requests[0].text, "packageid")));
        EXPECT_EQ(std::stoul(TextParam(requests[1].text, "packageid")), counter_.Current());
        EXPECT_TRUE(WaitUntil([&] { return queue_.Size() == 0; }));
        host_.Stop();
    }
}

TEST_F(Worker, AnEmptyReplyIsDeliveredOnceAndNotTakenForSilence) {
    for (bool binary : {false, true}) {
        SCOPED_TRACE(binary ? "binary" : "http");
        Collector service;
        TestPeer peer(binary, [](const PeerRequest& r) {
            return r.probe ? PeerAction::ProbeOk() : PeerAction::Reply({});
        });
        host_.Start(Make(binary ? 2 : 0, binary ? 1 : peer.Port(), binary ? peer.Port() : 1, Fast(),
                         nullptr, &service));
        QueueCall("empty");
        ASSERT_TRUE(service.WaitFor(1));
        EXPECT_TRUE(WaitUntil([&] { return queue_.Size() == 0; })) << "not queued again";
        const auto seen = service.Results();
        EXPECT_EQ(seen[0].status, kStatusReply);
        EXPECT_TRUE(seen[0].tags.empty());
        EXPECT_FALSE(seen[0].silence);
        EXPECT_EQ(peer.Requests().size(), 1u);
        host_.Stop();
    }
}

TEST_F(Worker, RetryServesTheRequestThatTimedOutNotAStaleOne) {
    // A failed request stays first in the queue, taken; a later time-out must
    // re-queue the request being served, not that stale item.
    TestPeer peer(false, [](const PeerRequest& r) {
        const std::string from = TextParam(r.text, "fromid");
        if (from == "broken")
            return PeerAction::Close();
        return EchoHandler(r);
    });
    QueueCall("broken");
    auto first = Start(false, peer.Port());
    ASSERT_TRUE(service_.WaitFor(1));
    EXPECT_EQ(service_.Results()[0].status, kStatusFailed);
    ASSERT_TRUE(WaitUntil([&] { return first->Finished(); }));

    int calls = 0;
    TestPeer quiet(false, [&](const PeerRequest& r) {
        return ++calls == 1 ? PeerAction::Silence() : EchoHandler(r);
    });
    QueueCall("wanted");
    Start(false, quiet.Port());
    ASSERT_TRUE(service_.WaitFor(3));
    const auto requests = quiet.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(TextParam(requests[1].text, "fromid"), "wanted");
    EXPECT_EQ(service_.Results()[2].tags, std::vector<std::string>{"wanted"});
}

TEST_F(Worker, PeerClosingEndsTheWorkerAndLaterRequestsWait) {
    for (bool midReply : {true, false}) {
        SCOPED_TRACE(midReply ? "closed during the reply" : "closed before the reply");
        Collector service;
        TestPeer peer(true, [&](const PeerRequest& r) {
            if (r.probe)
                return PeerAction::ProbeOk();
            if (TextParam(r.text, "fromid") == "A") {
                if (!midReply)
                    return PeerAction::Close();
                std::vector<uint8_t> framed = TestPeer::Frame(true, Reply("A"));
                framed.resize(framed.size() / 2);
                return PeerAction::Raw(framed, true);
            }
            return EchoHandler(r);
        });
        auto first = Make(2, 1, peer.Port(), Fast(), nullptr, &service);
        host_.Start(first);
        QueueCall("A");
        ASSERT_TRUE(service.WaitFor(1));
        EXPECT_EQ(service.Results()[0].status, kStatusFailed);
        ASSERT_TRUE(WaitUntil([&] { return first->Finished(); }));

        QueueCall("B");
        QueueCall("C");
        std::this_thread::sleep_for(20ms);
        auto items = queue_.Snapshot();
        ASSERT_EQ(items.size(), 3u);
        EXPECT_EQ(items[0].state, kRequestTaken);  // the failed one, never retried
        EXPECT_EQ(items[1].state, kRequestWaiting);
        EXPECT_EQ(items[2].state, kRequestWaiting);

        host_.Start(Make(2, 1, peer.Port(), Fast(), nullptr, &service));
        QueueCall("D");
        ASSERT_TRUE(service.WaitFor(4));
        const auto seen = service.Results();
        EXPECT_EQ(seen[1].tags, std::vector<std::string>{"B"});
        EXPECT_EQ(seen[2].tags, std::vector<std::string>{"C"});
        EXPECT_EQ(seen[3].tags, std::vector<std::string>{"D"});
        EXPECT_EQ(peer.Connections(), 2);
        host_.Stop();
        queue_.Clear();
    }
}

TEST_F(Worker, MalformedRepliesAreDroppedUntilSilence) {
    const std::vector<std::pair<std::string, size_t>> corruptions = {
        {"magic", 6}, {"version", 10}, {"checksum", 94}};
    for (const auto& [what, offset] : corruptions) {
        SCOPED_TRACE(what);
        Collector service;
        int calls = 0;
        TestPeer peer(true, [&, offset = offset](const PeerRequest& r) {
            if (r.probe)
                return PeerAction::ProbeOk();
            if (++calls == 1) {
                std::vector<uint8_t> framed = TestPeer::Frame(true, Reply("bad"));
                framed[offset] ^= 0x01;
                return PeerAction::Raw(framed);
            }
            return EchoHandler(r);
        });
        host_.Start(Make(2, 1, peer.Port(), Fast(), nullptr, &service));
        QueueCall("retry");
        ASSERT_TRUE(service.WaitFor(2));
        const auto seen = service.Results();
        EXPECT_EQ(seen[0].status, kStatusReply);
        EXPECT_TRUE(seen[0].tags.empty());
        EXPECT_EQ(seen[1].tags, std::vector<std::string>{"retry"});
        host_.Stop();
    }
}

TEST_F(Worker, ReplyInSingleBytesIsDeliveredWhole) {
    for (bool binary : {false, true}) {
        SCOPED_TRACE(binary ? "binary" : "http");
        Collector service;
        TestPeer peer(binary, [](const PeerRequest& r) {
            if (r.probe)
                return PeerAction::ProbeOk();
            PeerAction a = PeerAction::Reply(
                Append(Reply("first", "\xd6\xd0\xce\xc4 text"), Reply("second", "2")));
            a.chunk = 1;
            return a;
        });
        host_.Start(Make(binary ? 2 : 0, binary ? 1 : peer.Port(), binary ? peer.Port() : 1, Fast(),
                         nullptr, &service));
        QueueCall("x");
        ASSERT_TRUE(service.WaitFor(1));
        const Seen seen = service.Results()[0];
        EXPECT_EQ(seen.tags, (std::vector<std::string>{"first", "second"}));
        EXPECT_EQ(seen.firstValue, "\xd6\xd0\xce\xc4 text");
        host_.Stop();
    }
}

TEST_F(Worker, QueuedRequestsGoOutOneAfterAnother) {
    TestPeer peer(false, [](const PeerRequest& r) {
        PeerAction a = EchoHandler(r);
        a.delay = 20ms;  // time for an eager client to send the next request
        return a;
    });
    QueueCall("one");
    QueueCall("two");
    QueueCall("three");
    Start(false, peer.Port());
    ASSERT_TRUE(service_.WaitFor(3));
    ASSERT_TRUE(WaitUntil([&] { return peer.PendingAtReply().size() == 3; }));
    EXPECT_EQ(peer.PendingAtReply(), std::vector<bool>(3, false));
    const auto requests = peer.Requests();
    ASSERT_EQ(requests.size(), 3u);
    const auto seen = service_.Results();
    EXPECT_EQ(seen[0].tags[0], "one");
    EXPECT_EQ(seen[1].tags[0], "two");
    EXPECT_EQ(seen[2].tags[0], "three");
}

TEST_F(Worker, NewWorkerWhileTheOldWaitsForAReply) {
    TestPeer silent(false, [](const PeerRequest&) { return PeerAction::Silence(); });
    TimeLimits slow = Fast();
    slow.silence = 5000ms;
    Collector oldLogin, oldService;
    auto old = Make(0, silent.Port(), 1, slow, &oldLogin, &oldService);
    host_.Start(old);
    QueueCall("stuck");
    ASSERT_TRUE(silent.WaitForRequests(1, 5s));

    TestPeer peer(false, EchoHandler);
    host_.Start(Make(0, peer.Port(), 1));  // must not wait for the old reply
    ASSERT_TRUE(WaitUntil([&] { return old->Finished(); }));
    QueueCall("fresh");
    ASSERT_TRUE(service_.WaitFor(1));
    EXPECT_EQ(service_.Results()[0].tags, std::vector<std::string>{"fresh"});
    EXPECT_TRUE(oldService.Results().empty());
    EXPECT_TRUE(oldLogin.Results().empty());
    // The abandoned request went with its worker.
    EXPECT_TRUE(WaitUntil([&] { return queue_.Size() == 0; }));
}

TEST_F(Worker, NewWorkerWhileTheOldIsInsideItsReceiver) {
    TestPeer peer(false, EchoHandler);
    Collector oldService;
    Gate entered, release;
    oldService.hook = [&](RequestResult&) {
        entered.Open();
        release.Wait();
    };
    auto old = Make(0, peer.Port(), 1, Fast(), nullptr, &oldService);
    host_.Start(old);
    QueueCall("first");
    QueueCall("second");
    ASSERT_TRUE(entered.Wait());

    // The receiver may itself be waiting for this thread (a synchronous window
    // message): starting the new worker must not wait for it.
    host_.Start(Make(0, peer.Port(), 1));
    EXPECT_EQ(host_.RetiredCount(), 1u);
    release.Open();
    ASSERT_TRUE(service_.WaitFor(1));
    EXPECT_EQ(service_.Results()[0].tags, std::vector<std::string>{"second"});
    ASSERT_TRUE(WaitUntil([&] { return old->Finished(); }));
    EXPECT_EQ(oldService.Results().size(), 1u);  // nothing after the replacement
}

TEST_F(Worker, NewWorkerDoesNotWaitForAHostLookup) {
    // A lookup that nothing can interrupt, held until the test lets it go.
    Gate inLookup, release, started;
    Collector oldLogin, oldService;
    auto old = Make(0, ClosedLoopbackPort(), 1, Fast(), &oldLogin, &oldService);
    ServerSettings s = old->Settings();
    s.address = "service.invalid";
    s.resolve = [&](const std::string&, uint32_t* ipv4) {
        inLookup.Open();
        release.Wait(10s);
        *ipv4 = htonl(INADDR_LOOPBACK);
        return true;
    };
    old->LoadSettings(s, "&c=1", kRenZheng, "alice", "pw");
    host_.Start(old);
    QueueLogin();
    ASSERT_TRUE(inLookup.Wait());

    // The lookup ends on its own a little later; a host that waited for the old
    // worker would return from Start only after that.
    std::thread lookupEnds([&] {
        started.Wait(500ms);
        release.Open();
    });
    TestPeer peer(false, EchoHandler);
    host_.Start(Make(0, peer.Port(), 1));
    const bool oldEndedBeforeStartReturned = old->Finished();
    started.Open();
    lookupEnds.join();
    EXPECT_FALSE(oldEndedBeforeStartReturned) << "Start waited for the replaced worker";

    // The new worker serves the waiting login; the old one, once its lookup is
    // over, ends without connecting and without calling anybody.
    ASSERT_TRUE(login_.WaitFor(1));
    EXPECT_EQ(login_.Results()[0].tags, std::vector<std::string>{"login"});
    ASSERT_TRUE(WaitUntil([&] { return old->Finished(); }));
    EXPECT_TRUE(oldLogin.Results().empty());
    EXPECT_TRUE(oldService.Results().empty());
    host_.Stop();
    EXPECT_EQ(host_.RetiredCount(), 0u);
}

TEST_F(Worker, ConnectionFailures) {
    Collector login;
    auto refused = Make(0, ClosedLoopbackPort(), 1, Fast(), &login);
    host_.Start(refused);
    ASSERT_TRUE(login.WaitFor(1));
    EXPECT_EQ(login.Results()[0].status, kStatusNoConnection);
    ASSERT_TRUE(WaitUntil([&] { return refused->Finished(); }));

    Collector empty;
    auto noAddress = std::make_shared<SXSockThread>(queue_, counter_);
    noAddress->LoadSettings(MakeServerSettings("", 80, 80, 0), "", "", "", "");
    noAddress->SetLoginReceiver(&empty);
    host_.Start(noAddress);
    ASSERT_TRUE(empty.WaitFor(1));
    EXPECT_EQ(empty.Results()[0].status, kStatusNoConnection);
    EXPECT_TRUE(service_.Results().empty());
}

TEST_F(Worker, WritingToAClosedConnectionFailsWithoutSigpipe) {
    TestPeer peer(true, EchoHandler);
    peer.CloseOnAccept(true);
    Start(true, peer.Port());
    QueueLogin();  // the probe meets a closed connection
    ASSERT_TRUE(login_.WaitFor(1));
    EXPECT_EQ(login_.Results()[0].status, kStatusProbeFailed);
    std::this_thread::sleep_for(20ms);  // let the reset arrive
    QueueCall("late");
    ASSERT_TRUE(service_.WaitFor(1));
    EXPECT_EQ(service_.Results()[0].status, kStatusFailed);
}

TEST_F(Worker, OversizedReplyFails) {
    TestPeer peer(false, [](const PeerRequest&) {
        return PeerAction::Reply(std::vector<uint8_t>(200000, 'x'));
    });
    auto w = Make(0, peer.Port(), 1);
    ServerSettings s = w->Settings();
    s.maxReplyBytes = 64 * 1024;
    w->LoadSettings(s, "", kRenZheng, "alice", "pw");
    host_.Start(w);
    QueueCall("big");
    ASSERT_TRUE(service_.WaitFor(1));
    EXPECT_EQ(service_.Results()[0].status, kStatusFailed);
}

TEST_F(Worker, ServiceCallWithoutReceiverIsServedSilently) {
    TestPeer peer(false, EchoHandler);
    auto w = Make(0, peer.Port(), 1);
    w->SetServiceReceiver(nullptr);
    host_.Start(w);
    QueueCall("unseen");
    ASSERT_TRUE(peer.WaitForRequests(1, 5s));
    ASSERT_TRUE(WaitUntil([&] { return queue_.Size() == 0; }));
    w->SetServiceReceiver(&service_);
    QueueCall("seen");
    ASSERT_TRUE(service_.WaitFor(1));
    EXPECT_EQ(service_.Results()[0].tags, std::vector<std::string>{"seen"});
    EXPECT_EQ(service_.Results().size(), 1u);
}

TEST(RequestQueueUnit, TakeRemoveAndRequeue) {
    RequestQueue queue;
    auto first = std::make_unique<ServiceRequest>();
    first->kind = kRequestServiceCall;
    first->text = "a";
    first->state = kRequestTaken;  // enqueueing always makes it wait
    first->compress = 1;
    first->session = "s";
    queue.EnqueueRequest(std::move(first));
    QueueServiceCall("b", "s2", queue);

    ServiceRequest* a = queue.TakeNextRequest();
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->text, "a");
    EXPECT_EQ(a->state, kRequestTaken);
    ServiceRequest* b = queue.TakeNextRequest();
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->text, "b");
    EXPECT_EQ(queue.TakeNextRequest(), nullptr);  // nothing waits; no wait asked for

    // Only the request being served is re-queued, as issued, at the back.
    queue.RequeueCurrent(*b);
    auto items = queue.Snapshot();
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[2].text, "b");
    EXPECT_EQ(items[2].session, "s2");
    EXPECT_EQ(items[2].kind, kRequestServiceCall);
    EXPECT_EQ(items[2].state, kRequestWaiting);
    queue.RequeueCurrent(*a);
    items = queue.Snapshot();
    ASSERT_EQ(items.size(), 4u);
    EXPECT_EQ(items[3].compress, 1);

    // A request no longer queued is not brought back.
    const ServiceRequest gone = *a;
    queue.RemoveRequest(a);
    queue.RequeueCurrent(gone);
    EXPECT_EQ(queue.Size(), 3u);

    // A stop flag ends a wait at once.
    queue.Clear();
    std::atomic<bool> stop{true};
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(queue.TakeNextRequest(10s, &stop), nullptr);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
}

TEST(RequestQueueUnit, EnqueueWakesAWaitingTaker) {
    RequestQueue queue;
    ServiceRequest* got = nullptr;
    std::thread taker([&] { got = queue.TakeNextRequest(10s); });
    std::this_thread::sleep_for(10ms);
    QueueServiceCall("late", "", queue);
    taker.join();
    ASSERT_NE(got, nullptr);
    EXPECT_EQ(got->text, "late");
}

TEST_F(Worker, ReceiverMayStartTheNextWorkerItself) {
    TestPeer peer(false, EchoHandler);
    Collector oldService;
    std::shared_ptr<SXSockThread> next = Make(0, peer.Port(), 1);
    oldService.hook = [&](RequestResult&) { host_.Start(next); };  // a re-login from the reply
    auto old = Make(0, peer.Port(), 1, Fast(), nullptr, &oldService);
    host_.Start(old);
    QueueCall("one");
    ASSERT_TRUE(oldService.WaitFor(1));
    QueueCall("two");
    ASSERT_TRUE(service_.WaitFor(1));
    EXPECT_EQ(service_.Results()[0].tags, std::vector<std::string>{"two"});
    EXPECT_EQ(host_.Current(), next);
    ASSERT_TRUE(WaitUntil([&] { return old->Finished(); }));
    EXPECT_EQ(oldService.Results().size(), 1u);
}
