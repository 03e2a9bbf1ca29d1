#include "messaging/log/MessageLog.h"

#include <db_cxx.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <memory>
#include <ostream>
#include <utility>
#include <vector>

#include "messaging/log/SalvageDump.h"

namespace {

std::int64_t SystemSeconds() {
    return static_cast<std::int64_t>(std::time(nullptr));
}

// The database's error messages would otherwise go to standard error with every retry.
void QuietErrors(const DbEnv*, const char*, const char*) {}

// Closes a cursor on every way out of a query.
struct CursorCloser {
    void operator()(Dbc* cursor) const { cursor->close(); }
};

bool FileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

enum class LogState { kSound, kDamaged, kForeign };

// A writer killed inside a flush can leave the tree half written; the next append into it
// would crash. The check reads every page, so it runs only after such an end. A file that
// does not even open as a record-number log is not ours to repair (`openError` says why).
LogState CheckLog(const std::string& path, int* openError = nullptr) {
    {
        Db db(nullptr, DB_CXX_NO_EXCEPTIONS);
        db.set_errcall(QuietErrors);
        const int rc = db.open(nullptr, path.c_str(), nullptr, DB_RECNO, DB_RDONLY, 0);
        db.close(0);
        if (openError != nullptr)
            *openError = rc;
        if (rc != 0)
            return LogState::kForeign;
    }
    Db db(nullptr, DB_CXX_NO_EXCEPTIONS);
    db.set_errcall(QuietErrors);
    // Verifying ends the handle, whatever it finds.
    return db.verify(path.c_str(), nullptr, nullptr, 0) == 0 ? LogState::kSound
                                                             : LogState::kDamaged;
}

void SalvageLog(const std::string& path, const std::function<bool(std::string_view)>& visit) {
    SalvageDumpReader records(visit);
    std::ostream out(&records);
    Db db(nullptr, DB_CXX_NO_EXCEPTIONS);
    db.set_errcall(QuietErrors);
    db.verify(path.c_str(), nullptr, &out, DB_SALVAGE);  // ends the handle
    out.flush();
    records.Finish();
}

// "<log>.damaged-20261209T181500Z", with a count when that name is taken.
std::string AsideName(const std::string& path, std::int64_t now) {
    const std::time_t t = static_cast<std::time_t>(now);
    std::tm utc{};
    char stamp[32] = "0";
    if (::gmtime_r(&t, &utc) != nullptr)
        std::strftime(stamp, sizeof stamp, "%Y%m%dT%H%M%SZ", &utc);
    std::string name = path + ".damaged-" + stamp;
    for (int n = 2; FileExists(name); ++n)
        name = path + ".damaged-" + stamp + "-" + std::to_string(n);
    return name;
}

// Copies every record the salvage finds, in order, into a fresh log that then takes the
// damaged one's place; the damaged file is kept beside it under another name, so nothing
// is lost even of what the salvage could not read. False, and nothing moved, when
// any step fails.
bool RebuildDamagedLog(const std::string& path, std::int64_t now) {
    const std::string fresh = path + ".rebuilding";
    std::remove(fresh.c_str());  // left by a rebuild that was itself cut short
    {
        Db out(nullptr, DB_CXX_NO_EXCEPTIONS);
        out.set_errcall(QuietErrors);
        if (out.open(nullptr, fresh.c_str(), nullptr, DB_RECNO, DB_CREATE | DB_EXCL, 0600) != 0) {
            out.close(0);
            return false;
        }
        bool copied = true;
        SalvageLog(path, [&](std::string_view bytes) {
            db_recno_t recno = 0;
            Dbt key(&recno, sizeof recno);
            key.set_ulen(sizeof recno);
            key.set_flags(DB_DBT_USERMEM);
            Dbt data(const_cast<char*>(bytes.data()), static_cast<u_int32_t>(bytes.size()));
            copied = out.put(nullptr, &key, &data, DB_APPEND) == 0;
            return copied;
        });
        copied = copied && out.sync(0) == 0;
        if (out.close(0) != 0 || !copied) {
            std::remove(fresh.c_str());
            return false;
        }
    }
    const std::string aside = AsideName(path, now);
    std::error_code ec;
    if (::link(path.c_str(), aside.c_str()) != 0) {
        std::filesystem::copy_file(path, aside, ec);  // where hard links are not allowed
        if (ec) {
            std::remove(fresh.c_str());
            return false;
        }
    }
    if (std::rename(fresh.c_str(), path.c_str()) != 0) {
        std::remove(fresh.c_str());
        return false;
    }
    return true;
}

CMessageLog& GlobalLog() {
    static CMessageLog log;
    return log;
}

}  // namespace

