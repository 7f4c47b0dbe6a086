#include "hw/lz77.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "hw/regions.h"
#include "tests/support/reset.h"
#include "tools/cartridge/lz77_compress.h"

namespace {

using bytes = std::vector<uint8_t>;
constexpr uint8_t old_byte = 0xEE;

struct result {
    uint32_t written;
    bytes out;  // the whole destination, old bytes included
};

result decode(const bytes& stream, uint32_t src_len, uint32_t dst_cap, size_t dst_room = 64) {
    result r{0, bytes(dst_room, old_byte)};
    r.written = lz77_decompress(stream.data(), src_len, r.out.data(), dst_cap);
    return r;
}

TEST(lz77, listed_streams) {
    struct {
        const char* what;
        bytes stream;
        bytes expect;
    } const cases[] = {
        {"empty", {0x10, 0, 0, 0}, {}},
        {"three literals", {0x10, 3, 0, 0, 0x00, 0x41, 0x42, 0x43}, {0x41, 0x42, 0x43}},
        {"distance 1 repeats", {0x10, 4, 0, 0, 0x40, 0x41, 0x00, 0x00}, {0x41, 0x41, 0x41, 0x41}},
        {"reference first", {0x10, 4, 0, 0, 0x80, 0x00, 0x00}, {}},
        {"length cut at size", {0x10, 5, 0, 0, 0x40, 0x41, 0xF0, 0x00}, {0x41, 0x41, 0x41, 0x41, 0x41}},
        {"distance 2 repeats a pair",
         {0x10, 6, 0, 0, 0x20, 0x41, 0x42, 0x10, 0x01},
         {0x41, 0x42, 0x41, 0x42, 0x41, 0x42}},
        {"second group", {0x10, 9, 0, 0, 0x00, 1, 2, 3, 4, 5, 6, 7, 8, 0x00, 9}, {1, 2, 3, 4, 5, 6, 7, 8, 9}},
        {"reference before the start mid-stream", {0x10, 8, 0, 0, 0x40, 0x41, 0x00, 0x05, 0x42}, {0x41}},
        {"type byte not examined", {0x11, 2, 0, 0, 0x00, 0x61, 0x62}, {0x61, 0x62}},
    };
    for (const auto& c : cases) {
        const result r = decode(c.stream, static_cast<uint32_t>(c.stream.size()), 64);
        EXPECT_EQ(r.written, c.expect.size()) << c.what;
        for (size_t i = 0; i < r.out.size(); ++i)
            EXPECT_EQ(r.out[i], i < c.expect.size() ? c.expect[i] : old_byte) << c.what << " byte " << i;
    }
}

TEST(lz77, size_is_24_bit_little_endian) {
    // Size 0x010203: one literal, then references of 18 at distance 1 until
    // the size is reached in the middle of one.
    const uint32_t size = 0x010203;
    bytes stream = {0x10, 0x03, 0x02, 0x01, 0x7F, 0x41};
    for (int i = 0; i < 7; ++i) stream.insert(stream.end(), {0xF0, 0x00});
    while (stream.size() < 4 + size / 18 * 20) {
        stream.push_back(0xFF);
        for (int i = 0; i < 8; ++i) stream.insert(stream.end(), {0xF0, 0x00});
    }
    bytes out(size + 16, old_byte);
    EXPECT_EQ(lz77_decompress(stream.data(), static_cast<uint32_t>(stream.size()), out.data(),
                              static_cast<uint32_t>(out.size())),
              size);
    EXPECT_EQ(std::count(out.begin(), out.begin() + size, 0x41), size);
    EXPECT_EQ(out[size], old_byte);
}

TEST(lz77, round_trip) {
    std::mt19937 rng(77);
    for (int run = 0; run < 12; ++run) {
        bytes data(static_cast<size_t>(rng() % 2000));
        // Runs, repeated phrases and noise, so every kind of block appears.
        for (size_t i = 0; i < data.size(); ++i) {
            const int kind = static_cast<int>(rng() % 3);
            data[i] = kind == 0 || i < 20 ? static_cast<uint8_t>(rng())
                      : kind == 1         ? data[i - 1]
                                          : data[i - 17];
        }
        const bytes stream = lz77_compress(data, 1);
        bytes out(data.size() + 8, old_byte);
        ASSERT_EQ(lz77_decompress(stream.data(), static_cast<uint32_t>(stream.size()), out.data(),
                                  static_cast<uint32_t>(data.size())),
                  data.size());
        ASSERT_TRUE(std::equal(data.begin(), data.end(), out.begin())) << "run " << run;
        for (size_t i = data.size(); i < out.size(); ++i) ASSERT_EQ(out[i], old_byte);
    }
}

// A stream of every block kind: literals, short and long references.
bytes sample_stream(bytes& plain) {
    plain.clear();
    for (int i = 0; i < 40; ++i) plain.push_back(static_cast<uint8_t>("orvalis "[i % 8]));
    for (int i = 0; i < 10; ++i) plain.push_back(static_cast<uint8_t>(i * 31));
    for (int i = 0; i < 30; ++i) plain.push_back(7);
    return lz77_compress(plain, 1);
}

TEST(lz77, input_cut_short_stops_at_the_last_whole_block) {
    bytes plain;
    const bytes stream = sample_stream(plain);
    uint32_t previous = 0;
    for (uint32_t len = 0; len <= stream.size(); ++len) {
        // Exactly len bytes of input on the heap, so reading past them is caught.
        std::vector<uint8_t> input(stream.begin(), stream.begin() + len);
        bytes out(plain.size() + 4, old_byte);
        const uint32_t n = lz77_decompress(input.data(), len, out.data(), static_cast<uint32_t>(out.size()));
        ASSERT_LE(n, plain.size()) << len;
        ASSERT_GE(n, previous) << len;  // more input never gives less output
        ASSERT_TRUE(std::equal(out.begin(), out.begin() + n, plain.begin())) << len;
        for (size_t i = n; i < out.size(); ++i) ASSERT_EQ(out[i], old_byte) << len;
        previous = n;
    }
    EXPECT_EQ(previous, plain.size());
    // Cut inside the header: nothing.
    EXPECT_EQ(decode(stream, 3, 64).written, 0u);
}

TEST(lz77, output_too_small_fills_exactly_the_capacity) {
    bytes plain;
    const bytes stream = sample_stream(plain);
    for (uint32_t cap = 0; cap <= plain.size(); ++cap) {
        const result r = decode(stream, static_cast<uint32_t>(stream.size()), cap, plain.size() + 4);
        ASSERT_EQ(r.written, cap);
        ASSERT_TRUE(std::equal(r.out.begin(), r.out.begin() + cap, plain.begin())) << cap;
        for (size_t i = cap; i < r.out.size(); ++i) ASSERT_EQ(r.out[i], old_byte) << cap;
    }
}

TEST(lz77, entry_points_check_source_and_type) {
    bytes plain;
    const bytes stream = sample_stream(plain);
    bytes type11 = stream, type00 = stream;
    type11[0] = 0x11;
    type00[0] = 0x00;
    const auto len = static_cast<uint32_t>(stream.size());
    struct {
        const char* what;
        const uint8_t* src;
        uint32_t len;
        bool decodes;
    } const cases[] = {
        {"good", stream.data(), len, true},       {"null source", nullptr, 100, false},
        {"no input", stream.data(), 0, false},    {"type 0x11", type11.data(), len, false},
        {"type 0x00", type00.data(), len, false},
    };
    for (const auto& c : cases) {
        bytes out(plain.size(), old_byte);
        lz77_decompress_wram(c.src, c.len, out.data(), static_cast<uint32_t>(out.size()));
        EXPECT_EQ(out, c.decodes ? plain : bytes(plain.size(), old_byte)) << "wram " << c.what;

        reset_all_globals();
        lz77_decompress_vram(c.src, c.len, vram + 0x10000);
        const bytes got(vram + 0x10000, vram + 0x10000 + plain.size());
        EXPECT_EQ(got, c.decodes ? plain : bytes(plain.size(), 0)) << "vram " << c.what;
    }
    EXPECT_EQ(lz77_decompress(nullptr, 100, nullptr, 100), 0u);
}

TEST(lz77, vram_capacity_ends_at_the_end_of_vram) {
    reset_all_globals();
    bytes plain;
    const bytes stream = sample_stream(plain);
    const auto len = static_cast<uint32_t>(stream.size());
    // Five bytes of room before the end of vram.
    uint8_t* near_end = vram + vram_size - 5;
    lz77_decompress_vram(stream.data(), len, near_end);
    EXPECT_TRUE(std::equal(plain.begin(), plain.begin() + 5, near_end));
    EXPECT_EQ(vram[vram_size - 6], 0);
    // A destination outside vram has no room at all.
    lz77_decompress_vram(stream.data(), len, ewram);
    lz77_decompress_vram(stream.data(), len, vram + vram_size);
    for (uint32_t i = 0; i < 256; ++i) ASSERT_EQ(ewram[i], 0);
    // At the start of vram the whole stream fits.
    lz77_decompress_vram(stream.data(), len, vram);
    EXPECT_TRUE(std::equal(plain.begin(), plain.end(), vram));
}

}  // namespace
