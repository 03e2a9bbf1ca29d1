#pragma once

// Persistent state of the reference service: one SQLite database in WAL mode in
// the data folder. Texts are stored as UTF-8; the wire's GBK is converted by the
// callers. One ServiceStore is one connection and is used by one thread at a time;
// other processes (the admin commands) open their own and SQLite serialises writers.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;

namespace vqsvc {

// Seconds since the epoch; injectable so tests never depend on the real clock.
using Clock = std::function<int64_t()>;
Clock SystemClock();

inline constexpr int kSchemaVersion = 3;

enum class UserType { kCustomer = 0, kStaff = 1 };

struct UserRecord {
    int64_t id = 0;
    std::string login;
    UserType type = UserType::kCustomer;
    std::string trueName;
    int64_t orgId = 0;
    std::string orgIdList;  // comma-separated organisation ids the user covers
    bool reviewer = false;
    std::string loginState = "0";
};

struct NewUser {
    std::string login;
    std::string password;  // plain; only its digest is kept
    UserType type = UserType::kCustomer;
    std::string trueName;
    int64_t orgId = 0;
    std::string orgIdList;  // empty: just orgId
    bool reviewer = false;
    int64_t id = 0;  // 0: next free id
};

struct MenuRecord {
    int64_t id = 0;
    std::string name;
    std::string link;
    bool useLink = false;
};

struct ColumnRecord {
    int64_t id = 0;
    int64_t menuId = 0;
    std::string name;
    std::string menuName;
};

struct ArticleRecord {
    int64_t id = 0;
    std::string title;
    std::string html;
    std::string author;
    int64_t columnId = 0;
    int64_t menuId = 0;
    std::string columnName;
    std::string menuName;
    int64_t insertTime = 0;
    bool needsReview = false;
    bool recommended = false;
    std::string stockCodes;  // comma-separated six-digit codes
};

struct NewArticle {
    std::string title;
    std::string html;
    std::string author;
    int64_t columnId = 0;
    int64_t insertTime = 0;  // 0: now
    bool needsReview = false;
    bool recommended = false;
    std::string stockCodes;
};

enum class SearchKind { kStock, kTitle, kText, kAuthor };

// Which articles a list shows; unset fields do not filter. Articles waiting for
// review never appear.
struct ArticleQuery {
    std::optional<int64_t> menuId;
    std::optional<int64_t> columnId;
    bool recommendedOnly = false;
    std::optional<int64_t> favouritesOf;  // user id: only that user's favourite columns
    std::optional<SearchKind> searchKind;
    std::string searchText;
    int limit = 50;
    bool withText = false;  // fill ArticleRecord::html
};

struct ContactRecord {
    int64_t id = 0;
    std::string trueName;
    UserType type = UserType::kCustomer;
    std::string orgName;
    bool online = false;
    int64_t sessionId = 0;  // public number of the live session, never its key
    std::string loginState;
};

struct ChatRecord {
    int64_t id = 0;
    int64_t fromId = 0;
    int64_t toId = 0;
    std::string fromName;
    std::string content;
    int64_t sentTime = 0;
    int state = 0;
};

struct BoardRecord {
    int64_t id = 0;
    int64_t parentId = -1;
    int64_t userId = 0;
    std::string author;
    std::string title;
    std::string text;
    int64_t insertTime = 0;
    int replies = 0;
};

struct SessionRecord {
    int64_t id = 0;
    std::string key;
    int64_t userId = 0;
    std::string login;
    int64_t created = 0;
    int64_t lastSeen = 0;
    int state = 0;  // SessionState
};

enum class SessionState { kActive = 0, kReplaced = 1, kExpired = 2 };

struct SessionCheck {
    enum Result { kUnknown, kActive, kReplaced } result = kUnknown;
    int64_t userId = 0;
};

struct CustomRequest {
    int64_t userId = 0;
    std::string name, userCode, address, mobile, phone;
};

struct Questionnaire {
    int64_t userId = 0;
    int score = 0;
    int highlight = 0;
    std::string remark;
};

struct PictureRecord {
    std::string photoUrl;  // an address the page can load itself, or a generated picture's name
    std::string textUrl;
};

class ServiceStore {
public:
    ServiceStore() = default;
    ~ServiceStore();
    ServiceStore(const ServiceStore&) = delete;
    ServiceStore& operator=(const ServiceStore&) = delete;

