#include "protocol/Crypto.h"

#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>

#include <fstream>
#include <iterator>
#include <memory>

namespace {

struct CtxFree {
    void operator()(EVP_PKEY_CTX* c) const { EVP_PKEY_CTX_free(c); }
};
struct KeyFree {
    void operator()(EVP_PKEY* k) const { EVP_PKEY_free(k); }
};
struct BioFree {
    void operator()(BIO* b) const { BIO_free(b); }
};
using CtxPtr = std::unique_ptr<EVP_PKEY_CTX, CtxFree>;
using KeyPtr = std::unique_ptr<EVP_PKEY, KeyFree>;
using BioPtr = std::unique_ptr<BIO, BioFree>;

bool SetOaep(EVP_PKEY_CTX* ctx) {
    return EVP_PKEY_CTX_set_rsa_padding(ctx, RSA_PKCS1_OAEP_PADDING) > 0 &&
           EVP_PKEY_CTX_set_rsa_oaep_md(ctx, EVP_sha256()) > 0 &&
           EVP_PKEY_CTX_set_rsa_mgf1_md(ctx, EVP_sha256()) > 0;
}

}  // namespace

std::string LocalPath(std::string_view path) {
    std::string out(path);
    for (char& c : out) {
        if (c == '\\') {
            c = '/';
        }
    }
    return out;
}

CRSA::~CRSA() {
    EVP_PKEY_free(key_);
}

bool CRSA::LoadPublicKey(const char* fileName) {
    if (fileName == nullptr) {
        return false;
    }
    std::ifstream in(LocalPath(fileName), std::ios::binary);
    if (!in) {
        return false;
    }
    const std::vector<uint8_t> der((std::istreambuf_iterator<char>(in)),
                                   std::istreambuf_iterator<char>());
    const unsigned char* p = der.data();
    EVP_PKEY* key = d2i_PUBKEY(nullptr, &p, static_cast<long>(der.size()));
    if (key == nullptr) {
        return false;
    }
    if (EVP_PKEY_get_base_id(key) != EVP_PKEY_RSA) {
        EVP_PKEY_free(key);
        return false;
    }
    EVP_PKEY_free(key_);
    key_ = key;
    return true;
}

bool CRSA::Encrypt(const uint8_t* in, int inLength, uint8_t* out, int* outLength) {
    if (outLength == nullptr) {
        return false;
    }
    const size_t capacity = *outLength > 0 ? static_cast<size_t>(*outLength) : 0;
    *outLength = 0;
    if (key_ == nullptr || in == nullptr || inLength < 0 || out == nullptr) {
        return false;
    }
    CtxPtr ctx(EVP_PKEY_CTX_new(key_, nullptr));
    if (!ctx || EVP_PKEY_encrypt_init(ctx.get()) <= 0 || !SetOaep(ctx.get())) {
        return false;
    }
    size_t needed = 0;
    if (EVP_PKEY_encrypt(ctx.get(), nullptr, &needed, in, static_cast<size_t>(inLength)) <= 0 ||
        needed > capacity) {
        return false;
    }
    size_t produced = capacity;
    if (EVP_PKEY_encrypt(ctx.get(), out, &produced, in, static_cast<size_t>(inLength)) <= 0) {
        return false;
    }
    *outLength = static_cast<int>(produced);
    return true;
}

void CalcMD5(const uint8_t* data, size_t length, uint8_t digest[16]) {
    unsigned int size = 16;
    static const uint8_t kEmpty = 0;
    EVP_Digest(data != nullptr ? data : &kEmpty, length, digest, &size, EVP_md5(), nullptr);
}

bool GenerateKeyPair(int bits, RsaKeyPair* out) {
    KeyPtr key(EVP_RSA_gen(static_cast<unsigned int>(bits)));
    if (!key) {
        return false;
    }
    unsigned char* der = nullptr;
    const int derLength = i2d_PUBKEY(key.get(), &der);
    if (derLength <= 0) {
        return false;
    }
    out->publicDer.assign(der, der + derLength);
    OPENSSL_free(der);

    BioPtr bio(BIO_new(BIO_s_mem()));
    if (!bio || PEM_write_bio_PrivateKey(bio.get(), key.get(), nullptr, nullptr, 0, nullptr,
                                         nullptr) != 1) {
        return false;
    }
    char* pem = nullptr;
    const long pemLength = BIO_get_mem_data(bio.get(), &pem);
    out->privatePem.assign(pem, static_cast<size_t>(pemLength));
    return true;
}

bool DecryptWithPrivateKey(std::string_view privatePem, const uint8_t* in, size_t length,
                           std::vector<uint8_t>* out) {
    out->clear();
    BioPtr bio(BIO_new_mem_buf(privatePem.data(), static_cast<int>(privatePem.size())));
    if (!bio) {
        return false;
    }
    KeyPtr key(PEM_read_bio_PrivateKey(bio.get(), nullptr, nullptr, nullptr));
    if (!key) {
        return false;
    }
    CtxPtr ctx(EVP_PKEY_CTX_new(key.get(), nullptr));
    if (!ctx || EVP_PKEY_decrypt_init(ctx.get()) <= 0 || !SetOaep(ctx.get())) {
        return false;
    }
    size_t needed = 0;
    if (EVP_PKEY_decrypt(ctx.get(), nullptr, &needed, in, length) <= 0) {
        return false;
    }
    out->resize(needed);
    size_t produced = needed;
    if (EVP_PKEY_decrypt(ctx.get(), out->data(), &produced, in, length) <= 0) {
        out->clear();
        return false;
    }
    out->resize(produced);
    return true;
}
