// Feeds arbitrary bytes, in pieces of a size the first byte picks, to the salvage dump reader:
// every record it hands out comes from one line of hex, so it is at most half the input.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <ostream>
#include <string_view>

#include "messaging/log/SalvageDump.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const std::size_t piece = 1 + data[0] % 64;
    const char* text = reinterpret_cast<const char*>(data + 1);
    const std::size_t length = size - 1;
    std::size_t total = 0;
    const std::function<bool(std::string_view)> visit = [&](std::string_view bytes) {
        total += bytes.size();
        if (bytes.size() > length / 2 || total > length / 2)
            std::abort();
        return true;
    };
    SalvageDumpReader reader(visit);
    std::ostream out(&reader);
    for (std::size_t at = 0; at < length; at += piece)
        out.write(text + at,
                  static_cast<std::streamsize>(piece < length - at ? piece : length - at));
    out.flush();
    reader.Finish();
    return 0;
}
