// Which pixels of each row of the sprite tile area are not transparent, read
// from vram in one pass so that sprites drawn over each other need not
// re-examine the tiles they share, and laid out so that the same row of
// eight consecutive tiles comes in one load. The same pass spreads the
// 16-colour rows to a byte per pixel.
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
// The same masks with their bits in reverse order (bit k: pixel 7 - k), for
// sprites drawn mirrored left to right.
extern uint8_t row_masks_16c_mirrored[8 * lane_16c];
extern uint8_t row_masks_256c_mirrored[8 * lane_256c];

// Bit k: byte k of t is not zero; for eight 256-colour pixels, pixel k is
// not transparent.
inline uint32_t nonzero_bytes_of(uint64_t t) {
    constexpr uint64_t low7 = 0x7F7F7F7F7F7F7F7Fu;
    t = (((t & low7) + low7) | t) & ~low7;                                 // top bit: byte not zero
    return static_cast<uint32_t>(((t >> 7) * 0x0102040810204080u) >> 56);  // gathered
}

// Bit k: nibble k of sixteen 16-colour pixels (two rows, the first in the
// low half) is not zero.
inline uint32_t opaque_pixels_16c(uint64_t t) {
    constexpr uint64_t low3 = 0x7777777777777777u;
    t = ((((t & low3) + low3) | t) & ~low3) >> 3;  // bit 4k: nibble k is not zero
    t = (t | t >> 3) & 0x0303030303030303u;        // byte j: nibbles 2j, 2j+1
    t = (t | t >> 6) & 0x000F000F000F000Fu;        // 16 bits h: nibbles 4h..4h+3
    t = (t | t >> 12) & 0x000000FF000000FFu;       // 32 bits l: nibbles 8l..8l+7
    return static_cast<uint32_t>((t | t >> 24) & 0xFFFF);
}

// Every 16-colour row with a byte per pixel: byte k of row i is pixel k's
// nibble, at byte 8i.
extern uint8_t row_indices_16c[row_count_16c * 8];

// The eight nibbles of a 16-colour tile row as eight bytes, pixel k in byte k.
inline uint64_t spread_nibbles(uint32_t w) {
    uint64_t t = w;
    t = (t | t << 16) & 0x0000FFFF0000FFFFu;
    t = (t | t << 8) & 0x00FF00FF00FF00FFu;  // byte m of w in bits 16m..16m+7
    return (t & 0x000F000F000F000Fu) | (t & 0x00F000F000F000F0u) << 4;
}

// Fills the table of one colour mode from vram, with the fastest code this
// target has; for 16 colours, row_indices_16c too.
void read_row_masks(bool deep);

// The same in plain C++, which every target can run.
void read_row_masks_portable(bool deep);

// Fills the mirrored table of one colour mode from its table, which must be
// read first.
void mirror_row_masks(bool deep);

// The masks of rows i, i + 8, ..., i + 56 (row numbers wrap at the end of the
// area): byte n holds that of row i + 8n, mirrored or not.
template <bool deep, bool mirrored = false>
uint64_t masks_of_eight_tiles(uint32_t i) {
    static_assert(std::endian::native == std::endian::little, "byte n of the load is place n");
    constexpr uint32_t lane = deep ? lane_256c : lane_16c;
    constexpr uint32_t count = deep ? row_count_256c : row_count_16c;
    i &= count - 1;
    uint64_t v;
    const uint8_t* table = deep ? (mirrored ? row_masks_256c_mirrored : row_masks_256c)
                                : (mirrored ? row_masks_16c_mirrored : row_masks_16c);
    std::memcpy(&v, table + (size_t{i & 7} * lane + (i >> 3)), 8);
    return v;
}
