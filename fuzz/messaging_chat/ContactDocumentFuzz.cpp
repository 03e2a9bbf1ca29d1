// Reply bytes -> record sets -> the contact document and the page notice of each chat row.
// Both must be JSON the page's JSON.parse accepts (GBK inside strings, a lead byte always
// with its second byte), the document one object with "user_type", "col" and "cus", and a
// notice must carry its row's sender id unchanged when that id is plain; anything else aborts.
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "messaging/ChatTexts.h"
#include "messaging/IMFriendShow.h"
#include "protocol/RecordSet.h"

namespace {

// Objects, arrays and strings: the only values these documents hold.
class Json {
public:
    explicit Json(const std::string& s) : s_(s) {}
    bool Whole() { return Value(0) && at_ == s_.size(); }

private:
    bool Eat(char c) {
        if (at_ < s_.size() && s_[at_] == c) {
            ++at_;
            return true;
        }
        return false;
    }
    bool String() {
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
                // As the page's converter reads it: the next byte belongs to this one.
                if (at_ >= s_.size()) {
                    return false;
                }
                ++at_;
                continue;
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
            }
        }
        return false;
    }
    bool Value(int depth) {
        if (depth > 8) {
            return false;
        }
        if (at_ < s_.size() && s_[at_] == '"') {
            return String();
        }
        const bool object = Eat('{');
        if (!object && !Eat('[')) {
            return false;
        }
        const char close = object ? '}' : ']';
        if (Eat(close)) {
            return true;
        }
        do {
            if (object && (!String() || !Eat(':'))) {
                return false;
            }
            if (!Value(depth + 1)) {
                return false;
            }
        } while (Eat(','));
        return Eat(close);
    }

    const std::string& s_;
    std::size_t at_ = 0;
};

void Check(bool ok, const char* what, const std::string& text) {
    if (!ok) {
        std::fprintf(stderr, "%s: %s\n", what, text.c_str());
        std::abort();
    }
}

bool Plain(const std::string& id) {
    for (char c : id) {
        if (!std::isalnum(static_cast<unsigned char>(c))) {
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    RecordSetList sets = DecodeRecordSets(data, size);
    for (auto& set : sets) {
        const std::string doc = CIMFriendShow(*set).BuildDocument();
        Check(Json(doc).Whole(), "contact document", doc);
        Check(doc.rfind("{\"user_type\":\"1\",\"col\":[", 0) == 0, "contact document start", doc);
        Check(doc.find("],\"cus\":[") != std::string::npos, "contact document teams", doc);
        if (set->MoveFirst()) {
            do {
                const std::string from = set->Value("fromid");
                const std::string notice = ChatTexts::ChangePicDocument(false, from);
                Check(Json(notice).Whole(), "changepic document", notice);
                Check(!Plain(from) ||
                          notice == "{\"line\":[{\"title\":\"2\",\"uid\":\"" + from + "\"}]}",
                      "changepic uid", notice);
            } while (set->MoveNext());
        }
    }
    return 0;
}