    // Opens (creating if needed) `dataDir`/velquor.db and upgrades its schema to
    // `targetVersion`. False with a reason in LastError() on failure.
    bool Open(const std::string& dataDir, Clock clock, int targetVersion = kSchemaVersion);
    void Close();
    bool IsOpen() const { return db_ != nullptr; }
    int SchemaVersion();
    const std::string& LastError() const { return error_; }
    int64_t Now() const { return clock_(); }

    // SQLite's own consistency check of the whole file.
    bool IntegrityOk();
    // True when the database holds no user yet (a fresh data folder).
    bool IsEmpty();

    // Runs `work` inside one write transaction; rolled back when it returns false.
    bool InTransaction(const std::function<bool()>& work);

    // Users and organisations.
    int64_t AddOrganisation(std::string_view name, int64_t id = 0);
    std::optional<int64_t> AddUser(const NewUser& user);
    std::optional<UserRecord> UserByLogin(std::string_view login);
    std::optional<UserRecord> UserById(int64_t id);
    // `md5Hex` is the 32-digit MD5 of the password, as the client sends it.
    bool CheckPasswordDigest(int64_t userId, std::string_view md5Hex);
    bool SetPasswordDigest(int64_t userId, std::string_view md5Hex);
    bool SetLoginState(int64_t userId, std::string_view state);

    // Sessions: a new login replaces the user's earlier sessions.
    std::string CreateSession(int64_t userId);
    SessionCheck CheckSession(std::string_view key);
    std::vector<SessionRecord> Sessions();
    void EndSessionsOf(int64_t userId);

    // Menus, columns and articles.
    int64_t AddMenu(const MenuRecord& menu);
    int64_t AddColumn(int64_t menuId, std::string_view name, int64_t id = 0);
    std::vector<MenuRecord> Menus();
    std::vector<ColumnRecord> Columns(std::optional<int64_t> menuId = std::nullopt);
    std::optional<ColumnRecord> ColumnById(int64_t id);
    std::optional<int64_t> AddArticle(const NewArticle& article);
    bool ApproveArticle(int64_t id);
    std::optional<ArticleRecord> Article(int64_t id, bool includeUnreviewed = false);
    std::vector<ArticleRecord> Articles(const ArticleQuery& query);
    // Published articles the user has not been told of; advances the user's mark.
    std::vector<ArticleRecord> TakeNewArticles(int64_t userId, int limit);
    // Articles waiting for review that the reviewer has not been told of.
    std::vector<ArticleRecord> TakeArticlesToReview(int64_t userId, int limit);
    // Marks every published article as seen by the user (used for fresh users).
    void MarkAllArticlesSeen(int64_t userId, int64_t keepUnseen = 0);

    // Favourite columns.
    bool AddFavourite(int64_t userId, int64_t columnId);
    std::vector<ColumnRecord> Favourites(int64_t userId);

    // Contacts of a user: colleagues and the customers of their organisations.
    std::vector<ContactRecord> Contacts(int64_t userId, int64_t onlineWindowSeconds);

    // Chat.
    // `at` 0: now.
    std::optional<int64_t> AddChat(int64_t fromId, int64_t toId, std::string_view content,
                                   int64_t at = 0);
    std::vector<ChatRecord> UnreadChats(int64_t toId, int limit);
    // Only the addressee may change a message's state.
    bool SetChatState(int64_t msgId, int64_t userId, int state);

    // Board: threads (parent -1) and replies.
    std::optional<int64_t> AddBoardMessage(int64_t parentId, int64_t userId, int64_t orgId,
                                           std::string_view title, std::string_view text,
                                           int64_t at = 0);
    std::vector<BoardRecord> BoardThreads(const UserRecord& viewer, int limit);
    // The thread's first message and its replies in order; empty when the viewer
    // may not read it.
    std::vector<BoardRecord> BoardThread(int64_t threadId, const UserRecord& viewer);

    // Forms.
    bool AddQuestionnaire(const Questionnaire& form);
    // False when the user code was already used.
    bool AddCustomRequest(const CustomRequest& form);
    int CountRows(std::string_view table);

    // Picture strip.
    void AddPicture(const PictureRecord& picture, int sort);
    std::vector<PictureRecord> Pictures();

private:
    friend class Statement;
    bool Exec(const char* sql);
    bool Migrate(int targetVersion);
    int64_t LastInsertId();

    sqlite3* db_ = nullptr;
    Clock clock_;
    std::string error_;
};

}  // namespace vqsvc
