// Which pixels of each row of the sprite tile area are not transparent, read
// from vram in one pass so that sprites drawn over each other need not
// re-examine the tiles they share, and laid out so that the same row of
// eight consecutive tiles comes in one load.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

// Rows of the 32 KiB sprite tile area: 4 bytes (8 pixels of 16 colours) or
// 8 bytes (8 pixels of 256 colours) each. Row i starts at byte i * 4 or i * 8;
// the same row of the next tile is row i + 8 in either mode.
inline constexpr uint32_t row_count_16c = 0x8000 / 4;
inline constexpr uint32_t row_count_256c = 0x8000 / 8;

// A mask (bit k: pixel k of the row is not transparent; in 16 colours pixel
// 2m is the low nibble of byte m) for every row. Row i is kept in lane i % 8
// at place i / 8, so rows i, i + 8, i + 16, ... lie side by side; each lane
// ends with a copy of its first eight places, so eight of them can be read at
// once from any place, wrapping at the end of the area as tile numbers do.
inline constexpr uint32_t lane_16c = row_count_16c / 8 + 8;
inline constexpr uint32_t lane_256c = row_count_256c / 8 + 8;
extern uint8_t row_masks_16c[8 * lane_16c];
extern uint8_t row_masks_256c[8 * lane_256c];

// Fills the table of one colour mode from vram, with the fastest code this
// target has.
void read_row_masks(bool deep);

// The same in plain C++, which every target can run.
void read_row_masks_portable(bool deep);

// The masks of rows i, i + 8, ..., i + 56 (row numbers wrap at the end of the
// area): byte n holds that of row i + 8n.
template <bool deep>
uint64_t masks_of_eight_tiles(uint32_t i) {
    static_assert(std::endian::native == std::endian::little, "byte n of the load is place n");
    constexpr uint32_t lane = deep ? lane_256c : lane_16c;
    constexpr uint32_t count = deep ? row_count_256c : row_count_16c;
    i &= count - 1;
    uint64_t v;
    std::memcpy(&v, (deep ? row_masks_256c : row_masks_16c) + (size_t{i & 7} * lane + (i >> 3)), 8);
    return v;
}
