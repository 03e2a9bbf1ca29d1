// The file as other programs see it: Debian's db5.3_dump reads what the log writes, and
// vqlog reads a log that db5.3_load made from records written by hand.

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "messaging/log/MessageLog.h"
#include "tests/core/TempDir.h"

extern char** environ;

namespace {

using namespace std::string_literals;
using vq::test::TempDir;

struct ProgramRun {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs `argv` with standard input from `input` and both outputs kept.
ProgramRun RunProgram(const TempDir& dir, const std::vector<std::string>& argv,
                      const std::string& input = "") {
    const std::string in = dir.File("stdin"), out = dir.File("stdout"), err = dir.File("stderr");
    vq::test::WriteBytes(in, input);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, in.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    ProgramRun run;
    pid_t pid = 0;
    if (posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ) == 0) {
        int status = 0;
        if (::waitpid(pid, &status, 0) == pid && WIFEXITED(status))
            run.status = WEXITSTATUS(status);
    }
    posix_spawn_file_actions_destroy(&actions);
    run.out = vq::test::ReadBytes(out);
    run.err = vq::test::ReadBytes(err);
    return run;
}

bool OnPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::string dirs = path != nullptr ? path : "";
    std::size_t start = 0;
    while (start <= dirs.size()) {
        const std::size_t end = std::min(dirs.find(':', start), dirs.size());
        if (::access((dirs.substr(start, end - start) + "/" + program).c_str(), X_OK) == 0)
            return true;
        start = end + 1;
    }
    return false;
}

#define REQUIRE_TOOL(name)                                           \
    if (!OnPath(name))                                               \
    GTEST_SKIP() << name                                             \
                 << " is not installed (Debian package db5.3-util; " \
                    "scripts/setup-deps.sh installs it)"

TEST(LogFileTools, DumpReadsWhatTheLogWrote) {
    REQUIRE_TOOL("db5.3_dump");
    TempDir dir;
    {
        CMessageLog log(dir.path());
        std::int64_t now = 0x0102030405;
        log.SetClock([&] { return now++; });
        ASSERT_TRUE(log.Append("hi", "5", kLogDirectionSent, "7"));
        ASSERT_TRUE(log.Append("yo", "7", kLogDirectionReceived, "5"));
    }
    const ProgramRun dump = RunProgram(dir, {"db5.3_dump", dir.File("msgDBlog.dat")});
    ASSERT_EQ(dump.status, 0) << dump.err;
    // Record 1: slot 0, sent, time 0x0102030405, length 33, "5", "", "7", "", "hi".
    // Record 2: received, one second later, from "7" to "5", "yo".
    const std::string expected =
        "HEADER=END\n"
        " 00000000010000000504030201000000210000000000000035000037000068690"
        "0\n"
        " 000000000000000006040302010000002100000000000000370000350000796f0"
        "0\n"
        "DATA=END\n";
    EXPECT_NE(dump.out.find("type=recno\n"), std::string::npos) << dump.out;
    EXPECT_NE(dump.out.find(expected), std::string::npos) << dump.out;
}

#ifdef VQ_VQLOG_PATH
// Three records written from the layout table for db5.3_load (recno, one hex data line per
// record): a GBK text with a line break, a reply, and one whose length field is wrong.
const std::string kLoadInput =
    "VERSION=3\nformat=bytevalue\ntype=recno\nHEADER=END\n"
    // sent, time 1273223000 (0x4BE3D758), "5" -> "7", "你好\r\n" in GBK: 24+2+1+2+1+7 = 37
    " 00000000"
    "01000000"
    "58d7e34b00000000"
    "25000000"
    "00000000"
    "3500"
    "00"
    "3700"
    "00"
    "c4e3bac30d0a00\n"
    // received, time 1273223061, "7" -> "5", a"b\/:) : 24+2+1+2+1+8 = 38
    " 00000000"
    "00000000"
    "95d7e34b00000000"
    "26000000"
    "00000000"
    "3700"
    "00"
    "3500"
    "00"
    "6122625c2f3a2900\n"
    // received from "7", but the length field says 40 for 38 bytes
    " 00000000"
    "00000000"
    "96d7e34b00000000"
    "28000000"
    "00000000"
    "3700"
    "00"
    "3500"
    "00"
    "62726f6b656e2100\n"
    // another conversation: "5" -> "75", "x": 24+2+1+3+1+2 = 33
    " 00000000"
    "01000000"
    "97d7e34b00000000"
    "21000000"
    "00000000"
    "3500"
    "00"
    "373500"
    "00"
    "7800\n"
    "DATA=END\n";

