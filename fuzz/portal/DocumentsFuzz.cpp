// Reply bytes -> record sets -> every page document. A document that is not a well-formed
// JSON text (a value escaping its quotes) aborts.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "portal/PageDocuments.h"
#include "protocol/RecordSet.h"

namespace {

// Strings only need to be closed and free of raw control characters; the structure outside
// them must balance.
bool WellFormed(const std::string& s) {
    int depth = 0;
    bool inString = false;
    for (size_t i = 0; i < s.size(); ++i) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (inString) {
            if (c < 0x20) {
                return false;
            }
            if (c >= 0x81 && c <= 0xFE && i + 1 < s.size()) {
                const auto t = static_cast<unsigned char>(s[i + 1]);
                if (t >= 0x40 && t <= 0xFE && t != 0x7F) {
                    ++i;
                    continue;
                }
            }
            if (c == '\\') {
                ++i;
            } else if (c == '"') {
                inString = false;
            }
        } else if (c == '"') {
            inString = true;
        } else if (c == '{' || c == '[') {
            ++depth;
        } else if (c == '}' || c == ']') {
            if (--depth < 0) {
                return false;
            }
        }
    }
    return !inString && depth == 0;
}

void Check(const std::optional<std::string>& doc) {
    if (doc && !doc->empty() && !WellFormed(*doc)) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    namespace D = PageDocuments;
    RecordSetList sets = DecodeRecordSets(data, size);
    // The decoder accepts rows of width 0 in any number (a few bytes can declare a billion);
    // the builders are linear in rows, so such inputs only measure the row count.
    for (const auto& set : sets) {
        if (set->RowCount() > 100000) {
            return 0;
        }
    }
    Check(D::BuildHome(sets));
    if (auto list = D::BuildListPage(sets)) {
        Check(list->list);
        Check(list->columns);
    }
    Check(D::BuildColumnNews(sets));
    Check(D::BuildSearch(sets));
    Check(D::BuildBoardList(sets));
    Check(D::BuildMenu(sets));
    Check(D::BuildPictureStrip(sets));
    Check(D::LoginNameDocument(std::string(reinterpret_cast<const char*>(data), size)));
    return 0;
}
