#pragma once

// Decoded service replies: tagged tables with typed columns, fixed-width rows
// and a variable area for texts.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// Column type codes as they appear on the wire.
enum ColumnType : int32_t {
    kTypeBool = 1,
    kTypeChar = 2,
    kTypeInt16 = 3,
    kTypeInt32 = 4,
    kTypeInt32b = 5,
    kTypeFloat = 6,
    kTypeDouble = 7,
    kTypeText = 9,
    kTypeArray = 14,
    kTypeText2 = 101,
    kTypeInt32c = 102,
    kTypeInt32d = 103,
};

// Bytes of a cell that a type code reads; 0 for codes that read nothing.
int32_t CellBytes(int32_t type);

inline constexpr size_t kTagSize = 16;
inline constexpr size_t kColumnDescriptorSize = 60;
inline constexpr size_t kColumnNameSize = 16;
// A reply hands on at most this many record sets; later blocks are dropped.
inline constexpr size_t kMaxRecordSets = 8;
// A block whose rows are 0 bytes wide may declare at most this many rows.
inline constexpr int32_t kMaxEmptyRows = 65536;

struct ColumnDescriptor {
    char name[kColumnNameSize + 1] = {};  // always terminated, even if the wire name is not
    int32_t type = 0;
    int32_t size = 0;
    int32_t offset = 0;
    uint8_t reserved[32] = {};
};

class RecordSet {
public:
    RecordSet() = default;
    RecordSet(const RecordSet&) = delete;
    RecordSet& operator=(const RecordSet&) = delete;

    // The reply's name, at most 16 characters.
    std::string_view Tag() const { return tag_; }
    int ColumnCount() const { return static_cast<int>(columns_.size()); }
    int RowCount() const { return rowCount_; }
    int64_t RowWidth() const { return rowWidth_; }
    int Cursor() const { return cursor_; }

    // Cursor to the first row; false when there are no rows.
    bool MoveFirst();
    // Advances the cursor; false on the last row (the cursor then equals the row count).
    bool MoveNext();
    // Descriptor of column `index`, or null when out of range.
    const ColumnDescriptor* Column(int index) const;
    // Index of the first column named exactly `name` (byte comparison), -1 when none.
    int FindColumn(const char* name) const;
    // As FindColumn, ignoring ASCII letter case: the consumers' lookup.
    int FindColumnNoCase(std::string_view name) const;

    // Text form of a column in the current row. Formatted values stay valid until
    // the next GetText on this record set; texts stay valid as long as the set.
    // "BOF or EOF" without a current row, "Error Field Index" for a bad index or a
    // cell that does not lie inside its row.
    std::string_view GetText(int column);
    // Copy of the text of the column named `name` (letter case ignored) in the
    // current row; empty when the set has no such column.
    std::string Value(std::string_view name);

    // Raw access for the encoder's tests and for diagnostics.
    const std::vector<ColumnDescriptor>& Columns() const { return columns_; }
    const std::vector<uint8_t>& RowBytes() const { return rows_; }
    const std::vector<uint8_t>& VariableArea() const { return var_; }

private:
    friend size_t DecodeOneRecordSet(const uint8_t*, size_t, std::unique_ptr<RecordSet>*);
    std::string_view Formatted(int length);

    char tag_[kTagSize + 1] = {};
    std::vector<ColumnDescriptor> columns_;
    int64_t rowWidth_ = 0;
    int32_t rowCount_ = 0;
    int32_t cursor_ = -1;
    std::vector<uint8_t> rows_;
    std::vector<uint8_t> var_;
    char text_[64] = {};
};

// A decoded reply: at most kMaxRecordSets owned record sets, in body order.
using RecordSetList = std::vector<std::unique_ptr<RecordSet>>;

// Decodes one block at `data`; returns the bytes it used, 0 when the block is
// truncated or inconsistent (then *out is left empty).
size_t DecodeOneRecordSet(const uint8_t* data, size_t size, std::unique_ptr<RecordSet>* out);

// Cuts a reply body into record sets. A truncated or inconsistent block ends
// decoding quietly, keeping the blocks before it; at most `maxSets` are kept.
RecordSetList DecodeRecordSets(const uint8_t* data, size_t size, size_t maxSets = kMaxRecordSets);

// Looks up a record set by tag (letter case ignored); null when absent.
RecordSet* FindRecordSet(const RecordSetList& list, std::string_view tag);

// ASCII case-insensitive equality, as the consumers compare tags and names.
bool EqualsNoCase(std::string_view a, std::string_view b);
