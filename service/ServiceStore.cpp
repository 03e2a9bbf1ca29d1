#include "service/ServiceStore.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>
#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <filesystem>

namespace vqsvc {

Clock SystemClock() {
    return [] {
        return static_cast<int64_t>(std::chrono::duration_cast<std::chrono::seconds>(
                                        std::chrono::system_clock::now().time_since_epoch())
                                        .count());
    };
}

// Thin RAII wrapper: prepared statement with 1-based binds and 0-based columns.
class Statement {
public:
    Statement(ServiceStore& store, const char* sql) : store_(store) {
        if (sqlite3_prepare_v2(store.db_, sql, -1, &stmt_, nullptr) != SQLITE_OK) {
            store.error_ = sqlite3_errmsg(store.db_);
            stmt_ = nullptr;
        }
    }
    ~Statement() { sqlite3_finalize(stmt_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool ok() const { return stmt_ != nullptr; }
    Statement& Bind(int i, int64_t v) {
        if (stmt_)
            sqlite3_bind_int64(stmt_, i, v);
        return *this;
    }
    Statement& Bind(int i, std::string_view v) {
        if (stmt_)
            sqlite3_bind_text(stmt_, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
        return *this;
    }
    Statement& Bind(int i, const char* v) { return Bind(i, std::string_view(v)); }
    Statement& Bind(int i, const std::string& v) { return Bind(i, std::string_view(v)); }
    Statement& BindBlob(int i, const void* p, int n) {
        if (stmt_)
            sqlite3_bind_blob(stmt_, i, p, n, SQLITE_TRANSIENT);
        return *this;
    }
    Statement& BindNull(int i) {
        if (stmt_)
            sqlite3_bind_null(stmt_, i);
        return *this;
    }
    // True while a row is at hand.
    bool Step() {
        if (!stmt_)
            return false;
        int rc = sqlite3_step(stmt_);
        if (rc == SQLITE_ROW)
            return true;
        if (rc != SQLITE_DONE)
            store_.error_ = sqlite3_errmsg(store_.db_);
        done_ = rc == SQLITE_DONE;
        return false;
    }
    // Runs a statement that returns no rows; true on success.
    bool Run() {
        Step();
        return done_;
    }
    int64_t Int(int c) const { return sqlite3_column_int64(stmt_, c); }
    std::string Text(int c) const {
        const unsigned char* t = sqlite3_column_text(stmt_, c);
        return t ? std::string(reinterpret_cast<const char*>(t),
                               static_cast<size_t>(sqlite3_column_bytes(stmt_, c)))
                 : std::string();
    }
    std::string Blob(int c) const {
        const void* b = sqlite3_column_blob(stmt_, c);
        return b ? std::string(static_cast<const char*>(b),
                               static_cast<size_t>(sqlite3_column_bytes(stmt_, c)))
                 : std::string();
    }
    int ParamIndex(const char* name) const {
        return stmt_ ? sqlite3_bind_parameter_index(stmt_, name) : 0;
    }
    bool IsNull(int c) const { return sqlite3_column_type(stmt_, c) == SQLITE_NULL; }

private:
    ServiceStore& store_;
    sqlite3_stmt* stmt_ = nullptr;
    bool done_ = false;
};

namespace {

// Each step brings the schema from version (index) to version (index + 1) and
// must never change once released: old databases replay the steps they lack.
const char* const kMigrations[] = {
    // 1: the first release.
    R"sql(
CREATE TABLE orgs (id INTEGER PRIMARY KEY, name TEXT NOT NULL);
CREATE TABLE users (
  id INTEGER PRIMARY KEY, login TEXT NOT NULL UNIQUE, pwd_salt BLOB NOT NULL,
  pwd_hash BLOB NOT NULL, user_type INTEGER NOT NULL, true_name TEXT NOT NULL,
  org_id INTEGER NOT NULL, org_idstr TEXT NOT NULL, reviewer INTEGER NOT NULL DEFAULT 0,
  login_state TEXT NOT NULL DEFAULT '0', news_seen_seq INTEGER NOT NULL DEFAULT 0);
CREATE TABLE sessions (
  id INTEGER PRIMARY KEY, skey TEXT NOT NULL UNIQUE, user_id INTEGER NOT NULL,
  created INTEGER NOT NULL, last_seen INTEGER NOT NULL, state INTEGER NOT NULL DEFAULT 0);
CREATE INDEX sessions_user ON sessions(user_id, state);
CREATE TABLE menus (
  id INTEGER PRIMARY KEY, name TEXT NOT NULL, link TEXT NOT NULL DEFAULT '',
  use_link INTEGER NOT NULL DEFAULT 0, sort INTEGER NOT NULL DEFAULT 0);
CREATE TABLE news_columns (
  id INTEGER PRIMARY KEY, menu_id INTEGER NOT NULL REFERENCES menus(id), name TEXT NOT NULL);
CREATE TABLE articles (
  id INTEGER PRIMARY KEY, title TEXT NOT NULL, html TEXT NOT NULL, author TEXT NOT NULL,
  column_id INTEGER NOT NULL REFERENCES news_columns(id), insert_time INTEGER NOT NULL,
  needs_review INTEGER NOT NULL DEFAULT 0, recommended INTEGER NOT NULL DEFAULT 0,
  publish_seq INTEGER);
CREATE INDEX articles_column ON articles(column_id, insert_time);
CREATE TABLE favourites (
  user_id INTEGER NOT NULL, column_id INTEGER NOT NULL, PRIMARY KEY (user_id, column_id));
CREATE TABLE chat_messages (
  id INTEGER PRIMARY KEY, from_id INTEGER NOT NULL, to_id INTEGER NOT NULL,
  content TEXT NOT NULL, sent_time INTEGER NOT NULL, state INTEGER NOT NULL DEFAULT 0);
CREATE INDEX chat_to ON chat_messages(to_id, state);
CREATE TABLE board_messages (
  id INTEGER PRIMARY KEY, parent_id INTEGER NOT NULL, user_id INTEGER NOT NULL,
  org_id INTEGER NOT NULL, title TEXT NOT NULL, meno TEXT NOT NULL, insert_time INTEGER NOT NULL);
CREATE INDEX board_parent ON board_messages(parent_id);
CREATE TABLE questionnaires (
  id INTEGER PRIMARY KEY, user_id INTEGER NOT NULL, pinfen INTEGER NOT NULL,
  liangdian INTEGER NOT NULL, jianyi TEXT NOT NULL, insert_time INTEGER NOT NULL);
CREATE TABLE custom_requests (
  id INTEGER PRIMARY KEY, user_id INTEGER NOT NULL, name TEXT NOT NULL,
  usrcode TEXT NOT NULL UNIQUE, addr TEXT NOT NULL, mobile TEXT NOT NULL, pho TEXT NOT NULL,
  insert_time INTEGER NOT NULL);
CREATE TABLE picture_strip (
  id INTEGER PRIMARY KEY, sort INTEGER NOT NULL, photo_url TEXT NOT NULL, text_url TEXT NOT NULL);
)sql",
    // 2: stock codes for the search by stock; the reviewer's own mark.
    R"sql(
ALTER TABLE articles ADD COLUMN stock_codes TEXT NOT NULL DEFAULT '';
ALTER TABLE users ADD COLUMN review_seen_id INTEGER NOT NULL DEFAULT 0;
CREATE INDEX articles_publish ON articles(publish_seq);
CREATE INDEX articles_time ON articles(insert_time);
)sql",
    // 3: the picture strip's pictures are drawn by the service; the file names the first
    // demo data used named pictures no page folder holds.
    R"sql(
UPDATE picture_strip SET photo_url = 'generated:' || (((sort % 4) + 4) % 4 + 1)
  WHERE photo_url LIKE 'images/strip%.jpg';
)sql",
};
static_assert(sizeof(kMigrations) / sizeof(kMigrations[0]) == kSchemaVersion);

constexpr int kSaltSize = 16;
constexpr int kHashIterations = 2000;

// The wire only ever carries the MD5 of a password; the database keeps a salted,
// stretched hash of that digest so a copied database does not give the digests away.
std::string HashDigest(std::string_view salt, std::string_view md5Hex) {
    std::string lower(md5Hex);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'F')
            c = static_cast<char>(c - 'A' + 'a');
    }
    unsigned char out[32];
    PKCS5_PBKDF2_HMAC(lower.data(), static_cast<int>(lower.size()),
                      reinterpret_cast<const unsigned char*>(salt.data()),
                      static_cast<int>(salt.size()), kHashIterations, EVP_sha256(), sizeof(out),
                      out);
    return std::string(reinterpret_cast<char*>(out), sizeof(out));
}

