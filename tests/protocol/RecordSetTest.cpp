#include <gtest/gtest.h>

#include <cstring>

#include "protocol/RecordSet.h"
#include "protocol/RecordSetWriter.h"
#include "tests/protocol/TestBytes.h"

using namespace testbytes;

namespace {

// "getmunu": id (type 4 at 0) and name (type 9 at 4), one row: 7, "abc".
const char kMenuBlockHex[] =
    "67 65 74 6d 75 6e 75 00 00 00 00 00 00 00 00 00"  // tag
    "02 00 00 00"                                      // C = 2
    "69 64 00 00 00 00 00 00 00 00 00 00 00 00 00 00"  // "id"
    "04 00 00 00 04 00 00 00 00 00 00 00"              // type 4, size 4, offset 0
    "00000000000000000000000000000000 00000000000000000000000000000000"
    "6e 61 6d 65 00 00 00 00 00 00 00 00 00 00 00 00"  // "name"
    "09 00 00 00 08 00 00 00 04 00 00 00"              // type 9, size 8, offset 4
    "00000000000000000000000000000000 00000000000000000000000000000000"
    "01 00 00 00"                          // R = 1
    "07 00 00 00 00 00 00 00 04 00 00 00"  // 7 | text at 0, length 4
    "04 00 00 00 61 62 63 00";             // V = 4, "abc\0"

// One row whose single column has `type`, `size` bytes at offset 0 holding `cell`.
Bytes OneCellBlock(int32_t type, const Bytes& cell, const Bytes& var = {}) {
    Bytes b;
    PutText(b, "t", 16);
    PutI32(b, 1);
    PutColumn(b, "c", type, static_cast<int32_t>(cell.size()), 0);
    PutI32(b, 1);
    b.insert(b.end(), cell.begin(), cell.end());
    PutI32(b, static_cast<int32_t>(var.size()));
    b.insert(b.end(), var.begin(), var.end());
    return b;
}

std::string CellText(int32_t type, const Bytes& cell, const Bytes& var = {}) {
    const Bytes block = OneCellBlock(type, cell, var);
    RecordSetList list = DecodeRecordSets(block.data(), block.size());
    if (list.size() != 1 || !list[0]->MoveFirst()) {
        return "<no record set>";
    }
    return std::string(list[0]->GetText(0));
}

Bytes Double(double d) {
    Bytes b(8);
    std::memcpy(b.data(), &d, 8);
    return b;
}

Bytes Float(float f) {
    Bytes b(4);
    std::memcpy(b.data(), &f, 4);
    return b;
}

}  // namespace

TEST(RecordSetDecode, HandWrittenBlock) {
    const Bytes body = FromHex(kMenuBlockHex);
    RecordSetList list = DecodeRecordSets(body.data(), body.size());
    ASSERT_EQ(list.size(), 1u);
    RecordSet& rs = *list[0];
    EXPECT_EQ(rs.Tag(), "getmunu");
    EXPECT_EQ(rs.ColumnCount(), 2);
    EXPECT_EQ(rs.RowWidth(), 12);
    EXPECT_EQ(rs.RowCount(), 1);
    EXPECT_EQ(rs.Cursor(), -1);
    EXPECT_EQ(rs.GetText(0), "BOF or EOF");
    ASSERT_TRUE(rs.MoveFirst());
    EXPECT_EQ(rs.GetText(0), "7");
    EXPECT_EQ(rs.GetText(1), "abc");
    EXPECT_EQ(rs.GetText(2), "Error Field Index");
    EXPECT_EQ(rs.GetText(-1), "Error Field Index");
}

TEST(RecordSetWriter, EncodesTheHandWrittenBlock) {
    RecordSetWriter w("getmunu");
    EXPECT_EQ(w.AddColumn("id", kTypeInt32), 0);
    EXPECT_EQ(w.AddColumn("name", kTypeText), 1);
    w.AddRow();
    w.SetInt(0, 7);
    w.SetText(1, "abc");
    EXPECT_EQ(w.Finish(), FromHex(kMenuBlockHex));
}

