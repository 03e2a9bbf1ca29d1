#include "protocol/RecordSet.h"

#include <charconv>
#include <cstdio>
#include <cstring>

#include "protocol/ByteOrder.h"

using vqproto::LoadI32;
using vqproto::LoadU16;
using vqproto::LoadU32;

namespace {

constexpr std::string_view kBofEof = "BOF or EOF";
constexpr std::string_view kBadField = "Error Field Index";

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

int32_t CellBytes(int32_t type) {
    switch (type) {
        case kTypeBool:
        case kTypeChar:
            return 1;
        case kTypeInt16:
            return 2;
        case kTypeInt32:
        case kTypeInt32b:
        case kTypeInt32c:
        case kTypeInt32d:
        case kTypeFloat:
            return 4;
        case kTypeDouble:
        case kTypeText:
        case kTypeText2:
        case kTypeArray:
            return 8;
        default:
            return 0;
    }
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i])) {
            return false;
        }
    }
    return true;
}

bool RecordSet::MoveFirst() {
    if (rowCount_ > 0) {
        cursor_ = 0;
        return true;
    }
    return false;
}

bool RecordSet::MoveNext() {
    if (cursor_ == rowCount_ || rowCount_ == 0) {
        return false;
    }
    ++cursor_;
    return cursor_ != rowCount_;
}

const ColumnDescriptor* RecordSet::Column(int index) const {
    if (index < 0 || index >= ColumnCount()) {
        return nullptr;
    }
    return &columns_[static_cast<size_t>(index)];
}

