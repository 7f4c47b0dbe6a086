#include "render/sprite_layer.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "hw/color.h"
#include "hw/oam.h"
#include "hw/regions.h"
#include "hw/registers.h"
#include "render/row_masks.h"

namespace {

constexpr uint16_t dispcnt_obj_enable = 0x1000;
constexpr uint16_t dispcnt_obj_1d = 0x0040;
// Tile byte offsets wrap inside the 32 KiB sprite tile area, so no tile
// number can reach past vram.
constexpr uint32_t tile_area_mask = 0x7FFF;
// Total on-screen sprite area above which hidden pixels are skipped.
constexpr int cull_threshold = 2 * static_cast<int>(frame_pixels);

// The sprite half of palette_ram widened to pixels, once per frame.
void widen_obj_palette(uint32_t* lut) {
    uint16_t colors[256];
    std::memcpy(colors, palette_ram + obj_palette_offset, sizeof colors);
    for (int c = 0; c < 256; ++c) lut[c] = color_to_pixel(colors[c]);
}

struct sprite {
    int x, y, w, h;
    int i0, i1, j0, j1;  // the rows and columns of the sprite that lie on screen
    bool deep, hflip, vflip;
    uint32_t tile0, bank;
};

// Reads entry n of oam; false when no pixel of it can reach the screen.
bool read_entry(int n, sprite& s) {
    oam_entry e;
    std::memcpy(&e, oam + static_cast<std::ptrdiff_t>(n) * 8, sizeof e);
    const unsigned shape = e.attr0 >> 14;
    if (shape == 3 || (e.attr0 & 0x0300)) return false;
    const unsigned index = shape * 4 + (e.attr1 >> 14);
    s.w = sprite_widths[index];
    s.h = sprite_heights[index];
    // Rows 160..255 lie above the screen; 128..159 start on that row.
    const int y = e.attr0 & 0xFF;
    s.y = y < screen_height ? y : y - 256;
    const int x = e.attr1 & 0x1FF;
    s.x = x < 256 ? x : x - 512;
    s.deep = e.attr0 & 0x2000;
    s.hflip = e.attr1 & 0x1000;
    s.vflip = e.attr1 & 0x2000;
    s.tile0 = e.attr2 & 0x3FF;
    s.bank = e.attr2 >> 12;
    // Clip to the screen before any row is fetched.
    s.i0 = std::max(0, -s.y);
    s.i1 = std::min(s.h, screen_height - s.y);
    s.j0 = std::max(0, -s.x);
    s.j1 = std::min(s.w, screen_width - s.x);
    return s.i0 < s.i1 && s.j0 < s.j1;
}

// The bytes of one tile row: eight (256 colours) or four (16 colours, the
// left pixel of each pair in the low nibble). A row starts 4- or 8-aligned,
// so it never straddles the wrap.
template <bool deep>
const uint8_t* tile_row_bytes(uint32_t tile, int py) {
    return vram + obj_tiles_offset +
           ((tile * 32 + static_cast<uint32_t>(py) * (deep ? 8 : 4)) & tile_area_mask);
}

template <bool deep>
uint32_t index_at(const uint8_t* p, int k) {
    if constexpr (deep)
        return p[k];
    else
        return p[k >> 1] >> (k & 1) * 4 & 0x0F;
}

// Bit k set when pixel k of the tile row is not transparent.
template <bool deep>
uint32_t opaque_mask(const uint8_t* p) {
    if constexpr (deep) {
        uint64_t t;
        std::memcpy(&t, p, 8);
        return nonzero_bytes_of(t);
    } else {
        uint32_t t;
        std::memcpy(&t, p, 4);
        return opaque_pixels_16c(t) & 0xFF;
    }
}

// Stores the pixels of `need` (bit k: source pixel k) of one tile row,
// whose source pixels [k0, k1) are on screen. dst is the screen pixel of
// source pixel k0; a flipped sprite runs leftward from it.
template <bool deep, bool hflip>
[[gnu::always_inline]] inline void put_pixels(const uint8_t* p, uint32_t need, int k0, int k1,
                                              const uint32_t* pal, uint32_t* dst) {
    constexpr int step = hflip ? -1 : 1;
    if (need == 0xFF) {
        for (int k = 0; k < 8; ++k) dst[static_cast<std::ptrdiff_t>(k) * step] = pal[index_at<deep>(p, k)];
    } else {
        for (int k = k0; k < k1; ++k)
            if (need >> k & 1) dst[static_cast<std::ptrdiff_t>(k - k0) * step] = pal[index_at<deep>(p, k)];
    }
}

// The sprite column (from the sprite's left edge) that shows pixel k of tile column tc.
template <bool hflip>
int screen_column(int w, int tc, int k) {
    return hflip ? w - 1 - tc * 8 - k : tc * 8 + k;
}

// Index of the lowest set bit of a non-zero value.
int lowest_bit(uint64_t v) { return std::countr_zero(v); }

// Byte k all ones where bit k of the index is set.
constexpr auto byte_masks = [] {
    struct table {
        uint64_t v[256];
    } t{};
    for (int b = 0; b < 256; ++b)
        for (int k = 0; k < 8; ++k)
            if (b >> k & 1) t.v[b] |= uint64_t{0xFF} << (8 * k);
    return t;
}();

// Byte k of v moved to byte 7 - k.
uint64_t reversed_bytes_of(uint64_t v) {
    v = (v >> 8 & 0x00FF00FF00FF00FFu) | (v & 0x00FF00FF00FF00FFu) << 8;
    v = (v >> 16 & 0x0000FFFF0000FFFFu) | (v & 0x0000FFFF0000FFFFu) << 16;
    return v >> 32 | v << 32;
}

// Palette indices painted so far by the nearest-first painter, a byte per
// screen pixel; only pixels its coverage marks are ever read. Room on either
// side for a 64-pixel sprite row hanging past the screen's edge.
constexpr int index_pad = 64;
uint8_t painted_indices[screen_height][index_pad + screen_width + index_pad];

// Which screen pixels a nearer entry has already painted, a bit a pixel;
// a fifth word per row lets a 64-bit window start at any column.
using coverage = uint64_t[screen_height][5];

// The 64 coverage bits from bit sh of word q on, and the reverse: or-ing 64
// bits in at that place. (A shift by 64 is no shift in C++: the second word
// goes in two steps.)
uint64_t window_at(const uint64_t* row, int q, int sh) {
    return row[q] >> sh | (row[q + 1] << 1) << (63 - sh);
}

void cover_at(uint64_t* row, int q, int sh, uint64_t bits) {
    row[q] |= bits << sh;
    row[q + 1] |= (bits >> 1) >> (63 - sh);
}

// Entries are drawn nearest first, so a pixel is painted once, by the
// lowest-numbered entry that is opaque there; the picture is the same as
// painting entry 127 first and letting each entry overwrite the ones after it.
//
// Everything here is in the sprite's own column order (bit j: sprite column
// j, left to right on screen), a flipped tile's pixels simply taken from its
// other end. Rows paint palette indices into painted_indices, and
// convert_painted turns each painted one into a pixel at the end. A sprite row
// costs a coverage test when nothing of it is left to paint, a read of the
// one pixel when a single one is left, and otherwise one load for the opaque
// pixels of all its tiles, then an eight-byte blend per tile with pixels to
// paint: no branch depends on the pattern of the pixels within a tile.
template <bool deep, bool hflip>
void cull_rows(const sprite& s, bool one_dim, coverage& cov) {
    constexpr uint32_t tile_bytes = deep ? 64 : 32;
    constexpr uint32_t row_bytes = deep ? 8 : 4;
    const uint32_t tiles_wide = static_cast<uint32_t>(s.w) / 8;
    const uint8_t* tiles = vram + obj_tiles_offset;
    // Window bit b is sprite column j0 + b, on screen column xs + b, found in
    // coverage word q from bit sh on.
    const int j0 = s.j0, xs = s.x + j0, q = xs >> 6, sh = xs & 63;
    const uint64_t span = ~uint64_t{0} >> (64 - (s.j1 - j0));
    // Bytes from one row of tiles to the next, and to the first tile.
    const uint32_t tile_row_stride = (one_dim ? tiles_wide * tile_bytes : 32 * 32);
    const uint32_t first = s.tile0 * 32;
    // The source row of sprite row i: sy0 + i * sy_step, upside down when flipped.
    // (Arithmetic rather than a choice: entries come in no order a branch
    // could learn.)
    const uint32_t flipped = s.vflip ? 1u : 0u;
    const uint32_t sy0 = flipped * static_cast<uint32_t>(s.h - 1), sy_step = 1u - 2u * flipped;
    // In 16 colours a pixel's palette index is bank * 16 + its nibble.
    const uint32_t bank_index = deep ? 0 : s.bank << 4;
    const uint64_t bank_bytes = bank_index * 0x0101010101010101u;
    for (int i = s.i0; i < s.i1; ++i) {
        uint64_t* crow = cov[s.y + i];
        const uint64_t open = ~window_at(crow, q, sh) & span;
        if (!open) continue;
        const uint64_t open_j = open << j0;
        const uint32_t sy = sy0 + static_cast<uint32_t>(i) * sy_step;
        // Offset of this row in tile column 0; offsets wrap inside the area,
        // and a row starts 4- or 8-aligned, so it never straddles the wrap.
        const uint32_t base = first + (sy >> 3) * tile_row_stride + (sy & 7) * row_bytes;
        // The source column that shows sprite column j, and the bytes of its
        // tile's row.
        const auto source_column = [&](int j) { return static_cast<uint32_t>(hflip ? s.w - 1 - j : j); };
        const auto row_at = [&](uint32_t sx) {
            return tiles + ((base + (sx >> 3) * tile_bytes) & tile_area_mask);
        };
        // The index of sprite column 0; a visible entry starts at x > -64.
        uint8_t* out = painted_indices[s.y + i] + index_pad + s.x;
        if ((open_j & (open_j - 1)) == 0) {
            // A single pixel left, as in a row that only a sliver of is open.
            const int j = lowest_bit(open_j);
            const uint32_t sx = source_column(j);
            const uint32_t v = index_at<deep>(row_at(sx), static_cast<int>(sx & 7));
            if (v) {
                out[j] = static_cast<uint8_t>(v | bank_index);
                cover_at(crow, q, sh, open);
            }
            continue;
        }
        // The opaque pixels of the whole row in one load: byte n holds the
        // mask of tile column n. A flipped row reads them all backwards: the
        // mirrored masks in reverse byte order, the sprite's width brought
        // down to bit 0. Bits past the width are never open.
        const uint64_t by_column = masks_of_eight_tiles<deep, hflip>(base / row_bytes);
        const uint64_t opaque_j = hflip ? reversed_bytes_of(by_column) >> (64 - 8 * tiles_wide) : by_column;
        const uint64_t paint_j = opaque_j & open_j;
        if (!paint_j) continue;
        // Each tile with pixels to paint: its eight palette indices blended
        // into the row's indices under the mask of those pixels (columns off
        // screen land in the padding, or keep their bytes). Tile column t
        // (sprite columns 8t..8t+7) is source tile column t, or
        // tiles_wide - 1 - t when flipped; it has pixels to paint when byte t
        // of paint_j is not zero.
        const uint32_t column0 = hflip ? base + (tiles_wide - 1) * tile_bytes : base;
        const uint32_t column_step = hflip ? 0u - tile_bytes : tile_bytes;
        uint8_t paint_bytes[8];
        std::memcpy(paint_bytes, &paint_j, 8);
        for (uint32_t columns = nonzero_bytes_of(paint_j); columns; columns &= columns - 1) {
            const int t = lowest_bit(columns);
            const uint64_t keep = byte_masks.v[paint_bytes[t]];
            // The tile's eight indices: 256-colour rows as they are, 16-colour
            // ones from the table that has them a byte each.
            const uint32_t offset = (column0 + static_cast<uint32_t>(t) * column_step) & tile_area_mask;
            uint64_t v;
            if constexpr (deep) {
                std::memcpy(&v, tiles + offset, 8);
            } else {
                std::memcpy(&v, row_indices_16c + size_t{offset} * 2, 8);
                v |= bank_bytes;
            }
            if constexpr (hflip) v = reversed_bytes_of(v);
            uint8_t* to = out + static_cast<std::ptrdiff_t>(t) * 8;
            uint64_t d;
            std::memcpy(&d, to, 8);
            d = (d & ~keep) | (v & keep);
            std::memcpy(to, &d, 8);
        }
        cover_at(crow, q, sh, paint_j >> j0);
    }
}

// Every pixel the nearest-first painter covered, from its palette index:
// whole 64-pixel words straight, others a run of pixels at a time.
void convert_painted(const coverage& cov, const uint32_t* lut, uint32_t* frame) {
    for (int y = 0; y < screen_height; ++y) {
        const uint8_t* in = painted_indices[y] + index_pad;
        uint32_t* row = frame + static_cast<std::ptrdiff_t>(y) * screen_width;
        for (int w = 0; w < 4; ++w) {
            const uint64_t bits = cov[y][w];
            if (bits == ~uint64_t{0}) {
                for (int x = w * 64; x < w * 64 + 64; ++x) row[x] = lut[in[x]];
            } else {
                for (uint64_t left = bits; left;) {
                    const int a = lowest_bit(left);
                    const uint64_t from_a = left >> a;
                    const int n = ~from_a ? lowest_bit(~from_a) : 64 - a;
                    for (int x = w * 64 + a; x < w * 64 + a + n; ++x) row[x] = lut[in[x]];
                    left &= n + a == 64 ? 0 : ~uint64_t{0} << (n + a);
                }
            }
        }
    }
}

// Paints entry rows over what is there, for drawing farthest first. Costs
// nothing to set up, so it suits frames where little overlaps.
template <bool deep, bool hflip>
void paint_rows(const sprite& s, bool one_dim, const uint32_t* lut, uint32_t* frame) {
    constexpr uint32_t unit = deep ? 2 : 1;
    const uint32_t tiles_wide = static_cast<uint32_t>(s.w) / 8;
    const uint32_t* pal = deep ? lut : lut + static_cast<size_t>(s.bank) * 16;
    const int sx0 = hflip ? s.w - s.j1 : s.j0;
    const int sx1 = hflip ? s.w - s.j0 : s.j1;
    const int tc0 = sx0 / 8, tc1 = (sx1 - 1) / 8;
    for (int i = s.i0; i < s.i1; ++i) {
        const int sy = s.vflip ? s.h - 1 - i : i;
        const uint32_t tile_row = static_cast<uint32_t>(sy / 8);
        const uint32_t row_tile = s.tile0 + (one_dim ? tile_row * tiles_wide * unit : tile_row * 32);
        // Index of the screen pixel of source column 0 (it may lie off screen).
        const int row = (s.y + i) * screen_width + s.x;
        // Source pixels [k0, k1) of tile column tc.
        const auto segment = [&](int tc, int k0, int k1) {
            const uint8_t* p = tile_row_bytes<deep>(row_tile + static_cast<uint32_t>(tc) * unit, sy & 7);
            const uint32_t in_view = ((1u << k1) - 1) & ~((1u << k0) - 1);
            const uint32_t need = in_view & opaque_mask<deep>(p);
            if (need)
                put_pixels<deep, hflip>(p, need, k0, k1, pal,
                                        frame + (row + screen_column<hflip>(s.w, tc, k0)));
        };
        if (tc0 == tc1) {
            segment(tc0, sx0 - tc0 * 8, sx1 - tc0 * 8);
            continue;
        }
        // Partly visible tiles at the edges, whole tiles between them.
        int tc = tc0;
        if (sx0 & 7) segment(tc++, sx0 & 7, 8);
        for (; tc < sx1 / 8; ++tc) segment(tc, 0, 8);
        if (sx1 & 7) segment(tc, 0, sx1 & 7);
    }
}

template <bool deep, bool hflip>
void draw_rows(const sprite& s, bool one_dim, const uint32_t* lut, uint32_t* frame, coverage* cov) {
    if (cov)
        cull_rows<deep, hflip>(s, one_dim, *cov);
    else
        paint_rows<deep, hflip>(s, one_dim, lut, frame);
}

void draw_sprite(const sprite& s, bool one_dim, const uint32_t* lut, uint32_t* frame, coverage* cov) {
    if (s.deep) {
        if (s.hflip)
            draw_rows<true, true>(s, one_dim, lut, frame, cov);
        else
            draw_rows<true, false>(s, one_dim, lut, frame, cov);
    } else {
        if (s.hflip)
            draw_rows<false, true>(s, one_dim, lut, frame, cov);
        else
            draw_rows<false, false>(s, one_dim, lut, frame, cov);
    }
}

}  // namespace

