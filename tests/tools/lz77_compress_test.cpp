// The compressor against the program's own decoder: random and patterned
// data round-trip, and VRAM-safe streams never copy from the byte just
// written.
#include "tools/cartridge/lz77_compress.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "hw/lz77.h"

namespace {

std::vector<uint8_t> round_trip(const std::vector<uint8_t>& data, unsigned min_distance) {
    std::vector<uint8_t> packed = lz77_compress(data, min_distance);
    std::vector<uint8_t> out(data.size() + 16, 0xCD);
    uint32_t n = lz77_decompress(packed.data(), uint32_t(packed.size()), out.data(), uint32_t(data.size()));
    out.resize(n);
    return out;
}

// The smallest back-reference distance used in a stream.
unsigned min_reference_distance(const std::vector<uint8_t>& s) {
    uint32_t size = s[1] | (s[2] << 8) | (s[3] << 16), out = 0;
    size_t i = 4;
    unsigned best = 1u << 20;
    while (out < size) {
        uint8_t flags = s[i++];
        for (int bit = 7; bit >= 0 && out < size; --bit) {
            if (flags & (1 << bit)) {
                unsigned len = (s[i] >> 4) + 3, dist = (((s[i] & 15) << 8) | s[i + 1]) + 1;
                i += 2;
                best = std::min(best, dist);
                out += len;
            } else {
                ++i;
                ++out;
            }
        }
    }
    return best;
}

}  // namespace

TEST(Lz77Compress, RandomDataRoundTrips) {
    std::mt19937 rng(1234);
    for (size_t size : {0u, 1u, 2u, 3u, 17u, 18u, 19u, 4095u, 4096u, 4097u, 70000u}) {
        for (int alphabet : {2, 16, 256}) {
            std::vector<uint8_t> data(size);
            for (auto& b : data) b = uint8_t(rng() % unsigned(alphabet));
            for (unsigned md : {1u, 2u})
                EXPECT_EQ(round_trip(data, md), data) << size << " " << alphabet << " " << md;
        }
    }
}

TEST(Lz77Compress, RepeatsRoundTripAndShrink) {
    struct pattern {
        size_t period, size;
    };
    for (auto p : {pattern{1, 1000}, pattern{2, 999}, pattern{3, 4100}, pattern{17, 5000},
                   pattern{4096, 9000}, pattern{4097, 9000}}) {
        std::vector<uint8_t> data(p.size);
        std::mt19937 rng(unsigned(p.period));
        std::vector<uint8_t> unit(p.period);
        for (auto& b : unit) b = uint8_t(rng());
        for (size_t i = 0; i < p.size; ++i) data[i] = unit[i % p.period];
        for (unsigned md : {1u, 2u}) {
            EXPECT_EQ(round_trip(data, md), data) << p.period << " " << md;
            if (p.period <= 17) {
                EXPECT_LT(lz77_compress(data, md).size(), p.size / 4) << p.period;
            }
        }
    }
}

TEST(Lz77Compress, HeaderAndVramSafeDistances) {
    std::vector<uint8_t> zeros(300, 0);
    std::vector<uint8_t> s = lz77_compress(zeros, 2);
    ASSERT_GE(s.size(), 4u);
    EXPECT_EQ(s[0], 0x10);
    EXPECT_EQ(s[1] | (s[2] << 8) | (s[3] << 16), 300);
    EXPECT_GE(min_reference_distance(s), 2u);
    EXPECT_EQ(min_reference_distance(lz77_compress(zeros, 1)), 1u);
    EXPECT_EQ(lz77_compress({}, 2), (std::vector<uint8_t>{0x10, 0, 0, 0}));
}
