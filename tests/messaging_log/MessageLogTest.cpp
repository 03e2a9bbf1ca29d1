// The log on a real Berkeley DB file in a temporary folder, with an injected clock.

#include <db_cxx.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "messaging/log/MessageLog.h"
#include "tests/core/TempDir.h"

namespace {

using vq::test::TempDir;

// Texts and record numbers of a query result, in buffer order.
struct Page {
    std::vector<std::string> texts;
    std::vector<std::uint32_t> numbers;
};

Page Read(std::optional<MessageQueryResult> result) {
    Page page;
    if (!result)
        return page;
    while (auto r = result->ReadNext()) {
        page.texts.push_back(r->text);
        page.numbers.push_back(r->recordNumber);
    }
    return page;
}

std::vector<std::string> Texts(std::initializer_list<int> numbers) {
    std::vector<std::string> texts;
    for (int n : numbers)
        texts.push_back("m" + std::to_string(n));
    return texts;
}

// Appends raw bytes as a record, bypassing the log's own encoding.
void PutRaw(const std::string& path, const std::vector<std::string>& records) {
    Db db(nullptr, DB_CXX_NO_EXCEPTIONS);
    ASSERT_EQ(db.open(nullptr, path.c_str(), nullptr, DB_RECNO, DB_CREATE, 0600), 0);
    for (const std::string& bytes : records) {
        db_recno_t recno = 0;
        Dbt key(&recno, sizeof recno);
        key.set_ulen(sizeof recno);
        key.set_flags(DB_DBT_USERMEM);
        Dbt data(const_cast<char*>(bytes.data()), static_cast<u_int32_t>(bytes.size()));
        ASSERT_EQ(db.put(nullptr, &key, &data, DB_APPEND), 0);
    }
    db.close(0);
}

// The texts of every record a walk of `file` visits, oldest first; whether the walk reported
// the file whole is checked against `whole`.
std::vector<std::string> WalkTexts(const std::string& file, bool whole, std::string* error) {
    std::vector<std::string> texts;
    const bool read = WalkMessageLog(
        file, false,
        [&](std::uint32_t, std::string_view bytes) {
            const auto record = DecodeLogRecord(bytes);
            texts.push_back(record ? record->text : "undecodable");
            return true;
        },
        error);
    EXPECT_EQ(read, whole) << *error;
    return texts;
}

class MessageLogTest : public ::testing::Test {
protected:
    void SetUp() override {
        log_.SetClock([this] { return now_++; });
    }