TEST(RecordSetWriter, RoundTripsEveryType) {
    RecordSetWriter w("mixed");
    const int b = w.AddColumn("b", kTypeBool);
    const int c = w.AddColumn("c", kTypeChar);
    const int s = w.AddColumn("s", kTypeInt16);
    const int i = w.AddColumn("i", kTypeInt32d);
    const int f = w.AddColumn("f", kTypeFloat);
    const int d = w.AddColumn("d", kTypeDouble);
    const int t = w.AddColumn("t", kTypeText2);
    const int n = w.AddColumn("n", kTypeText);
    const int a = w.AddColumn("a", kTypeArray);
    for (int row = 0; row < 2; ++row) {
        w.AddRow();
        w.SetBool(b, row == 0);
        w.SetChar(c, static_cast<char>('x' + row));
        w.SetInt(s, -300 - row);
        w.SetInt(i, 123456789 + row);
        w.SetFloat(f, 0.25f + static_cast<float>(row));
        w.SetDouble(d, -1234.5678 - row);
        w.SetText(t, row == 0 ? "\xd6\xd0\xce\xc4" : "");
        w.SetNull(n);
        w.SetArrayCount(a, 9 + row);
    }
    const Bytes body = w.Finish();
    RecordSetList list = DecodeRecordSets(body.data(), body.size());
    ASSERT_EQ(list.size(), 1u);
    RecordSet& rs = *list[0];
    ASSERT_TRUE(rs.MoveFirst());
    const char* first[] = {
        "T", "x", "-300", "123456789", "0.250", "-1234.568", "\xd6\xd0\xce\xc4", "null", "Array:9"};
    for (int col = 0; col < 9; ++col) {
        EXPECT_EQ(rs.GetText(col), first[col]) << "column " << col;
    }
    ASSERT_TRUE(rs.MoveNext());
    EXPECT_EQ(rs.GetText(b), "F");
    EXPECT_EQ(rs.GetText(c), "y");
    EXPECT_EQ(rs.GetText(s), "-301");
    EXPECT_EQ(rs.GetText(f), "1.250");
    EXPECT_EQ(rs.GetText(t), "");
    EXPECT_EQ(rs.GetText(a), "Array:10");
    ASSERT_FALSE(rs.MoveNext());  // the last row: cursor now equals R
    EXPECT_EQ(rs.Cursor(), 2);
    EXPECT_EQ(rs.GetText(0), "BOF or EOF");
}

TEST(RecordSetText, EveryTypeCode) {
    EXPECT_EQ(CellText(1, {2}), "T");
    EXPECT_EQ(CellText(1, {0}), "F");
    EXPECT_EQ(CellText(2, {'Q'}), "Q");
    EXPECT_EQ(CellText(2, {0}), "");
    EXPECT_EQ(CellText(3, {0xfe, 0xff}), "-2");
    EXPECT_EQ(CellText(3, {0x39, 0x30}), "12345");
    for (int type : {4, 5, 102, 103}) {
        EXPECT_EQ(CellText(type, {0xff, 0xff, 0xff, 0x7f}), "2147483647") << type;
        EXPECT_EQ(CellText(type, {0x00, 0x00, 0x00, 0x80}), "-2147483648") << type;
    }
    EXPECT_EQ(CellText(6, Float(1.5f)), "1.500");
    EXPECT_EQ(CellText(7, Double(-0.0005)), "-0.001");
    EXPECT_EQ(CellText(7, Double(2.0)), "2.000");
    EXPECT_EQ(CellText(9, FromHex("00000000 03000000"), {'h', 'i', 0}), "hi");
    EXPECT_EQ(CellText(101, FromHex("02000000 01000000"), {'a', 0, 'z', 0}), "z");
    EXPECT_EQ(CellText(9, FromHex("00000000 00000000"), {'a', 0}), "null");
    EXPECT_EQ(CellText(9, FromHex("00000000 ffffffff"), {'a', 0}), "null");
    EXPECT_EQ(CellText(14, FromHex("deadbeef 04000000")), "Array:4");
    EXPECT_EQ(CellText(8, FromHex("01020304")), "Unknow Type:8");
    EXPECT_EQ(CellText(-7, {}), "Unknow Type:-7");
}

TEST(RecordSetText, LongFormattedValuesAreCutToTheBuffer) {
    const std::string huge = CellText(7, Double(1e300));
    EXPECT_EQ(huge.size(), 63u);
    EXPECT_EQ(huge.substr(0, 2), "10");
    const std::string big = CellText(6, Float(3.0e38f));
    EXPECT_EQ(big.size(), 43u);  // 39 digits and ".000"
}

TEST(RecordSetText, CellsOutsideTheirRowOrAreaAreRefused) {
    // A 4-byte integer declared at offset 2 of a 4-byte row.
    Bytes b;
    PutText(b, "t", 16);
    PutI32(b, 2);
    PutColumn(b, "late", 4, 2, 2);
    PutColumn(b, "neg", 4, 4, -4);
    PutI32(b, 1);  // W = 4 + (-4) = 0, one empty row
    PutI32(b, 0);
    RecordSetList list = DecodeRecordSets(b.data(), b.size());
    ASSERT_EQ(list.size(), 1u);
    ASSERT_TRUE(list[0]->MoveFirst());
    EXPECT_EQ(list[0]->GetText(0), "Error Field Index");
    EXPECT_EQ(list[0]->GetText(1), "Error Field Index");

    // An offset outside the variable area reads as an empty text.
    EXPECT_EQ(CellText(9, FromHex("04000000 01000000"), {'a', 'b', 'c', 0}), "");
    EXPECT_EQ(CellText(9, FromHex("ffffffff 01000000"), {'a', 'b', 'c', 0}), "");
    EXPECT_EQ(CellText(9, FromHex("00000000 01000000")), "");
    EXPECT_EQ(CellText(101, FromHex("00000080 01000000"), {'a', 0}), "");
    // No NUL before the end of the area: the text ends there.
    EXPECT_EQ(CellText(9, FromHex("01000000 02000000"), {'a', 'b', 'c'}), "bc");
}

