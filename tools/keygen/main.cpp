// vqkeygen: makes the login key pair. pubkey.bin (DER SubjectPublicKeyInfo) goes
// beside the program; the private key (PEM) stays with the service.

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "protocol/Crypto.h"

namespace {

const char kUsage[] =
    "usage: vqkeygen [--bits N] [--public FILE] [--private FILE]\n"
    "Writes an RSA key pair: FILE pubkey.bin (DER) and private.pem (mode 0600) by default.\n";

bool WriteFile(const std::string& path, const void* data, size_t size, mode_t mode) {
    const std::string tmp = path + ".tmp";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        if (!out ||
            !out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size))) {
            return false;
        }
    }
    return chmod(tmp.c_str(), mode) == 0 && std::rename(tmp.c_str(), path.c_str()) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    int bits = 2048;
    std::string publicPath = "pubkey.bin";
    std::string privatePath = "private.pem";
    for (int i = 1; i < argc; ++i) {
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (value == nullptr) {
            std::fputs(kUsage, stderr);
            return 2;
        }
        if (std::strcmp(argv[i], "--bits") == 0) {
            bits = std::atoi(value);
        } else if (std::strcmp(argv[i], "--public") == 0) {
            publicPath = value;
        } else if (std::strcmp(argv[i], "--private") == 0) {
            privatePath = value;
        } else {
            std::fputs(kUsage, stderr);
            return 2;
        }
        ++i;
    }
    if (bits < 1024 || bits > 16384) {
        std::fputs("vqkeygen: bits must lie between 1024 and 16384\n", stderr);
        return 2;
    }
    RsaKeyPair keys;
    if (!GenerateKeyPair(bits, &keys)) {
        std::fputs("vqkeygen: key generation failed\n", stderr);
        return 1;
    }
    if (!WriteFile(privatePath, keys.privatePem.data(), keys.privatePem.size(), 0600) ||
        !WriteFile(publicPath, keys.publicDer.data(), keys.publicDer.size(), 0644)) {
        std::fputs("vqkeygen: cannot write the key files\n", stderr);
        return 1;
    }
    return 0;
}
