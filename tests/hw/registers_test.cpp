#include "hw/registers.h"

#include <gtest/gtest.h>

#include <cstring>

#include "hw/color.h"
#include "hw/interrupts.h"
#include "hw/oam.h"
#include "hw/regions.h"
#include "tests/support/reset.h"

namespace {

using registers = fresh_globals;

TEST_F(registers, store_keeps_value_little_endian_without_side_effects) {
    reg_store16(DISPCNT, 0x1234);
    EXPECT_EQ(reg_load16(DISPCNT), 0x1234);
    EXPECT_EQ(io_regs[0], 0x34);
    EXPECT_EQ(io_regs[1], 0x12);
    EXPECT_EQ(io_regs[2], 0);
    reg_store16(KEYINPUT, 0x03FE);
    EXPECT_EQ(io_regs[0x130], 0xFE);
    EXPECT_EQ(io_regs[0x131], 0x03);
    EXPECT_EQ(reg_load16(DISPCNT), 0x1234);
    // The last register of the block.
    reg_store16(0x3FE, 0xA55A);
    EXPECT_EQ(reg_load16(0x3FE), 0xA55A);
}

TEST_F(registers, if_keeps_every_bit_and_raising_ors_into_it) {
    reg_store16(IF, 0xFFFF);
    vblank_step();
    raise_serial();
    EXPECT_EQ(reg_load16(IF), 0xFFFF);
    reg_store16(IF, 0x0000);
    raise_hblank();
    EXPECT_EQ(reg_load16(IF), 0x0002);
}

TEST_F(registers, a_32_bit_store_at_an_oam_entry_sets_attr0_and_attr1) {
    const uint32_t hide = 0x00FF00FF;
    std::memcpy(oam + std::ptrdiff_t{8} * 3, &hide, 4);
    oam_entry e;
    std::memcpy(&e, oam + std::ptrdiff_t{8} * 3, sizeof e);
    EXPECT_EQ(e.attr0, 0x00FF);
    EXPECT_EQ(e.attr1, 0x00FF);
    EXPECT_EQ(e.attr2, 0);
}

TEST(color, widening) {
    struct {
        uint16_t color;
        uint32_t pixel;
    } const cases[] = {{0x0000, 0x00000000}, {0x7FFF, 0x00FFFFFF}, {0xFFFF, 0x00FFFFFF},
                       {0x001F, 0x00FF0000}, {0x03E0, 0x0000FF00}, {0x7C00, 0x000000FF},
                       {0x0010, 0x00840000}, {0x0001, 0x00080000}, {0x4210, 0x00848484}};
    for (const auto& c : cases) EXPECT_EQ(color_to_pixel(c.color), c.pixel) << std::hex << c.color;
}

TEST(oam_sizes, shape_and_size_table) {
    const int expect[4][4][2] = {{{8, 8}, {16, 16}, {32, 32}, {64, 64}},
                                 {{16, 8}, {32, 8}, {32, 16}, {64, 32}},
                                 {{8, 16}, {8, 32}, {16, 32}, {32, 64}},
                                 {{0, 0}, {0, 0}, {0, 0}, {0, 0}}};
    for (int shape = 0; shape < 4; ++shape)
        for (int size = 0; size < 4; ++size) {
            EXPECT_EQ(sprite_widths[shape * 4 + size], expect[shape][size][0]) << shape << " " << size;
            EXPECT_EQ(sprite_heights[shape * 4 + size], expect[shape][size][1]) << shape << " " << size;
        }
}

}  // namespace
