#include "protocol/RecordSetWriter.h"

#include <algorithm>
#include <cstring>

#include "protocol/ByteOrder.h"

using vqproto::StoreU16;
using vqproto::StoreU32;

namespace {

int32_t NaturalSize(int32_t type, int32_t fallback) {
    const int32_t bytes = CellBytes(type);
    return bytes != 0 ? bytes : fallback;
}

void AppendI32(std::vector<uint8_t>& out, int32_t v) {
    uint8_t b[4];
    StoreU32(b, static_cast<uint32_t>(v));
    out.insert(out.end(), b, b + 4);
}

}  // namespace

RecordSetWriter::RecordSetWriter(std::string_view tag) : tag_(tag.substr(0, kTagSize)) {}

int RecordSetWriter::AddColumn(std::string_view name, int32_t type, int32_t size) {
    ColumnDescriptor c;
    const size_t n = std::min(name.size(), kColumnNameSize - 1);
    std::memcpy(c.name, name.data(), n);
    c.type = type;
    c.size = NaturalSize(type, size);
    c.offset = width_;
    width_ += c.size;
    columns_.push_back(c);
    return static_cast<int>(columns_.size()) - 1;
}

void RecordSetWriter::AddRow() {
    rows_.resize(rows_.size() + static_cast<size_t>(width_), 0);
    ++rowCount_;
}

uint8_t* RecordSetWriter::Cell(int column, size_t bytes) {
    const ColumnDescriptor& c = columns_.at(static_cast<size_t>(column));
    if (rowCount_ == 0 || bytes > static_cast<size_t>(c.size)) {
        return nullptr;
    }
    return rows_.data() + static_cast<size_t>(rowCount_ - 1) * static_cast<size_t>(width_) +
           static_cast<size_t>(c.offset);
}

void RecordSetWriter::SetBool(int column, bool value) {
    if (uint8_t* p = Cell(column, 1)) {
        *p = value ? 1 : 0;
    }
}

void RecordSetWriter::SetChar(int column, char value) {
    if (uint8_t* p = Cell(column, 1)) {
        *p = static_cast<uint8_t>(value);
    }
}

void RecordSetWriter::SetInt(int column, int32_t value) {
    const ColumnDescriptor& c = columns_.at(static_cast<size_t>(column));
    if (c.type == kTypeInt16) {
        if (uint8_t* p = Cell(column, 2)) {
            StoreU16(p, static_cast<uint16_t>(value));
        }
    } else if (uint8_t* p = Cell(column, 4)) {
        StoreU32(p, static_cast<uint32_t>(value));
    }
}

void RecordSetWriter::SetFloat(int column, float value) {
    SetRaw(column, &value, sizeof value);
}

void RecordSetWriter::SetDouble(int column, double value) {
    SetRaw(column, &value, sizeof value);
}

void RecordSetWriter::SetText(int column, std::string_view text) {
    uint8_t* p = Cell(column, 8);
    if (p == nullptr) {
        return;
    }
    StoreU32(p, static_cast<uint32_t>(var_.size()));
    StoreU32(p + 4, static_cast<uint32_t>(text.size() + 1));
    var_.insert(var_.end(), text.begin(), text.end());
    var_.push_back(0);
}

void RecordSetWriter::SetNull(int column) {
    if (uint8_t* p = Cell(column, 8)) {
        StoreU32(p, 0);
        StoreU32(p + 4, 0);
    }
}

void RecordSetWriter::SetArrayCount(int column, int32_t count) {
    if (uint8_t* p = Cell(column, 8)) {
        StoreU32(p + 4, static_cast<uint32_t>(count));
    }
}

void RecordSetWriter::SetRaw(int column, const void* bytes, size_t size) {
    // Host order is little-endian on every platform this runs on.
    if (uint8_t* p = Cell(column, size)) {
        std::memcpy(p, bytes, size);
    }
}

void RecordSetWriter::AppendTo(std::vector<uint8_t>& out) const {
    const size_t start = out.size();
    out.resize(start + kTagSize, 0);
    std::memcpy(out.data() + start, tag_.data(), tag_.size());
    AppendI32(out, static_cast<int32_t>(columns_.size()));
    for (const auto& c : columns_) {
        const size_t at = out.size();
        out.resize(at + kColumnDescriptorSize, 0);
        std::memcpy(out.data() + at, c.name, kColumnNameSize);
        StoreU32(out.data() + at + 16, static_cast<uint32_t>(c.type));
        StoreU32(out.data() + at + 20, static_cast<uint32_t>(c.size));
        StoreU32(out.data() + at + 24, static_cast<uint32_t>(c.offset));
    }
    AppendI32(out, rowCount_);
    out.insert(out.end(), rows_.begin(), rows_.end());
    AppendI32(out, static_cast<int32_t>(var_.size()));
    out.insert(out.end(), var_.begin(), var_.end());
}

std::vector<uint8_t> RecordSetWriter::Finish() const {
    std::vector<uint8_t> out;
    AppendTo(out);
    return out;
}

std::vector<uint8_t> EncodeTextRecordSet(std::string_view tag,
                                         const std::vector<std::string>& columns,
                                         const std::vector<std::vector<std::string>>& rows) {
    RecordSetWriter w(tag);
    for (const auto& name : columns) {
        w.AddColumn(name, kTypeText);
    }
    for (const auto& row : rows) {
        w.AddRow();
        for (size_t i = 0; i < row.size() && i < columns.size(); ++i) {
            w.SetText(static_cast<int>(i), row[i]);
        }
    }
    return w.Finish();
}
