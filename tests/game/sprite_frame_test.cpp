// Table placement: wrapping, overrides, and the bounds on a stored count
// that is not to be trusted.
#include "game/sprite_frame.h"

#include <gtest/gtest.h>

#include "hw/iwram_data.h"
#include "tests/game/rom_fixture.h"

namespace {

using placement = with_rom;
constexpr uint32_t at = 0x100000;

const oam_entry& entry(int n) { return iwram_data.oam_buffer[n]; }

TEST_F(placement, offsets_wrap_and_other_bits_stay) {
    put_table(at, 2, {{0xC090, 0x7000, 0x1234}, {0x20F0, 0x41F0, 0x0005}});
    iwram_data.oam_buffer[0].attr3 = 0xBEEF;
    ASSERT_EQ(place_sprite_frame(rom_ptr(at, 14), 14, 0, -128, 120), 2);
    // Y 0x90 - 128 = 0x10, X 0 + 120; shape, flips and size bits kept.
    EXPECT_EQ(entry(0).attr0, 0xC010);
    EXPECT_EQ(entry(0).attr1, 0x7000 | 120);
    EXPECT_EQ(entry(0).attr2, 0x1234);
    EXPECT_EQ(entry(0).attr3, 0xBEEF);  // no placement writes attr3
    // Y 0xF0 - 128 = 0x70; X 0x1F0 + 120 = 0x268 wraps to 0x068.
    EXPECT_EQ(entry(1).attr0, 0x2070);
    EXPECT_EQ(entry(1).attr1, 0x4068);
}

TEST_F(placement, cursor_at_x_500_wraps) {
    put_table(at, 1, {{0x0000, 20, 0}});
    sprite_overrides bank{};
    bank.palette_bank = 2;
    ASSERT_EQ(place_sprite_frame(rom_ptr(at, 8), 8, 5, 80, 500, bank), 1);
    EXPECT_EQ(entry(5).attr1 & 0x1FF, 8);
    EXPECT_EQ(entry(5).attr0 & 0xFF, 80);
    EXPECT_EQ(entry(5).attr2 >> 12, 2);
}

TEST_F(placement, object_mode_and_flash_overrides) {
    put_table(at, 3, {{0x0C00, 0, 0xF001}, {0x0000, 0, 0xF002}, {0x0800, 0, 0x0003}});
    sprite_overrides o{};
    o.palette_bank = 0;
    o.object_mode = 1;
    o.flash_index = 1;
    o.flash_bank = 0x12;  // only the low 4 bits count
    ASSERT_EQ(place_sprite_frame(rom_ptr(at, 20), 20, 0, 0, 0, o), 3);
    EXPECT_EQ(entry(0).attr0 & 0x0C00, 0x0400);
    EXPECT_EQ(entry(2).attr0 & 0x0C00, 0x0400);
    EXPECT_EQ(entry(0).attr2, 0x0001);
    EXPECT_EQ(entry(1).attr2, 0x2002);
    EXPECT_EQ(entry(2).attr2, 0x0003);
}

TEST_F(placement, stored_count_is_bounded) {
    struct bound_case {
        const char* what;
        uint16_t stored;
        uint32_t length;
        int first;
        int limit;
        int expected;
    };
    const bound_case cases[] = {
        {"stored count within table", 3, 2 + 6 * 10, 0, 128, 3},
        {"table shorter than count", 0xFFFF, 2 + 6 * 4, 0, 128, 4},
        {"partial last sprite ignored", 9, 2 + 6 * 2 + 5, 0, 128, 2},
        {"room left in oam_buffer", 0xFFFF, 2 + 6 * 300, 120, 128, 8},
        {"caller's limit", 50, 2 + 6 * 50, 0, 7, 7},
        {"first past the end", 5, 2 + 6 * 5, 128, 128, 0},
        {"length below the count word", 5, 1, 0, 128, 0},
    };
    for (const bound_case& c : cases) {
        reset_all_globals();
        rom_image = static_cast<uint8_t*>(std::calloc(rom_expected_size, 1));
        rom_size = rom_expected_size;
        put16(at, c.stored);
        for (uint32_t i = 0; i + 2 < c.length; i += 2) put16(at + 2 + i, 0x0101);
        iwram_data.oam_count = 0x5A;  // the variable after oam_buffer
        const int placed = place_sprite_frame(rom_ptr(at, c.length), c.length, c.first, 0, 0, {}, c.limit);
        EXPECT_EQ(placed, c.expected) << c.what;
        EXPECT_EQ(iwram_data.oam_count, 0x5A) << c.what << ": wrote past oam_buffer";
    }
}

TEST_F(fresh_globals, null_table_places_nothing) {
    iwram_data.oam_buffer[0] = {1, 2, 3, 4};
    EXPECT_EQ(place_sprite_frame(nullptr, 100, 0, 0, 0), 0);
    EXPECT_EQ(place_rom_sprite_frame(rom_cursor_table, 0, 0, 0), 0);  // no image held
    EXPECT_EQ(iwram_data.oam_buffer[0].attr0, 1);
    EXPECT_EQ(iwram_data.oam_buffer[0].attr2, 3);
}

}  // namespace
