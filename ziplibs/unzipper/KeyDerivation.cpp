#include "ziplibs/unzipper/KeyDerivation.h"

#include "ziplibs/common/Secret.h"

// SHA-1's own context, which OpenSSL 3 still has but marks as deprecated: a copy of it is a
// plain copy, where the EVP interface allocates.
#define OPENSSL_SUPPRESS_DEPRECATED
#include <openssl/sha.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

namespace ziplibs {

void pbkdf2Sha1(const char* password, std::size_t length, const unsigned char* salt,
                std::size_t saltLength, unsigned rounds, unsigned char* out, std::size_t n) {
    // HMAC-SHA1 keyed with the password: the states after the inner and the outer padded key
    // are taken once, and every round continues from copies of them.
    std::array<unsigned char, SHA_CBLOCK> key{};
    if (length > key.size())
        SHA1(reinterpret_cast<const unsigned char*>(password), length, key.data());
    else
        std::memcpy(key.data(), password, length);
    SHA_CTX inner, outer;
    SHA1_Init(&inner);
    SHA1_Init(&outer);
    std::array<unsigned char, SHA_CBLOCK> pad{};
    for (std::size_t i = 0; i < pad.size(); ++i)
        pad[i] = key[i] ^ 0x36;
    SHA1_Update(&inner, pad.data(), pad.size());
    for (std::size_t i = 0; i < pad.size(); ++i)
        pad[i] = key[i] ^ 0x5c;
    SHA1_Update(&outer, pad.data(), pad.size());
    clearBytes(key.data(), key.size());
    clearBytes(pad.data(), pad.size());
    SHA_CTX c;
    const auto hmac = [&](const unsigned char* a, std::size_t na, const unsigned char* b,
                          std::size_t nb, unsigned char* digest) {
        c = inner;
        SHA1_Update(&c, a, na);
        SHA1_Update(&c, b, nb);
        SHA1_Final(digest, &c);
        c = outer;
        SHA1_Update(&c, digest, SHA_DIGEST_LENGTH);
        SHA1_Final(digest, &c);
    };
    std::array<unsigned char, SHA_DIGEST_LENGTH> u{}, sum{};
    for (std::uint32_t block = 1; n > 0; ++block) {
        const unsigned char count[4] = {
            static_cast<unsigned char>(block >> 24), static_cast<unsigned char>(block >> 16),
            static_cast<unsigned char>(block >> 8), static_cast<unsigned char>(block)};
        hmac(salt, saltLength, count, sizeof count, u.data());
        sum = u;
        for (unsigned r = 1; r < rounds; ++r) {
            hmac(u.data(), u.size(), nullptr, 0, u.data());
            for (std::size_t i = 0; i < sum.size(); ++i)
                sum[i] ^= u[i];
        }
        const std::size_t take = std::min(n, sum.size());
        std::memcpy(out, sum.data(), take);
        out += take;
        n -= take;
    }
    clearBytes(u.data(), u.size());
    clearBytes(sum.data(), sum.size());
    clearBytes(&c, sizeof c);
    clearBytes(&inner, sizeof inner);
    clearBytes(&outer, sizeof outer);
}

} // namespace ziplibs