std::string Md5Hex(std::string_view text) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int len = 0;
    EVP_Digest(text.data(), text.size(), digest, &len, EVP_md5(), nullptr);
    static const char* hex = "0123456789abcdef";
    std::string out;
    for (unsigned int i = 0; i < len; ++i) {
        out += hex[digest[i] >> 4];
        out += hex[digest[i] & 15];
    }
    return out;
}

bool IsMd5Hex(std::string_view s) {
    if (s.size() != 32)
        return false;
    for (char c : s) {
        bool hex = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
        if (!hex)
            return false;
    }
    return true;
}

std::string RandomHex(size_t bytes) {
    std::string raw(bytes, '\0');
    RAND_bytes(reinterpret_cast<unsigned char*>(raw.data()), static_cast<int>(bytes));
    static const char* hex = "0123456789abcdef";
    std::string out;
    for (unsigned char c : raw) {
        out += hex[c >> 4];
        out += hex[c & 15];
    }
    return out;
}

// Lists leave the article text out: it is most of the bytes and only the
// article view and the pop-ups show it.
std::string ArticleSelect(bool withText) {
    return std::string("SELECT a.id, a.title, ") + (withText ? "a.html" : "''") +
           ", a.author, a.column_id, c.menu_id, c.name, m.name, a.insert_time, a.needs_review, "
           "a.recommended, a.stock_codes FROM articles a JOIN news_columns c ON c.id = "
           "a.column_id JOIN menus m ON m.id = c.menu_id ";
}

