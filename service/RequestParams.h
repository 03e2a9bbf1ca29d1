#pragma once

// The parameter text of one request as the service reads it: name=value pairs
// joined by "&", values percent-decoded (the four escapes of user text).
// Bounded: texts, pair counts and names beyond the limits are refused.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vqsvc {

inline constexpr size_t kMaxParamText = 64 * 1024;
inline constexpr size_t kMaxParams = 128;

class RequestParams {
public:
    // False when the text breaks a limit; `out` is then empty. A trailing NUL
    // (binary mode sends the text with its terminator) is ignored.
    static bool Parse(std::string_view text, RequestParams* out);

    // Decoded value of the first pair with this name (exact case): the function's
    // own parameters come before the common ones, so a repeated name cannot
    // override them.
    std::optional<std::string> Get(std::string_view name) const;
    std::string GetOr(std::string_view name, std::string_view fallback = {}) const;
    bool Has(std::string_view name) const { return Get(name).has_value(); }

    // The session value: the last tc_session (the common parameters come last),
    // without its braces; empty when absent.
    std::string Session() const;
    // Sub function number from TC_SFUNCNO (any case); -1 when absent or not a number.
    int SubFunction() const { return subFunction_; }

    size_t Count() const { return pairs_.size(); }

private:
    std::vector<std::pair<std::string, std::string>> pairs_;
    int subFunction_ = -1;
};

// Strict decimal id: optional '-' and 1 to 18 digits, nothing else.
std::optional<int64_t> ParseId(std::string_view text);

}  // namespace vqsvc
