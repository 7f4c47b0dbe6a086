// SHA-1 of a block through OpenSSL's libcrypto (EVP).
#pragma once

#include <cstddef>
#include <cstdint>

// Returns 1 with the 20-byte digest, 0 when libcrypto reports a failure or
// the arguments are unusable (no digest buffer, or no data with a size).
int openssl_sha1(const uint8_t* data, size_t size, uint8_t digest[20]);
