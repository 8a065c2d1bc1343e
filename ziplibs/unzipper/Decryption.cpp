#include "ziplibs/unzipper/Decryption.h"

#include "ziplibs/common/Secret.h"
#include "ziplibs/unzipper/KeyDerivation.h"

#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/params.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>

namespace ziplibs {

namespace {

constexpr std::size_t RawChunk = 64 * 1024;
constexpr std::size_t VerifierLength = 2;
constexpr std::size_t CodeLength = 10; // the stored part of the HMAC-SHA1
constexpr int KeyIterations = 1000;
constexpr std::size_t Block = 16;

// Key length by libzip's method number (AES-128, -192, -256); the salt is half of it.
std::size_t keyLength(zip_uint16_t method) {
    switch (method) {
    case ZIP_EM_AES_128:
        return 16;
    case ZIP_EM_AES_192:
        return 24;
    case ZIP_EM_AES_256:
        return 32;
    default:
        return 0;
    }
}

} // namespace

std::size_t aesDataOffset(zip_uint16_t method) {
    return keyLength(method) / 2 + VerifierLength;
}

std::size_t aesOverhead(zip_uint16_t method) {
    return keyLength(method) == 0 ? 0 : aesDataOffset(method) + CodeLength;
}

// The cipher and the authentication of one entry: AES in counter mode with a little-endian
// counter starting at 1, and HMAC-SHA1 over the encrypted bytes, both keyed from the password
// and the salt by PBKDF2-HMAC-SHA1.
struct AesSource::Crypto {
    EVP_CIPHER_CTX* cipher = EVP_CIPHER_CTX_new();
    EVP_MAC* macAlgorithm = EVP_MAC_fetch(nullptr, "HMAC", nullptr);
    EVP_MAC_CTX* mac = macAlgorithm ? EVP_MAC_CTX_new(macAlgorithm) : nullptr;
    std::uint64_t counter = 0;
    std::vector<unsigned char> counters, stream;

    ~Crypto() {
        EVP_MAC_CTX_free(mac);
        EVP_MAC_free(macAlgorithm);
        EVP_CIPHER_CTX_free(cipher);
    }

    // Derives the keys; false when the stored VERIFIER does not match the password.
    bool start(const char* password, const unsigned char* salt, std::size_t keyLen,
               const unsigned char* verifier, bool& failed) {
        std::array<unsigned char, 2 * 32 + VerifierLength> keys{};
        const std::size_t n = 2 * keyLen + VerifierLength;
        failed = !cipher || !mac;
        if (!failed)
            pbkdf2Sha1(password, std::strlen(password), salt, keyLen / 2, KeyIterations,
                       keys.data(), n);
        bool matches = false;
        if (!failed) {
            matches = std::memcmp(keys.data() + 2 * keyLen, verifier, VerifierLength) == 0;
            const EVP_CIPHER* aes = keyLen == 16   ? EVP_aes_128_ecb()
                                    : keyLen == 24 ? EVP_aes_192_ecb()
                                                   : EVP_aes_256_ecb();
            char digest[] = "SHA1";
            const OSSL_PARAM params[] = {
                OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_DIGEST, digest, 0),
                OSSL_PARAM_construct_end()};
            failed = EVP_EncryptInit_ex(cipher, aes, nullptr, keys.data(), nullptr) != 1 ||
                     EVP_CIPHER_CTX_set_padding(cipher, 0) != 1 ||
                     EVP_MAC_init(mac, keys.data() + keyLen, keyLen, params) != 1;
        }
        clearBytes(keys.data(), keys.size());
        return matches;
    }

    // Authenticates and decrypts N bytes at DATA in place.
    bool decrypt(unsigned char* data, std::size_t n) {
        if (EVP_MAC_update(mac, data, n) != 1)
            return false;
        const std::size_t blocks = (n + Block - 1) / Block;
        counters.assign(blocks * Block, 0);
        stream.resize(blocks * Block + Block);
        for (std::size_t b = 0; b < blocks; ++b) {
            const std::uint64_t c = ++counter;
            for (std::size_t i = 0; i < 8; ++i)
                counters[b * Block + i] = static_cast<unsigned char>(c >> (8 * i));
        }
        int out = 0;
        if (EVP_EncryptUpdate(cipher, stream.data(), &out, counters.data(),
                              static_cast<int>(counters.size())) != 1)
            return false;
        for (std::size_t i = 0; i < n; ++i)
            data[i] ^= stream[i];
        return true;
    }

