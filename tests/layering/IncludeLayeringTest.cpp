// The layers as the build enforces them: each folder may include only the folders the table
// below allows it (and, through them, what they may include). docs/ARCHITECTURE.md shows the
// same table; change both together.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// Folder -> folders it may include directly. A folder always may include itself; a nested
// folder that is not listed belongs to the nearest listed one above it.
const std::map<std::string, std::vector<std::string>>& Allowed() {
    static const std::map<std::string, std::vector<std::string>> table = {
        {"platform/core", {}},
        {"platform", {"platform/core"}},
        {"platform/web", {"platform"}},
        {"platform/qt/web", {"platform/web", "platform"}},
        {"com", {"platform/core"}},
        {"protocol", {"platform/core"}},
        {"skin", {"platform"}},
        {"session", {"protocol", "platform"}},
        {"pagehost", {"skin", "platform/web", "platform"}},
        {"portal", {"pagehost", "session", "skin", "protocol", "platform"}},
        {"messaging", {"session", "pagehost", "skin", "protocol", "platform", "com"}},
        {"forms", {"session", "pagehost", "skin", "protocol", "platform", "com"}},
        {"app", {"session", "pagehost", "skin", "protocol", "platform", "com"}},
        {"notifier", {"com", "platform"}},
        {"service", {"protocol", "platform/core"}},
        {"tools", {"*"}},
        {"tests", {"*"}},
        {"bench", {"*"}},
        {"fuzz", {"*"}},
    };
    return table;
}

// The one file that knows every subsystem.
const std::set<std::string> kComposers = {"app/main.cpp"};

// The listed folder a repository path belongs to; none for a path outside every folder.
std::optional<std::string> FolderOf(const std::string& path) {
    std::optional<std::string> best;
    for (const auto& [folder, allowed] : Allowed()) {
        (void)allowed;
        if (path.rfind(folder + "/", 0) == 0 && (!best || folder.size() > best->size())) {
            best = folder;
        }
    }
    return best;
}

// Everything `folder` may include: its own files and, following the table, those below it.
std::set<std::string> Reachable(const std::string& folder) {
    std::set<std::string> seen = {folder};
    std::vector<std::string> todo = {folder};
    while (!todo.empty()) {
        const std::string next = todo.back();
        todo.pop_back();
        for (const std::string& dep : Allowed().at(next)) {
            if (dep == "*") {
                for (const auto& [any, unused] : Allowed()) {
                    (void)unused;
                    seen.insert(any);
                }
                return seen;
            }
            if (seen.insert(dep).second) {
                todo.push_back(dep);
            }
        }
    }
    return seen;
}

struct Include {
    std::string file;  // repository path of the including file
    int line;
    std::string target;  // as written between the quotes
};

// The quoted includes of `text`; angle-bracket includes are other people's headers.
std::vector<std::pair<int, std::string>> QuotedIncludes(const std::string& text) {
    std::vector<std::pair<int, std::string>> out;
    std::istringstream in(text);
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        std::size_t at = line.find_first_not_of(" \t");
        if (at == std::string::npos || line[at] != '#') {
            continue;
        }
        at = line.find_first_not_of(" \t", at + 1);
        if (at == std::string::npos || line.compare(at, 7, "include") != 0) {
            continue;
        }
        const std::size_t open = line.find('"', at + 7);
        const std::size_t close = open == std::string::npos ? open : line.find('"', open + 1);
        if (close != std::string::npos) {
            out.emplace_back(number, line.substr(open + 1, close - open - 1));
        }
    }
    return out;
}

bool IsSource(const fs::path& p) {
    static const std::set<std::string> kinds = {".h", ".hpp", ".cpp", ".cc", ".c", ".inc"};
    return kinds.count(p.extension().string()) != 0;
}

// Every source of the repository except build folders and hidden ones.
std::vector<std::string> Sources(const fs::path& root) {
    std::vector<std::string> out;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator();
         ++it) {
        const std::string name = it->path().filename().string();
        if (it->is_directory() && (name.rfind("build", 0) == 0 || name.rfind('.', 0) == 0)) {
            it.disable_recursion_pending();
            continue;
        }
        if (it->is_regular_file() && IsSource(it->path())) {
            out.push_back(fs::relative(it->path(), root).generic_string());
        }
    }
    std::sort(out.begin(), out.end());
    return out;
}

