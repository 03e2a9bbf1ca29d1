// vqcli: logs in to the service and makes one call, printing every record set
// of the reply as one JSON object per line. Built on the program's own worker
// and codec.

#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/core/Text.h"
#include "protocol/ServiceContract.h"
#include "protocol/SockThread.h"
#include "session/ConfigFile.h"

namespace {

enum ExitCode {
    kExitOk = 0,
    kExitUsage = 2,
    kExitNoConnection = 3,
    kExitLoginRefused = 4,
    kExitTransfer = 5,
    kExitTimeout = 6,
    kExitEmptyReply = 7,
};

const char kUsage[] =
    "usage: vqcli [--config FILE] [--host HOST] [--port PORT] [--mode http|binary]\n"
    "             [--common TEXT] [--renzheng TEXT] [--key FILE] [--timeout SECONDS]\n"
    "             --user NAME --password PASS\n"
    "             (--call NUMBER [name=value ...] | --raw TEXT)\n"
    "Prints each record set of the reply as one JSON line. Exit codes: 0 reply printed,\n"
    "2 usage, 3 no connection, 4 login refused or probe failed, 5 send or receive\n"
    "failure, 6 time-out, 7 a reply without any record set.\n";

struct Options {
    std::string config;
    std::optional<std::string> host;
    std::optional<int> port;
    std::optional<std::string> mode;
    std::optional<std::string> common;
    std::optional<std::string> renZheng;
    std::string key{kPublicKeyFile};
    double timeout = 30;
    std::string user;
    std::string password;
    std::string call;
    std::vector<std::string> pairs;
    std::optional<std::string> raw;
};

bool ParseNumber(const char* text, int* out) {
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || v < 0 || v > 65535) {
        return false;
    }
    *out = static_cast<int>(v);
    return true;
}

std::optional<Options> Parse(int argc, char** argv) {
    Options o;
    bool haveUser = false, havePassword = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto next = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
        const char* v = nullptr;
        if (a == "--call") {
            if ((v = next()) == nullptr)
                return std::nullopt;
            o.call = v;
            while (i + 1 < argc && std::strncmp(argv[i + 1], "--", 2) != 0) {
                o.pairs.emplace_back(argv[++i]);
            }
            continue;
        }
        if (a == "--help" || a == "-h" || (v = next()) == nullptr) {
            return std::nullopt;
        }
        if (a == "--config") {
            o.config = v;
        } else if (a == "--host") {
            o.host = v;
        } else if (a == "--port") {
            int p;
            if (!ParseNumber(v, &p))
                return std::nullopt;
            o.port = p;
        } else if (a == "--mode") {
            if (std::strcmp(v, "http") != 0 && std::strcmp(v, "binary") != 0)
                return std::nullopt;
            o.mode = v;
        } else if (a == "--common") {
            o.common = v;
        } else if (a == "--renzheng") {
            o.renZheng = v;
        } else if (a == "--key") {
            o.key = v;
        } else if (a == "--timeout") {
            char* end = nullptr;
            o.timeout = std::strtod(v, &end);
            if (end == v || *end != '\0' || !(o.timeout > 0) || o.timeout > 86400)
                return std::nullopt;
        } else if (a == "--user") {
            o.user = v;
            haveUser = true;
        } else if (a == "--password") {
            o.password = v;
            havePassword = true;
        } else if (a == "--raw") {
            o.raw = v;
        } else {
            return std::nullopt;
        }
    }
    const bool callGiven = !o.call.empty();
    if (!haveUser || !havePassword || callGiven == o.raw.has_value()) {
        return std::nullopt;
    }
    for (const std::string& pair : o.pairs) {
        if (pair.find('=') == std::string::npos)
            return std::nullopt;
    }
    if (callGiven) {
        int n;
        if (!ParseNumber(o.call.c_str(), &n))
            return std::nullopt;
    }
    return o;
}

// The call's parameter text; typed values are escaped as every form escapes them.
std::string BuildText(const Options& o) {
    if (o.raw) {
        return vq::Utf8ToGbk(*o.raw);
    }
    std::string text(kParameterPrefix);
    text += o.call;
    for (const std::string& pair : o.pairs) {
        const size_t eq = pair.find('=');
        text += '&';
        text += vq::Utf8ToGbk(pair.substr(0, eq));
        text += '=';
        text += EscapeUserText(vq::Utf8ToGbk(pair.substr(eq + 1)));
    }
    return text;
}