TEST(LogFileTools, VqlogReadsAHandWrittenLogExactly) {
    REQUIRE_TOOL("db5.3_load");
    TempDir dir;
    const std::string file = dir.File("msgDBlog.dat");
    const ProgramRun load = RunProgram(dir, {"db5.3_load", file}, kLoadInput);
    ASSERT_EQ(load.status, 0) << load.err;
    const std::string vqlog = VQ_VQLOG_PATH;

    const ProgramRun newest = RunProgram(dir, {vqlog, "--log", file, "show", "7"});
    EXPECT_EQ(newest.status, 0) << newest.err;
    EXPECT_EQ(newest.out,
              "{\"record\":2,\"direction\":\"received\",\"time\":1273223061,\"from\":\"7\","
              "\"to\":\"5\",\"text\":\"a\\\"b\\\\/:)\"}\n"
              "{\"record\":1,\"direction\":\"sent\",\"time\":1273223000,\"from\":\"5\","
              "\"to\":\"7\",\"text\":\"你好\\r\\n\"}\n");
    EXPECT_NE(newest.err.find("record 3"), std::string::npos) << newest.err;

    const ProgramRun oldest =
        RunProgram(dir, {vqlog, "--log", file, "show", "5", "--oldest-first"});
    EXPECT_EQ(oldest.status, 0);
    EXPECT_EQ(oldest.out,
              "{\"record\":1,\"direction\":\"sent\",\"time\":1273223000,\"from\":\"5\","
              "\"to\":\"7\",\"text\":\"你好\\r\\n\"}\n"
              "{\"record\":2,\"direction\":\"received\",\"time\":1273223061,\"from\":\"7\","
              "\"to\":\"5\",\"text\":\"a\\\"b\\\\/:)\"}\n"
              "{\"record\":4,\"direction\":\"sent\",\"time\":1273223063,\"from\":\"5\","
              "\"to\":\"75\",\"text\":\"x\"}\n");

    const ProgramRun withOwn =
        RunProgram(dir, {vqlog, "--log", file, "show", "75", "--own", "5", "--oldest-first"});
    EXPECT_EQ(withOwn.out,
              "{\"record\":4,\"direction\":\"sent\",\"time\":1273223063,\"from\":\"5\","
              "\"to\":\"75\",\"text\":\"x\"}\n");

    const ProgramRun list = RunProgram(dir, {vqlog, "--log", file, "list"});
    EXPECT_EQ(list.status, 0);
    EXPECT_EQ(list.out,
              "{\"ids\":[\"5\",\"7\"],\"records\":2,\"first\":1,\"last\":2}\n"
              "{\"ids\":[\"5\",\"75\"],\"records\":1,\"first\":4,\"last\":4}\n");

    // Export writes what show prints, and never over an existing file.
    const std::string exported = dir.File("seven.jsonl");
    const ProgramRun exportRun = RunProgram(dir, {vqlog, "--log", file, "export", "7", exported});
    EXPECT_EQ(exportRun.status, 0) << exportRun.err;
    EXPECT_EQ(vq::test::ReadBytes(exported), newest.out);
    const ProgramRun again = RunProgram(dir, {vqlog, "--log", file, "export", "7", file});
    EXPECT_EQ(again.status, 3);

    // vqlog only reads: the file is byte for byte what db5.3_load made.
    const std::string before = vq::test::ReadBytes(file);
    RunProgram(dir, {vqlog, "--log", file, "list"});
    EXPECT_EQ(vq::test::ReadBytes(file), before);
}

TEST(LogFileTools, VqlogReadsBesideARunningProgram) {
    TempDir dir;
    CMessageLog log(dir.path());
    log.SetClock([] { return std::int64_t{7}; });
    ASSERT_TRUE(log.Append("first", "5", kLogDirectionSent, "7"));
    const std::string vqlog = VQ_VQLOG_PATH;
    const ProgramRun one = RunProgram(dir, {vqlog, "--log", log.Path(), "show", "7"});
    EXPECT_EQ(one.status, 0) << one.err;
    EXPECT_NE(one.out.find("\"text\":\"first\""), std::string::npos) << one.out;
    // The program's handle stays open and keeps appending.
    ASSERT_TRUE(log.Append("second", "7", kLogDirectionReceived, "5"));
    const ProgramRun two = RunProgram(dir, {vqlog, "--log", log.Path(), "show", "7"});
    EXPECT_EQ(two.out.substr(0, two.out.find('\n')),
              "{\"record\":2,\"direction\":\"received\",\"time\":7,\"from\":\"7\",\"to\":\"5\","
              "\"text\":\"second\"}");

    const ProgramRun missing = RunProgram(dir, {vqlog, "--log", dir.File("none.dat"), "list"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_FALSE(std::filesystem::exists(dir.File("none.dat")));
    EXPECT_EQ(RunProgram(dir, {vqlog, "show"}).status, 2);
}
#endif

}  // namespace
