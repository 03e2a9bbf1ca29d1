#pragma once

// Encoder of record-set blocks, the exact inverse of DecodeRecordSets: the
// reference service and the tests build replies with it.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/RecordSet.h"

class RecordSetWriter {
public:
    // Starts a block with `tag` (cut to 16 bytes).
    explicit RecordSetWriter(std::string_view tag);

    // Adds a column with the cell size that its type needs (bool and char 1,
    // int16 2, int32 and float 4, double, text and array 8, others `size`),
    // placed after the previous column. Returns the column index.
    int AddColumn(std::string_view name, int32_t type, int32_t size = 4);

    // Starts a new row of zero bytes; the setters below fill its cells.
    void AddRow();
    void SetBool(int column, bool value);
    void SetChar(int column, char value);
    void SetInt(int column, int32_t value);  // int16 and all 4-byte integer types
    void SetFloat(int column, float value);
    void SetDouble(int column, double value);
    // Appends `text` and a NUL to the variable area; the cell records offset and
    // length including the NUL, so an empty text reads back empty, not "null".
    void SetText(int column, std::string_view text);
    // A text cell of length 0, which reads back as "null".
    void SetNull(int column);
    void SetArrayCount(int column, int32_t count);
    // Writes raw cell bytes, for cells that no setter produces.
    void SetRaw(int column, const void* bytes, size_t size);

    // The encoded block; a reply body is the blocks back to back.
    std::vector<uint8_t> Finish() const;
    // Appends the encoded block to `body`.
    void AppendTo(std::vector<uint8_t>& body) const;

    // The variable area, for tests that plant odd offsets by hand.
    std::vector<uint8_t>& VariableArea() { return var_; }

private:
    uint8_t* Cell(int column, size_t bytes);

    std::string tag_;
    std::vector<ColumnDescriptor> columns_;
    int32_t width_ = 0;
    int32_t rowCount_ = 0;
    std::vector<uint8_t> rows_;
    std::vector<uint8_t> var_;
};

// Convenience: one block whose columns are all texts (type 9), the common
// shape of the service's replies. Each row must have one value per column.
std::vector<uint8_t> EncodeTextRecordSet(std::string_view tag,
                                         const std::vector<std::string>& columns,
                                         const std::vector<std::vector<std::string>>& rows);