ArticleRecord ReadArticle(const Statement& s) {
    ArticleRecord a;
    a.id = s.Int(0);
    a.title = s.Text(1);
    a.html = s.Text(2);
    a.author = s.Text(3);
    a.columnId = s.Int(4);
    a.menuId = s.Int(5);
    a.columnName = s.Text(6);
    a.menuName = s.Text(7);
    a.insertTime = s.Int(8);
    a.needsReview = s.Int(9) != 0;
    a.recommended = s.Int(10) != 0;
    a.stockCodes = s.Text(11);
    return a;
}

constexpr const char* kUserSelect =
    "SELECT id, login, user_type, true_name, org_id, org_idstr, reviewer, login_state FROM users ";

UserRecord ReadUser(const Statement& s) {
    UserRecord u;
    u.id = s.Int(0);
    u.login = s.Text(1);
    u.type = s.Int(2) == 0 ? UserType::kCustomer : UserType::kStaff;
    u.trueName = s.Text(3);
    u.orgId = s.Int(4);
    u.orgIdList = s.Text(5);
    u.reviewer = s.Int(6) != 0;
    u.loginState = s.Text(7);
    return u;
}

// A session not used for this long is over; the client polls every 30 s.
constexpr int64_t kSessionIdleLimit = 12 * 3600;

}  // namespace

ServiceStore::~ServiceStore() {
    Close();
}

void ServiceStore::Close() {
    if (db_) {
        sqlite3_close_v2(db_);
        db_ = nullptr;
    }
}

bool ServiceStore::Exec(const char* sql) {
    char* msg = nullptr;
    if (sqlite3_exec(db_, sql, nullptr, nullptr, &msg) != SQLITE_OK) {
        error_ = msg ? msg : "sqlite error";
        sqlite3_free(msg);
        return false;
    }
    return true;
}

int64_t ServiceStore::LastInsertId() {
    return sqlite3_last_insert_rowid(db_);
}

bool ServiceStore::Open(const std::string& dataDir, Clock clock, int targetVersion) {
    Close();
    clock_ = clock ? std::move(clock) : SystemClock();
    std::error_code ec;
    // The folder holds password hashes and the private key: owner only.
    if (std::filesystem::create_directories(dataDir, ec)) {
        std::filesystem::permissions(dataDir, std::filesystem::perms::owner_all, ec);
    }
    std::string path = (std::filesystem::path(dataDir) / "velquor.db").string();
    if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
        SQLITE_OK) {
        error_ = db_ ? sqlite3_errmsg(db_) : "cannot open database";
        Close();
        return false;
    }
    sqlite3_busy_timeout(db_, 5000);
    // FULL: a committed write survives a crash or power loss, not just a restart.
    if (!Exec("PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL; PRAGMA foreign_keys=ON;") ||
        !Migrate(targetVersion)) {
        Close();
        return false;
    }
    return true;
}

int ServiceStore::SchemaVersion() {
    Statement s(*this, "PRAGMA user_version");
    return s.Step() ? static_cast<int>(s.Int(0)) : -1;
}

bool ServiceStore::Migrate(int targetVersion) {
    int version = SchemaVersion();
    if (version < 0)
        return false;
    if (version > kSchemaVersion) {
        error_ = "database schema " + std::to_string(version) + " is newer than this service (" +
                 std::to_string(kSchemaVersion) + ")";
        return false;
    }
    while (version < targetVersion) {
        // IMMEDIATE: two processes opening an old database upgrade it one after the other.
        if (!Exec("BEGIN IMMEDIATE"))
            return false;
        int now = SchemaVersion();
        if (now != version) {  // someone else upgraded meanwhile
            Exec("COMMIT");
            version = now;
            continue;
        }
        std::string step = kMigrations[version];
        step += "PRAGMA user_version=" + std::to_string(version + 1) + ";";
        if (!Exec(step.c_str())) {
            std::string err = error_;
            Exec("ROLLBACK");
            error_ = "schema upgrade to " + std::to_string(version + 1) + " failed: " + err;
            return false;
        }
        if (!Exec("COMMIT"))
            return false;
        ++version;
    }
    return true;
}

bool ServiceStore::IntegrityOk() {
    Statement s(*this, "PRAGMA integrity_check");
    return s.Step() && s.Text(0) == "ok";
}

bool ServiceStore::IsEmpty() {
    Statement s(*this, "SELECT COUNT(*) FROM users");
    return s.Step() && s.Int(0) == 0;
}

bool ServiceStore::InTransaction(const std::function<bool()>& work) {
    // Nested calls (an article added while seeding) become savepoints of the outer one.
    if (sqlite3_get_autocommit(db_) == 0) {
        if (!Exec("SAVEPOINT nested"))
            return false;
        bool ok = work();
        if (!ok)
            Exec("ROLLBACK TO nested");
        Exec("RELEASE nested");
        return ok;
    }
    if (!Exec("BEGIN IMMEDIATE"))
        return false;
    if (!work()) {
        Exec("ROLLBACK");
        return false;
    }
    return Exec("COMMIT");
}

