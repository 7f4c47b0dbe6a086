#include "render/row_masks.h"

#include <cstddef>

#include "hw/regions.h"

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define ORVALIS_ROW_MASKS_SSE2 1
#endif

uint8_t row_masks_16c[8 * lane_16c];
uint8_t row_masks_256c[8 * lane_256c];
uint8_t row_masks_16c_mirrored[8 * lane_16c];
uint8_t row_masks_256c_mirrored[8 * lane_256c];
uint8_t row_indices_16c[row_count_16c * 8];

namespace {

const uint8_t* tile_area() { return vram + obj_tiles_offset; }

// The masks of one tile's eight rows (rows 8p .. 8p + 7) into place p of
// the eight lanes, and each lane's first eight places again at its end.
void put_tile(uint8_t* table, size_t lane, size_t p, const uint8_t (&m)[8]) {
    for (size_t l = 0; l < 8; ++l) table[l * lane + p] = m[l];
}

void close_lanes(uint8_t* table, size_t lane) {
    for (size_t l = 0; l < 8; ++l) std::memcpy(table + l * lane + (lane - 8), table + l * lane, 8);
}

}  // namespace

void read_row_masks_portable(bool deep) {
    const uint8_t* tiles = tile_area();
    const size_t tile_bytes = deep ? 64 : 32;
    for (size_t p = 0; p * tile_bytes < 0x8000; ++p) {
        const uint8_t* tile = tiles + p * tile_bytes;
        uint8_t m[8];
        // Eight bytes at a time: one 256-colour row or two 16-colour rows.
        for (size_t r = 0; r < 8; r += deep ? 1 : 2) {
            uint64_t t;
            std::memcpy(&t, tile + r * (deep ? 8 : 4), 8);
            if (deep) {
                m[r] = static_cast<uint8_t>(nonzero_bytes_of(t));
            } else {
                const uint32_t pair = opaque_pixels_16c(t);
                m[r] = static_cast<uint8_t>(pair);
                m[r + 1] = static_cast<uint8_t>(pair >> 8);
                for (size_t h = 0; h < 2; ++h) {
                    const uint64_t spread = spread_nibbles(static_cast<uint32_t>(t >> (32 * h)));
                    std::memcpy(row_indices_16c + (p * 8 + r + h) * 8, &spread, 8);
                }
            }
        }
        put_tile(deep ? row_masks_256c : row_masks_16c, deep ? lane_256c : lane_16c, p, m);
    }
    close_lanes(deep ? row_masks_256c : row_masks_16c, deep ? lane_256c : lane_16c);
}

void mirror_row_masks(bool deep) {
    const uint8_t* from = deep ? row_masks_256c : row_masks_16c;
    uint8_t* to = deep ? row_masks_256c_mirrored : row_masks_16c_mirrored;
    // Eight masks at a time: swap bit halves, then pairs, then single bits.
    const size_t bytes = deep ? sizeof row_masks_256c : sizeof row_masks_16c;
    for (size_t n = 0; n < bytes; n += 8) {
        uint64_t v;
        std::memcpy(&v, from + n, 8);
        v = (v >> 4 & 0x0F0F0F0F0F0F0F0Fu) | (v & 0x0F0F0F0F0F0F0F0Fu) << 4;
        v = (v >> 2 & 0x3333333333333333u) | (v & 0x3333333333333333u) << 2;
        v = (v >> 1 & 0x5555555555555555u) | (v & 0x5555555555555555u) << 1;
        std::memcpy(to + n, &v, 8);
    }
}

#ifdef ORVALIS_ROW_MASKS_SSE2
namespace {

// Bit k of the result: byte k of v is not zero.
uint32_t nonzero_bytes(__m128i v) {
    return static_cast<uint32_t>(~_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_setzero_si128()))) & 0xFFFF;
}

__m128i load(const uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }

}  // namespace

void read_row_masks(bool deep) {
    const uint8_t* tiles = tile_area();
    uint8_t m[8];
    if (deep) {
        // A tile is 64 bytes, two rows per 16.
        for (size_t p = 0; p < row_count_256c / 8; ++p) {
            const uint8_t* tile = tiles + p * 64;
            for (size_t h = 0; h < 4; ++h) {
                const uint32_t two = nonzero_bytes(load(tile + 16 * h));
                m[2 * h] = static_cast<uint8_t>(two);
                m[2 * h + 1] = static_cast<uint8_t>(two >> 8);
            }
            put_tile(row_masks_256c, lane_256c, p, m);
        }
        close_lanes(row_masks_256c, lane_256c);
        return;
    }
    // A tile is 32 bytes, four rows per 16: a byte per pixel in pixel order
    // (the low nibble of each byte, then its high nibble) gives two rows.
    const __m128i low = _mm_set1_epi8(0x0F);
    for (size_t p = 0; p < row_count_16c / 8; ++p) {
        const uint8_t* tile = tiles + p * 32;
        for (size_t h = 0; h < 2; ++h) {
            const __m128i v = load(tile + 16 * h);
            const __m128i lo = _mm_and_si128(v, low);
            const __m128i hi = _mm_and_si128(_mm_srli_epi16(v, 4), low);
            const __m128i rows01 = _mm_unpacklo_epi8(lo, hi), rows23 = _mm_unpackhi_epi8(lo, hi);
            __m128i* indices = reinterpret_cast<__m128i*>(row_indices_16c + (p * 8 + 4 * h) * 8);
            _mm_storeu_si128(indices, rows01);
            _mm_storeu_si128(indices + 1, rows23);
            const uint32_t first = nonzero_bytes(rows01);
            const uint32_t second = nonzero_bytes(rows23);
            m[4 * h] = static_cast<uint8_t>(first);
            m[4 * h + 1] = static_cast<uint8_t>(first >> 8);
            m[4 * h + 2] = static_cast<uint8_t>(second);
            m[4 * h + 3] = static_cast<uint8_t>(second >> 8);
        }
        put_tile(row_masks_16c, lane_16c, p, m);
    }
    close_lanes(row_masks_16c, lane_16c);
}
#else
void read_row_masks(bool deep) { read_row_masks_portable(deep); }
#endif
