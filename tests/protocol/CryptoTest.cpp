#include <gtest/gtest.h>

#include <fstream>

#include "protocol/Crypto.h"
#include "protocol/ServiceRequest.h"
#include "tests/protocol/TestBytes.h"

namespace {

std::string Md5Hex(const std::string& s) {
    uint8_t d[16];
    CalcMD5(testbytes::Data(s), s.size(), d);
    return HexEncode(d, 16);
}

}  // namespace

TEST(CalcMD5, KnownDigests) {
    EXPECT_EQ(Md5Hex(""), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(Md5Hex("abc"), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(Md5Hex("message digest"), "f96b697d7cb7938d525a2f31aaf161d0");
}

TEST(Crsa, KeyFilesEncryptionAndFailures) {
    EXPECT_EQ(LocalPath(".\\pubkey.bin"), "./pubkey.bin");
    RsaKeyPair keys;
    ASSERT_TRUE(GenerateKeyPair(2048, &keys));
    EXPECT_EQ(keys.publicDer[0], 0x30);  // a DER SEQUENCE
    EXPECT_NE(keys.privatePem.find("BEGIN PRIVATE KEY"), std::string::npos);

    const std::string dir = ::testing::TempDir();
    const std::string good = dir + "vq_crypto_pub.bin";
    const std::string junk = dir + "vq_crypto_junk.bin";
    std::ofstream(good, std::ios::binary)
        .write(reinterpret_cast<const char*>(keys.publicDer.data()),
               static_cast<std::streamsize>(keys.publicDer.size()));
    std::ofstream(junk, std::ios::binary) << "not a key";

    CRSA rsa;
    uint8_t out[1024];
    int length = sizeof out;
    const uint8_t in[16] = {1, 2, 3};
    EXPECT_FALSE(rsa.Encrypt(in, 16, out, &length));  // no key yet
    EXPECT_EQ(length, 0);
    EXPECT_FALSE(rsa.LoadPublicKey((dir + "vq_crypto_absent.bin").c_str()));
    EXPECT_FALSE(rsa.LoadPublicKey(junk.c_str()));
    ASSERT_TRUE(rsa.LoadPublicKey(good.c_str()));

    length = sizeof out;
    ASSERT_TRUE(rsa.Encrypt(in, 16, out, &length));
    EXPECT_EQ(length, 256);
    std::vector<uint8_t> plain;
    ASSERT_TRUE(DecryptWithPrivateKey(keys.privatePem, out, static_cast<size_t>(length), &plain));
    EXPECT_EQ(plain, std::vector<uint8_t>(in, in + 16));

    // OAEP is randomised: the same input encrypts differently each time.
    uint8_t again[1024];
    int againLength = sizeof again;
    ASSERT_TRUE(rsa.Encrypt(in, 16, again, &againLength));
    EXPECT_NE(std::vector<uint8_t>(out, out + length),
              std::vector<uint8_t>(again, again + againLength));

    int small = 100;  // below the key size
    EXPECT_FALSE(rsa.Encrypt(in, 16, out, &small));
    EXPECT_EQ(small, 0);

    out[10] ^= 1;
    EXPECT_FALSE(DecryptWithPrivateKey(keys.privatePem, out, static_cast<size_t>(length), &plain));
    EXPECT_FALSE(DecryptWithPrivateKey("garbage", out, static_cast<size_t>(length), &plain));
    std::remove(good.c_str());
    std::remove(junk.c_str());
}
