// Addresses coming back from pages: percent-decoding, file URLs, relative resolution.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/web/Url.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::string decoded = fw::web::PercentDecode(text);
    if (decoded.size() > text.size()) {
        std::abort();
    }
    (void)fw::web::UrlToSystem(text);
    (void)fw::web::FileUrlPath(text);
    (void)fw::web::HasScheme(text);
    // The first line is a base, the rest an address relative to it.
    const std::size_t nl = text.find('\n');
    const std::string_view base = nl == std::string_view::npos ? text : text.substr(0, nl);
    const std::string_view rel =
        nl == std::string_view::npos ? std::string_view() : text.substr(nl + 1);
    (void)fw::web::ResolveUrl(base, rel);
    const std::string url = fw::web::SystemToUrl(rel, base);
    (void)fw::web::UrlToSystem(url);
    return 0;
}
