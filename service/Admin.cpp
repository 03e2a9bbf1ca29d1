#include "service/Admin.h"

#include <ctime>
#include <map>

#include "service/DemoData.h"
#include "service/RequestParams.h"
#include "service/ServiceHandler.h"

namespace vqsvc {

namespace {

// --name value pairs and bare --flags after the command name.
bool ParseOptions(const std::vector<std::string>& args, std::map<std::string, std::string>* out,
                  std::ostream& err) {
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a.rfind("--", 0) != 0) {
            (*out)[""] = a;  // one positional value
            continue;
        }
        std::string name(a.begin() + 2, a.end());
        static const char* const kFlags[] = {"review", "recommend", "reviewer"};
        bool flag = false;
        for (const char* f : kFlags)
            flag = flag || name == f;
        if (flag) {
            (*out)[name] = std::string(1, '1');
        } else if (i + 1 < args.size()) {
            (*out)[name] = args[++i];
        } else {
            err << "option --" << name << " needs a value\n";
            return false;
        }
    }
    return true;
}

std::string Get(const std::map<std::string, std::string>& o, const std::string& k) {
    auto it = o.find(k);
    return it == o.end() ? std::string() : it->second;
}

std::string FormatTime(int64_t t) {
    if (t == 0)
        return "-";
    time_t tt = static_cast<time_t>(t);
    struct tm tm {};
    gmtime_r(&tt, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%SZ", &tm);
    return buf;
}

int AddArticle(ServiceStore& store, const std::map<std::string, std::string>& o, std::ostream& out,
               std::ostream& err) {
    NewArticle a;
    a.title = Get(o, "title");
    std::string column = Get(o, "column");
    if (a.title.empty() || column.empty()) {
        err << "add-article needs --title and --column (id or name)\n";
        return 2;
    }
    if (auto id = ParseId(column)) {
        a.columnId = *id;
    } else {
        for (const auto& c : store.Columns()) {
            if (c.name == column)
                a.columnId = c.id;
        }
    }
    if (!store.ColumnById(a.columnId)) {
        err << "no such column: " << column << "\n";
        return 1;
    }
    a.author = Get(o, "author").empty() ? "营业部" : Get(o, "author");
    std::string text = Get(o, "text");
    a.html = text.find('<') != std::string::npos ? text : DemoArticleHtml(a.title, text);
    a.needsReview = !Get(o, "review").empty();
    a.recommended = !Get(o, "recommend").empty();
    a.stockCodes = Get(o, "stocks");
    auto id = store.AddArticle(a);
    if (!id) {
        err << "article not added: " << store.LastError() << "\n";
        return 1;
    }
    out << "article " << *id << (a.needsReview ? " added, waiting for review\n" : " published\n");
    return 0;
}

int SendChat(ServiceStore& store, const std::map<std::string, std::string>& o, std::ostream& out,
             std::ostream& err) {
    auto from = store.UserByLogin(Get(o, "from"));
    auto to = store.UserByLogin(Get(o, "to"));
    std::string text = Get(o, "text");
    if (!from || !to || text.empty()) {
        err << "send-chat needs --from LOGIN --to LOGIN --text TEXT with existing users\n";
        return from && to ? 2 : 1;
    }
    auto id = store.AddChat(from->id, to->id, text);
    if (!id) {
        err << "message not stored: " << store.LastError() << "\n";
        return 1;
    }
    out << "message " << *id << " from " << from->login << " to " << to->login << " waiting\n";
    return 0;
}

int ListSessions(ServiceStore& store, std::ostream& out) {
    static const char* const kStates[] = {"active", "replaced", "ended"};
    out << "id\tuser\tstate\tcreated\tlast seen\n";
    for (const auto& s : store.Sessions()) {
        bool expired = s.state == 0 && store.Now() - s.lastSeen > kOnlineWindowSeconds;
        out << s.id << "\t" << s.login << "\t"
            << (s.state >= 0 && s.state <= 2 ? kStates[s.state] : "?") << (expired ? " (idle)" : "")
            << "\t" << FormatTime(s.created) << "\t" << FormatTime(s.lastSeen) << "\n";
    }
    return 0;
}

int AddUser(ServiceStore& store, const std::map<std::string, std::string>& o, std::ostream& out,
            std::ostream& err) {
    NewUser u;
    u.login = Get(o, "login");
    u.password = Get(o, "password");
    u.trueName = Get(o, "name").empty() ? u.login : Get(o, "name");
    std::string type = Get(o, "type");
    u.type = type == "staff" ? UserType::kStaff : UserType::kCustomer;
    auto org = ParseId(Get(o, "org").empty() ? "1" : Get(o, "org"));
    u.orgId = org.value_or(0);
    u.orgIdList = Get(o, "orgs");
    u.reviewer = !Get(o, "reviewer").empty();
    if (u.login.empty() || u.password.empty() ||
        (type != "" && type != "staff" && type != "customer") || !org) {
        err << "add-user needs --login and --password; --type staff|customer, --org ID\n";
        return 2;
    }
    auto id = store.AddUser(u);
    if (!id) {
        err << "user not added (login taken?): " << store.LastError() << "\n";
        return 1;
    }
    store.MarkAllArticlesSeen(*id);
    out << "user " << *id << " (" << u.login << ") added\n";
    return 0;
}

}  // namespace

