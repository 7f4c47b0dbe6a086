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
    const uint8_t* p = vram + obj_tiles_offset + row * 4;
    uint8_t m = 0;
    for (int k = 0; k < 8; ++k)
        if ((k & 1 ? p[k / 2] >> 4 : p[k / 2] & 0x0F) != 0) m = static_cast<uint8_t>(m | 1 << k);
    return m;
}

uint8_t expected_256c(uint32_t row) {
    const uint8_t* p = vram + obj_tiles_offset + row * 8;
    uint8_t m = 0;
    for (int k = 0; k < 8; ++k)
        if (p[k] != 0) m = static_cast<uint8_t>(m | 1 << k);
    return m;
}

TEST_F(row_masks, every_row_in_both_colour_modes_and_both_readers) {
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
            r.read(false);
            r.read(true);
            int wrong = 0;
            for (uint32_t row = 0; row < row_count_16c; ++row)
                if (row_masks_16c[row] != expected_16c(row) && ++wrong < 5)
                    ADD_FAILURE() << r.name << " seed " << seed << " 16c row " << row;
            for (uint32_t row = 0; row < row_count_256c; ++row)
                if (row_masks_256c[row] != expected_256c(row) && ++wrong < 5)
                    ADD_FAILURE() << r.name << " seed " << seed << " 256c row " << row;
            EXPECT_EQ(wrong, 0) << r.name;
        }
        // The pinned rows, spelled out.
        EXPECT_EQ(row_masks_16c[0], 0b10010010);
        EXPECT_EQ(row_masks_16c[1], 0b10010000);
        EXPECT_EQ(row_masks_256c[0], 0b11001101);
        EXPECT_EQ(row_masks_256c[row_count_256c - 1], 0xFF);
    }
}

}  // namespace
