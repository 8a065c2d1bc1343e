// The key derivation of AES entries against OpenSSL's PBKDF2: passwords around the HMAC block
// (64 bytes, beyond which the key is hashed first), the salts of AES-128 and AES-256, one
// round and many, and outputs of one to four blocks.
#include "ziplibs/unzipper/KeyDerivation.h"

#include <openssl/evp.h>

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace {

class KeyDerivation : public ::testing::TestWithParam<std::tuple<int, int, unsigned, int>> {};

TEST_P(KeyDerivation, SameAsOpenSsl) {
    const auto [passwordLength, saltLength, rounds, n] = GetParam();
    std::string password;
    for (int i = 0; i < passwordLength; ++i)
        password += static_cast<char>(' ' + (i * 7) % 95);
    std::vector<unsigned char> salt(static_cast<std::size_t>(saltLength));
    for (std::size_t i = 0; i < salt.size(); ++i)
        salt[i] = static_cast<unsigned char>(i * 37 + 11);
    std::vector<unsigned char> ours(static_cast<std::size_t>(n)), theirs(ours.size());
    ziplibs::pbkdf2Sha1(password.data(), password.size(), salt.data(), salt.size(), rounds,
                        ours.data(), ours.size());
    ASSERT_EQ(PKCS5_PBKDF2_HMAC_SHA1(password.data(), passwordLength, salt.data(), saltLength,
                                     static_cast<int>(rounds), n, theirs.data()),
              1);
    EXPECT_EQ(ours, theirs);
}

INSTANTIATE_TEST_SUITE_P(Lengths, KeyDerivation,
                         ::testing::Combine(::testing::Values(0, 2, 64, 65, 200),
                                            ::testing::Values(8, 16), ::testing::Values(1u, 1000u),
                                            ::testing::Values(20, 34, 66)));

} // namespace