int64_t ServiceStore::AddOrganisation(std::string_view name, int64_t id) {
    Statement s(*this, "INSERT INTO orgs (id, name) VALUES (?, ?)");
    if (id > 0) {
        s.Bind(1, id);
    } else {
        s.BindNull(1);
    }
    s.Bind(2, name);
    return s.Run() ? LastInsertId() : 0;
}

std::optional<int64_t> ServiceStore::AddUser(const NewUser& user) {
    if (user.login.empty())
        return std::nullopt;
    std::string salt(kSaltSize, '\0');
    RAND_bytes(reinterpret_cast<unsigned char*>(salt.data()), kSaltSize);
    std::string hash = HashDigest(salt, Md5Hex(user.password));
    Statement s(*this,
                "INSERT INTO users (id, login, pwd_salt, pwd_hash, user_type, true_name, org_id, "
                "org_idstr, reviewer) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)");
    if (user.id > 0) {
        s.Bind(1, user.id);
    } else {
        s.BindNull(1);
    }
    s.Bind(2, user.login)
        .BindBlob(3, salt.data(), kSaltSize)
        .BindBlob(4, hash.data(), static_cast<int>(hash.size()))
        .Bind(5, static_cast<int64_t>(user.type))
        .Bind(6, user.trueName)
        .Bind(7, user.orgId)
        .Bind(8, user.orgIdList.empty() ? std::to_string(user.orgId) : user.orgIdList)
        .Bind(9, static_cast<int64_t>(user.reviewer ? 1 : 0));
    if (!s.Run())
        return std::nullopt;
    return LastInsertId();
}

std::optional<UserRecord> ServiceStore::UserByLogin(std::string_view login) {
    Statement s(*this, (std::string(kUserSelect) + "WHERE login = ?").c_str());
    s.Bind(1, login);
    if (!s.Step())
        return std::nullopt;
    return ReadUser(s);
}

std::optional<UserRecord> ServiceStore::UserById(int64_t id) {
    Statement s(*this, (std::string(kUserSelect) + "WHERE id = ?").c_str());
    s.Bind(1, id);
    if (!s.Step())
        return std::nullopt;
    return ReadUser(s);
}

bool ServiceStore::CheckPasswordDigest(int64_t userId, std::string_view md5Hex) {
    if (!IsMd5Hex(md5Hex))
        return false;
    Statement s(*this, "SELECT pwd_salt, pwd_hash FROM users WHERE id = ?");
    s.Bind(1, userId);
    if (!s.Step())
        return false;
    std::string salt = s.Blob(0), stored = s.Blob(1);
    std::string got = HashDigest(salt, md5Hex);
    return got.size() == stored.size() && CRYPTO_memcmp(got.data(), stored.data(), got.size()) == 0;
}

bool ServiceStore::SetPasswordDigest(int64_t userId, std::string_view md5Hex) {
    if (!IsMd5Hex(md5Hex))
        return false;
    std::string salt(kSaltSize, '\0');
    RAND_bytes(reinterpret_cast<unsigned char*>(salt.data()), kSaltSize);
    std::string hash = HashDigest(salt, md5Hex);
    Statement s(*this, "UPDATE users SET pwd_salt = ?, pwd_hash = ? WHERE id = ?");
    s.BindBlob(1, salt.data(), kSaltSize)
        .BindBlob(2, hash.data(), static_cast<int>(hash.size()))
        .Bind(3, userId);
    return s.Run() && sqlite3_changes(db_) == 1;
}

bool ServiceStore::SetLoginState(int64_t userId, std::string_view state) {
    Statement s(*this, "UPDATE users SET login_state = ? WHERE id = ?");
    s.Bind(1, state).Bind(2, userId);
    return s.Run() && sqlite3_changes(db_) == 1;
}

std::string ServiceStore::CreateSession(int64_t userId) {
    std::string key = RandomHex(16);
    int64_t now = Now();
    bool ok = InTransaction([&] {
        Statement end(*this, "UPDATE sessions SET state = 1 WHERE user_id = ? AND state = 0");
        end.Bind(1, userId);
        if (!end.Run())
            return false;
        Statement add(
            *this, "INSERT INTO sessions (skey, user_id, created, last_seen) VALUES (?, ?, ?, ?)");
        add.Bind(1, key).Bind(2, userId).Bind(3, now).Bind(4, now);
        return add.Run();
    });
    return ok ? key : std::string();
}

SessionCheck ServiceStore::CheckSession(std::string_view key) {
    SessionCheck out;
    if (key.empty())
        return out;
    Statement s(*this, "SELECT id, user_id, state, last_seen FROM sessions WHERE skey = ?");
    s.Bind(1, key);
    if (!s.Step())
        return out;
    int64_t id = s.Int(0);
    out.userId = s.Int(1);
    int state = static_cast<int>(s.Int(2));
    int64_t now = Now();
    if (state == static_cast<int>(SessionState::kReplaced)) {
        out.result = SessionCheck::kReplaced;
        return out;
    }
    if (state != static_cast<int>(SessionState::kActive) || now - s.Int(3) > kSessionIdleLimit) {
        return out;
    }
    out.result = SessionCheck::kActive;
    // Touching the session costs a write; once a few seconds is precise enough for
    // the online state and keeps the busy read paths read-only.
    if (now - s.Int(3) >= 5) {
        Statement touch(*this, "UPDATE sessions SET last_seen = ? WHERE id = ?");
        touch.Bind(1, now).Bind(2, id);
        touch.Run();
    }
    return out;
}

