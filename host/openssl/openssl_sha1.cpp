#include "host/openssl/openssl_sha1.h"

#include <openssl/evp.h>

#include <cstring>

int openssl_sha1(const uint8_t* data, size_t size, uint8_t digest[20]) {
    if (!digest || (!data && size != 0)) return 0;
    static const uint8_t empty = 0;
    unsigned char value[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    // EVP_Digest hashes the whole block in one call; it needs no context of ours.
    if (EVP_Digest(data ? data : &empty, size, value, &length, EVP_sha1(), nullptr) != 1) return 0;
    if (length != 20) return 0;
    std::memcpy(digest, value, 20);
    return 1;
}
