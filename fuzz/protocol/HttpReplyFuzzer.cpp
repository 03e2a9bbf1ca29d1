// Splits arbitrary bytes as an HTTP reply, as the worker does after each chunk,
// and runs the other text readers over the same bytes.

#include <cstddef>
#include <cstdint>
#include <string>

#include "protocol/RecordSet.h"
#include "protocol/ServiceRequest.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string all(reinterpret_cast<const char*>(data), size);
    size_t total = 0;
    // Every prefix in chunk steps, like the receive passes.
    for (size_t cut = 0; cut <= all.size(); cut += 97) {
        std::string buffer = all.substr(0, cut);
        if (SplitHttpReply(buffer) == kHttpComplete) {
            total +=
                DecodeRecordSets(reinterpret_cast<const uint8_t*>(buffer.data()), buffer.size())
                    .size();
        }
    }
    std::string whole = all;
    if (SplitHttpReply(whole) == kHttpComplete) {
        total += whole.size();
    }
    const FunctionNumbers n = ReadFunctionNumbers(all);
    total += n.service + n.mainFunction + n.subFunction;
    total += UnescapeUserText(all).size() + HexDecode(all).size() + EscapeUserText(all).size();
    return total == 0xFFFFFFFF ? 1 : 0;
}