int RecordSet::FindColumn(const char* name) const {
    if (name == nullptr) {
        return -1;
    }
    for (size_t i = 0; i < columns_.size(); ++i) {
        if (std::strcmp(columns_[i].name, name) == 0) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int RecordSet::FindColumnNoCase(std::string_view name) const {
    for (size_t i = 0; i < columns_.size(); ++i) {
        if (EqualsNoCase(columns_[i].name, name)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

std::string_view RecordSet::Formatted(int length) {
    if (length < 0) {
        text_[0] = '\0';
        return {};
    }
    // snprintf cuts long values to the 64-byte buffer; a "%c" of NUL reads empty.
    return std::string_view(text_, std::strlen(text_));
}

std::string_view RecordSet::GetText(int column) {
    if (cursor_ < 0 || rowCount_ == 0 || cursor_ >= rowCount_) {
        return kBofEof;
    }
    const ColumnDescriptor* col = Column(column);
    if (col == nullptr) {
        return kBadField;
    }
    const int64_t need = CellBytes(col->type);
    if (need > 0 && (col->offset < 0 || col->offset + need > rowWidth_)) {
        return kBadField;
    }
    const uint8_t* cell = nullptr;
    if (need > 0) {
        cell = rows_.data() + static_cast<size_t>(cursor_) * static_cast<size_t>(rowWidth_) +
               static_cast<size_t>(col->offset);
    }
    char* out = text_;
    const size_t cap = sizeof(text_);
    switch (col->type) {
        case kTypeBool:
            return cell[0] != 0 ? "T" : "F";
        case kTypeChar:
            return Formatted(std::snprintf(out, cap, "%c", static_cast<int8_t>(cell[0])));
        case kTypeInt16:
        case kTypeInt32:
        case kTypeInt32b:
        case kTypeInt32c:
        case kTypeInt32d: {
            int32_t v =
                col->type == kTypeInt16 ? static_cast<int16_t>(LoadU16(cell)) : LoadI32(cell);
            auto r = std::to_chars(out, out + cap - 1, v);
            *r.ptr = '\0';
            return std::string_view(out, static_cast<size_t>(r.ptr - out));
        }
        case kTypeFloat:
        case kTypeDouble: {
            double v;
            if (col->type == kTypeFloat) {
                float f;
                uint32_t bits = LoadU32(cell);
                std::memcpy(&f, &bits, sizeof f);
                v = f;
            } else {
                uint64_t bits = LoadU32(cell) | (static_cast<uint64_t>(LoadU32(cell + 4)) << 32);
                std::memcpy(&v, &bits, sizeof v);
            }
            auto r = std::to_chars(out, out + cap - 1, v, std::chars_format::fixed, 3);
            if (r.ec == std::errc()) {
                *r.ptr = '\0';
                return std::string_view(out, static_cast<size_t>(r.ptr - out));
            }
            return Formatted(std::snprintf(out, cap, "%.3f", v));
        }
        case kTypeText:
        case kTypeText2: {
            const int32_t offset = LoadI32(cell);
            const int32_t length = LoadI32(cell + 4);
            if (length <= 0) {
                return "null";
            }
            // The length only flags a present text (services write their column capacity
            // there); the text runs to its NUL or to the end of the area.
            if (offset < 0 || static_cast<size_t>(offset) >= var_.size()) {
                return {};
            }
            const char* start = reinterpret_cast<const char*>(var_.data()) + offset;
            const size_t room = var_.size() - static_cast<size_t>(offset);
            const void* nul = std::memchr(start, 0, room);
            return std::string_view(
                start, nul ? static_cast<size_t>(static_cast<const char*>(nul) - start) : room);
        }
        case kTypeArray:
            return Formatted(std::snprintf(out, cap, "Array:%d", LoadI32(cell + 4)));
        default:
            return Formatted(std::snprintf(out, cap, "Unknow Type:%d", col->type));
    }
}

std::string RecordSet::Value(std::string_view name) {
    const int index = FindColumnNoCase(name);
    if (index < 0) {
        return {};
    }
    return std::string(GetText(index));
}

size_t DecodeOneRecordSet(const uint8_t* data, size_t size, std::unique_ptr<RecordSet>* out) {
    out->reset();
    size_t pos = 0;
    auto left = [&] { return size - pos; };
    if (left() < kTagSize) {
        return 0;
    }
    auto rs = std::make_unique<RecordSet>();
    std::memcpy(rs->tag_, data, kTagSize);
    rs->tag_[kTagSize] = '\0';
    pos += kTagSize;

    if (left() < 4) {
        return 0;
    }
    const int32_t columns = LoadI32(data + pos);
    pos += 4;
    if (columns < 0 || static_cast<uint64_t>(columns) * kColumnDescriptorSize > left()) {
        return 0;
    }
    rs->columns_.resize(static_cast<size_t>(columns));
    for (auto& c : rs->columns_) {
        const uint8_t* d = data + pos;
        std::memcpy(c.name, d, kColumnNameSize);
        c.name[kColumnNameSize] = '\0';
        c.type = LoadI32(d + 16);
        c.size = LoadI32(d + 20);
        c.offset = LoadI32(d + 24);
        std::memcpy(c.reserved, d + 28, sizeof c.reserved);
        pos += kColumnDescriptorSize;
    }
    rs->rowWidth_ =
        columns == 0 ? 0
                     : static_cast<int64_t>(rs->columns_.back().size) + rs->columns_.back().offset;

    if (left() < 4) {
        return 0;
    }
    const int32_t rows = LoadI32(data + pos);
    pos += 4;
    // Both factors fit in 32 bits, so the product fits in 64.
    const int64_t rowBytes = static_cast<int64_t>(rows) * rs->rowWidth_;
    if (rows < 0 || rowBytes < 0 || static_cast<uint64_t>(rowBytes) > left()) {
        return 0;
    }
    // Rows of no width cost nothing on the wire, so a few bytes could declare billions of them
    // and keep every consumer that walks the rows busy for minutes.
    if (rs->rowWidth_ == 0 && rows > kMaxEmptyRows) {
        return 0;
    }
    rs->rowCount_ = rows;
    rs->rows_.assign(data + pos, data + pos + rowBytes);
    pos += static_cast<size_t>(rowBytes);

    if (left() < 4) {
        return 0;
    }
    const int32_t var = LoadI32(data + pos);
    pos += 4;
    if (var < 0 || static_cast<uint64_t>(var) > left()) {
        return 0;
    }
    rs->var_.assign(data + pos, data + pos + var);
    pos += static_cast<size_t>(var);
    *out = std::move(rs);
    return pos;
}

RecordSetList DecodeRecordSets(const uint8_t* data, size_t size, size_t maxSets) {
    RecordSetList list;
    size_t pos = 0;
    while (pos < size && list.size() < maxSets) {
        std::unique_ptr<RecordSet> rs;
        const size_t used = DecodeOneRecordSet(data + pos, size - pos, &rs);
        if (used == 0) {
            break;
        }
        list.push_back(std::move(rs));
        pos += used;
    }
    return list;
}

RecordSet* FindRecordSet(const RecordSetList& list, std::string_view tag) {
    for (const auto& rs : list) {
        if (rs && EqualsNoCase(rs->Tag(), tag)) {
            return rs.get();
        }
    }
    return nullptr;
}