CMessageLog::CMessageLog(std::string folder)
    : path_(std::move(folder) + "//" + kMessageLogFileName), clock_(SystemSeconds) {}

CMessageLog::~CMessageLog() {
    Close();
}

Db* CMessageLog::Open() {
    std::lock_guard<std::mutex> guard(lock_);
    return OpenLocked();
}

Db* CMessageLog::OpenLocked() {
    if (Db* open = db_.load())
        return open;
    MarkInUse();
    // No exceptions: every failure comes back as a return code and costs the chat nothing.
    auto db = std::make_unique<Db>(nullptr, DB_CXX_NO_EXCEPTIONS);
    db->set_errcall(QuietErrors);
    // DB_CREATE never truncates: an existing file that is not a record-number database
    // makes the open fail and stays as it is.
    if (db->open(nullptr, path_.c_str(), nullptr, DB_RECNO, DB_CREATE, 0600) != 0) {
        db->close(0);
        return nullptr;
    }
    db_ = db.release();
    return db_.load();
}

bool CMessageLog::Append(std::string_view text, std::string_view fromId, std::uint8_t direction,
                         std::string_view toId) {
    try {
        std::lock_guard<std::mutex> guard(lock_);
        Db* db = OpenLocked();
        if (db == nullptr)
            return false;
        std::string record = EncodeLogRecord(direction, clock_(), fromId, toId, text);
        if (record.empty())
            return false;
        db_recno_t recno = 0;
        Dbt key(&recno, sizeof recno);
        key.set_ulen(sizeof recno);
        key.set_flags(DB_DBT_USERMEM);
        Dbt data(record.data(), static_cast<u_int32_t>(record.size()));
        if (db->put(nullptr, &key, &data, DB_APPEND) != 0)
            return false;
        // A record counts as stored only once it has left the process: until the flush it
        // lives in the handle's cache and a crash would take it along.
        return db->sync(0) == 0;
    } catch (...) {
        return false;
    }
}

std::optional<MessageQueryResult> CMessageLog::Query(std::string_view pattern1, std::size_t skip,
                                                     std::string_view pattern2) {
    try {
        std::lock_guard<std::mutex> guard(lock_);
        Db* db = OpenLocked();
        if (db == nullptr)
            return std::nullopt;
        Dbc* raw = nullptr;
        if (db->cursor(nullptr, &raw, 0) != 0 || raw == nullptr)
            return std::nullopt;
        std::unique_ptr<Dbc, CursorCloser> cursor(raw);
        MessageQueryResult result;
        std::size_t matching = 0;
        Dbt key;
        Dbt data;
        // An unpositioned cursor's first DB_PREV yields the last record. A damaged page ends
        // the walk with what was read so far.
        while (result.RecordCount() < kHistoryPageSize && cursor->get(&key, &data, DB_PREV) == 0) {
            if (key.get_size() != sizeof(db_recno_t))
                continue;
            const std::string_view bytes(static_cast<const char*>(data.get_data()),
                                         data.get_size());
            const auto record = DecodeLogRecord(bytes);
            if (!record || !MatchesConversation(*record, pattern1, pattern2))
                continue;
            if (matching++ < skip)
                continue;
            db_recno_t recno = 0;
            std::memcpy(&recno, key.get_data(), sizeof recno);
            result.AppendRecord(bytes, recno);
        }
        return result;
    } catch (...) {
        return std::nullopt;
    }
}

void CMessageLog::SetClock(LogClock clock) {
    clock_ = clock ? std::move(clock) : SystemSeconds;
}

