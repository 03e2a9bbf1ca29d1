#pragma once
// A chat client (vq_chat_client) run as a process of its own: started in a private working
// folder with a config.ini for the reference service, driven command by command.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/core/TempDir.h"
#include "tests/service/ServiceHarness.h"

namespace chate2e {

inline std::string Unescape(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            const char n = text[++i];
            out += n == 'n' ? '\n' : n == 'r' ? '\r' : n == 't' ? '\t' : n;
        } else {
            out += text[i];
        }
    }
    return out;
}

inline std::string Escape(const std::string& text) {
    std::string out;
    for (char c : text) {
        out += c == '\\'   ? "\\\\"
               : c == '\n' ? "\\n"
               : c == '\r' ? "\\r"
               : c == '\t' ? "\\t"
                           : std::string(1, c);
    }
    return out;
}

class ClientProcess {
public:
    // `extraEnv` entries are "NAME=value".
    ClientProcess(vqsvc::test::ServiceHarness& service, std::vector<std::string> args,
                  std::vector<std::string> extraEnv = {}) {
        std::filesystem::copy_file(service.PublicKeyPath(), work_.File("pubkey.bin"));
        vq::test::WriteBytes(
            work_.File("config.ini"),
            "[NET]\r\nIP=127.0.0.1\r\nHTTPPORT=" + std::to_string(service.HttpPort()) +
                "\r\nTCPORT=" + std::to_string(service.TcpPort()) +
                "\r\nUSE=2\r\n\r\n[URL]\r\nCOMMON=" + vqsvc::test::kCommon +
                "\r\nRenZheng=" + vqsvc::test::kRenZheng + "\r\n\r\n");
        const char* src = std::getenv("VQ_SOURCE_DIR");
        const std::string source = src != nullptr ? src : ".";
        std::vector<std::string> argv = {VQ_CHAT_CLIENT, "--res=" + source + "/res",
                                         "--pages=" + source + "/"};
        argv.insert(argv.end(), args.begin(), args.end());
        std::vector<std::string> env;
        for (char** e = environ; *e != nullptr; ++e) {
            env.emplace_back(*e);
        }
        env.push_back("VQ_COM_REGISTRY=" + work_.File("com-registry"));
        env.push_back("TZ=Asia/Shanghai");
        env.insert(env.end(), extraEnv.begin(), extraEnv.end());

        std::vector<char*> cargv;
        for (auto& a : argv) {
            cargv.push_back(a.data());
        }
        cargv.push_back(nullptr);
        std::vector<char*> cenv;
        for (auto& e : env) {
            cenv.push_back(e.data());
        }
        cenv.push_back(nullptr);
        int in[2];
        int out[2];
        if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) {
            return;
        }
        const std::string dir = work_.path();
        pid_ = fork();
        if (pid_ == 0) {
            dup2(in[0], 0);
            dup2(out[1], 1);
            if (chdir(dir.c_str()) != 0) {
                _exit(126);
            }
            execve(cargv[0], cargv.data(), cenv.data());
            _exit(127);
        }
        close(in[0]);
        close(out[1]);
        toChild_ = in[1];
        fromChild_ = out[0];
        ready_ = Read(60000) == "ready";
    }
    ~ClientProcess() {
        Quit();
        if (toChild_ >= 0) {
            close(toChild_);
        }
        if (fromChild_ >= 0) {
            close(fromChild_);
        }
    }
    ClientProcess(const ClientProcess&) = delete;
    ClientProcess& operator=(const ClientProcess&) = delete;

    bool Ready() const { return ready_; }

    // Ends the client; its exit code, or -1 when it had to be killed or died of a signal (a
    // sanitizer's report ends it with a non-zero code).
    int Quit() {
        if (pid_ <= 0) {
            return exitCode_;
        }
        const bool said = Send({"quit"}, 20000) == "bye";
        if (!said) {
            kill(pid_, SIGKILL);
        }
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        exitCode_ = said && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return exitCode_;
    }
    const vq::test::TempDir& Work() const { return work_; }

    // One command (its parts UTF-8); the client's answer, or "(no answer)".
    std::string Send(const std::vector<std::string>& parts, int timeoutMs = 60000) {
        std::string line;
        for (const std::string& p : parts) {
            line += (line.empty() ? "" : "\t") + Escape(p);
        }
        line += "\n";
        if (write(toChild_, line.data(), line.size()) != static_cast<ssize_t>(line.size())) {
            return "(no answer)";
        }
        return Read(timeoutMs);
    }

private:
    std::string Read(int timeoutMs) {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            std::size_t eol;
            while ((eol = buffer_.find('\n')) != std::string::npos) {
                const std::string line = buffer_.substr(0, eol);
                buffer_.erase(0, eol + 1);
                if (line.rfind("@@ ", 0) == 0) {
                    return Unescape(line.substr(3));
                }
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                                  deadline - std::chrono::steady_clock::now())
                                  .count();
            if (left <= 0) {
                return "(no answer)";
            }
            pollfd p{fromChild_, POLLIN, 0};
            if (poll(&p, 1, static_cast<int>(left)) <= 0) {
                continue;
            }
            char chunk[4096];
            const ssize_t n = read(fromChild_, chunk, sizeof chunk);
            if (n <= 0) {
                return "(no answer)";
            }
            buffer_.append(chunk, static_cast<std::size_t>(n));
        }
    }

    vq::test::TempDir work_;
    pid_t pid_ = -1;
    int toChild_ = -1;
    int fromChild_ = -1;
    bool ready_ = false;
    int exitCode_ = -1;
    std::string buffer_;
};

}  // namespace chate2e
