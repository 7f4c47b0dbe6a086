#include "render/row_masks.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "hw/regions.h"
#include "tests/support/reset.h"

namespace {

class row_masks : public fresh_globals {};

// Bytes where zero bytes and zero nibbles are common, so that every mask
// bit is seen both ways, with the first and last rows of the area pinned to
// known patterns.
void fill_tile_area(uint32_t seed) {
    std::mt19937 rng(seed);
    uint8_t* tiles = vram + obj_tiles_offset;
    for (uint32_t i = 0; i < 0x8000; ++i) {
        const uint32_t r = rng();
        const uint8_t lo = r & 1 ? 0 : (r >> 8) & 0x0F, hi = r & 2 ? 0 : (r >> 12) & 0x0F;
        tiles[i] = static_cast<uint8_t>(lo | hi << 4);
    }
    const uint8_t first[8] = {0x10, 0x00, 0x02, 0xF0, 0x00, 0x00, 0x0F, 0x80};
    std::memcpy(tiles, first, 8);
    std::memset(tiles + 0x8000 - 8, 0xFF, 8);
}

// What a row mask must hold, from the pixels one by one.
uint8_t expected_16c(uint32_t row) {
    const uint8_t* p = vram + obj_tiles_offset + size_t{row} * 4;
    uint8_t m = 0;
    for (int k = 0; k < 8; ++k)
        if ((k & 1 ? p[k / 2] >> 4 : p[k / 2] & 0x0F) != 0) m = static_cast<uint8_t>(m | 1 << k);
    return m;
}

uint8_t expected_256c(uint32_t row) {
    const uint8_t* p = vram + obj_tiles_offset + size_t{row} * 8;
    uint8_t m = 0;
    for (int k = 0; k < 8; ++k)
        if (p[k] != 0) m = static_cast<uint8_t>(m | 1 << k);
    return m;
}

// Byte n of the eight-tile read from row i, which must be row i + 8n's mask.
template <bool deep, bool mirrored = false>
uint8_t read_back(uint32_t i, int n) {
    return static_cast<uint8_t>(masks_of_eight_tiles<deep, mirrored>(i) >> (8 * n));
}

uint8_t mirror(uint8_t m) {
    uint8_t r = 0;
    for (int k = 0; k < 8; ++k)
        if (m >> k & 1) r = static_cast<uint8_t>(r | 0x80 >> k);
    return r;
}

// Every row through every byte of the eight-tile reads of one colour mode,
// plain and mirrored; the reads wrap at the end of the area, and row numbers
// past it wrap too. Returns how many bytes are wrong.
template <bool deep>
int wrong_reads(const char* reader, uint32_t seed) {
    const uint32_t count = deep ? row_count_256c : row_count_16c;
    int wrong = 0;
    for (uint32_t i = 0; i < count + 8; ++i)
        for (int n = 0; n < 8; ++n) {
            const uint32_t row = (i + 8 * n) % count;
            const uint8_t want = deep ? expected_256c(row) : expected_16c(row);
            if ((read_back<deep>(i, n) != want || read_back<deep, true>(i, n) != mirror(want)) && ++wrong < 5)
                ADD_FAILURE() << reader << " seed " << seed << (deep ? " 256c" : " 16c") << " row " << i
                              << " byte " << n;
        }
    return wrong;
}

TEST_F(row_masks, every_row_in_both_colour_modes_both_readers_mirrored_and_spread) {
    using reader = void (*)(bool);
    const struct {
        const char* name;
        reader read;
    } readers[] = {{"fastest", read_row_masks}, {"portable", read_row_masks_portable}};
    for (uint32_t seed : {1u, 2u, 3u}) {
        fill_tile_area(seed);
        for (const auto& r : readers) {
            std::memset(row_masks_16c, 0xAA, sizeof row_masks_16c);
            std::memset(row_masks_256c, 0xAA, sizeof row_masks_256c);
            std::memset(row_masks_16c_mirrored, 0xAA, sizeof row_masks_16c_mirrored);
            std::memset(row_masks_256c_mirrored, 0xAA, sizeof row_masks_256c_mirrored);
            std::memset(row_indices_16c, 0xAA, sizeof row_indices_16c);
            r.read(false);
            r.read(true);
            mirror_row_masks(false);
            mirror_row_masks(true);
            int wrong = wrong_reads<false>(r.name, seed) + wrong_reads<true>(r.name, seed);
            // The 16-colour rows a byte per pixel.
            for (uint32_t i = 0; i < row_count_16c; ++i)
                for (int k = 0; k < 8; ++k) {
                    const uint8_t pair = vram[obj_tiles_offset + i * 4 + k / 2];
                    if (row_indices_16c[i * 8 + k] != (k & 1 ? pair >> 4 : pair & 0x0F) && ++wrong < 5)
                        ADD_FAILURE()
                            << r.name << " seed " << seed << " 16c indices of row " << i << " pixel " << k;
                }
            EXPECT_EQ(wrong, 0) << r.name;
        }
        // The pinned rows, spelled out: the first, and the last reached
        // from the row seven tiles before it.
        EXPECT_EQ(read_back<false>(0, 0), 0b10010010);
        EXPECT_EQ(read_back<false>(1, 0), 0b10010000);
        EXPECT_EQ(read_back<true>(0, 0), 0b11001101);
        EXPECT_EQ((read_back<true, true>(0, 0)), 0b10110011);
        EXPECT_EQ(read_back<true>(row_count_256c - 1 - 56, 7), 0xFF);
        EXPECT_EQ(read_back<true>(row_count_256c - 1, 1), read_back<true>(7, 0));
    }
}

}  // namespace
