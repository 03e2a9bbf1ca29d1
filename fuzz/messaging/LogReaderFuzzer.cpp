// Reads arbitrary bytes as a history query buffer, and as single records appended to one.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "messaging/log/LogRecord.h"

namespace {

void Check(bool ok) {
    if (!ok)
        std::abort();
}

// A decoded record's strings and the overhead fit inside the bytes it came from.
void CheckFits(const LogRecord& r, std::size_t length) {
    Check(r.fromId.size() + r.toId.size() + r.text.size() + kLogRecordOverhead <= length);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    auto buffer = MessageQueryResult::FromBytes(bytes);
    std::size_t before = buffer.ReadPosition();
    while (auto record = buffer.ReadNext()) {
        Check(buffer.ReadPosition() > before && buffer.ReadPosition() <= buffer.Size());
        CheckFits(*record, buffer.ReadPosition() - before);
        before = buffer.ReadPosition();
    }
    Check(buffer.ReadPosition() <= buffer.Size());

    // The same bytes as one stored record: what the query takes must read back alike.
    if (const auto record = DecodeLogRecord(bytes)) {
        CheckFits(*record, size);
        MessageQueryResult one;
        one.AppendRecord(bytes, 77);
        Check(one.Capacity() >= one.Size());
        const auto back = one.ReadNext();
        Check(back && back->recordNumber == 77 && back->text == record->text &&
              back->fromId == record->fromId && back->toId == record->toId);
        Check(!one.ReadNext());
    }
    return 0;
}
