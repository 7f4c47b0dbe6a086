// The affine helpers and the zoom: matrix groups for the flips, the identity
// matrices, placement about a centre, and the zoom's scale and centre path.
#include "game/affine.h"

#include <gtest/gtest.h>

#include "hw/iwram_data.h"
#include "tests/game/rom_fixture.h"
#include "tools/cartridge/layout.h"

namespace {

oam_entry& entry(int n) { return iwram_data.oam_buffer[n]; }

// sine_table with exact quarter turns: sin 0 = 0, sin 64 = 256, ...
void quarter_sines() {
    for (int a = 0; a < 320; ++a) {
        const int q = a % 256;
        sine_table[a] = static_cast<int16_t>(q == 64 ? 256 : q == 192 ? -256 : 0);
    }
}

TEST_F(fresh_globals, affine_group_follows_the_flips) {
    quarter_sines();
    struct flip_case {
        uint16_t flips;
        int group;
        int expected;
    };
    const flip_case cases[] = {
        {0x0000, 0, 0}, {0x1000, 0, 1}, {0x2000, 0, 2}, {0x3000, 0, 3}, {0x3000, 6, 1}};
    for (const flip_case& c : cases) {
        entry(0) = {0x0000, static_cast<uint16_t>(0x4000 | c.flips), 0, 0};
        affine_place(0, 100, 50, 0, 256, 0, c.group);
        EXPECT_EQ((entry(0).attr1 >> 9) & 7, c.expected) << std::hex << c.flips;
        EXPECT_EQ(entry(0).attr1 & 0x3000, 0) << "flip bits cleared";
        EXPECT_EQ(entry(0).attr1 & 0xC000, 0x4000) << "size kept";
    }
}

TEST_F(fresh_globals, affine_place_turns_about_the_centre) {
    quarter_sines();
    // 16 x 16 (shape 0, size 1): half size 8.
    obj_half_width[1] = 8;
    obj_half_height[1] = 8;
    // Stored 24 right of the centre (X field 24 - 8 = 16 at the corner), Y at the centre.
    entry(0) = {static_cast<uint16_t>((0 - 8) & 0xFF), static_cast<uint16_t>(0x4000 | 16), 0x0042, 0};

    oam_entry e = entry(0);
    affine_place(0, 120, 80, 0, 256, 0, 0);  // no turn, scale 1: corner stays at centre + offset
    EXPECT_EQ(entry(0).attr1 & 0x1FF, 120 + 16);
    EXPECT_EQ(entry(0).attr0 & 0xFF, 80 - 8);
    EXPECT_EQ(entry(0).attr0 & 0x0300, 0x0100);
    EXPECT_EQ(entry(0).attr2, 0x0042);

    entry(0) = e;
    affine_place(0, 120, 80, 64, 512, 1, 0);  // quarter turn, twice the size, double-size box
    // Middle 24 right becomes 48 below; the corner of the 32 x 32 box is 16 up and left of it.
    EXPECT_EQ(entry(0).attr1 & 0x1FF, 120 - 16);
    EXPECT_EQ(entry(0).attr0 & 0xFF, 80 + 48 - 16);
    EXPECT_EQ(entry(0).attr0 & 0x0300, 0x0300);
}

TEST_F(fresh_globals, affine_place_leaves_shape_3_and_wraps_the_angle) {
    quarter_sines();
    entry(0) = {0xC012, 0x0034, 0, 0};
    affine_place(0, 10, 10, 0, 256, 0, 0);
    EXPECT_EQ(entry(0).attr0, 0xC012);
    EXPECT_EQ(entry(0).attr1, 0x0034);

    entry(1) = {0x0000, 0x0010, 0, 0};
    entry(2) = entry(1);
    affine_place(1, 50, 50, 64, 256, 0, 0);
    affine_place(2, 50, 50, 64 + 256, 256, 0, 0);  // only the low 8 bits count
    EXPECT_EQ(entry(2).attr0, entry(1).attr0);
    EXPECT_EQ(entry(2).attr1, entry(1).attr1);
}

// Sines, scaled offsets and scale all at -32768: the rotated offset's sum
// reaches 2^31 before the shift. It must not overflow (the sanitizer build
// stops on it) and must still place the sprite.
TEST_F(fresh_globals, affine_place_with_extreme_values) {
    for (int a = 0; a < 320; ++a) sine_table[a] = -32768;
    obj_half_width[0] = 0;
    obj_half_height[0] = 1;
    // With the centre at (-64, -64): dx = X + hw = 256 and dy = Y + hh = 256,
    // so sx = sy = (256 * -32768) >> 8 = -32768.
    entry(0) = {255, 256, 0, 0};
    affine_place(0, -64, -64, 0, -32768, 0, 0);
    // rx = (2^30 - 2^30) >> 8 = 0; ry = (2^30 + 2^30) >> 8 = 2^23.
    EXPECT_EQ(entry(0).attr1 & 0x1FF, (-64 + 0 - 0) & 0x1FF);
    EXPECT_EQ(entry(0).attr0 & 0xFF, (-64 + (1 << 23) - 1) & 0xFF);
    EXPECT_EQ(entry(0).attr0 & 0x0300, 0x0100);
}

TEST_F(fresh_globals, set_rot_scale_identity_groups) {
    quarter_sines();
    set_rot_scale(0, 256, 0);
    const int16_t expected[16] = {256, 0, 0, 256, -256, 0, 0, 256, 256, 0, 0, -256, -256, 0, 0, -256};
    for (int i = 0; i < 16; ++i) EXPECT_EQ(static_cast<int16_t>(entry(i).attr3), expected[i]) << i;
}

TEST_F(fresh_globals, set_rot_scale_quarter_turn_and_half_size) {
    quarter_sines();
    set_rot_scale(64, 128, 0);  // c = 0, s = 256, 1 / 0.5 = 2
    EXPECT_EQ(static_cast<int16_t>(entry(0).attr3), 0);
    EXPECT_EQ(static_cast<int16_t>(entry(1).attr3), 512);
    EXPECT_EQ(static_cast<int16_t>(entry(2).attr3), -512);
    EXPECT_EQ(static_cast<int16_t>(entry(5).attr3), -512);  // b'
    EXPECT_EQ(static_cast<int16_t>(entry(10).attr3), 512);  // d'
}

TEST_F(fresh_globals, set_rot_scale_bounds) {
    quarter_sines();
    for (int n = 0; n < 128; ++n) entry(n).attr3 = 0x7777;
    set_rot_scale(0, 0, 0);  // scale 0: matrices as they were
    EXPECT_EQ(entry(0).attr3, 0x7777);

    set_rot_scale(0, 256, 116);  // groups at 116 and 120 fit, 124 fits, 128 does not
    EXPECT_EQ(entry(115).attr3, 0x7777);
    EXPECT_EQ(entry(116).attr3, 256);
    EXPECT_EQ(static_cast<int16_t>(entry(120).attr3), -256);
    EXPECT_EQ(entry(127).attr3, 0xFF00);  // group 2's PD, -256
    set_rot_scale(0, 256, 126);           // not even group 0 fits
    EXPECT_EQ(entry(126).attr3, 0x0000);  // untouched: still group 2's PC
}

class zoom : public with_rom {};

TEST_F(zoom, scale_and_centre_over_the_scene) {
    quarter_sines();
    // Table A: one 8 x 8 sprite at the centre; table B: two.
    put_table(demo::zoom_table_a, 1, {{0x0000, 0x0000, 0}});
    put_table(demo::zoom_table_b, 2, {{0x0000, 0x0000, 0}, {0x0000, 0x0008, 0}});
    intro_state_record& s = iwram_data.intro_state;
    s.zoom_scale = 0x20;
    s.zoom_center_x = 120;
    s.zoom_center_y = 28;
    struct point {
        int t, scale, centre_y, count;
    };
    const point expected[] = {{0, 40, 36, 1},    {3, 64, 60, 1},    {4, 72, 66, 2},    {7, 96, 84, 2},
                              {8, 104, 87, 1},   {11, 128, 96, 1},  {12, 144, 99, 2},  {15, 192, 108, 2},
                              {19, 256, 112, 1}, {23, 320, 108, 2}, {28, 480, 104, 2}, {32, 480, 104, 1}};
    int next = 0;
    for (int t = 0; t <= 32; ++t) {
        s.scene_timer = static_cast<uint16_t>(t);
        zoom_step();
        if (next < 12 && expected[next].t == t) {
            EXPECT_EQ(s.zoom_scale, expected[next].scale) << "t " << t;
            EXPECT_EQ(s.zoom_center_y, expected[next].centre_y) << "t " << t;
            EXPECT_EQ(iwram_data.oam_count, expected[next].count) << "t " << t;
            ++next;
        }
        EXPECT_EQ(entry(0).attr0 & 0x0300, 0x0300) << "affine double size, t " << t;
    }
    EXPECT_EQ(next, 12);
    // The last frame's matrices: scale 480 gives 1 / 1.875 = 136 / 256.
    EXPECT_EQ(entry(0).attr3, 136);
    EXPECT_EQ(entry(3).attr3, 136);
}

}  // namespace
