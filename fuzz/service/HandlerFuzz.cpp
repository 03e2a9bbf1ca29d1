// Whole request texts through the service's handler against a demo database.
// "SESSION" in the input stands for a live session key, so the handlers behind
// the session check are reached too.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "protocol/Crypto.h"
#include "service/DemoData.h"
#include "service/RequestParams.h"
#include "service/ServiceHandler.h"
#include "service/ServiceStore.h"

namespace {

struct World {
    std::string dir;
    vqsvc::ServiceStore store;
    std::unique_ptr<vqsvc::ServiceHandler> handler;
    std::string session;
    World() {
        char buf[] = "/tmp/vqsvc-fuzz-XXXXXX";
        if (!mkdtemp(buf))
            std::abort();
        dir = buf;
        int64_t now = 1796693400;
        if (!store.Open(dir, [now] { return now; }) || !vqsvc::SeedDemoData(store, 1)) {
            std::abort();
        }
        RsaKeyPair keys;
        GenerateKeyPair(1024, &keys);
        handler = std::make_unique<vqsvc::ServiceHandler>(store, keys.privatePem);
        session = store.CreateSession(1);
    }
    ~World() {
        handler.reset();
        store.Close();
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static World world;
    std::string text(reinterpret_cast<const char*>(data), size);
    for (size_t at = text.find("SESSION"); at != std::string::npos;
         at = text.find("SESSION", at + world.session.size())) {
        text.replace(at, 7, world.session);
    }
    std::string fault;
    vqsvc::ReplyBody reply = world.handler->Handle(text, &fault);
    // Every request gets an answer, but for a chat poll with nothing waiting, which is answered
    // with no record set at all.
    vqsvc::RequestParams params;
    const bool chatPoll = vqsvc::RequestParams::Parse(text, &params) && params.SubFunction() == 13;
    if (reply.empty() && !chatPoll)
        __builtin_trap();
    return 0;
}
