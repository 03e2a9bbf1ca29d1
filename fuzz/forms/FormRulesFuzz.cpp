// Bytes as a config.ini value and as a reply: a parsed address prints back as itself, a
// parsed port is in range, and column buttons keep their ids in 16 bits and their places
// on the three columns of the page.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "forms/FormRules.h"
#include "protocol/RecordSet.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (const auto port = ParsePortText(text)) {
        if (*port < 1 || *port > 65535) {
            std::abort();
        }
    }
    if (const auto address = ParseDottedAddress(text)) {
        const auto again = ParseDottedAddress(FormatDottedAddress(*address));
        if (!again || *again != *address) {
            std::abort();
        }
    }
    (void)SameIgnoringCase(text, text.substr(size / 2));
    (void)LoginStateRadio(text);

    RecordSetList sets = DecodeRecordSets(data, size);
    for (auto& set : sets) {
        if (set == nullptr) {
            continue;
        }
        const auto buttons = ColumnButtons(*set);
        if (buttons.size() > kMaxColumnButtons) {
            std::abort();
        }
        for (std::size_t i = 0; i < buttons.size(); ++i) {
            const ColumnButton& b = buttons[i];
            if (b.id < kColumnButtonBase || b.id > 0xFFFF || !(b.rect == ColumnButtonRect(i))) {
                std::abort();
            }
            const auto chosen = ChosenColumn(b.id);
            if (chosen.has_value() != (b.id <= kLastChoosableButton)) {
                std::abort();
            }
        }
    }
    return 0;
}