std::string Json(std::string_view gbk) {
    const std::string utf8 = vq::GbkToUtf8(gbk);
    std::string out = "\"";
    for (unsigned char c : utf8) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (c < 0x20) {
                    char buf[8];
                    std::snprintf(buf, sizeof buf, "\\u%04x", c);
                    out += buf;
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    return out + "\"";
}

void Print(RecordSet& rs) {
    std::string line = "{\"tag\":" + Json(rs.Tag()) + ",\"columns\":[";
    for (int c = 0; c < rs.ColumnCount(); ++c) {
        line += c == 0 ? "" : ",";
        line += "{\"name\":" + Json(rs.Column(c)->name) +
                ",\"type\":" + std::to_string(rs.Column(c)->type) + "}";
    }
    line += "],\"rows\":[";
    if (rs.MoveFirst()) {
        bool firstRow = true;
        do {
            line += firstRow ? "[" : ",[";
            firstRow = false;
            for (int c = 0; c < rs.ColumnCount(); ++c) {
                line += c == 0 ? "" : ",";
                line += Json(rs.GetText(c));
            }
            line += "]";
        } while (rs.MoveNext());
    }
    line += "]}\n";
    std::fputs(line.c_str(), stdout);
}

// Collects the worker's results for the main thread.
class Receiver : public IThreadReturn {
public:
    void OnThreadReturn(RequestResult& result) override {
        std::lock_guard<std::mutex> lock(mutex_);
        results_.push_back(std::move(result));
        changed_.notify_all();
    }
    // The next result, or none at the deadline.
    std::optional<RequestResult> Next(std::chrono::steady_clock::time_point deadline) {
        std::unique_lock<std::mutex> lock(mutex_);
        if (!changed_.wait_until(lock, deadline, [&] { return !results_.empty(); })) {
            return std::nullopt;
        }
        RequestResult r = std::move(results_.front());
        results_.erase(results_.begin());
        return r;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<RequestResult> results_;
};

// Waits past silence results (the worker retries those by itself).
std::optional<RequestResult> Await(Receiver& r, std::chrono::steady_clock::time_point deadline) {
    for (;;) {
        std::optional<RequestResult> got = r.Next(deadline);
        if (!got || got->status != kStatusReply || !got->silence) {
            return got;
        }
    }
}

std::string Where(const ServerSettings& s) {
    return s.address + ":" + std::to_string(s.port);
}

// Every way out but success and usage says what happened, on standard error.
int Fail(int code, const std::string& what) {
    std::fputs(("vqcli: " + what + "\n").c_str(), stderr);
    return code;
}

// What a result that is not a usable reply means; 0 for a usable one.
int Check(const std::optional<RequestResult>& result, const Options& o,
          const ServerSettings& settings, const char* step) {
    if (!result) {
        char seconds[32];
        std::snprintf(seconds, sizeof seconds, "%g", o.timeout);
        return Fail(kExitTimeout, std::string("no reply to the ") + step + " within " + seconds +
                                      " s (time-out)");
    }
    switch (result->status) {
        case kStatusNoConnection:
            return Fail(kExitNoConnection, "could not connect to " + Where(settings));
        case kStatusProbeFailed:
            return Fail(kExitLoginRefused, "the service is busy (probe failed)");
        case kStatusFailed:
            return Fail(kExitTransfer, std::string("sending the ") + step +
                                           " or receiving its reply failed (connection lost)");
        default:
            break;
    }
    if (result->recordSets.empty()) {
        return Fail(kExitEmptyReply,
                    std::string("the service answered the ") + step + " with an empty reply");
    }
    return 0;
}

int Run(const Options& o) {
    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::milliseconds(static_cast<long long>(o.timeout * 1000));

    NetSettings net;
    UrlSettings url;
    if (!o.config.empty()) {
        net = ReadNetSettings(o.config);
        url = ReadUrlSettings(o.config);
    }
    int use = net.use;
    if (o.mode) {
        use = *o.mode == "http" ? 0 : 2;
    }
    ServerSettings settings =
        MakeServerSettings(o.host.value_or(net.ip), net.httpPort, net.tcPort, use);
    if (o.port) {
        settings.port = *o.port;
    }

    RequestQueue queue;
    Receiver receiver;
    auto worker = std::make_shared<SXSockThread>(queue);
    worker->LoadSettings(settings, o.common ? vq::Utf8ToGbk(*o.common) : url.common,
                         o.renZheng ? vq::Utf8ToGbk(*o.renZheng) : url.renZheng,
                         vq::Utf8ToGbk(o.user), vq::Utf8ToGbk(o.password));
    worker->SetLoginReceiver(&receiver);
    worker->SetServiceReceiver(&receiver);
    worker->SetDiagnostics(stderr);
    worker->SetPublicKeyFile(o.key);

    WorkerHost host;
    auto login = std::make_unique<ServiceRequest>();
    login->kind = kRequestLogin;
    login->text = std::string(kLoginPlaceholder);
    queue.EnqueueRequest(std::move(login));
    host.Start(worker);

    std::optional<RequestResult> result = Await(receiver, deadline);
    if (const int failed = Check(result, o, worker->Settings(), "login")) {
        return failed;
    }
    RecordSet* first = result->First();
    std::string session;
    bool accepted = false;
    if (first != nullptr && first->MoveFirst()) {
        do {
            const int ok = first->FindColumn(ReplyColumn::kIsOk.data());
            const int key = first->FindColumn(ReplyColumn::kSession.data());
            if (ok >= 0) {
                accepted = first->GetText(ok) == "T";
            }
            if (key >= 0) {
                session = std::string(first->GetText(key));
            }
        } while (first->MoveNext());
    }
    if (!accepted) {
        return Fail(kExitLoginRefused, "login refused");
    }

    QueueServiceCall(BuildText(o), session, queue);
    result = Await(receiver, deadline);
    if (const int failed = Check(result, o, worker->Settings(), "call")) {
        return failed;
    }
    for (auto& rs : result->recordSets) {
        Print(*rs);
    }
    std::fflush(stdout);
    return kExitOk;
}

}  // namespace

int main(int argc, char** argv) {
    const std::optional<Options> options = Parse(argc, argv);
    if (!options) {
        std::fputs(kUsage, stderr);
        return kExitUsage;
    }
    return Run(*options);
}