TEST(RecordSetText, LengthIsOnlyANullFlag) {
    // The length says "there is a text", not how long it is: read to the NUL.
    EXPECT_EQ(CellText(9, FromHex("02000000 05000000"), {'a', 'b', 'c', 0}), "c");
    EXPECT_EQ(CellText(9, FromHex("00000000 01000000"), {'a', 'b', 'c', 0}), "abc");
    // A service that writes its column capacity there (255 for a short text).
    EXPECT_EQ(CellText(9, FromHex("00000000 ff000000"), {'T', 0}), "T");
    EXPECT_EQ(CellText(101, FromHex("02000000 ffffff7f"), {'a', 0, 'x', 'y', 'z', 0}), "xyz");
    // Capacity larger than the area and no NUL: the text ends with the area.
    EXPECT_EQ(CellText(9, FromHex("01000000 ff000000"), {'n', 'o', 'n', 'u', 'l'}), "onul");
}

TEST(RecordSetCursor, MovesAndBounds) {
    Bytes b;
    PutText(b, "empty", 16);
    PutI32(b, 0);
    PutI32(b, 0);
    PutI32(b, 0);
    RecordSetList list = DecodeRecordSets(b.data(), b.size());
    ASSERT_EQ(list.size(), 1u);
    EXPECT_FALSE(list[0]->MoveFirst());
    EXPECT_FALSE(list[0]->MoveNext());
    EXPECT_EQ(list[0]->GetText(0), "BOF or EOF");

    // C = 0 and R = 3: row width 0, rows exist but no column does.
    Bytes z;
    PutText(z, "nocols", 16);
    PutI32(z, 0);
    PutI32(z, 3);
    PutI32(z, 0);
    list = DecodeRecordSets(z.data(), z.size());
    ASSERT_EQ(list.size(), 1u);
    RecordSet& rs = *list[0];
    EXPECT_EQ(rs.RowWidth(), 0);
    ASSERT_TRUE(rs.MoveFirst());
    EXPECT_EQ(rs.GetText(0), "Error Field Index");
    EXPECT_TRUE(rs.MoveNext());
    EXPECT_TRUE(rs.MoveNext());
    EXPECT_FALSE(rs.MoveNext());
    EXPECT_EQ(rs.Cursor(), 3);
    EXPECT_FALSE(rs.MoveNext());
    EXPECT_EQ(rs.Cursor(), 3);

    // Empty rows are bounded: 65536 are kept, one more makes the block malformed.
    for (const int32_t rows : {65536, 65537, 0x7FFFFFFF}) {
        Bytes e;
        PutText(e, "nocols", 16);
        PutI32(e, 0);
        PutI32(e, rows);
        PutI32(e, 0);
        EXPECT_EQ(DecodeRecordSets(e.data(), e.size()).size(), rows == 65536 ? 1u : 0u) << rows;
    }
}

TEST(RecordSetColumns, LookupByName) {
    const std::vector<uint8_t> body =
        EncodeTextRecordSet("getviridbyuserna", {"usr_viruser_id", "USR_VIRUSER_TYP", "org_id"},
                            {{"u1", "0", "o1"}, {"u2", "1", "o2"}});
    RecordSetList list = DecodeRecordSets(body.data(), body.size());
    ASSERT_EQ(list.size(), 1u);
    RecordSet& rs = *list[0];
    EXPECT_EQ(rs.Tag(), "getviridbyuserna");  // 16 characters, no NUL on the wire
    EXPECT_EQ(rs.FindColumn("org_id"), 2);
    EXPECT_EQ(rs.FindColumn("ORG_ID"), -1);
    EXPECT_EQ(rs.FindColumn(nullptr), -1);
    EXPECT_EQ(rs.FindColumnNoCase("ORG_ID"), 2);
    EXPECT_EQ(rs.FindColumnNoCase("usr_viruser_typ"), 1);
    ASSERT_NE(rs.Column(0), nullptr);
    EXPECT_STREQ(rs.Column(0)->name, "usr_viruser_id");
    EXPECT_EQ(rs.Column(3), nullptr);
    rs.MoveFirst();
    rs.MoveNext();
    EXPECT_EQ(rs.Value("USR_VIRUSER_ID"), "u2");
    EXPECT_EQ(rs.Value("missing"), "");
    EXPECT_EQ(FindRecordSet(list, "GETVIRIDBYUSERNA"), list[0].get());
    EXPECT_EQ(FindRecordSet(list, "getmunu"), nullptr);
}