// The mark "<log>.inuse" holds one byte while a program writes the log and is emptied when
// it closes the log. A mark that is not empty and held by nobody tells of a writer that
// ended without closing: the log is checked, and rebuilt when damaged, before anyone
// writes into it again.
void CMessageLog::MarkInUse() {
    if (mark_ >= 0)
        return;
    const int fd = ::open((path_ + ".inuse").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return;  // cannot tell: the log is used as it is
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);  // another program writes this log and checked it when it began
        return;
    }
    struct stat st {};
    if (::fstat(fd, &st) == 0 && st.st_size > 0 && FileExists(path_) &&
        CheckLog(path_) == LogState::kDamaged)
        RebuildDamagedLog(path_, clock_());
    if (::pwrite(fd, "1", 1, 0) == 1)
        ::fdatasync(fd);
    mark_ = fd;
}

void CMessageLog::Close() {
    std::lock_guard<std::mutex> guard(lock_);
    bool closed = true;
    if (Db* db = db_.exchange(nullptr)) {
        closed = db->close(0) == 0;
        delete db;
    }
    if (mark_ >= 0) {
        if (closed && ::ftruncate(mark_, 0) == 0)
            ::fdatasync(mark_);
        ::close(mark_);  // lets go of the lock
        mark_ = -1;
    }
}

void CMessageLog::SetFolder(const std::string& folder) {
    Close();
    std::lock_guard<std::mutex> guard(lock_);
    path_ = folder + "//" + kMessageLogFileName;
}

bool WalkMessageLog(const std::string& path, bool newestFirst,
                    const std::function<bool(std::uint32_t, std::string_view)>& visit,
                    std::string* error) {
    const auto fail = [&](const char* what, int code) {
        if (error != nullptr)
            *error = std::string(what) + ": " + DbEnv::strerror(code);
        return false;
    };
    try {
        // A cursor trusts the tree's pointers: in a damaged file it can read freed memory.
        int openError = 0;
        const LogState state = CheckLog(path, &openError);
        if (state == LogState::kForeign)
            return fail("cannot open the log", openError);
        if (state == LogState::kDamaged) {
            std::vector<std::string> records;
            SalvageLog(path, [&](std::string_view bytes) {
                records.emplace_back(bytes);
                return true;
            });
            for (std::size_t i = 0; i < records.size(); ++i) {
                const std::size_t at = newestFirst ? records.size() - 1 - i : i;
                if (!visit(static_cast<std::uint32_t>(at + 1), records[at]))
                    break;
            }
            if (error != nullptr)
                *error = "damaged log: only the records its pages still hold were read";
            return false;
        }
        Db db(nullptr, DB_CXX_NO_EXCEPTIONS);
        db.set_errcall(QuietErrors);
        if (int rc = db.open(nullptr, path.c_str(), nullptr, DB_RECNO, DB_RDONLY, 0); rc != 0) {
            db.close(0);
            return fail("cannot open the log", rc);
        }
        Dbc* raw = nullptr;
        if (int rc = db.cursor(nullptr, &raw, 0); rc != 0 || raw == nullptr) {
            db.close(0);
            return fail("cannot read the log", rc);
        }
        std::unique_ptr<Dbc, CursorCloser> cursor(raw);
        Dbt key;
        Dbt data;
        int rc = 0;
        while ((rc = cursor->get(&key, &data, newestFirst ? DB_PREV : DB_NEXT)) == 0) {
            db_recno_t recno = 0;
            if (key.get_size() == sizeof recno)
                std::memcpy(&recno, key.get_data(), sizeof recno);
            if (!visit(recno, {static_cast<const char*>(data.get_data()), data.get_size()}))
                break;
        }
        cursor.reset();
        db.close(0);
        if (rc != 0 && rc != DB_NOTFOUND)
            return fail("damaged log", rc);
        return true;
    } catch (...) {
        if (error != nullptr)
            *error = "cannot read the log";
        return false;
    }
}

void CloseMessageLog() {
    GlobalLog().Close();
}

Db* OpenMessageLog() {
    return GlobalLog().Open();
}

bool AppendMessage(std::string_view text, std::string_view fromId, std::uint8_t direction,
                   std::string_view toId) {
    return GlobalLog().Append(text, fromId, direction, toId);
}

std::optional<MessageQueryResult> QueryMessages(std::string_view pattern1, std::size_t skip,
                                                std::string_view pattern2) {
    return GlobalLog().Query(pattern1, skip, pattern2);
}

void SetMessageLogFolder(const std::string& folder) {
    GlobalLog().SetFolder(folder);
}

void SetMessageLogClock(LogClock clock) {
    GlobalLog().SetClock(std::move(clock));
}
