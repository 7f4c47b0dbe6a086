#include "render/sprite_layer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "hw/color.h"
#include "hw/oam.h"
#include "hw/regions.h"
#include "hw/registers.h"
#include "hw/transfer.h"
#include "tests/render/reference_renderer.h"
#include "tests/support/reset.h"

namespace {

constexpr uint32_t untouched = 0xDEADBEEF;

void put_entry(int n, uint16_t a0, uint16_t a1, uint16_t a2, uint16_t a3 = 0) {
    const oam_entry e{a0, a1, a2, a3};
    std::memcpy(oam + static_cast<std::ptrdiff_t>(n) * 8, &e, sizeof e);
}

void set_obj_color(int index, uint16_t c) {
    std::memcpy(palette_ram + 0x200 + static_cast<std::ptrdiff_t>(index) * 2, &c, 2);
}

// 16-colour tile: every pixel of tile `tile` gets nibble `nibble`.
void fill_tile4(int tile, int nibble) {
    std::memset(vram + 0x10000 + static_cast<std::ptrdiff_t>(tile) * 32, nibble | nibble << 4, 32);
}

// Sets pixel (px, py) of a 16-colour tile.
void set_pixel4(int tile, int px, int py, int nibble) {
    uint8_t& b = vram[0x10000 + tile * 32 + py * 4 + px / 2];
    b = static_cast<uint8_t>(px % 2 ? (b & 0x0F) | nibble << 4 : (b & 0xF0) | nibble);
}

class sprite_layer : public fresh_globals {
protected:
    void SetUp() override {
        fresh_globals::SetUp();
        for (auto& p : frame_buffer) p = untouched;
        // Every entry hidden; each case places the ones it needs.
        for (int n = 0; n < 128; ++n) put_entry(n, 0x00FF, 0x00FF, 0);
        reg_store16(DISPCNT, 0x1040);
    }
    static uint32_t at(int c, int r) { return frame_buffer[r * 240 + c]; }
    void render() { render_sprite_layer(frame_buffer); }
    // The columns of row r that the last render painted.
    static std::vector<int> painted_columns(int r) {
        std::vector<int> cols;
        for (int c = 0; c < 240; ++c)
            if (at(c, r) != untouched) cols.push_back(c);
        return cols;
    }
    static int painted_count() {
        int n = 0;
        for (auto p : frame_buffer) n += p != untouched;
        return n;
    }
};

TEST_F(sprite_layer, nothing_drawn_when_the_layer_is_off) {
    set_obj_color(1, 0x7FFF);
    fill_tile4(0, 1);
    put_entry(0, 0, 0, 0);
    for (uint16_t dispcnt : {0x0080, 0x0100, 0x0040, 0xEFFF}) {
        reg_store16(DISPCNT, dispcnt);
        render();
        EXPECT_EQ(painted_count(), 0) << std::hex << dispcnt;
    }
    reg_store16(DISPCNT, 0x1000);
    render();
    EXPECT_EQ(painted_count(), 64);
}

TEST_F(sprite_layer, colours_widen_to_pixels) {
    struct {
        uint16_t color;
        uint32_t pixel;
    } const cases[] = {{0x7FFF, 0x00FFFFFF}, {0x001F, 0x00FF0000}, {0x03E0, 0x0000FF00},
                       {0x7C00, 0x000000FF}, {0xFFFF, 0x00FFFFFF}, {0x0010, 0x00840000}};
    for (const auto& c : cases) {
        set_obj_color(1, c.color);
        fill_tile4(0, 1);
        put_entry(0, 0, 0, 0);
        render();
        EXPECT_EQ(at(3, 3), c.pixel) << std::hex << c.color;
    }
}

TEST_F(sprite_layer, sixteen_colours_take_bank_and_nibble) {
    set_obj_color(53, 0x001F);
    set_obj_color(48, 0x7FFF);  // bank 3, nibble 0: must stay transparent
    set_pixel4(0, 0, 0, 5);
    set_pixel4(0, 1, 0, 0);
    put_entry(0, 10, 20, 0x3000);
    render();
    EXPECT_EQ(at(20, 10), 0x00FF0000u);
    EXPECT_EQ(at(21, 10), untouched);
    EXPECT_EQ(painted_count(), 1);
}

TEST_F(sprite_layer, tile_mapping_one_and_two_dimensional) {
    // A 16 x 16 sprite from tile 8: each of its four 8 x 8 quarters shows the
    // colour of the tile it was fetched from.
    for (int t = 0; t < 80; ++t) set_obj_color(t + 1, static_cast<uint16_t>(t + 1));
    struct {
        uint16_t dispcnt;
        bool deep;
        int tiles[4];  // top-left, top-right, bottom-left, bottom-right
    } const cases[] = {
        {0x1040, false, {8, 9, 10, 11}},
        {0x1040, true, {8, 10, 12, 14}},
        {0x1000, false, {8, 9, 40, 41}},
        {0x1000, true, {8, 10, 40, 42}},
    };
    for (const auto& c : cases) {
        std::memset(vram + 0x10000, 0, 0x8000);
        for (int t = 0; t < 64; ++t) {
            if (c.deep)
                std::memset(vram + 0x10000 + static_cast<std::ptrdiff_t>(t) * 32, t + 1, 32);
            else
                fill_tile4(t, 1 + t % 15);
        }
        for (auto& p : frame_buffer) p = untouched;
        reg_store16(DISPCNT, c.dispcnt);
        put_entry(0, c.deep ? 0x2000 : 0, 0x4000, 8);
        render();
        const int corners[4][2] = {{0, 0}, {8, 0}, {0, 8}, {8, 8}};
        for (int q = 0; q < 4; ++q) {
            const int t = c.tiles[q];
            const int index = c.deep ? t + 1 : 1 + t % 15;
            EXPECT_EQ(at(corners[q][0] + 3, corners[q][1] + 3), color_to_pixel(static_cast<uint16_t>(index)))
                << "dispcnt " << std::hex << c.dispcnt << " deep " << c.deep << " quarter " << q;
        }
    }
}

TEST_F(sprite_layer, flips_mirror_the_whole_sprite) {
    // 16 x 8 wide sprite, tiles 0 and 1; one marked pixel at source (1, 2).
    set_obj_color(7, 0x7FFF);
    set_pixel4(0, 1, 2, 7);
    struct {
        uint16_t flips;
        int col, row;
    } const cases[] = {{0x0000, 1, 2}, {0x1000, 14, 2}, {0x2000, 1, 5}, {0x3000, 14, 5}};
    for (const auto& c : cases) {
        for (auto& p : frame_buffer) p = untouched;
        put_entry(0, 0x4000 | 30, static_cast<uint16_t>(c.flips | 50), 0);
        render();
        EXPECT_EQ(painted_count(), 1) << c.flips;
        EXPECT_EQ(at(50 + c.col, 30 + c.row), 0x00FFFFFFu) << c.flips;
    }
}

TEST_F(sprite_layer, clipping_on_every_edge) {
    // A 16 x 16 opaque sprite (square, size 1) at each Y and X; which screen
    // rows and columns it covers, and which source row lands on the first.
    set_obj_color(1, 0x001F);
    for (int t = 0; t < 4; ++t) fill_tile4(t, 1);
    struct {
        int y, x;
        int row0, rows;  // first screen row painted and how many
        int col0, cols;
    } const cases[] = {
        {0, 0, 0, 16, 0, 16},     {127, 0, 127, 16, 0, 16}, {128, 0, 128, 16, 0, 16},
        {150, 0, 150, 10, 0, 16}, {159, 0, 159, 1, 0, 16},  {160, 0, 0, 0, 0, 0},
        {248, 0, 0, 8, 0, 16},    {241, 0, 0, 1, 0, 16},    {240, 0, 0, 0, 0, 0},
        {0, 239, 0, 16, 239, 1},  {0, 240, 0, 0, 0, 0},     {0, 255, 0, 0, 0, 0},
        {0, 500, 0, 16, 0, 4},    {0, 497, 0, 16, 0, 1},    {0, 496, 0, 0, 0, 0},
        {0, 230, 0, 16, 230, 10}, {248, 500, 0, 8, 0, 4},   {150, 230, 150, 10, 230, 10},
    };
    for (const auto& c : cases) {
        for (auto& p : frame_buffer) p = untouched;
        put_entry(0, static_cast<uint16_t>(c.y), static_cast<uint16_t>(0x4000 | c.x), 0);
        render();
        EXPECT_EQ(painted_count(), c.rows * c.cols) << "y " << c.y << " x " << c.x;
        if (c.rows) {
            EXPECT_NE(at(c.col0, c.row0), untouched) << "y " << c.y << " x " << c.x;
            EXPECT_NE(at(c.col0 + c.cols - 1, c.row0 + c.rows - 1), untouched) << "y " << c.y << " x " << c.x;
        }
    }
}

TEST_F(sprite_layer, clipped_sprite_shows_the_right_source_pixels) {
    // Source row r of an 8 x 16 tall sprite has nibble r % 15 + 1 in every column.
    for (int r = 0; r < 16; ++r) {
        set_obj_color(r % 15 + 1, static_cast<uint16_t>(r + 1));
        for (int px = 0; px < 8; ++px) set_pixel4(r / 8, px, r % 8, r % 15 + 1);
    }
    put_entry(0, 0x8000 | 248, 0, 0);  // Y = -8: source rows 8..15 on screen rows 0..7
    render();
    for (int row = 0; row < 8; ++row) EXPECT_EQ(at(0, row), color_to_pixel(static_cast<uint16_t>(row + 9)));
    EXPECT_EQ(at(0, 8), untouched);
}

TEST_F(sprite_layer, lower_entry_on_top_and_transparency_shows_through) {
    set_obj_color(1, 0x001F);
    set_obj_color(2, 0x03E0);
    fill_tile4(0, 1);
    fill_tile4(1, 2);
    set_pixel4(1, 0, 0, 0);  // a hole in entry 0's tile
    put_entry(5, 0, 0, 0);   // below: tile 0, red
    put_entry(0, 0, 0, 1);   // on top: tile 1, green with a hole
    render();
    EXPECT_EQ(at(1, 0), 0x0000FF00u);
    EXPECT_EQ(at(0, 0), 0x00FF0000u);
    // The same pair the other way round: entry 0 is always the one seen.
    put_entry(5, 0, 0, 1);
    put_entry(0, 0, 0, 0);
    render();
    EXPECT_EQ(at(1, 0), 0x00FF0000u);
    EXPECT_EQ(at(0, 0), 0x00FF0000u);
}

TEST_F(sprite_layer, skipped_entries_draw_nothing) {
    set_obj_color(1, 0x7FFF);
    for (int t = 0; t < 1024; ++t) fill_tile4(t, 1);
    struct {
        uint16_t a0, a1, a2;
    } const cases[] = {
        {0x0100, 0, 0},       // affine
        {0x0300, 0, 0},       // affine, double size
        {0x0200, 0, 0},       // disabled
        {0xC000, 0, 0},       // shape 3
        {0x00FF, 0x00FF, 0},  // the hide pattern
    };
    for (const auto& c : cases) {
        for (auto& p : frame_buffer) p = untouched;
        put_entry(0, c.a0, c.a1, c.a2, 0x0100);
        render();
        EXPECT_EQ(painted_count(), 0) << std::hex << c.a0 << " " << c.a1;
    }
}

TEST_F(sprite_layer, after_display_reset_nothing_is_drawn) {
    reset_display_memory();
    reg_store16(DISPCNT, 0x1040);
    render();
    EXPECT_EQ(painted_count(), 0);
}

TEST_F(sprite_layer, tile_numbers_wrap_inside_the_sprite_tile_area) {
    // A 16 x 8 wide sprite from tile 1023: its right half is tile 1024,
    // which wraps to tile 0 (vram offset 0x10000).
    set_obj_color(1, 0x001F);
    set_obj_color(2, 0x03E0);
    fill_tile4(1023, 1);
    fill_tile4(0, 2);
    put_entry(0, 0x4000, 0, 1023);
    render();
    EXPECT_EQ(at(0, 0), 0x00FF0000u);
    EXPECT_EQ(at(8, 0), 0x0000FF00u);
    // 256 colours, 64 x 64 from tile 1023 in 1D: rows reach tile 1023 + 126.
    std::memset(vram + 0x10000, 3, 0x8000);
    set_obj_color(3, 0x7C00);
    put_entry(0, 0x2000, 0xC000, 1023);
    render();
    EXPECT_EQ(at(63, 63), 0x000000FFu);
}

// Random OAM, tiles, palette and DISPCNT: the fast renderer must paint
// exactly what the per-pixel reference paints, and leave the rest alone.
TEST_F(sprite_layer, matches_the_reference_renderer) {
    std::mt19937 rng(20261210);
    auto rnd = [&](uint32_t n) { return static_cast<uint32_t>(rng() % n); };
    static uint32_t expected[frame_pixels];
    for (int frame = 0; frame < 300; ++frame) {
        const int style = frame % 4;
        // Only the sprite tile area can reach the picture.
        for (uint32_t i = 0x10000; i < vram_size; ++i)
            vram[i] = rnd(4) == 0 ? 0 : static_cast<uint8_t>(rng());
        for (uint32_t i = 0; i < palette_ram_size; ++i) palette_ram[i] = static_cast<uint8_t>(rng());
        uint16_t dispcnt = static_cast<uint16_t>(rng());
        if (rnd(8)) dispcnt |= 0x1000;
        reg_store16(DISPCNT, dispcnt);
        for (int n = 0; n < 128; ++n) {
            auto a0 = static_cast<uint16_t>(rng()), a1 = static_cast<uint16_t>(rng());
            const auto a2 = static_cast<uint16_t>(rng()), a3 = static_cast<uint16_t>(rng());
            if (rnd(5)) a0 &= 0xFCFF;                // mostly drawable
            if (style == 1 && n >= 6) a0 |= 0x0200;  // a sparse frame
            if (style == 2) {                        // big sprites, mostly on screen
                a0 = static_cast<uint16_t>((a0 & 0x3000) | rnd(3) << 14 | rnd(200));
                a1 = static_cast<uint16_t>((a1 & 0x3000) | (2 + rnd(2)) << 14 | (rnd(280) + 480) % 512);
            }
            put_entry(n, a0, a1, a2, a3);
        }
        for (size_t i = 0; i < frame_pixels; ++i)
            frame_buffer[i] = expected[i] = static_cast<uint32_t>(rng());
        reference_render_sprite_layer(expected);
        render_sprite_layer(frame_buffer);
        for (size_t i = 0; i < frame_pixels; ++i)
            ASSERT_EQ(frame_buffer[i], expected[i])
                << "frame " << frame << " column " << i % 240 << " row " << i / 240;
    }
}

// The layouts hardest for the front-to-back painter, against the reference:
// exact stacks, staircases leaving a one-pixel sliver of every row open in
// either direction, a staircase that also steps down and wraps above the top,
// in 16 and 256 colours, both mappings, every flip, and tiles that are
// opaque, alternately transparent, or opaque only in their first column.
TEST_F(sprite_layer, adversarial_layouts_match_the_reference_renderer) {
    struct placement {
        const char* name;
        int (*x)(int n);
        int (*y)(int n);
    };
    const placement placements[] = {
        {"stack", [](int) { return 88; }, [](int) { return 48; }},
        {"stair right", [](int n) { return n; }, [](int) { return 48; }},
        {"stair left", [](int n) { return 176 - n; }, [](int) { return 48; }},
        {"stair down, wrapping", [](int n) { return 500 + n; }, [](int n) { return (200 + 3 * n) & 0xFF; }},
    };
    static uint32_t expected[frame_pixels];
    for (const placement& at : placements) {
        for (int pattern = 0; pattern < 3; ++pattern) {
            for (int deep = 0; deep < 2; ++deep) {
                SCOPED_TRACE(std::string(at.name) + " pattern " + std::to_string(pattern) +
                             (deep ? " 256 colours" : " 16 colours"));
                for (uint32_t i = 0; i < 0x8000; ++i) {
                    uint8_t v = static_cast<uint8_t>(0x11 + i * 7);
                    if (pattern == 1) v = deep ? (i % 2 ? v : 0) : static_cast<uint8_t>(v & 0xF0);
                    if (pattern == 2)
                        v = deep ? (i % 8 ? 0 : v) : (i % 4 ? 0 : static_cast<uint8_t>(v & 0x0F));
                    vram[0x10000 + i] = v;
                }
                for (int c = 0; c < 256; ++c) set_obj_color(c, static_cast<uint16_t>(c * 0x0421 + 3));
                reg_store16(DISPCNT, static_cast<uint16_t>(0x1000 | (pattern == 1 ? 0 : 0x0040)));
                for (int n = 0; n < 128; ++n) {
                    // 64 x 64 mostly; every fifth entry 32 x 64 (tall), flips cycling.
                    const uint16_t shape = n % 5 == 4 ? 0x8000 : 0;
                    put_entry(n, static_cast<uint16_t>(shape | (deep ? 0x2000 : 0) | (at.y(n) & 0xFF)),
                              static_cast<uint16_t>(0xC000 | (n % 4) << 12 | (at.x(n) & 0x1FF)),
                              static_cast<uint16_t>((n * 16 + 5) & 0x3FF));
                }
                for (size_t i = 0; i < frame_pixels; ++i)
                    frame_buffer[i] = expected[i] = static_cast<uint32_t>(i * 2654435761u);
                reference_render_sprite_layer(expected);
                render_sprite_layer(frame_buffer);
                for (size_t i = 0; i < frame_pixels; ++i)
                    ASSERT_EQ(frame_buffer[i], expected[i]) << "column " << i % 240 << " row " << i / 240;
            }
        }
    }
}

}  // namespace
