#pragma once

// Key and digest for the login: RSA-OAEP (SHA-256, MGF1-SHA-256) with a public
// key stored as DER SubjectPublicKeyInfo, and MD5. The private-key helpers are
// for the reference service, the key tool and the tests.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct evp_pkey_st;

class CRSA {
public:
    CRSA() = default;
    ~CRSA();
    CRSA(const CRSA&) = delete;
    CRSA& operator=(const CRSA&) = delete;

    // Reads the key file; Windows-style paths (".\\pubkey.bin") are accepted.
    bool LoadPublicKey(const char* fileName);
    // Encrypts `inLength` bytes into `out`; `*outLength` holds the capacity on
    // entry and the produced length on return (0 on failure).
    bool Encrypt(const uint8_t* in, int inLength, uint8_t* out, int* outLength);

private:
    evp_pkey_st* key_ = nullptr;
};

// The 16-byte MD5 digest of `length` bytes.
void CalcMD5(const uint8_t* data, size_t length, uint8_t digest[16]);

// ".\\dir\\file" -> "./dir/file": backslashes become slashes.
std::string LocalPath(std::string_view path);

struct RsaKeyPair {
    std::vector<uint8_t> publicDer;  // the content of pubkey.bin
    std::string privatePem;          // PKCS#8 PEM, kept by the service
};
// A fresh RSA key pair of `bits` bits.
bool GenerateKeyPair(int bits, RsaKeyPair* out);

// Decrypts what CRSA::Encrypt produced, with the PEM private key.
bool DecryptWithPrivateKey(std::string_view privatePem, const uint8_t* in, size_t length,
                           std::vector<uint8_t>* out);
