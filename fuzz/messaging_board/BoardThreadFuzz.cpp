// Reply bytes -> record sets -> the thread document. The document must be one JSON object
// that JSON.parse accepts (GBK inside strings), announce its row count in hexadecimal and hold
// one site per row; anything else aborts.
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "messaging/BoardDocument.h"
#include "protocol/RecordSet.h"

namespace {

// A strict reader of the JSON the page parses: objects, arrays and strings only, as the
// document has no other values. Counts the objects of the "sites" array.
class Reader {
public:
    explicit Reader(const std::string& s) : s_(s) {}
    bool Document(int& sites, std::string& total) {
        if (!Object(0, sites, total)) {
            return false;
        }
        return at_ == s_.size();
    }

private:
    bool Eat(char c) {
        if (at_ < s_.size() && s_[at_] == c) {
            ++at_;
            return true;
        }
        return false;
    }
    bool String(std::string* out) {
        if (!Eat('"')) {
            return false;
        }
        while (at_ < s_.size()) {
            const auto c = static_cast<unsigned char>(s_[at_++]);
            if (c == '"') {
                return true;
            }
            if (c < 0x20) {
                return false;
            }
            if (c >= 0x81 && c <= 0xFE) {
                if (at_ >= s_.size()) {
                    return false;
                }
                const auto t = static_cast<unsigned char>(s_[at_++]);
                if (t < 0x40 || t == 0x7F || t == 0xFF) {
                    return false;
                }
                continue;
            }
            if (c >= 0x80) {
                continue;  // 0x80 and 0xFF stand alone; the page's converter replaces them
            }
            if (c == '\\') {
                if (at_ >= s_.size()) {
                    return false;
                }
                const char e = s_[at_++];
                if (e == 'u') {
                    for (int i = 0; i < 4; ++i) {
                        if (at_ >= s_.size() ||
                            !std::isxdigit(static_cast<unsigned char>(s_[at_++]))) {
                            return false;
                        }
                    }
                } else if (std::string("\"\\/bfnrt").find(e) == std::string::npos) {
                    return false;
                }
                continue;
            }
            if (out != nullptr) {
                out->push_back(static_cast<char>(c));
            }
        }
        return false;
    }
    // depth 0: the document; depth 1: a site.
    bool Object(int depth, int& sites, std::string& total) {
        if (!Eat('{')) {
            return false;
        }
        if (Eat('}')) {
            return depth == 1;
        }
        do {
            std::string key;
            if (!String(&key) || !Eat(':')) {
                return false;
            }
            if (depth == 0 && key == "sites") {
                if (!Eat('[')) {
                    return false;
                }
                if (!Eat(']')) {
                    do {
                        int none = 0;
                        std::string ignored;
                        if (!Object(1, none, ignored)) {
                            return false;
                        }
                        ++sites;
                    } while (Eat(','));
                    if (!Eat(']')) {
                        return false;
                    }
                }
            } else if (!String(depth == 0 && key == "total" ? &total : nullptr)) {
                return false;
            }
        } while (Eat(','));
        return Eat('}');
    }

    const std::string& s_;
    std::size_t at_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    RecordSetList sets = DecodeRecordSets(data, size);
    // Zero-width rows cost nothing to declare; the builder is linear in them.
    for (const auto& set : sets) {
        if (set->RowCount() > 100000) {
            return 0;
        }
    }
    RecordSet* first = sets.empty() ? nullptr : sets.front().get();
    const std::string doc = BoardDocument::Build(first);
    int sites = 0;
    std::string total;
    if (!Reader(doc).Document(sites, total)) {
        std::abort();
    }
    char expected[16] = "";
    if (sites > 0) {
        std::snprintf(expected, sizeof expected, "%x", static_cast<unsigned>(sites));
    }
    if (total != expected || (first != nullptr && sites > 0 && sites != first->RowCount())) {
        std::abort();
    }
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::string escaped = BoardDocument::JsonText(text);
    const std::string wrapped = "{\"total\":\"\",\"sites\":[{\"content\":\"" + escaped + "\"}]}";
    if (!Reader(wrapped).Document(sites, total)) {
        std::abort();
    }
    return 0;
}