std::string DemoDataFolder(const std::function<const char*(const char*)>& env) {
    auto set = [&](const char* name) -> std::string {
        const char* v = env(name);
        return v != nullptr ? std::string(v) : std::string();
    };
    if (const std::string home = set("VELQUOR_HOME"); !home.empty()) {
        return home + "/service";
    }
    // As the XDG rules say: a relative XDG_DATA_HOME is to be ignored.
    if (const std::string data = set("XDG_DATA_HOME"); !data.empty() && data[0] == '/') {
        return data + "/velquor/service";
    }
    if (const std::string home = set("HOME"); !home.empty()) {
        return home + "/.local/share/velquor/service";
    }
    return "velquor-data";
}

void PrintAdminUsage(std::ostream& out) {
    out << "admin commands (velquor-service admin [--data DIR] COMMAND ...; without --data,\n"
           "the demo's data folder):\n"
           "  add-article --title T --column ID|NAME [--author A] [--text TEXT|HTML]\n"
           "              [--stocks 600036,000001] [--recommend] [--review]\n"
           "  approve-article ID\n"
           "  send-chat --from LOGIN --to LOGIN --text TEXT\n"
           "  list-sessions\n"
           "  add-user --login L --password P [--name N] [--type staff|customer]\n"
           "           [--org ID] [--orgs 1,2,3] [--reviewer]\n";
}

int RunAdminCommand(const std::string& dataDir, const std::vector<std::string>& args,
                    std::ostream& out, std::ostream& err, Clock clock) {
    if (args.empty()) {
        PrintAdminUsage(err);
        return 2;
    }
    std::map<std::string, std::string> o;
    if (!ParseOptions(args, &o, err))
        return 2;
    ServiceStore store;
    if (!store.Open(dataDir, clock)) {
        err << "cannot open the data folder " << dataDir << ": " << store.LastError() << "\n";
        return 1;
    }
    const std::string& cmd = args[0];
    if (cmd == "add-article")
        return AddArticle(store, o, out, err);
    if (cmd == "send-chat")
        return SendChat(store, o, out, err);
    if (cmd == "list-sessions")
        return ListSessions(store, out);
    if (cmd == "add-user")
        return AddUser(store, o, out, err);
    if (cmd == "approve-article") {
        auto id = ParseId(Get(o, ""));
        if (!id) {
            err << "approve-article needs an article id\n";
            return 2;
        }
        if (!store.ApproveArticle(*id)) {
            err << "article " << *id << " is not waiting for review\n";
            return 1;
        }
        out << "article " << *id << " published\n";
        return 0;
    }
    PrintAdminUsage(err);
    return 2;
}

}  // namespace vqsvc
