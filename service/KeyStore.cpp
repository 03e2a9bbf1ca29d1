#include "service/KeyStore.h"

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "protocol/Crypto.h"

namespace vqsvc {

namespace {

bool ReadFile(const std::filesystem::path& path, std::string* out) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream s;
    s << in.rdbuf();
    *out = s.str();
    return true;
}

// Written beside the target and renamed, so a reader never sees half a key.
bool WriteFile(const std::filesystem::path& path, const std::string& data, mode_t mode) {
    std::filesystem::path tmp = path;
    tmp += ".tmp";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        if (!out)
            return false;
        out.write(data.data(), static_cast<std::streamsize>(data.size()));
        if (!out)
            return false;
    }
    chmod(tmp.c_str(), mode);
    std::error_code ec;
    std::filesystem::rename(tmp, path, ec);
    return !ec;
}

}  // namespace

std::string EnsureKeyPair(const std::string& dataDir, const std::string& pubkeyPath,
                          std::string* error, int bits) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::create_directories(dataDir, ec);
    fs::path keyPath = fs::path(dataDir) / kPrivateKeyFile;
    fs::path pubPath = fs::path(dataDir) / kPublicKeyFile;
    std::string pem, pub;
    if (!ReadFile(keyPath, &pem) || !ReadFile(pubPath, &pub) || pem.empty() || pub.empty()) {
        RsaKeyPair pair;
        if (!GenerateKeyPair(bits, &pair)) {
            *error = "cannot generate the key pair";
            return {};
        }
        pem = pair.privatePem;
        pub.assign(pair.publicDer.begin(), pair.publicDer.end());
        if (!WriteFile(keyPath, pem, 0600) || !WriteFile(pubPath, pub, 0644)) {
            *error = "cannot write the key pair to " + dataDir;
            return {};
        }
    }
    if (!pubkeyPath.empty() && fs::absolute(pubkeyPath, ec) != fs::absolute(pubPath, ec)) {
        fs::path target(pubkeyPath);
        if (target.has_parent_path())
            fs::create_directories(target.parent_path(), ec);
        if (!WriteFile(target, pub, 0644)) {
            *error = "cannot write " + pubkeyPath;
            return {};
        }
    }
    return pem;
}

}  // namespace vqsvc