TEST(RecordSetDecode, BlocksInOrderAndTruncation) {
    const Bytes first = EncodeTextRecordSet("one", {"a"}, {{"1"}});
    const Bytes second = EncodeTextRecordSet("two", {"b"}, {{"2"}, {"3"}});
    const Bytes both = Append(first, second);
    RecordSetList list = DecodeRecordSets(both.data(), both.size());
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0]->Tag(), "one");
    EXPECT_EQ(list[1]->Tag(), "two");
    EXPECT_EQ(list[1]->RowCount(), 2);

    // Every cut inside the second block keeps only the first.
    for (size_t cut = 1; cut < second.size(); ++cut) {
        list = DecodeRecordSets(both.data(), first.size() + cut);
        ASSERT_EQ(list.size(), 1u) << "cut " << cut;
    }
    EXPECT_TRUE(DecodeRecordSets(both.data(), 0).empty());
    EXPECT_TRUE(DecodeRecordSets(nullptr, 0).empty());
}

TEST(RecordSetDecode, InconsistentCountsStopQuietly) {
    auto decoded = [](const Bytes& b) { return DecodeRecordSets(b.data(), b.size()).size(); };
    Bytes negC;
    PutText(negC, "t", 16);
    PutI32(negC, -1);
    EXPECT_EQ(decoded(negC), 0u);

    Bytes hugeC;  // 60 * C would overflow 32 bits
    PutText(hugeC, "t", 16);
    PutI32(hugeC, 0x7fffffff);
    hugeC.resize(hugeC.size() + 120, 0);
    EXPECT_EQ(decoded(hugeC), 0u);

    Bytes hugeRows;  // R * W far beyond the data, and beyond 32 bits
    PutText(hugeRows, "t", 16);
    PutI32(hugeRows, 1);
    PutColumn(hugeRows, "c", 9, 0x7fffffff, 0x7fffffff);
    PutI32(hugeRows, 0x7fffffff);
    hugeRows.resize(hugeRows.size() + 64, 0);
    EXPECT_EQ(decoded(hugeRows), 0u);

    Bytes negW;  // a negative row width with rows
    PutText(negW, "t", 16);
    PutI32(negW, 1);
    PutColumn(negW, "c", 4, 4, -8);
    PutI32(negW, 2);
    PutI32(negW, 0);
    EXPECT_EQ(decoded(negW), 0u);

    Bytes negR;
    PutText(negR, "t", 16);
    PutI32(negR, 0);
    PutI32(negR, -1);
    PutI32(negR, 0);
    EXPECT_EQ(decoded(negR), 0u);

    Bytes badV;
    PutText(badV, "t", 16);
    PutI32(badV, 0);
    PutI32(badV, 0);
    PutI32(badV, -1);
    EXPECT_EQ(decoded(badV), 0u);
    Bytes longV;  // V = 5 with only 4 bytes after it
    PutText(longV, "t", 16);
    PutI32(longV, 0);
    PutI32(longV, 0);
    PutI32(longV, 5);
    longV.insert(longV.end(), {1, 2, 3, 4});
    EXPECT_EQ(decoded(longV), 0u);
    longV.push_back(5);
    EXPECT_EQ(decoded(longV), 1u);
}

TEST(RecordSetDecode, AtMostEightSetsAreKept) {
    Bytes body;
    for (int i = 0; i < 10; ++i) {
        body = Append(body, EncodeTextRecordSet("s" + std::to_string(i), {"a"}, {{"x"}}));
    }
    RecordSetList list = DecodeRecordSets(body.data(), body.size());
    ASSERT_EQ(list.size(), kMaxRecordSets);
    EXPECT_EQ(list[7]->Tag(), "s7");
}

TEST(RecordSetDecode, UnterminatedColumnNameStaysInItsField) {
    Bytes b;
    PutText(b, "sixteen_chars_ab", 16);
    PutI32(b, 1);
    PutColumn(b, "ABCDEFGHIJKLMNOP", 4, 4, 0);
    PutI32(b, 0);
    PutI32(b, 0);
    RecordSetList list = DecodeRecordSets(b.data(), b.size());
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0]->Tag(), "sixteen_chars_ab");
    EXPECT_STREQ(list[0]->Column(0)->name, "ABCDEFGHIJKLMNOP");
}