std::vector<SessionRecord> ServiceStore::Sessions() {
    std::vector<SessionRecord> out;
    Statement s(*this,
                "SELECT s.id, s.skey, s.user_id, u.login, s.created, s.last_seen, s.state "
                "FROM sessions s JOIN users u ON u.id = s.user_id ORDER BY s.id");
    while (s.Step()) {
        SessionRecord r;
        r.id = s.Int(0);
        r.key = s.Text(1);
        r.userId = s.Int(2);
        r.login = s.Text(3);
        r.created = s.Int(4);
        r.lastSeen = s.Int(5);
        r.state = static_cast<int>(s.Int(6));
        out.push_back(std::move(r));
    }
    return out;
}

void ServiceStore::EndSessionsOf(int64_t userId) {
    Statement s(*this, "UPDATE sessions SET state = 2 WHERE user_id = ? AND state = 0");
    s.Bind(1, userId).Run();
}

int64_t ServiceStore::AddMenu(const MenuRecord& menu) {
    Statement s(*this, "INSERT INTO menus (id, name, link, use_link, sort) VALUES (?, ?, ?, ?, ?)");
    if (menu.id > 0) {
        s.Bind(1, menu.id);
    } else {
        s.BindNull(1);
    }
    s.Bind(2, menu.name).Bind(3, menu.link).Bind(4, static_cast<int64_t>(menu.useLink));
    s.Bind(5, menu.id);
    return s.Run() ? LastInsertId() : 0;
}

int64_t ServiceStore::AddColumn(int64_t menuId, std::string_view name, int64_t id) {
    Statement s(*this, "INSERT INTO news_columns (id, menu_id, name) VALUES (?, ?, ?)");
    if (id > 0) {
        s.Bind(1, id);
    } else {
        s.BindNull(1);
    }
    s.Bind(2, menuId).Bind(3, name);
    return s.Run() ? LastInsertId() : 0;
}

std::vector<MenuRecord> ServiceStore::Menus() {
    std::vector<MenuRecord> out;
    Statement s(*this, "SELECT id, name, link, use_link FROM menus ORDER BY sort, id");
    while (s.Step()) {
        out.push_back({s.Int(0), s.Text(1), s.Text(2), s.Int(3) != 0});
    }
    return out;
}

std::vector<ColumnRecord> ServiceStore::Columns(std::optional<int64_t> menuId) {
    std::vector<ColumnRecord> out;
    std::string sql =
        "SELECT c.id, c.menu_id, c.name, m.name FROM news_columns c JOIN menus m ON m.id = "
        "c.menu_id ";
    if (menuId)
        sql += "WHERE c.menu_id = ? ";
    sql += "ORDER BY c.id";
    Statement s(*this, sql.c_str());
    if (menuId)
        s.Bind(1, *menuId);
    while (s.Step()) {
        out.push_back({s.Int(0), s.Int(1), s.Text(2), s.Text(3)});
    }
    return out;
}

std::optional<ColumnRecord> ServiceStore::ColumnById(int64_t id) {
    Statement s(*this,
                "SELECT c.id, c.menu_id, c.name, m.name FROM news_columns c JOIN menus m ON m.id "
                "= c.menu_id WHERE c.id = ?");
    s.Bind(1, id);
    if (!s.Step())
        return std::nullopt;
    return ColumnRecord{s.Int(0), s.Int(1), s.Text(2), s.Text(3)};
}

std::optional<int64_t> ServiceStore::AddArticle(const NewArticle& a) {
    if (a.title.empty() || !ColumnById(a.columnId))
        return std::nullopt;
    std::optional<int64_t> id;
    InTransaction([&] {
        Statement s(*this,
                    "INSERT INTO articles (title, html, author, column_id, insert_time, "
                    "needs_review, recommended, stock_codes, publish_seq) VALUES (?, ?, ?, ?, ?, "
                    "?, ?, ?, CASE WHEN ? THEN NULL ELSE (SELECT COALESCE(MAX(publish_seq), 0) + "
                    "1 FROM articles) END)");
        s.Bind(1, a.title)
            .Bind(2, a.html)
            .Bind(3, a.author)
            .Bind(4, a.columnId)
            .Bind(5, a.insertTime ? a.insertTime : Now())
            .Bind(6, static_cast<int64_t>(a.needsReview))
            .Bind(7, static_cast<int64_t>(a.recommended))
            .Bind(8, a.stockCodes)
            .Bind(9, static_cast<int64_t>(a.needsReview));
        if (!s.Run())
            return false;
        id = LastInsertId();
        return true;
    });
    return id;
}

bool ServiceStore::ApproveArticle(int64_t id) {
    Statement s(*this,
                "UPDATE articles SET needs_review = 0, publish_seq = (SELECT COALESCE(MAX("
                "publish_seq), 0) + 1 FROM articles) WHERE id = ? AND needs_review = 1");
    s.Bind(1, id);
    return s.Run() && sqlite3_changes(db_) == 1;
}