std::string ReadFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// The includes that break the table, as "file:line includes target (folder -> folder)".
std::vector<std::string> Violations(const fs::path& root, const std::vector<std::string>& files) {
    std::vector<std::string> out;
    for (const std::string& file : files) {
        const std::optional<std::string> from = FolderOf(file);
        if (!from) {
            out.push_back(file + ": in no folder of the table");
            continue;
        }
        const std::set<std::string> reachable = Reachable(*from);
        const bool composer = kComposers.count(file) != 0;
        for (const auto& [line, target] : QuotedIncludes(ReadFile(root / file))) {
            // Written from the repository root, or beside the including file.
            std::string resolved = target;
            if (!fs::exists(root / target)) {
                const fs::path beside = fs::path(file).parent_path() / target;
                if (!fs::exists(root / beside)) {
                    continue;  // not one of ours
                }
                resolved = beside.lexically_normal().generic_string();
            }
            const std::optional<std::string> to = FolderOf(resolved);
            if (!to || composer || reachable.count(*to) != 0) {
                continue;
            }
            out.push_back(file + ":" + std::to_string(line) + " includes " + target + " (" + *from +
                          " -> " + *to + ")");
        }
    }
    return out;
}

fs::path SourceRoot() {
    const char* dir = std::getenv("VQ_SOURCE_DIR");
    return dir != nullptr ? fs::path(dir) : fs::path();
}

TEST(Layering, EveryIncludeFollowsTheTable) {
    const fs::path root = SourceRoot();
    ASSERT_FALSE(root.empty()) << "VQ_SOURCE_DIR is not set";
    const std::vector<std::string> files = Sources(root);
    // The walk found the program: a wrong root would pass with nothing checked.
    ASSERT_NE(std::find(files.begin(), files.end(), "app/main.cpp"), files.end());
    ASSERT_NE(std::find(files.begin(), files.end(), "portal/MyShowHtmlDlg.cpp"), files.end());
    std::string report;
    for (const std::string& v : Violations(root, files)) {
        report += v + "\n";
    }
    EXPECT_TRUE(report.empty()) << report;
}

// The table itself, read the way a reviewer would: the layers as the documentation draws them.
TEST(Layering, TheTableKeepsTheSubsystemsApart) {
    auto may = [](const std::string& from, const std::string& to) {
        return Reachable(from).count(to) != 0;
    };
    // Nothing of ours below the core.
    EXPECT_EQ(Reachable("platform/core"), std::set<std::string>{"platform/core"});
    // The shell never reaches into the subsystems it starts.
    for (const char* subsystem : {"portal", "messaging", "forms", "notifier"}) {
        EXPECT_FALSE(may("app", subsystem)) << subsystem;
    }
    // Messaging and forms meet the portal only through the session's interfaces.
    for (const char* side : {"messaging", "forms"}) {
        EXPECT_FALSE(may(side, "portal")) << side;
        EXPECT_FALSE(may(side, "app")) << side;
        EXPECT_TRUE(may(side, "session")) << side;
    }
    EXPECT_FALSE(may("messaging", "forms"));
    EXPECT_FALSE(may("forms", "messaging"));
    EXPECT_FALSE(may("portal", "app"));
    EXPECT_FALSE(may("pagehost", "session"));
    EXPECT_FALSE(may("session", "pagehost"));
    EXPECT_FALSE(may("notifier", "app"));
    EXPECT_FALSE(may("service", "platform"));
    EXPECT_FALSE(may("protocol", "platform"));
    EXPECT_TRUE(may("portal", "platform/core"));
    EXPECT_TRUE(may("tests", "app"));
}

// The checker on a made-up tree: an upward include is found, a composer may include anything,
// includes beside the file and headers of other projects are understood.
TEST(Layering, CheckerFindsAnUpwardInclude) {
    const fs::path root = fs::temp_directory_path() / ("vq-layering-" + std::to_string(getpid()));
    fs::remove_all(root);
    auto write = [&](const std::string& path, const std::string& text) {
        fs::create_directories((root / path).parent_path());
        std::ofstream(root / path, std::ios::binary) << text;
    };
    write("app/OrvanelDlg.h", "#pragma once\n");
    write("app/main.cpp", "#include \"portal/Portal.h\"\n#include \"app/OrvanelDlg.h\"\n");
    write("portal/Portal.h", "#pragma once\n#include \"session/Subsystems.h\"\n");
    write("portal/MyShowHtmlDlg.cpp",
          "#include <string>\n#include \"gtest/gtest.h\"\n#include \"Portal.h\"\n"
          "  #  include \"app/OrvanelDlg.h\"  // upward\n");
    write("session/Subsystems.h", "#pragma once\n");
    write("build-x/portal/Generated.cpp", "#include \"app/OrvanelDlg.h\"\n");
    write("stray/Stray.cpp", "\n");
    const std::vector<std::string> files = Sources(root);
    EXPECT_EQ(std::count(files.begin(), files.end(), "build-x/portal/Generated.cpp"), 0);
    EXPECT_EQ(Violations(root, files),
              (std::vector<std::string>{
                  "portal/MyShowHtmlDlg.cpp:4 includes app/OrvanelDlg.h (portal -> app)",
                  "stray/Stray.cpp: in no folder of the table"}));
    fs::remove_all(root);
}

}  // namespace
