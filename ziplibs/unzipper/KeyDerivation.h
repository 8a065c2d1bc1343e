#pragma once
// Key derivation for WinZip AES entries, whose keys come from the password by PBKDF2 with
// HMAC-SHA1. Deriving them is most of the time an AES entry takes: OpenSSL 3's own PBKDF2
// makes a new HMAC context for each of its thousands of rounds, where this one continues from
// copies of the two states that the password's padded key leaves, at about a third of the cost.
#include <cstddef>

namespace ziplibs {

// N bytes at OUT derived from the LENGTH bytes of PASSWORD and the SALTLENGTH bytes of SALT in
// ROUNDS rounds.
void pbkdf2Sha1(const char* password, std::size_t length, const unsigned char* salt,
                std::size_t saltLength, unsigned rounds, unsigned char* out, std::size_t n);

} // namespace ziplibs
