#pragma once
// Addresses between the system (GBK texts, local paths) and a browser (UTF-8 URLs).
// All functions are total: any input gives some output, never a failure.

#include <string>
#include <string_view>

namespace fw::web {

// "%XY" (two hexadecimal digits) becomes the byte 0xXY; anything else, a stray '%'
// included, is kept as it is. '+' is not a blank here.
std::string PercentDecode(std::string_view text);

// An address coming back from a browser (UTF-8, percent-encoded) as the system sees it:
// percent-decoded, then converted to GBK when the bytes are UTF-8 (bytes that are not are
// taken to be GBK already, as pages written for GBK encode them); a "file:" URL becomes the
// local path it names, query and fragment kept ("/p/htmlPath/newslist.html?uid=1").
std::string UrlToSystem(std::string_view url);

// True when `text` starts with a URL scheme ("http:", "file:", "about:", "app:").
bool HasScheme(std::string_view text);

// An address handed to a view (GBK) as an absolute UTF-8 URL: a scheme is kept as given, an
// absolute local path becomes a "file://" URL (a '?' or '#' in it starts the query or
// fragment), anything else is resolved against `baseUrl` (UTF-8; "" leaves it as it is).
std::string SystemToUrl(std::string_view address, std::string_view baseUrl);

// `relative` resolved against the absolute `base`, both UTF-8.
std::string ResolveUrl(std::string_view base, std::string_view relative);

// For a "file:" URL, the local path without query and fragment, percent-decoded (UTF-8);
// "" for any other URL.
std::string FileUrlPath(std::string_view url);

}  // namespace fw::web
