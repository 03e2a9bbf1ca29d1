// A writer killed at any moment loses nothing it reported stored: a child process appends
// in a loop and reports each record once AppendMessage returned; the parent kills it with
// SIGKILL after a random number of reports, reopens the log and looks for every reported
// record. The moment of the kill is left to the child's progress, not to a clock.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <map>
#include <random>
#include <set>
#include <string>

#include "messaging/log/MessageLog.h"
#include "tests/core/TempDir.h"

namespace {

constexpr int kRounds = 20;
constexpr int kMaxReportsBeforeKill = 40;

std::string TextOf(std::uint32_t round, std::uint32_t n) {
    return "round " + std::to_string(round) + " message " + std::to_string(n) + "\r\n\r\n";
}

// The child: appends until killed, writing the number of every stored message to `fd`.
[[noreturn]] void AppendForever(const std::string& folder, std::uint32_t round, int fd) {
    CMessageLog log(folder);
    for (std::uint32_t n = 0;; ++n) {
        if (!log.Append(TextOf(round, n), "5", kLogDirectionSent, "7"))
            ::_exit(3);
        if (::write(fd, &n, sizeof n) != static_cast<ssize_t>(sizeof n))
            ::_exit(4);
    }
}

TEST(MessageLogCrash, KilledWriterLosesNothingItReported) {
    vq::test::TempDir dir;
    std::random_device seedSource;
    const unsigned seed = seedSource();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> reportsBeforeKill(0, kMaxReportsBeforeKill);

    std::map<std::uint32_t, std::set<std::uint32_t>> reported;  // round -> message numbers
    for (std::uint32_t round = 0; round < kRounds; ++round) {
        int fds[2];
        ASSERT_EQ(::pipe(fds), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(fds[0]);
            AppendForever(dir.path(), round, fds[1]);
        }
        ::close(fds[1]);
        const int wanted = reportsBeforeKill(random);
        std::uint32_t n = 0;
        for (int i = 0; i < wanted && ::read(fds[0], &n, sizeof n) == sizeof n; ++i)
            reported[round].insert(n);
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer stopped by itself: " << status;
        // Reports written before the kill count as well.
        while (::read(fds[0], &n, sizeof n) == sizeof n)
            reported[round].insert(n);
        ::close(fds[0]);

        const std::string path = dir.path() + "//msgDBlog.dat";
        if (!std::filesystem::exists(path)) {
            // Killed before its first append made the file.
            ASSERT_EQ(std::count_if(reported.begin(), reported.end(),
                                    [](const auto& r) { return !r.second.empty(); }),
                      0);
            continue;
        }
        // Every reported record is there, whole; the next writer takes the log on.
        std::map<std::uint32_t, std::set<std::uint32_t>> found;
        std::string error;
        const bool sound = WalkMessageLog(
            path, false,
            [&](std::uint32_t, std::string_view bytes) {
                const auto record = DecodeLogRecord(bytes);
                unsigned r = 0, m = 0;
                if (record &&
                    std::sscanf(record->text.c_str(), "round %u message %u", &r, &m) == 2 &&
                    record->text == TextOf(r, m))
                    found[r].insert(m);
                return true;
            },
            &error);
        // A page the killed writer left half written is reported; the rest is still read.
        ASSERT_TRUE(sound || error.rfind("damaged", 0) == 0) << error;
        for (const auto& [r, numbers] : reported) {
            for (std::uint32_t m : numbers)
                ASSERT_TRUE(found[r].count(m)) << "round " << r << " message " << m << " lost";
        }
    }
    CMessageLog after(dir.path());
    ASSERT_TRUE(after.Append("after", "7", kLogDirectionReceived, "5"));
    auto page = after.Query("5", 0, "7");
    ASSERT_TRUE(page);
    EXPECT_EQ(page->ReadAllTexts().substr(0, 5), "after");
}

}  // namespace
