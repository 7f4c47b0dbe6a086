#include "render/row_masks.h"

#include <cstring>

#include "hw/regions.h"

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define ORVALIS_ROW_MASKS_SSE2 1
#endif

uint8_t row_masks_16c[row_count_16c];
uint8_t row_masks_256c[row_count_256c];

namespace {

const uint8_t* tile_area() { return vram + obj_tiles_offset; }

// Top bit of each byte: the byte is not zero; then gathered into bit k.
uint8_t nonzero_bytes(uint64_t t) {
    constexpr uint64_t low7 = 0x7F7F7F7F7F7F7F7Fu;
    t = (((t & low7) + low7) | t) & ~low7;
    return static_cast<uint8_t>(((t >> 7) * 0x0102040810204080u) >> 56);
}

// Bit k: nibble k is not zero, for the 16 nibbles of two 4-byte rows.
uint32_t nonzero_nibbles(uint64_t t) {
    constexpr uint64_t low3 = 0x7777777777777777u;
    t = ((((t & low3) + low3) | t) & ~low3) >> 3;  // bit 4k: nibble k is not zero
    t = (t | t >> 3) & 0x0303030303030303u;        // byte j: nibbles 2j, 2j+1
    t = (t | t >> 6) & 0x000F000F000F000Fu;        // 16 bits h: nibbles 4h..4h+3
    t = (t | t >> 12) & 0x000000FF000000FFu;       // 32 bits l: nibbles 8l..8l+7
    return static_cast<uint32_t>((t | t >> 24) & 0xFFFF);
}

}  // namespace

void read_row_masks_portable(bool deep) {
    const uint8_t* tiles = tile_area();
    // Eight bytes at a time: one 256-colour row or two 16-colour rows.
    for (uint32_t at = 0; at < 0x8000; at += 8) {
        uint64_t t;
        std::memcpy(&t, tiles + at, 8);
        if (deep) {
            row_masks_256c[at / 8] = nonzero_bytes(t);
        } else {
            const uint32_t m = nonzero_nibbles(t);
            row_masks_16c[at / 4] = static_cast<uint8_t>(m);
            row_masks_16c[at / 4 + 1] = static_cast<uint8_t>(m >> 8);
        }
    }
}

#ifdef ORVALIS_ROW_MASKS_SSE2
void read_row_masks(bool deep) {
    const uint8_t* tiles = tile_area();
    const __m128i zero = _mm_setzero_si128();
    const __m128i low = _mm_set1_epi8(0x0F);
    // Sixteen bytes at a time: a byte of 1s per transparent pixel, whose
    // compare mask, complemented, holds the masks of consecutive rows in its
    // low and high byte (x86 is little-endian).
    for (uint32_t at = 0; at < 0x8000; at += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(tiles + at));
        if (deep) {
            const auto m = static_cast<uint16_t>(~_mm_movemask_epi8(_mm_cmpeq_epi8(v, zero)));
            std::memcpy(row_masks_256c + at / 8, &m, 2);
        } else {
            // A byte per pixel in pixel order: the low nibble of each byte,
            // then its high nibble.
            const __m128i lo = _mm_and_si128(v, low);
            const __m128i hi = _mm_and_si128(_mm_srli_epi16(v, 4), low);
            const auto first = static_cast<uint16_t>(~_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_unpacklo_epi8(lo, hi), zero)));
            const auto second = static_cast<uint16_t>(~_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_unpackhi_epi8(lo, hi), zero)));
            std::memcpy(row_masks_16c + at / 4, &first, 2);
            std::memcpy(row_masks_16c + at / 4 + 2, &second, 2);
        }
    }
}
#else
void read_row_masks(bool deep) { read_row_masks_portable(deep); }
#endif
