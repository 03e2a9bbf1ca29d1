// velquor-service: the reference central service, and its admin commands.

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "service/Admin.h"
#include "service/DemoData.h"
#include "service/KeyStore.h"
#include "service/RequestParams.h"
#include "service/ServiceServer.h"

namespace {

vqsvc::ServiceServer* g_server = nullptr;

void OnSignal(int) {
    if (g_server)
        g_server->Stop();
}

void Usage(std::FILE* to) {
    std::fprintf(to,
                 "usage: velquor-service [--data DIR] [--address IP] [--http-port N] "
                 "[--tcp-port N]\n"
                 "                       [--pubkey PATH] [--seed N] [--max-connections N] "
                 "[--no-demo]\n"
                 "       velquor-service admin [--data DIR] COMMAND ... (see velquor-service "
                 "admin help)\n");
}

bool ParsePort(const char* text, uint16_t* port) {
    auto v = vqsvc::ParseId(text);
    if (!v || *v < 0 || *v > 65535)
        return false;
    *port = static_cast<uint16_t>(*v);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string dataDir = "velquor-data";
    if (!args.empty() && args[0] == "admin") {
        std::vector<std::string> rest;
        bool dataGiven = false;
        for (size_t i = 1; i < args.size(); ++i) {
            if (args[i] == "--data" && i + 1 < args.size()) {
                dataDir = args[++i];
                dataGiven = true;
            } else {
                rest.push_back(args[i]);
            }
        }
        if (rest.empty() || rest[0] == "help") {
            vqsvc::PrintAdminUsage(std::cout);
            return rest.empty() ? 2 : 0;
        }
        if (!dataGiven) {
            // The demo's service, so that "admin send-chat ..." reaches the running demo.
            dataDir = vqsvc::DemoDataFolder([](const char* name) { return std::getenv(name); });
            if (!std::filesystem::exists(std::filesystem::path(dataDir) / "velquor.db")) {
                std::fprintf(stderr,
                             "velquor-service: no service data in %s; start the demo first or "
                             "give --data DIR\n",
                             dataDir.c_str());
                return 1;
            }
        }
        return vqsvc::RunAdminCommand(dataDir, rest, std::cout, std::cerr);
    }

    vqsvc::ServerOptions options;
    options.httpPort = 18080;
    options.tcpPort = 18081;
    std::string pubkey;
    uint32_t seed = 20100507;
    bool demo = true;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        bool hasValue = i + 1 < args.size();
        const char* value = hasValue ? args[i + 1].c_str() : "";
        bool ok = true;
        if (a == "--data" && hasValue) {
            dataDir = value;
        } else if (a == "--address" && hasValue) {
            options.address = value;
        } else if (a == "--http-port" && hasValue) {
            ok = ParsePort(value, &options.httpPort);
        } else if (a == "--tcp-port" && hasValue) {
            ok = ParsePort(value, &options.tcpPort);
        } else if (a == "--pubkey" && hasValue) {
            pubkey = value;
        } else if (a == "--seed" && hasValue) {
            auto v = vqsvc::ParseId(value);
            ok = v && *v >= 0;
            seed = static_cast<uint32_t>(v.value_or(0));
        } else if (a == "--max-connections" && hasValue) {
            auto v = vqsvc::ParseId(value);
            ok = v && *v > 0;
            options.maxConnections = static_cast<size_t>(v.value_or(1));
        } else if (a == "--no-demo") {
            demo = false;
            continue;
        } else if (a == "--help" || a == "-h") {
            Usage(stdout);
            return 0;
        } else {
            ok = false;
        }
        if (!ok) {
            Usage(stderr);
            return 2;
        }
        ++i;
    }

    vqsvc::ServiceStore store;
    if (!store.Open(dataDir, vqsvc::SystemClock())) {
        std::fprintf(stderr, "velquor-service: %s\n", store.LastError().c_str());
        return 1;
    }
    if (demo && store.IsEmpty()) {
        if (!vqsvc::SeedDemoData(store, seed)) {
            std::fprintf(stderr, "velquor-service: demo data not created: %s\n",
                         store.LastError().c_str());
            return 1;
        }
        std::printf("Created the demo branch in %s\n", dataDir.c_str());
    }
    std::string error;
    std::string privateKey = vqsvc::EnsureKeyPair(dataDir, pubkey, &error);
    if (privateKey.empty()) {
        std::fprintf(stderr, "velquor-service: %s\n", error.c_str());
        return 1;
    }

    vqsvc::ServiceHandler handler(store, privateKey);
    vqsvc::ServiceServer server(handler, options);
    if (!server.Start()) {
        std::fprintf(stderr, "velquor-service: %s\n", server.Error().c_str());
        return 1;
    }
    g_server = &server;
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    bool printedHeader = false;
    for (const auto& account : vqsvc::DemoAccounts()) {
        if (!store.UserByLogin(account.login))
            continue;
        if (!printedHeader) {
            std::printf("Demo accounts (login / password / name / role):\n");
            printedHeader = true;
        }
        std::printf("  %-10s %-12s %s  %s\n", account.login.c_str(), account.password.c_str(),
                    account.trueName.c_str(), account.role.c_str());
    }
    std::printf("velquor-service: data %s, HTTP %s:%u, binary %s:%u, public key %s\n",
                dataDir.c_str(), options.address.c_str(), server.HttpPort(),
                options.address.c_str(), server.TcpPort(),
                pubkey.empty() ? (dataDir + "/pubkey.bin").c_str() : pubkey.c_str());
    std::fflush(stdout);
    server.Run();
    g_server = nullptr;
    std::printf("velquor-service: stopped after %llu requests\n",
                static_cast<unsigned long long>(server.RequestsServed()));
    return 0;
}
