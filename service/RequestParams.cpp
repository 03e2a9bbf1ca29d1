#include "service/RequestParams.h"

#include "protocol/ServiceRequest.h"

namespace vqsvc {

namespace {

constexpr size_t kMaxNameLength = 64;

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = static_cast<char>(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

}  // namespace

std::optional<int64_t> ParseId(std::string_view text) {
    bool negative = !text.empty() && text[0] == '-';
    if (negative)
        text.remove_prefix(1);
    if (text.empty() || text.size() > 18)
        return std::nullopt;
    int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return negative ? -value : value;
}

bool RequestParams::Parse(std::string_view text, RequestParams* out) {
    *out = RequestParams();
    while (!text.empty() && text.back() == '\0')
        text.remove_suffix(1);
    if (text.size() > kMaxParamText)
        return false;
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t end = text.find('&', pos);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view pair = text.substr(pos, end - pos);
        if (!pair.empty()) {
            if (out->pairs_.size() >= kMaxParams) {
                *out = RequestParams();
                return false;
            }
            size_t eq = pair.find('=');
            std::string_view name = pair.substr(0, eq);
            std::string_view value =
                eq == std::string_view::npos ? std::string_view() : pair.substr(eq + 1);
            if (name.size() > kMaxNameLength || name.find('\0') != std::string_view::npos) {
                *out = RequestParams();
                return false;
            }
            out->pairs_.emplace_back(std::string(name), UnescapeUserText(value));
        }
        pos = end + 1;
    }
    for (const auto& [name, value] : out->pairs_) {
        if (EqualsNoCase(name, "tc_sfuncno")) {
            auto n = ParseId(value);
            out->subFunction_ = n && *n >= 0 && *n <= 65535 ? static_cast<int>(*n) : -1;
            break;
        }
    }
    return true;
}

std::optional<std::string> RequestParams::Get(std::string_view name) const {
    for (const auto& [n, v] : pairs_) {
        if (n == name)
            return v;
    }
    return std::nullopt;
}

std::string RequestParams::GetOr(std::string_view name, std::string_view fallback) const {
    auto v = Get(name);
    return v ? *v : std::string(fallback);
}

std::string RequestParams::Session() const {
    std::string value;
    for (const auto& [n, v] : pairs_) {
        if (n == "tc_session")
            value = v;
    }
    if (value.size() >= 2 && value.front() == '{' && value.back() == '}') {
        value = value.substr(1, value.size() - 2);
    }
    return value;
}

}  // namespace vqsvc
