#include "messaging/log/MessageLog.h"

#include <db_cxx.h>

#include <cstring>
#include <ctime>
#include <memory>
#include <utility>

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
    if (Db* open = db_.load())
        return open;
    std::lock_guard<std::mutex> guard(lock_);
    if (Db* open = db_.load())
        return open;
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
        Db* db = Open();
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
        Db* db = Open();
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

void CMessageLog::Close() {
    std::lock_guard<std::mutex> guard(lock_);
    if (Db* db = db_.exchange(nullptr)) {
        db->close(0);
        delete db;
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
