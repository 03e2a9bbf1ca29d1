// Decodes arbitrary bytes as a reply body and reads every cell of every row.

#include <cstddef>
#include <cstdint>

#include "protocol/RecordSet.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    RecordSetList sets = DecodeRecordSets(data, size);
    size_t total = 0;
    for (auto& rs : sets) {
        total += rs->Tag().size();
        int rows = 0;
        if (rs->MoveFirst()) {
            do {
                for (int c = -1; c <= rs->ColumnCount(); ++c) {
                    const std::string_view text = rs->GetText(c);
                    for (char ch : text) {
                        total += static_cast<unsigned char>(ch);
                    }
                }
            } while (rs->MoveNext() && ++rows < 4096);
        }
        total += rs->GetText(0).size();  // past the end: "BOF or EOF"
        total += static_cast<size_t>(rs->FindColumnNoCase("c") + 1);
    }
    return total == 0xFFFFFFFF ? 1 : 0;
}
