// The salvage dump reader: record lines between the header's end and the data's end, fed in
// any pieces; lines that are not records are passed over.

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "messaging/log/SalvageDump.h"

namespace {

std::vector<std::string> Read(const std::string& dump, std::size_t piece, int keep = -1) {
    std::vector<std::string> records;
    const std::function<bool(std::string_view)> visit = [&](std::string_view bytes) {
        records.emplace_back(bytes);
        return keep < 0 || static_cast<int>(records.size()) < keep;
    };
    SalvageDumpReader reader(visit);
    std::ostream out(&reader);
    for (std::size_t at = 0; at < dump.size(); at += piece)
        out.write(dump.data() + at,
                  static_cast<std::streamsize>(std::min(piece, dump.size() - at)));
    out.flush();
    reader.Finish();
    return records;
}

const std::string kDump =
    "VERSION=3\n"
    "format=bytevalue\n"
    "type=recno\n"
    " 6869\n"  // before the header's end: not a record
    "HEADER=END\n"
    " 6869\n"
    " 00ff0a\n"
    " 6\n"     // odd number of digits
    " 6G69\n"  // not hex
    " 4142\n"  //
    "6869\n"   // no leading space
    " 4A42\n"  // upper case is not what the dump writes
    " \n"      // an empty record
    "DATA=END\n"
    " 7a7a\n";  // after the data's end

TEST(SalvageDump, RecordLinesInOrderWhateverThePieces) {
    const std::vector<std::string> want = {"hi", std::string("\x00\xff\n", 3), "AB", ""};
    for (std::size_t piece : {std::size_t{1}, std::size_t{3}, std::size_t{7}, kDump.size()})
        EXPECT_EQ(Read(kDump, piece), want) << piece;
}

TEST(SalvageDump, ALastLineWithoutItsEndAndAStoppedVisit) {
    EXPECT_EQ(Read("HEADER=END\n 6869\n 7", 4), (std::vector<std::string>{"hi"}));
    EXPECT_EQ(Read("HEADER=END\n 6869\n 7a7a", 4), (std::vector<std::string>{"hi", "zz"}));
    EXPECT_EQ(Read(kDump, 5, 2), (std::vector<std::string>{"hi", std::string("\x00\xff\n", 3)}));
}

TEST(SalvageDump, OverlongLinesArePassedOver) {
    std::string dump = "HEADER=END\n ";
    dump.append(SalvageDumpReader::kLongestLine + 1, '6');
    dump += "\n 6869\n";
    EXPECT_EQ(Read(dump, 1 << 16), (std::vector<std::string>{"hi"}));
}

}  // namespace
