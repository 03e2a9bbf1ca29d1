// vqlog: reads the chat message log "msgDBlog.dat" from outside the program. Lists the
// conversations, or prints one contact's messages as JSON Lines in UTF-8. The log is opened
// read-only, so it can be read while the program runs; nothing is ever written to it.

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "messaging/log/LogRecord.h"
#include "messaging/log/MessageLog.h"
#include "platform/core/Text.h"

namespace {

enum ExitCode {
    kExitOk = 0,
    kExitLog = 1,
    kExitUsage = 2,
    kExitOutput = 3,
};

const char kUsage[] =
    "usage: vqlog [--log FILE] list\n"
    "       vqlog [--log FILE] show CONTACT [--own ID] [--oldest-first]\n"
    "       vqlog [--log FILE] export CONTACT OUTPUT [--own ID] [--oldest-first]\n"
    "Reads the message log (default ./msgDBlog.dat) read-only.\n"
    "  list    one JSON line per conversation: the two ids, the number of records and the\n"
    "          first and last record numbers.\n"
    "  show    CONTACT's messages (with --own, only those exchanged with ID), newest first,\n"
    "          one JSON line each: record, direction, time, from, to, text.\n"
    "  export  as show, into OUTPUT, which must not exist yet.\n"
    "Damaged records are left out with a note on standard error. Exit codes: 0 done,\n"
    "1 the log cannot be opened or read to its end, 2 usage, 3 the output cannot be written.\n";

struct Options {
    std::string log = std::string("./") + kMessageLogFileName;
    std::string command;
    std::string contact;
    std::string output;
    std::string own;
    bool oldestFirst = false;
};

std::optional<Options> ParseArguments(int argc, char** argv) {
    Options o;
    std::vector<std::string> positional;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if ((arg == "--log" || arg == "--own") && i + 1 < argc) {
            (arg == "--log" ? o.log : o.own) = argv[++i];
        } else if (arg == "--oldest-first") {
            o.oldestFirst = true;
        } else if (arg.starts_with("--")) {
            return std::nullopt;
        } else {
            positional.push_back(arg);
        }
    }
    if (positional.empty())
        return std::nullopt;
    o.command = positional[0];
    if (o.command == "list" && positional.size() == 1)
        return o;
    if (o.command == "show" && positional.size() == 2) {
        o.contact = positional[1];
        return o;
    }
    if (o.command == "export" && positional.size() == 3) {
        o.contact = positional[1];
        o.output = positional[2];
        return o;
    }
    return std::nullopt;
}

// A JSON string of UTF-8 text.
std::string JsonText(std::string_view utf8) {
    std::string out = "\"";
    for (char c : utf8) {
        const auto u = static_cast<unsigned char>(c);
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
                if (u < 0x20) {
                    char esc[8];
                    std::snprintf(esc, sizeof esc, "\\u%04x", u);
                    out += esc;
                } else {
                    out += c;
                }
        }
    }
    return out + "\"";
}

std::string JsonGbk(std::string_view gbk) {
    return JsonText(vq::GbkToUtf8(gbk));
}

std::string Direction(std::uint8_t direction) {
    if (direction == kLogDirectionSent)
        return "\"sent\"";
    if (direction == kLogDirectionReceived)
        return "\"received\"";
    return std::to_string(direction);
}

std::string MessageLine(const LogRecord& r) {
    return "{\"record\":" + std::to_string(r.recordNumber) +
           ",\"direction\":" + Direction(r.direction) + ",\"time\":" + std::to_string(r.time) +
           ",\"from\":" + JsonGbk(r.fromId) + ",\"to\":" + JsonGbk(r.toId) +
           ",\"text\":" + JsonGbk(r.text) + "}\n";
}

void NoteDamaged(std::uint32_t recno) {
    std::fprintf(stderr, "vqlog: record %u is damaged and left out\n", recno);
}

// Walks the log, decoding each record; damaged ones are noted and passed over.
bool Walk(const Options& o, bool newestFirst, const std::function<void(const LogRecord&)>& use) {
    std::string error;
    const bool complete = WalkMessageLog(
        o.log, newestFirst,
        [&](std::uint32_t recno, std::string_view bytes) {
            auto record = DecodeLogRecord(bytes);
            if (!record) {
                NoteDamaged(recno);
                return true;
            }
            record->recordNumber = recno;
            use(*record);
            return true;
        },
        &error);
    if (!complete)
        std::fprintf(stderr, "vqlog: %s: %s\n", o.log.c_str(), error.c_str());
    return complete;
}

int List(const Options& o) {
    struct Conversation {
        std::size_t records = 0;
        std::uint32_t first = 0;
        std::uint32_t last = 0;
    };
    std::map<std::pair<std::string, std::string>, Conversation> conversations;
    const bool complete = Walk(o, false, [&](const LogRecord& r) {
        auto ids = std::minmax(r.fromId, r.toId);
        Conversation& c = conversations[{ids.first, ids.second}];
        if (c.records++ == 0)
            c.first = r.recordNumber;
        c.last = r.recordNumber;
    });
    for (const auto& [ids, c] : conversations) {
        std::printf("{\"ids\":[%s,%s],\"records\":%zu,\"first\":%u,\"last\":%u}\n",
                    JsonGbk(ids.first).c_str(), JsonGbk(ids.second).c_str(), c.records, c.first,
                    c.last);
    }
    return complete ? kExitOk : kExitLog;
}

bool WriteAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

int Show(const Options& o) {
    const std::string contact = vq::Utf8ToGbk(o.contact);
    const std::string own = vq::Utf8ToGbk(o.own);
    std::string lines;
    const bool complete = Walk(o, !o.oldestFirst, [&](const LogRecord& r) {
        if (MatchesConversation(r, own, contact))
            lines += MessageLine(r);
    });
    if (o.command == "show") {
        std::fwrite(lines.data(), 1, lines.size(), stdout);
        return complete ? kExitOk : kExitLog;
    }
    // Never replaces a file, above all not the log itself.
    const int fd = ::open(o.output.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        std::fprintf(stderr, "vqlog: cannot create %s: %s\n", o.output.c_str(),
                     std::strerror(errno));
        return kExitOutput;
    }
    const bool written = WriteAll(fd, lines) && ::fsync(fd) == 0;
    if (::close(fd) != 0 || !written) {
        std::fprintf(stderr, "vqlog: cannot write %s\n", o.output.c_str());
        return kExitOutput;
    }
    return complete ? kExitOk : kExitLog;
}

}  // namespace

int main(int argc, char** argv) {
    const auto options = ParseArguments(argc, argv);
    if (!options) {
        std::fputs(kUsage, stderr);
        return kExitUsage;
    }
    return options->command == "list" ? List(*options) : Show(*options);
}
