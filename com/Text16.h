// UTF-8 <-> UTF-16 for the runtime's boundaries (registry file, paths).
// Malformed input becomes U+FFFD rather than being dropped silently.
#pragma once

#include <string>
#include <string_view>

std::string Utf16ToUtf8(std::u16string_view s);
std::u16string Utf8ToUtf16(std::string_view s);