    TempDir dir_;
    std::int64_t now_ = 1000;
    CMessageLog log_{dir_.path()};
};

TEST_F(MessageLogTest, FirstMessageCreatesThePrivateFile) {
    const std::string file = dir_.File("msgDBlog.dat");
    EXPECT_EQ(log_.Path(), dir_.path() + "//msgDBlog.dat");
    EXPECT_FALSE(std::filesystem::exists(file));
    ASSERT_TRUE(log_.Append("hello", "5", kLogDirectionSent, "7"));
    EXPECT_TRUE(std::filesystem::exists(file));
    EXPECT_EQ(vq::test::FileMode(file), 0600u);

    const auto result = log_.Query("5", 0, "7");
    ASSERT_TRUE(result);
    EXPECT_EQ(result->Size(), 5u + 1 + 1 + 29);
    auto bytes = MessageQueryResult::FromBytes(result->Bytes());
    const auto r = bytes.ReadNext();
    ASSERT_TRUE(r);
    EXPECT_EQ(r->recordNumber, 1u);
    EXPECT_EQ(r->direction, kLogDirectionSent);
    EXPECT_EQ(r->time, 1000);
    EXPECT_EQ(r->fromId, "5");
    EXPECT_EQ(r->toId, "7");
    EXPECT_EQ(r->text, "hello");
}

TEST_F(MessageLogTest, PagesOfTenNewestFirst) {
    // Round i: the user "5" and contact "7" (alternating direction), the user and contact
    // "75", and another user "6" with contact "7": message i to "7" is record 3i - 2.
    for (int i = 1; i <= 25; ++i) {
        const std::string text = "m" + std::to_string(i);
        if (i % 2 == 1)
            ASSERT_TRUE(log_.Append(text, "5", kLogDirectionSent, "7"));
        else
            ASSERT_TRUE(log_.Append(text, "7", kLogDirectionReceived, "5"));
        ASSERT_TRUE(log_.Append("other" + text, "5", kLogDirectionSent, "75"));
        ASSERT_TRUE(log_.Append("user6" + text, "6", kLogDirectionSent, "7"));
    }
    const Page newest = Read(log_.Query("5", 0, "7"));
    EXPECT_EQ(newest.texts, Texts({25, 24, 23, 22, 21, 20, 19, 18, 17, 16}));
    EXPECT_EQ(newest.numbers, (std::vector<std::uint32_t>{73, 70, 67, 64, 61, 58, 55, 52, 49, 46}));
    EXPECT_EQ(Read(log_.Query("5", 10, "7")).texts, Texts({15, 14, 13, 12, 11, 10, 9, 8, 7, 6}));
    EXPECT_EQ(Read(log_.Query("5", 20, "7")).texts, Texts({5, 4, 3, 2, 1}));
    EXPECT_EQ(Read(log_.Query("5", 25, "7")).texts, Texts({}));
    // The query result is the history view's text: the texts concatenated, newest first.
    auto result = log_.Query("7", 22, "5");
    ASSERT_TRUE(result);
    EXPECT_EQ(result->ReadAllTexts(), "m3m2m1");
    // No pattern: every record.
    EXPECT_EQ(Read(log_.Query("", 0, "")).numbers.front(), 75u);
}

TEST_F(MessageLogTest, ContactWhoseIdIsInsideAnotherSeesOnlyItsOwn) {
    ASSERT_TRUE(log_.Append("to 123", "5", kLogDirectionSent, "123"));
    ASSERT_TRUE(log_.Append("from 123", "123", kLogDirectionReceived, "5"));
    ASSERT_TRUE(log_.Append("to 12", "5", kLogDirectionSent, "12"));
    ASSERT_TRUE(log_.Append("to 23", "5", kLogDirectionSent, "23"));
    ASSERT_TRUE(log_.Append("1 to 12", "1", kLogDirectionSent, "12"));
    EXPECT_EQ(Read(log_.Query("5", 0, "12")).texts, std::vector<std::string>{"to 12"});
    EXPECT_EQ(Read(log_.Query("5", 0, "123")).texts,
              (std::vector<std::string>{"from 123", "to 123"}));
    EXPECT_EQ(Read(log_.Query("1", 0, "12")).texts, std::vector<std::string>{"1 to 12"});
    EXPECT_EQ(Read(log_.Query("1", 0, "2")).texts, std::vector<std::string>{});

    // Ids far beyond any fixed area.
    const std::string longId(100000, 'q');
    ASSERT_TRUE(log_.Append("long", longId, kLogDirectionReceived, "5"));
    EXPECT_EQ(Read(log_.Query("5", 0, longId)).texts, std::vector<std::string>{"long"});
    EXPECT_EQ(Read(log_.Query("5", 0, longId + "q")).texts, std::vector<std::string>{});
}

TEST_F(MessageLogTest, DamagedRecordsArePassedOver) {
    const std::string sound = EncodeLogRecord(1, 0, "5", "7", "ok");
    std::string lengthTooBig = EncodeLogRecord(1, 0, "5", "7", "bad length");
    lengthTooBig[16] = static_cast<char>(lengthTooBig[16] + 1);
    std::string noNul = EncodeLogRecord(1, 0, "5", "7", "no nul");
    noNul.back() = 'x';
    PutRaw(log_.Path(),
           {sound, std::string(10, '\x01'), lengthTooBig, "", noNul, sound.substr(0, 24)});
    ASSERT_TRUE(log_.Append("after", "7", kLogDirectionReceived, "5"));

    const Page page = Read(log_.Query("5", 0, "7"));
    EXPECT_EQ(page.texts, (std::vector<std::string>{"after", "ok"}));
    EXPECT_EQ(page.numbers, (std::vector<std::uint32_t>{7, 1}));
    // The skip counts matching records only.
    EXPECT_EQ(Read(log_.Query("5", 1, "7")).texts, std::vector<std::string>{"ok"});
}

// A writer killed inside a flush leaves a page the tree points to unwritten. The next writer
// finds the mark of that end, keeps the damaged file under another name, carries every
// readable record into a fresh log and goes on appending.
TEST_F(MessageLogTest, LogDamagedByAKilledWriterIsSetAsideAndRebuilt) {
    const std::string file = dir_.File("msgDBlog.dat");
    const std::string mark = dir_.File("msgDBlog.dat.inuse");
    std::vector<std::string> texts;
    for (int i = 1; i <= 300; ++i) {
        texts.push_back("m" + std::to_string(i) + std::string(60, '.'));
        ASSERT_TRUE(log_.Append(texts.back(), "5", kLogDirectionSent, "7"));
    }
    EXPECT_EQ(vq::test::ReadBytes(mark), "1") << "a writer holds the mark";
    log_.Close();
    EXPECT_EQ(vq::test::ReadBytes(mark), "") << "a clean end empties it";

    // The last page as a killed writer leaves it: never written.
    std::string damaged = vq::test::ReadBytes(file);
    std::uint32_t pageSize = 0;
    std::memcpy(&pageSize, damaged.data() + 20, sizeof pageSize);
    ASSERT_GE(pageSize, 512u);
    ASSERT_GE(damaged.size(), 4 * pageSize) << "the records span several leaves";
    std::fill(damaged.end() - pageSize, damaged.end(), '\0');
    vq::test::WriteBytes(file, damaged);
    vq::test::WriteBytes(mark, "1");

    // A reader is told of the damage and gets the records the pages still hold, in order.
    std::string error;
    const std::vector<std::string> salvaged = WalkTexts(file, false, &error);
    EXPECT_NE(error.find("damaged"), std::string::npos) << error;
    ASSERT_GE(salvaged.size(), 2u);
    EXPECT_LT(salvaged.size(), texts.size());
    EXPECT_EQ(salvaged, std::vector<std::string>(texts.begin(), texts.begin() + salvaged.size()));
    EXPECT_EQ(vq::test::ReadBytes(file), damaged) << "reading changes nothing";

    CMessageLog next(dir_.path());
    next.SetClock([] { return std::int64_t{1000}; });
    ASSERT_TRUE(next.Append("after", "7", kLogDirectionReceived, "5"));
    EXPECT_EQ(vq::test::ReadBytes(dir_.File("msgDBlog.dat.damaged-19700101T001640Z")), damaged);
    EXPECT_FALSE(std::filesystem::exists(dir_.File("msgDBlog.dat.rebuilding")));
    next.Close();

    std::vector<std::string> found = WalkTexts(file, true, &error);
    ASSERT_GE(found.size(), 2u);
    EXPECT_LT(found.size(), texts.size()) << "the unwritten page's records are only aside";
    EXPECT_EQ(found.back(), "after");
    found.pop_back();
    EXPECT_EQ(found, salvaged) << "the new log holds every record the salvage found";

    // A second damaged copy of the same second gets a name of its own.
    CMessageLog third(dir_.path());
    third.SetClock([] { return std::int64_t{1000}; });
    vq::test::WriteBytes(file, damaged);
    vq::test::WriteBytes(mark, "1");
    ASSERT_TRUE(third.Append("again", "7", kLogDirectionReceived, "5"));
    EXPECT_EQ(vq::test::ReadBytes(dir_.File("msgDBlog.dat.damaged-19700101T001640Z-2")), damaged);
}

// Only a mark left by an unclean end calls for the check, and only a damaged record-number
// log is rebuilt.
TEST_F(MessageLogTest, SoundOrForeignLogsAreNeverSetAside) {
    const std::string file = dir_.File("msgDBlog.dat");
    const std::string mark = dir_.File("msgDBlog.dat.inuse");
    ASSERT_TRUE(log_.Append("one", "5", kLogDirectionSent, "7"));
    log_.Close();
    vq::test::WriteBytes(mark, "1");  // killed after a complete flush
    ASSERT_TRUE(log_.Append("two", "5", kLogDirectionSent, "7"));
    log_.Close();
    EXPECT_EQ(Read(log_.Query("5", 0, "7")).texts, (std::vector<std::string>{"two", "one"}));
    log_.Close();

    std::string foreign(10000, '\0');
    for (std::size_t i = 0; i < foreign.size(); ++i)
        foreign[i] = static_cast<char>(i * 7 + 3);
    vq::test::WriteBytes(file, foreign);
    vq::test::WriteBytes(mark, "1");
    EXPECT_FALSE(log_.Append("lost?", "5", kLogDirectionSent, "7"));
    EXPECT_EQ(vq::test::ReadBytes(file), foreign);

    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir_.path()))
        ++entries;
    EXPECT_EQ(entries, 2u) << "only the log and its mark";
}

