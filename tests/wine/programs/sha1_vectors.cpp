// Checks the CryptoAPI digest of the Win32 back end against the FIPS 180-4
// SHA-1 examples, plus the empty message and an 8 MiB block hashed in one
// call. Prints one line per vector; exit code 0 only when all match.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace {
struct vector_case {
    const char* name;
    std::string message;
    const char* digest;
};

std::string hex(const uint8_t* bytes, size_t size) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (size_t i = 0; i < size; ++i) {
        out += digits[bytes[i] >> 4];
        out += digits[bytes[i] & 15];
    }
    return out;
}

// An 8 MiB block the size of a cartridge image, every byte i & 0xFF.
std::string counting_block() {
    std::string block(0x800000, '\0');
    for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>(i & 0xFF);
    return block;
}
}  // namespace

int main(int argc, char** argv) {
    std::vector<vector_case> cases = {
        {"abc", "abc", "a9993e364706816aba3e25717850c26c9cd0d89d"},
        {"448 bits", "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
        {"896 bits",
         "abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrlmnopqrsmno"
         "pqrst"
         "nopqrstu",
         "a49b2446a02c645bf419f995b67091253a04a259"},
        {"one million a", std::string(1000000, 'a'), "34aa973cd4c4daa4f61eeb2bdbad27316534016f"},
        {"empty", "", "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
    };
    // The digest of the counting block comes from the command line (computed
    // natively by the test script), so it is checked by an independent SHA-1.
    if (argc > 1) cases.push_back({"8 MiB counting block", counting_block(), argv[1]});

    int failures = 0;
    for (const auto& c : cases) {
        uint8_t digest[20] = {};
        const int ok =
            platform_sha1(reinterpret_cast<const uint8_t*>(c.message.data()), c.message.size(), digest);
        const std::string got = ok ? hex(digest, sizeof digest) : "(failed)";
        const bool match = ok && got == c.digest;
        std::printf("%s %s: %s\n", match ? "ok  " : "FAIL", c.name, got.c_str());
        if (!match) {
            std::printf("     expected %s\n", c.digest);
            ++failures;
        }
    }
    return failures == 0 ? 0 : 1;
}
