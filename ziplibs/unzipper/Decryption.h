#pragma once
// What reading encrypted entries needs beyond libzip's own stream. libzip decrypts an entry
// read as stored (ZIP_FL_COMPRESSED) and checks an AES entry's authentication code at its end,
// so compressed entries are decrypted there and decoded by MethodDecoders. It also checks the CRC
// of an entry stored without compression, which an AE-2 entry leaves at 0: such an entry is
// decrypted here from its raw bytes, its authentication code checked instead of the CRC.
#include "ziplibs/unzipper/MethodDecoders.h"

#include <zip.h>

#include <cstdint>
#include <memory>
#include <vector>

namespace ziplibs {

// The decrypted data of a WinZip AES entry, piece by piece, from its raw bytes. The password
// is checked against the stored verifier when the source is made; the authentication code
// over the whole data when the last piece has been read (a mismatch fails that read).
class AesSource : public ChunkSource {
public:
    // Entry IDX of ZA, which ST describes, with PASSWORD; BUFFER holds the pieces.
    AesSource(zip_t* za, zip_uint64_t idx, const zip_stat_t& st, const char* password,
              std::vector<char>& buffer);
    ~AesSource() override;
    AesSource(const AesSource&) = delete;
    AesSource& operator=(const AesSource&) = delete;

    // ZIP_ER_OK while sound; ZIP_ER_WRONGPASSWD when the verifier refused the password,
    // ZIP_ER_CRC when the authentication code did not match, or what failed reading.
    int status() const { return status_; }
    std::ptrdiff_t next(const unsigned char*& data) override;

    struct Crypto;

private:
    // Reads exactly N raw bytes into OUT; false (status set) when they are not there.
    bool readRaw(void* out, std::size_t n);
    int fail(int status);

    zip_file_t* file_ = nullptr;
    std::vector<char>& buffer_;
    std::unique_ptr<Crypto> crypto_;
    zip_uint64_t left_ = 0; // encrypted data bytes not yet handed out
    bool checked_ = false;  // the authentication code has been compared
    int status_ = ZIP_ER_OK;
};

// The bytes a WinZip AES entry of METHOD adds to its data (salt, verifier, authentication
// code), 0 for a method that is not AES, and where its data begin.
std::size_t aesOverhead(zip_uint16_t method);
std::size_t aesDataOffset(zip_uint16_t method);

// Decrypts the whole raw bytes of a WinZip AES entry of METHOD, the N bytes at RAW (salt,
// verifier, data, authentication code), in place with PASSWORD. On ZIP_ER_OK the data are the
// n - aesOverhead(method) bytes at RAW + aesDataOffset(method); ZIP_ER_WRONGPASSWD when the
// verifier refuses the password, ZIP_ER_CRC when the authentication code does not match.
int decryptAes(unsigned char* raw, std::size_t n, zip_uint16_t method, const char* password);

} // namespace ziplibs