std::optional<ArticleRecord> ServiceStore::Article(int64_t id, bool includeUnreviewed) {
    std::string sql = ArticleSelect(true) + "WHERE a.id = ?";
    if (!includeUnreviewed)
        sql += " AND a.needs_review = 0";
    Statement s(*this, sql.c_str());
    s.Bind(1, id);
    if (!s.Step())
        return std::nullopt;
    return ReadArticle(s);
}

std::vector<ArticleRecord> ServiceStore::Articles(const ArticleQuery& q) {
    std::string sql = ArticleSelect(q.withText) + "WHERE a.needs_review = 0 ";
    if (q.menuId)
        sql += "AND c.menu_id = :menu ";
    if (q.columnId)
        sql += "AND a.column_id = :col ";
    if (q.recommendedOnly)
        sql += "AND a.recommended = 1 ";
    if (q.favouritesOf) {
        sql += "AND a.column_id IN (SELECT column_id FROM favourites WHERE user_id = :fav) ";
    }
    // instr() rather than LIKE: '%' and '_' in the user's text match only themselves.
    if (q.searchKind) {
        switch (*q.searchKind) {
            case SearchKind::kStock:
                sql += "AND (instr(a.stock_codes, :q) > 0 OR instr(a.title, :q) > 0) ";
                break;
            case SearchKind::kTitle:
                sql += "AND instr(lower(a.title), lower(:q)) > 0 ";
                break;
            case SearchKind::kText:
                sql +=
                    "AND (instr(lower(a.html), lower(:q)) > 0 OR "
                    "instr(lower(a.title), lower(:q)) > 0) ";
                break;
            case SearchKind::kAuthor:
                sql += "AND instr(lower(a.author), lower(:q)) > 0 ";
                break;
        }
    }
    sql += "ORDER BY a.insert_time DESC, a.id DESC LIMIT :limit";
    Statement s(*this, sql.c_str());
    if (!s.ok())
        return {};
    std::vector<ArticleRecord> out;
    // Named parameters keep the optional filters independent of each other.
    auto bindNamed = [&](const char* name, auto value) {
        int idx = s.ParamIndex(name);
        if (idx > 0)
            s.Bind(idx, value);
    };
    if (q.menuId)
        bindNamed(":menu", *q.menuId);
    if (q.columnId)
        bindNamed(":col", *q.columnId);
    if (q.favouritesOf)
        bindNamed(":fav", *q.favouritesOf);
    if (q.searchKind)
        bindNamed(":q", std::string_view(q.searchText));
    bindNamed(":limit", static_cast<int64_t>(q.limit));
    while (s.Step())
        out.push_back(ReadArticle(s));
    return out;
}

std::vector<ArticleRecord> ServiceStore::TakeNewArticles(int64_t userId, int limit) {
    std::vector<ArticleRecord> out;
    InTransaction([&] {
        Statement s(*this, (ArticleSelect(true) +
                            ", users u WHERE u.id = ? AND a.publish_seq > u.news_seen_seq "
                            "AND a.needs_review = 0 ORDER BY a.publish_seq LIMIT ?")
                               .c_str());
        s.Bind(1, userId).Bind(2, static_cast<int64_t>(limit));
        while (s.Step())
            out.push_back(ReadArticle(s));
        if (out.empty())
            return true;
        Statement mark(*this,
                       "UPDATE users SET news_seen_seq = (SELECT MAX(publish_seq) FROM articles "
                       "WHERE id IN (SELECT value FROM json_each(?))) WHERE id = ?");
        std::string ids = "[";
        for (const auto& a : out)
            ids += std::to_string(a.id) + ",";
        ids.back() = ']';
        mark.Bind(1, ids).Bind(2, userId);
        return mark.Run();
    });
    return out;
}

std::vector<ArticleRecord> ServiceStore::TakeArticlesToReview(int64_t userId, int limit) {
    std::vector<ArticleRecord> out;
    InTransaction([&] {
        Statement s(*this, (ArticleSelect(true) +
                            ", users u WHERE u.id = ? AND u.reviewer = 1 AND a.needs_review = 1 "
                            "AND a.id > u.review_seen_id ORDER BY a.id LIMIT ?")
                               .c_str());
        s.Bind(1, userId).Bind(2, static_cast<int64_t>(limit));
        while (s.Step())
            out.push_back(ReadArticle(s));
        if (out.empty())
            return true;
        Statement mark(*this, "UPDATE users SET review_seen_id = ? WHERE id = ?");
        mark.Bind(1, out.back().id).Bind(2, userId);
        return mark.Run();
    });
    return out;
}

void ServiceStore::MarkAllArticlesSeen(int64_t userId, int64_t keepUnseen) {
    Statement s(*this,
                "UPDATE users SET news_seen_seq = MAX(0, (SELECT COALESCE(MAX(publish_seq), 0) "
                "FROM articles) - ?) WHERE id = ?");
    s.Bind(1, keepUnseen).Bind(2, userId).Run();
}

