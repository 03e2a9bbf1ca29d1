#include "platform/core/File.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "tests/core/TempDir.h"

namespace {

using vq::ReadResult;

TEST(WholeFile, ReadsExactBytesAndRefusesWhatIsNotAPlainFile) {
    vq::test::TempDir dir;
    std::string out = "stale";
    const std::string bytes("a\0b\r\n\xCC\xE1", 7);
    vq::test::WriteBytes(dir.File("f"), bytes);
    EXPECT_EQ(vq::ReadWholeFile(dir.File("f"), out), ReadResult::kOk);
    EXPECT_EQ(out, bytes);

    EXPECT_EQ(vq::ReadWholeFile(dir.File("missing"), out), ReadResult::kMissing);
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(vq::ReadWholeFile(dir.File("missing/below"), out), ReadResult::kMissing);
    EXPECT_EQ(vq::ReadWholeFile(dir.path(), out), ReadResult::kFailed);
    EXPECT_EQ(vq::ReadWholeFile(dir.File("f"), out, 6), ReadResult::kFailed);
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(vq::ReadWholeFile(dir.File("f"), out, 7), ReadResult::kOk);
    // A FIFO would block a plain open-and-read for ever.
    ASSERT_EQ(::mkfifo(dir.File("fifo").c_str(), 0600), 0);
    EXPECT_EQ(vq::ReadWholeFile(dir.File("fifo"), out), ReadResult::kFailed);
}

TEST(WholeFile, AtomicWriteReplacesContentAndSetsTheMode) {
    vq::test::TempDir dir;
    const std::string f = dir.File("config.ini");
    vq::test::WriteBytes(f, "old content that is longer");
    ::chmod(f.c_str(), 0644);
    ASSERT_TRUE(vq::WriteFileAtomic(f, "new"));
    EXPECT_EQ(vq::test::ReadBytes(f), "new");
    EXPECT_EQ(vq::test::FileMode(f), 0600u);
    ASSERT_TRUE(vq::WriteFileAtomic(dir.File("skin.ini"), "", 0640));
    EXPECT_EQ(vq::test::FileMode(dir.File("skin.ini")), 0640u);
    EXPECT_FALSE(vq::WriteFileAtomic(dir.File("no/such/file"), "x"));
    EXPECT_FALSE(vq::WriteFileAtomic("", "x"));
}

}  // namespace
