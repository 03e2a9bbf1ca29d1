// Feeds arbitrary bytes to every conversion and checks the shapes of the results.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/core/Text.h"

namespace {

void Check(bool ok) {
    if (!ok)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    // GBK in: never more UTF-16 units than bytes; after one pass the text is stable.
    const std::u16string u = vq::GbkToUtf16(bytes);
    Check(u.size() <= bytes.size());
    const std::string gbk = vq::Utf16ToGbk(u);
    Check(vq::Utf16ToGbk(vq::GbkToUtf16(gbk)) == gbk);
    Check(vq::Utf8ToGbk(vq::GbkToUtf8(gbk)) == gbk);

    // UTF-8 in: the UTF-8 <-> UTF-16 pair is stable after one pass too.
    const std::u16string u2 = vq::Utf8ToUtf16(bytes);
    const std::string utf8 = vq::Utf16ToUtf8(u2);
    Check(vq::Utf8ToUtf16(utf8) == u2);
    vq::Utf8ToGbk(bytes);

    // UTF-16 in, from the same bytes.
    std::u16string raw(size / 2, u'\0');
    for (std::size_t i = 0; i < raw.size(); ++i) {
        raw[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
    }
    Check(vq::Utf16ToGbk(raw).size() <= raw.size() * 2);
    vq::Utf16ToUtf8(raw);

    // A cut drops at most the first byte of a split character.
    const std::size_t limit = size > 0 ? data[0] : 0;
    const std::size_t cut = vq::GbkCutLength(bytes, limit);
    Check(cut <= bytes.size() && cut <= limit);
    Check(limit >= bytes.size() ? cut == bytes.size() : cut + 1 >= limit);
    return 0;
}