bool ServiceStore::AddFavourite(int64_t userId, int64_t columnId) {
    if (!ColumnById(columnId))
        return false;
    Statement s(*this, "INSERT OR IGNORE INTO favourites (user_id, column_id) VALUES (?, ?)");
    s.Bind(1, userId).Bind(2, columnId);
    return s.Run();
}

std::vector<ColumnRecord> ServiceStore::Favourites(int64_t userId) {
    std::vector<ColumnRecord> out;
    Statement s(*this,
                "SELECT c.id, c.menu_id, c.name, m.name FROM favourites f JOIN news_columns c ON "
                "c.id = f.column_id JOIN menus m ON m.id = c.menu_id WHERE f.user_id = ? ORDER BY "
                "c.id");
    s.Bind(1, userId);
    while (s.Step())
        out.push_back({s.Int(0), s.Int(1), s.Text(2), s.Text(3)});
    return out;
}

std::vector<ContactRecord> ServiceStore::Contacts(int64_t userId, int64_t onlineWindowSeconds) {
    std::vector<ContactRecord> out;
    auto self = UserById(userId);
    if (!self)
        return out;
    // Staff see their colleagues and the customers of every organisation they cover;
    // customers see the staff of their own organisation.
    std::string orgList = "," + self->orgIdList + ",";
    Statement s(*this,
                "SELECT u.id, u.true_name, u.user_type, o.name, u.login_state, "
                "(SELECT MAX(s.id) FROM sessions s WHERE s.user_id = u.id AND s.state = 0 AND "
                "s.last_seen >= ?) "
                "FROM users u LEFT JOIN orgs o ON o.id = u.org_id "
                "WHERE u.id <> ? AND ("
                "  (? = 1 AND (u.user_type <> 0 OR instr(?, ',' || u.org_id || ',') > 0)) OR "
                "  (? = 0 AND u.user_type <> 0 AND instr(',' || u.org_idstr || ',', ',' || ? || "
                "',') > 0)) "
                "ORDER BY u.user_type DESC, u.org_id, u.id");
    int64_t staff = self->type == UserType::kStaff ? 1 : 0;
    s.Bind(1, Now() - onlineWindowSeconds)
        .Bind(2, userId)
        .Bind(3, staff)
        .Bind(4, orgList)
        .Bind(5, staff)
        .Bind(6, std::to_string(self->orgId));
    while (s.Step()) {
        ContactRecord c;
        c.id = s.Int(0);
        c.trueName = s.Text(1);
        c.type = s.Int(2) == 0 ? UserType::kCustomer : UserType::kStaff;
        c.orgName = s.Text(3);
        c.loginState = s.Text(4);
        c.online = !s.IsNull(5);
        c.sessionId = c.online ? s.Int(5) : 0;
        out.push_back(std::move(c));
    }
    return out;
}

std::optional<int64_t> ServiceStore::AddChat(int64_t fromId, int64_t toId, std::string_view content,
                                             int64_t at) {
    if (content.empty() || fromId == toId || !UserById(toId))
        return std::nullopt;
    Statement s(
        *this,
        "INSERT INTO chat_messages (from_id, to_id, content, sent_time) VALUES (?, ?, ?, ?)");
    s.Bind(1, fromId).Bind(2, toId).Bind(3, content).Bind(4, at ? at : Now());
    if (!s.Run())
        return std::nullopt;
    return LastInsertId();
}

std::vector<ChatRecord> ServiceStore::UnreadChats(int64_t toId, int limit) {
    std::vector<ChatRecord> out;
    Statement s(*this,
                "SELECT m.id, m.from_id, m.to_id, u.true_name, m.content, m.sent_time, m.state "
                "FROM chat_messages m JOIN users u ON u.id = m.from_id "
                "WHERE m.to_id = ? AND m.state = 0 ORDER BY m.id LIMIT ?");
    s.Bind(1, toId).Bind(2, static_cast<int64_t>(limit));
    while (s.Step()) {
        out.push_back({s.Int(0), s.Int(1), s.Int(2), s.Text(3), s.Text(4), s.Int(5),
                       static_cast<int>(s.Int(6))});
    }
    return out;
}

bool ServiceStore::SetChatState(int64_t msgId, int64_t userId, int state) {
    Statement s(*this, "UPDATE chat_messages SET state = ? WHERE id = ? AND to_id = ?");
    s.Bind(1, static_cast<int64_t>(state)).Bind(2, msgId).Bind(3, userId);
    return s.Run() && sqlite3_changes(db_) == 1;
}

std::optional<int64_t> ServiceStore::AddBoardMessage(int64_t parentId, int64_t userId,
                                                     int64_t orgId, std::string_view title,
                                                     std::string_view text, int64_t at) {
    if (text.empty())
        return std::nullopt;
    auto user = UserById(userId);
    if (!user)
        return std::nullopt;
    if (parentId == -1) {
        if (title.empty())
            return std::nullopt;
    } else if (BoardThread(parentId, *user).empty()) {
        return std::nullopt;  // a reply needs a thread the user may read
    }
    Statement s(*this,
                "INSERT INTO board_messages (parent_id, user_id, org_id, title, meno, insert_time) "
                "VALUES (?, ?, ?, ?, ?, ?)");
    s.Bind(1, parentId).Bind(2, userId).Bind(3, orgId).Bind(4, title).Bind(5, text);
    s.Bind(6, at ? at : Now());
    if (!s.Run())
        return std::nullopt;
    return LastInsertId();
}