TEST_F(MessageLogTest, LogThatCannotBeOpenedCostsNothing) {
    // A file that is not a record-number database stays exactly as it was.
    const std::string file = dir_.File("msgDBlog.dat");
    std::string foreign(10000, '\0');
    for (std::size_t i = 0; i < foreign.size(); ++i)
        foreign[i] = static_cast<char>(i * 7 + 3);
    vq::test::WriteBytes(file, foreign);
    EXPECT_FALSE(log_.Append("lost?", "5", kLogDirectionSent, "7"));
    EXPECT_FALSE(log_.Query("5", 0, "7"));
    EXPECT_EQ(log_.Open(), nullptr);
    EXPECT_EQ(vq::test::ReadBytes(file), foreign);

    // A database of another kind is left alone too.
    std::filesystem::remove(file);
    {
        Db other(nullptr, DB_CXX_NO_EXCEPTIONS);
        ASSERT_EQ(other.open(nullptr, file.c_str(), nullptr, DB_BTREE, DB_CREATE, 0600), 0);
        other.close(0);
    }
    const std::string btree = vq::test::ReadBytes(file);
    EXPECT_FALSE(log_.Append("lost?", "5", kLogDirectionSent, "7"));
    EXPECT_EQ(vq::test::ReadBytes(file), btree);

    // Once the file is usable the next call opens it.
    std::filesystem::remove(file);
    EXPECT_TRUE(log_.Append("back", "5", kLogDirectionSent, "7"));
    EXPECT_EQ(Read(log_.Query("5", 0, "7")).texts, std::vector<std::string>{"back"});

    // A folder that does not exist.
    CMessageLog nowhere(dir_.File("missing/folder"));
    EXPECT_FALSE(nowhere.Append("x", "5", kLogDirectionSent, "7"));
    EXPECT_FALSE(nowhere.Query("5", 0, "7"));
}

