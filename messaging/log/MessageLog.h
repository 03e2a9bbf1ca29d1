#pragma once
// The local log of chat messages, "msgDBlog.dat": a Berkeley DB record-number database
// without an environment, appended to by the chat windows and read back, ten records at a
// time from the newest, by the history window.
//
// The log never costs the chat: when the file cannot be opened or is damaged, appends
// report false, queries give nothing or what could be read, and the caller goes on showing
// and sending. The program never deletes, truncates or rewrites the file; it only appends.
// One exception: a log left damaged by a writer that was killed is set aside under another
// name (kept whole) and replaced by a copy of every record that could be read from it.
// The chat and history windows call from the UI thread; the log lock also lets the process
// end close it from another thread.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "messaging/log/LogRecord.h"

class Db;

// Seconds since 1970-01-01 UTC; tests hand in their own.
using LogClock = std::function<std::int64_t()>;

inline constexpr char kMessageLogFileName[] = "msgDBlog.dat";
inline constexpr std::size_t kHistoryPageSize = 10;

class CMessageLog {
public:
    // The log "<folder>//msgDBlog.dat"; the program's is in the current directory.
    explicit CMessageLog(std::string folder = ".");
    ~CMessageLog();
    CMessageLog(const CMessageLog&) = delete;
    CMessageLog& operator=(const CMessageLog&) = delete;

    // The database handle, opened on first use; nullptr when the file cannot be opened, in
    // which case the next call tries again.
    Db* Open();
    // Stores one record (direction kLogDirectionSent or kLogDirectionReceived) and flushes
    // the file. True once the record is on the file; false, and nothing written, when the
    // log cannot be opened.
    bool Append(std::string_view text, std::string_view fromId, std::uint8_t direction,
                std::string_view toId);
    // Walks from the newest record back, passes over the first `skip` records of the
    // conversation and takes the next ten. Nothing when the log cannot be opened or read.
    std::optional<MessageQueryResult> Query(std::string_view pattern1, std::size_t skip,
                                            std::string_view pattern2);

    const std::string& Path() const { return path_; }
    void SetClock(LogClock clock);
    // Closes the handle and moves the log to "<folder>//msgDBlog.dat".
    void SetFolder(const std::string& folder);
    // Closes the handle so that the next use opens the file again.
    void Close();

private:
    std::string path_;
    LogClock clock_;
    std::mutex lock_;
    std::atomic<Db*> db_ = nullptr;
    int mark_ = -1;

    Db* OpenLocked();
    void MarkInUse();
};

// The process-wide log used by the chat and history windows.
Db* OpenMessageLog();
bool AppendMessage(std::string_view text, std::string_view fromId, std::uint8_t direction,
                   std::string_view toId);
std::optional<MessageQueryResult> QueryMessages(std::string_view pattern1, std::size_t skip,
                                                std::string_view pattern2);

// Reads the log at `path` without writing to it (opened read-only, so it works beside a
// running program): every record, newest first or oldest first, with its record number
// and its bytes as stored. `visit` returns false to stop. False, with `error` filled, when
// the file cannot be opened or a page cannot be read (the records before it were visited).
bool WalkMessageLog(const std::string& path, bool newestFirst,
                    const std::function<bool(std::uint32_t, std::string_view)>& visit,
                    std::string* error);

// Closes the process-wide log, from any thread (an append under way is finished first).
void CloseMessageLog();
// Where the process-wide log lives (default "."): closes its handle so that the next use
// opens "<folder>//msgDBlog.dat". For tests, which keep their logs in temporary folders.
void SetMessageLogFolder(const std::string& folder);
// The clock of the process-wide log (default: the system clock).
void SetMessageLogClock(LogClock clock);
