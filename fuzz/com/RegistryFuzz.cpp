// The registry file parser: any bytes must parse or be refused, and whatever
// parses must serialise to text that parses to the same registry.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "com/Guid.h"
#include "com/Registry.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    Registry r;
    if (r.Parse(text)) {
        const std::string once = r.Serialize();
        Registry back;
        if (!back.Parse(once) || back.Serialize() != once)
            std::abort();
        for (const std::string& k : r.SubKeys("CLSID"))
            (void)GuidFromString(k);
    }
    (void)GuidFromString(text);
    return 0;
}
