// Request parameter texts and HTTP request heads as the service parses them.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "service/RequestParams.h"
#include "service/ServiceServer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    vqsvc::RequestParams params;
    if (vqsvc::RequestParams::Parse(text, &params)) {
        (void)params.Session();
        (void)params.SubFunction();
        for (const char* name : {"cont", "msgcontent", "virid", "tc_session", "loginID"}) {
            if (auto v = params.Get(name))
                (void)vqsvc::ParseId(*v);
        }
    }
    vqsvc::HttpHead head;
    if (vqsvc::ParseHttpHead(text, 8192, 64 * 1024, &head) == vqsvc::HttpHeadResult::kComplete &&
        (head.headerBytes > size || head.contentLength > 64 * 1024)) {
        __builtin_trap();
    }
    return 0;
}
