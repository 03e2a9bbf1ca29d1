#include "platform/core/File.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/core/Profile.h"

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

bool IsLink(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

std::vector<std::string> Names(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder)) {
        names.push_back(e.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

TEST(WholeFile, ALinkedFileIsWrittenThroughAndStaysALink) {
    vq::test::TempDir dir;
    ASSERT_EQ(::mkdir(dir.File("shared").c_str(), 0700), 0);
    const std::string target = dir.File("shared/velquor.ini");
    vq::test::WriteBytes(target, "[NET]\r\nIP=10.0.0.1\r\n");
    ::chmod(target.c_str(), 0644);
    // A relative link, as a deployment would make it, beside the program.
    const std::string link = dir.File("config.ini");
    ASSERT_EQ(::symlink("shared/velquor.ini", link.c_str()), 0);

    ASSERT_TRUE(vq::WriteFileAtomic(link, "[NET]\r\nIP=10.0.0.2\r\n"));
    EXPECT_TRUE(IsLink(link)) << "the link was replaced by a plain file";
    EXPECT_EQ(vq::test::ReadBytes(target), "[NET]\r\nIP=10.0.0.2\r\n");
    EXPECT_EQ(vq::test::FileMode(target), 0600u);
    // No temporary file is left behind, beside the link or beside the target.
    EXPECT_EQ(Names(dir.path()), (std::vector<std::string>{"config.ini", "shared"}));
    EXPECT_EQ(Names(dir.File("shared")), (std::vector<std::string>{"velquor.ini"}));

    // The profile functions write through the link too.
    ASSERT_TRUE(vq::WritePrivateProfileString("Manager", "IsRemFlag", "1", link));
    EXPECT_TRUE(IsLink(link));
    EXPECT_EQ(vq::GetPrivateProfileString("Manager", "IsRemFlag", "", 8, target), "1");
    EXPECT_EQ(vq::GetPrivateProfileString("NET", "IP", "", 16, target), "10.0.0.2");
}

TEST(WholeFile, LinkChainsAndDanglingLinksReachTheirFinalTarget) {
    vq::test::TempDir dir;
    const std::string target = dir.File("real.ini");
    ASSERT_EQ(::symlink(target.c_str(), dir.File("second").c_str()), 0);  // absolute
    ASSERT_EQ(::symlink("second", dir.File("config.ini").c_str()), 0);    // relative
    EXPECT_EQ(vq::ResolveLinkTarget(dir.File("config.ini")), target);
    EXPECT_EQ(vq::ResolveLinkTarget(target), target);
    // The target does not exist yet: the first write creates it, behind both links.
    ASSERT_TRUE(vq::WriteFileAtomic(dir.File("config.ini"), "x=1\r\n"));
    EXPECT_TRUE(IsLink(dir.File("config.ini")));
    EXPECT_TRUE(IsLink(dir.File("second")));
    EXPECT_EQ(vq::test::ReadBytes(target), "x=1\r\n");
    EXPECT_EQ(vq::test::FileMode(target), 0600u);
}

// Each of `writers` processes (or threads) sets its own `keys` keys, one write each.
void WriteKeys(const std::string& file, int writer, int keys) {
    for (int k = 0; k < keys; ++k) {
        vq::WritePrivateProfileString("W" + std::to_string(writer), "K" + std::to_string(k),
                                      std::to_string(writer * 1000 + k), file);
    }
}

int CountKeys(const std::string& file, int writers, int keys) {
    int found = 0;
    for (int w = 0; w < writers; ++w) {
        for (int k = 0; k < keys; ++k) {
            found += vq::GetPrivateProfileString("W" + std::to_string(w), "K" + std::to_string(k),
                                                 "", 16, file) == std::to_string(w * 1000 + k);
        }
    }
    return found;
}

TEST(SettingsFileLock, WritersInTwoProgramsLoseNoChange) {
    vq::test::TempDir dir;
    ASSERT_EQ(::mkdir(dir.File("shared").c_str(), 0700), 0);
    const std::string target = dir.File("shared/config.ini");
    // The second program reaches the file through a link of its own.
    ASSERT_EQ(::symlink(target.c_str(), dir.File("linked.ini").c_str()), 0);
    constexpr int kWriters = 3;
    constexpr int kKeys = 60;
    std::vector<pid_t> children;
    for (int w = 0; w < kWriters; ++w) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            WriteKeys(w == 1 ? dir.File("linked.ini") : target, w, kKeys);
            ::_exit(0);
        }
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    EXPECT_EQ(CountKeys(target, kWriters, kKeys), kWriters * kKeys);
    EXPECT_TRUE(IsLink(dir.File("linked.ini")));
}

TEST(SettingsFileLock, WritersInOneProgramLoseNoChangeAndHoldsNest) {
    vq::test::TempDir dir;
    const std::string file = dir.File("config.ini");
    {
        vq::SettingsFileLock outer(file);
        EXPECT_TRUE(outer.Advisory());
        vq::SettingsFileLock inner(file);  // a writer called while a cycle is held
        EXPECT_TRUE(inner.Advisory());
        ASSERT_TRUE(vq::WritePrivateProfileString("A", "b", "c", file));
    }
    constexpr int kWriters = 4;
    constexpr int kKeys = 40;
    std::vector<std::thread> threads;
    for (int w = 0; w < kWriters; ++w) {
        threads.emplace_back(WriteKeys, file, w, kKeys);
    }
    for (auto& t : threads) {
        t.join();
    }
    EXPECT_EQ(CountKeys(file, kWriters, kKeys), kWriters * kKeys);
    EXPECT_EQ(vq::GetPrivateProfileString("A", "b", "", 8, file), "c");
}

TEST(SettingsFileLock, AnotherProgramWaitsForTheHolder) {
    vq::test::TempDir dir;
    const std::string file = dir.File("config.ini");
    int toChild[2];
    int toParent[2];
    ASSERT_EQ(::pipe(toChild), 0);
    ASSERT_EQ(::pipe(toParent), 0);
    // The other program is started before anything is held: it shares nothing with us.
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        // Only the ends it uses: should the test give up, the read below ends the child.
        ::close(toChild[1]);
        ::close(toParent[0]);
        char go = 0;
        if (::read(toChild[0], &go, 1) != 1) {
            ::_exit(1);
        }
        [[maybe_unused]] ssize_t n = ::write(toParent[1], "s", 1);  // about to write
        const bool ok = vq::WritePrivateProfileString("A", "b", "child", file);
        n = ::write(toParent[1], "w", 1);  // written
        ::_exit(ok ? 0 : 1);
    }
    ::close(toChild[0]);
    ::close(toParent[1]);
    char c = 0;
    {
        vq::SettingsFileLock held(file);
        ASSERT_TRUE(held.Advisory());
        ASSERT_EQ(::write(toChild[1], "g", 1), 1);
        ASSERT_EQ(::read(toParent[0], &c, 1), 1);
        // While the lock is held the other program's write does not get through, and our
        // own change, made meanwhile, is what it will read when it does.
        ::usleep(150000);
        ASSERT_TRUE(vq::WritePrivateProfileString("A", "mine", "parent", file));
        pollfd p{toParent[0], POLLIN, 0};
        EXPECT_EQ(::poll(&p, 1, 0), 0) << "the write went through a held lock";
    }
    ASSERT_EQ(::read(toParent[0], &c, 1), 1);
    EXPECT_EQ(c, 'w');
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    ::close(toChild[1]);
    ::close(toParent[0]);
    EXPECT_EQ(vq::GetPrivateProfileString("A", "b", "", 8, file), "child");
    EXPECT_EQ(vq::GetPrivateProfileString("A", "mine", "", 8, file), "parent");
}

}  // namespace