TEST_F(MessageLogTest, ReopenedLogKeepsEverything) {
    ASSERT_TRUE(log_.Append("one", "5", kLogDirectionSent, "7"));
    log_.Close();
    CMessageLog again(dir_.path());
    ASSERT_TRUE(again.Append("two", "7", kLogDirectionReceived, "5"));
    const Page page = Read(again.Query("5", 0, "7"));
    EXPECT_EQ(page.texts, (std::vector<std::string>{"two", "one"}));
    EXPECT_EQ(page.numbers, (std::vector<std::uint32_t>{2, 1}));
}

TEST(ProcessWideLog, FollowsItsFolder) {
    TempDir a;
    TempDir b;
    SetMessageLogClock([] { return std::int64_t{42}; });
    SetMessageLogFolder(a.path());
    ASSERT_NE(OpenMessageLog(), nullptr);
    EXPECT_EQ(OpenMessageLog(), OpenMessageLog());
    ASSERT_TRUE(AppendMessage("in a", "5", kLogDirectionSent, "7"));
    SetMessageLogFolder(b.path());
    ASSERT_TRUE(AppendMessage("in b", "5", kLogDirectionSent, "7"));
    auto result = QueryMessages("5", 0, "7");
    ASSERT_TRUE(result);
    const auto r = result->ReadNext();
    ASSERT_TRUE(r);
    EXPECT_EQ(r->text, "in b");
    EXPECT_EQ(r->time, 42);
    EXPECT_FALSE(result->ReadNext());
    EXPECT_TRUE(std::filesystem::exists(a.File("msgDBlog.dat")));
    // Closed at the process end, the log leaves no mark of an unclean end behind.
    EXPECT_EQ(vq::test::ReadBytes(b.File("msgDBlog.dat.inuse")), "1");
    CloseMessageLog();
    EXPECT_EQ(vq::test::ReadBytes(b.File("msgDBlog.dat.inuse")), "");
    EXPECT_EQ(vq::test::ReadBytes(a.File("msgDBlog.dat.inuse")), "");
    SetMessageLogFolder(".");
    SetMessageLogClock(nullptr);
}

}  // namespace