void render_sprite_layer(uint32_t* frame) {
    const uint16_t dispcnt = reg_load16(DISPCNT);
    if (!(dispcnt & dispcnt_obj_enable)) return;
    const bool one_dim = dispcnt & dispcnt_obj_1d;
    sprite list[oam_entry_count];
    int count = 0;
    int area = 0;
    for (int n = 0; n < oam_entry_count; ++n) {
        if (!read_entry(n, list[count])) continue;
        area += (list[count].i1 - list[count].i0) * (list[count].j1 - list[count].j0);
        ++count;
    }
    if (count == 0) return;
    uint32_t lut[256];
    widen_obj_palette(lut);
    // When the sprites cover the screen several times over, drawing the
    // nearest first and skipping what it hides is cheaper than overdraw.
    if (area > cull_threshold) {
        // What each tile row holds, read once for all entries, for the
        // colour modes in use, mirrored too where a sprite is drawn mirrored.
        bool used[2] = {}, mirrored[2] = {};
        for (int n = 0; n < count; ++n) {
            used[list[n].deep] = true;
            mirrored[list[n].deep] |= list[n].hflip;
        }
        for (int deep = 0; deep < 2; ++deep) {
            if (used[deep]) read_row_masks(deep);
            if (mirrored[deep]) mirror_row_masks(deep);
        }
        coverage cov = {};
        for (int n = 0; n < count; ++n) draw_sprite(list[n], one_dim, lut, frame, &cov);
        convert_painted(cov, lut, frame);
    } else {
        // Entry 127 first, so lower-numbered entries end up on top.
        for (int n = count - 1; n >= 0; --n) draw_sprite(list[n], one_dim, lut, frame, nullptr);
    }
}
