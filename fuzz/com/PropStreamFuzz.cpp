// The property-set stream reader: length fields must never read past the data.
#include <cstdint>
#include <string>
#include <vector>

#include "com/Persist.h"
#include "com/Text16.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> bytes(data, data + size);
    auto stream = CMemoryStream::Create(bytes);
    std::vector<std::uint8_t> block;
    while (SUCCEEDED(ReadBlock(stream.Get(), 1 << 16, block))) {
        PropReader r(block.data(), block.size());
        std::uint32_t v = 0;
        std::u16string s;
        while (r.U32(v) && r.Str(s, 4096))
            (void)Utf16ToUtf8(s);
    }
    (void)Utf8ToUtf16(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