    bool codeMatches(const unsigned char* stored) {
        std::array<unsigned char, EVP_MAX_MD_SIZE> full{};
        std::size_t len = 0;
        return EVP_MAC_final(mac, full.data(), &len, full.size()) == 1 && len >= CodeLength &&
               std::memcmp(full.data(), stored, CodeLength) == 0;
    }
};

AesSource::AesSource(zip_t* za, zip_uint64_t idx, const zip_stat_t& st, const char* password,
                     std::vector<char>& buffer)
    : buffer_(buffer) {
    if (buffer_.size() < RawChunk)
        buffer_.resize(RawChunk);
    const std::size_t keyLen =
        (st.valid & ZIP_STAT_ENCRYPTION_METHOD) ? keyLength(st.encryption_method) : 0;
    const std::size_t overhead = aesOverhead(st.encryption_method);
    if (keyLen == 0 || !(st.valid & ZIP_STAT_COMP_SIZE) || st.comp_size < overhead) {
        fail(keyLen == 0 ? ZIP_ER_ENCRNOTSUPP : ZIP_ER_INCONS);
        return;
    }
    // The raw bytes; libzip's CRC check of a stored entry would fail at their end, which is
    // never read past.
    file_ = zip_fopen_index(za, idx, ZIP_FL_ENCRYPTED | ZIP_FL_COMPRESSED);
    if (!file_) {
        fail(zip_error_code_zip(zip_get_error(za)));
        return;
    }
    std::array<unsigned char, 16 + VerifierLength> head{};
    if (!readRaw(head.data(), keyLen / 2 + VerifierLength))
        return;
    crypto_ = std::make_unique<Crypto>();
    bool failed = false;
    const bool matches =
        crypto_->start(password, head.data(), keyLen, head.data() + keyLen / 2, failed);
    if (failed)
        fail(ZIP_ER_INTERNAL);
    else if (!matches)
        fail(ZIP_ER_WRONGPASSWD);
    left_ = st.comp_size - overhead;
}

AesSource::~AesSource() {
    if (file_)
        zip_fclose(file_);
    clearBytes(buffer_.data(), buffer_.size());
}

int AesSource::fail(int status) {
    if (status_ == ZIP_ER_OK)
        status_ = status == ZIP_ER_OK ? ZIP_ER_READ : status;
    return -1;
}

bool AesSource::readRaw(void* out, std::size_t n) {
    std::size_t got = 0;
    while (got < n) {
        const zip_int64_t r = zip_fread(file_, static_cast<char*>(out) + got, n - got);
        if (r <= 0) {
            fail(r < 0 ? zip_error_code_zip(zip_file_get_error(file_)) : ZIP_ER_EOF);
            return false;
        }
        got += static_cast<std::size_t>(r);
    }
    return true;
}

std::ptrdiff_t AesSource::next(const unsigned char*& data) {
    data = reinterpret_cast<const unsigned char*>(buffer_.data());
    if (status_ != ZIP_ER_OK)
        return -1;
    if (left_ == 0) {
        if (checked_)
            return 0;
        checked_ = true;
        std::array<unsigned char, CodeLength> stored{};
        if (!readRaw(stored.data(), stored.size()))
            return -1;
        return crypto_->codeMatches(stored.data()) ? 0 : fail(ZIP_ER_CRC);
    }
    const auto n = static_cast<std::size_t>(std::min<zip_uint64_t>(left_, RawChunk));
    if (!readRaw(buffer_.data(), n))
        return -1;
    if (!crypto_->decrypt(reinterpret_cast<unsigned char*>(buffer_.data()), n))
        return fail(ZIP_ER_INTERNAL);
    left_ -= n;
    return static_cast<std::ptrdiff_t>(n);
}

int decryptAes(unsigned char* raw, std::size_t n, zip_uint16_t method, const char* password) {
    const std::size_t keyLen = keyLength(method);
    if (keyLen == 0)
        return ZIP_ER_ENCRNOTSUPP;
    if (n < aesOverhead(method))
        return ZIP_ER_INCONS;
    AesSource::Crypto crypto;
    bool failed = false;
    const bool matches = crypto.start(password, raw, keyLen, raw + keyLen / 2, failed);
    if (failed)
        return ZIP_ER_INTERNAL;
    if (!matches)
        return ZIP_ER_WRONGPASSWD;
    const std::size_t at = aesDataOffset(method), size = n - aesOverhead(method);
    for (std::size_t done = 0; done < size; done += RawChunk)
        if (!crypto.decrypt(raw + at + done, std::min(RawChunk, size - done)))
            return ZIP_ER_INTERNAL;
    return crypto.codeMatches(raw + at + size) ? ZIP_ER_OK : ZIP_ER_CRC;
}

} // namespace ziplibs
