#pragma once

// The login key pair: made on first start in the data folder. The private key
// never leaves it; pubkey.bin (DER) is also copied to where the client reads it.

#include <string>

namespace vqsvc {

inline constexpr const char* kPrivateKeyFile = "service-key.pem";
inline constexpr const char* kPublicKeyFile = "pubkey.bin";

// Loads or creates the pair; writes the public key to `pubkeyPath` (empty: the
// data folder only). Returns the private key PEM, empty with `error` set on failure.
std::string EnsureKeyPair(const std::string& dataDir, const std::string& pubkeyPath,
                          std::string* error, int bits = 2048);

}  // namespace vqsvc
