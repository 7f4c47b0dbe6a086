// SHA-1 through libcrypto and through the headless seam: FIPS 180-4 vectors.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "host/headless/headless.h"
#include "host/openssl/openssl_sha1.h"
#include "platform/platform.h"

namespace {

std::string hex(const uint8_t digest[20]) {
    std::string text;
    char pair[3];
    for (int i = 0; i < 20; ++i) {
        std::snprintf(pair, sizeof pair, "%02x", digest[i]);
        text += pair;
    }
    return text;
}

struct vector_case {
    std::string message;
    const char* digest;
};

std::vector<vector_case> fips_vectors() {
    return {
        {"", "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
        {"abc", "a9993e364706816aba3e25717850c26c9cd0d89d"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
        {std::string(1000000, 'a'), "34aa973cd4c4daa4f61eeb2bdbad27316534016f"},
    };
}

TEST(sha1, fips_vectors_through_libcrypto_and_the_seam) {
    headless_reset();
    for (const vector_case& v : fips_vectors()) {
        SCOPED_TRACE(v.message.size());
        const auto* data = reinterpret_cast<const uint8_t*>(v.message.data());
        uint8_t digest[20] = {};
        ASSERT_EQ(openssl_sha1(data, v.message.size(), digest), 1);
        EXPECT_EQ(hex(digest), v.digest);
        uint8_t through_seam[20] = {};
        ASSERT_EQ(platform_sha1(data, v.message.size(), through_seam), 1);
        EXPECT_EQ(hex(through_seam), v.digest);
    }
}

TEST(sha1, unusable_arguments_fail) {
    uint8_t digest[20];
    EXPECT_EQ(openssl_sha1(nullptr, 3, digest), 0);
    EXPECT_EQ(openssl_sha1(reinterpret_cast<const uint8_t*>("abc"), 3, nullptr), 0);
    EXPECT_EQ(openssl_sha1(nullptr, 0, digest), 1);
    EXPECT_EQ(hex(digest), "da39a3ee5e6b4b0d3255bfef95601890afd80709");
}

}  // namespace