std::vector<BoardRecord> ServiceStore::BoardThreads(const UserRecord& viewer, int limit) {
    std::vector<BoardRecord> out;
    // Customers see their own threads; staff see those of the organisations they cover.
    Statement s(*this,
                "SELECT b.id, b.parent_id, b.user_id, u.true_name, b.title, b.meno, b.insert_time, "
                "(SELECT COUNT(*) FROM board_messages r WHERE r.parent_id = b.id) "
                "FROM board_messages b JOIN users u ON u.id = b.user_id WHERE b.parent_id = -1 AND "
                "((? = 0 AND b.user_id = ?) OR (? = 1 AND instr(?, ',' || b.org_id || ',') > 0)) "
                "ORDER BY b.insert_time DESC, b.id DESC LIMIT ?");
    int64_t staff = viewer.type == UserType::kStaff ? 1 : 0;
    s.Bind(1, staff)
        .Bind(2, viewer.id)
        .Bind(3, staff)
        .Bind(4, "," + viewer.orgIdList + ",")
        .Bind(5, static_cast<int64_t>(limit));
    while (s.Step()) {
        out.push_back({s.Int(0), s.Int(1), s.Int(2), s.Text(3), s.Text(4), s.Text(5), s.Int(6),
                       static_cast<int>(s.Int(7))});
    }
    return out;
}

std::vector<BoardRecord> ServiceStore::BoardThread(int64_t threadId, const UserRecord& viewer) {
    std::vector<BoardRecord> out;
    Statement head(*this,
                   "SELECT user_id, org_id FROM board_messages WHERE id = ? AND parent_id = -1");
    head.Bind(1, threadId);
    if (!head.Step())
        return out;
    bool mayRead =
        viewer.type == UserType::kStaff
            ? ("," + viewer.orgIdList + ",").find("," + std::to_string(head.Int(1)) + ",") !=
                  std::string::npos
            : head.Int(0) == viewer.id;
    if (!mayRead)
        return out;
    Statement s(*this,
                "SELECT b.id, b.parent_id, b.user_id, u.true_name, b.title, b.meno, b.insert_time, "
                "0 FROM board_messages b JOIN users u ON u.id = b.user_id "
                "WHERE b.id = ? OR b.parent_id = ? ORDER BY b.id");
    s.Bind(1, threadId).Bind(2, threadId);
    while (s.Step()) {
        out.push_back({s.Int(0), s.Int(1), s.Int(2), s.Text(3), s.Text(4), s.Text(5), s.Int(6), 0});
    }
    return out;
}

bool ServiceStore::AddQuestionnaire(const Questionnaire& f) {
    Statement s(*this,
                "INSERT INTO questionnaires (user_id, pinfen, liangdian, jianyi, insert_time) "
                "VALUES (?, ?, ?, ?, ?)");
    s.Bind(1, f.userId)
        .Bind(2, static_cast<int64_t>(f.score))
        .Bind(3, static_cast<int64_t>(f.highlight))
        .Bind(4, f.remark)
        .Bind(5, Now());
    return s.Run();
}

bool ServiceStore::AddCustomRequest(const CustomRequest& f) {
    Statement s(*this,
                "INSERT OR IGNORE INTO custom_requests (user_id, name, usrcode, addr, mobile, pho, "
                "insert_time) VALUES (?, ?, ?, ?, ?, ?, ?)");
    s.Bind(1, f.userId)
        .Bind(2, f.name)
        .Bind(3, f.userCode)
        .Bind(4, f.address)
        .Bind(5, f.mobile)
        .Bind(6, f.phone)
        .Bind(7, Now());
    return s.Run() && sqlite3_changes(db_) == 1;
}

int ServiceStore::CountRows(std::string_view table) {
    static const char* const kTables[] = {"users",           "orgs",           "menus",
                                          "news_columns",    "articles",       "favourites",
                                          "chat_messages",   "board_messages", "questionnaires",
                                          "custom_requests", "picture_strip",  "sessions"};
    for (const char* t : kTables) {
        if (table == t) {
            Statement s(*this, (std::string("SELECT COUNT(*) FROM ") + t).c_str());
            return s.Step() ? static_cast<int>(s.Int(0)) : -1;
        }
    }
    return -1;
}

void ServiceStore::AddPicture(const PictureRecord& p, int sort) {
    Statement s(*this, "INSERT INTO picture_strip (sort, photo_url, text_url) VALUES (?, ?, ?)");
    s.Bind(1, static_cast<int64_t>(sort)).Bind(2, p.photoUrl).Bind(3, p.textUrl).Run();
}

std::vector<PictureRecord> ServiceStore::Pictures() {
    std::vector<PictureRecord> out;
    Statement s(*this, "SELECT photo_url, text_url FROM picture_strip ORDER BY sort, id");
    while (s.Step())
        out.push_back({s.Text(0), s.Text(1)});
    return out;
}

}  // namespace vqsvc
