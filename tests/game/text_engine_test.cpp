// The text engine: how long each code lasts and what it changes, the cursor
// blink, the flash of the newest sprite only, and the text and cursor bounds.
#include "game/text_engine.h"

#include <gtest/gtest.h>

#include <vector>

#include "hw/iwram_data.h"
#include "tests/game/rom_fixture.h"
#include "tools/cartridge/layout.h"

namespace {

intro_state_record& st() { return iwram_data.intro_state; }

struct code_run {
    int frames = 0;
    uint8_t result = 0;
    std::vector<uint8_t> flashes;
};

// Drives one code as a text scene does, until it reports done.
code_run run_code(uint8_t code, uint16_t margin) {
    code_run run;
    for (int guard = 0; guard < 100; ++guard) {
        const uint8_t r = text_step(code, margin);
        ++run.frames;
        run.flashes.push_back(st().text_flash_bank);
        if (r != text_continue) {
            run.result = r;
            st().phase_counter = 0;
            return run;
        }
        ++st().phase_counter;
    }
    return run;
}

TEST_F(fresh_globals, each_code_lasts_and_moves_as_listed) {
    struct code_case {
        uint8_t code;
        int frames;
        uint8_t result;
        int shown;
        int dx;  // cursor_x change from 100 (margin 8)
        int dy;
        uint8_t code_index;
    };
    const code_case cases[] = {
        {0, 6, text_code_done, 1, 8, 0, 1},        {1, 5, text_code_done, 2, 0, 0, 1},
        {2, 5, text_code_done, 1, 8, 0, 1},        {3, 6, text_code_done, 2, 8, 0, 1},
        {4, 6, text_code_done, 2, 8 - 100, 24, 1}, {5, 22, text_done, 0, 8, 0, 0},
        {6, 6, text_code_done, 1, 8, 0, 1},        {255, 6, text_code_done, 1, 8, 0, 1},
    };
    for (const code_case& c : cases) {
        reset_all_globals();
        st().cursor_x = 100;
        st().cursor_y = 40;
        st().text_sprites_shown = 3;
        const code_run run = run_code(c.code, 8);
        EXPECT_EQ(run.frames, c.frames) << "code " << int(c.code);
        EXPECT_EQ(run.result, c.result) << "code " << int(c.code);
        EXPECT_EQ(st().text_sprites_shown, 3 + c.shown) << "code " << int(c.code);
        EXPECT_EQ(st().cursor_x, 100 + c.dx) << "code " << int(c.code);
        EXPECT_EQ(st().cursor_y, 40 + c.dy) << "code " << int(c.code);
        EXPECT_EQ(st().code_index, c.code_index) << "code " << int(c.code);
    }
}

TEST_F(fresh_globals, flashing_codes_run_the_flash_banks) {
    const std::vector<uint8_t> expected = {1, 2, 2, 1, 0, 0};
    for (uint8_t code : {0, 3, 4, 9}) {
        reset_all_globals();
        EXPECT_EQ(run_code(code, 8).flashes, expected) << "code " << int(code);
    }
}

TEST_F(fresh_globals, line_break_at_margin_only_moves_down) {
    st().cursor_x = 32;
    st().cursor_y = 50;
    run_code(4, 32);
    EXPECT_EQ(st().cursor_x, 32);
    EXPECT_EQ(st().cursor_y, 74);
}

class text_assembly : public with_rom {
protected:
    static constexpr uint32_t table_at = 0x300000;

    // A text table of `sprites` sprites, sprite k at stored Y 0x90 and X k.
    void make_text(uint16_t stored, int sprites) {
        put16(table_at, stored);
        for (int k = 0; k < sprites; ++k) {
            put16(table_at + 2 + 6 * k, 0x0090);
            put16(table_at + 4 + 6 * k, static_cast<uint16_t>(k));
            put16(table_at + 6 + 6 * k, 0x3000 | k);
        }
        st().text_table = rom_ptr(table_at, 2 + 6 * sprites);
        st().text_table_length = static_cast<uint16_t>(2 + 6 * sprites);
    }
    void make_cursor() {
        put_table(demo::cursor_table, 3, {{0x0000, 20, 0x0100}, {0x0008, 28, 0x0101}, {0x0010, 36, 0x0102}});
    }
};

TEST_F(text_assembly, newest_shown_sprite_flashes_then_cursor_follows) {
    make_text(5, 5);
    make_cursor();
    st().text_sprites_shown = 3;
    st().text_flash_bank = 2;
    st().cursor_x = 56;
    st().cursor_y = 96;
    text_assemble();
    ASSERT_EQ(iwram_data.oam_count, 6);
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(iwram_data.oam_buffer[k].attr0 & 0xFF, 0x10) << k;
        EXPECT_EQ(iwram_data.oam_buffer[k].attr1 & 0x1FF, 120 + k) << k;
        EXPECT_EQ(iwram_data.oam_buffer[k].attr2 >> 12, k == 2 ? 2 : 0) << k;
    }
    // The cursor sits after the text, moved by the cursor position, bank 1
    // on the first blink frame.
    EXPECT_EQ(iwram_data.oam_buffer[3].attr1 & 0x1FF, 56 + 20);
    EXPECT_EQ(iwram_data.oam_buffer[4].attr0 & 0xFF, 96 + 8);
    EXPECT_EQ(iwram_data.oam_buffer[5].attr2, 0x1102);
}

TEST_F(text_assembly, more_shown_than_stored_shows_all_none_flashing) {
    make_text(4, 4);
    make_cursor();
    st().text_sprites_shown = 9;
    st().text_flash_bank = 1;
    text_assemble();
    EXPECT_EQ(iwram_data.oam_count, 7);
    for (int k = 0; k < 4; ++k) EXPECT_EQ(iwram_data.oam_buffer[k].attr2 >> 12, 0) << k;
}

TEST_F(text_assembly, cursor_blink_runs_1_2_2_1_0) {
    make_cursor();
    std::vector<int> banks;
    for (int f = 0; f < 10; ++f) {
        text_assemble();
        banks.push_back(st().cursor_bank);
        EXPECT_EQ(iwram_data.oam_buffer[0].attr2 >> 12, st().cursor_bank);
    }
    EXPECT_EQ(banks, (std::vector<int>{1, 2, 2, 1, 0, 1, 2, 2, 1, 0}));
}

TEST_F(text_assembly, huge_count_keeps_room_for_the_cursor) {
    make_text(0xFFFF, 200);
    make_cursor();
    st().text_sprites_shown = 250;
    text_assemble();
    EXPECT_EQ(iwram_data.oam_count, 128);
    EXPECT_EQ(iwram_data.oam_buffer[124].attr1 & 0x1FF, (120 + 124) & 0x1FF);
    EXPECT_EQ(iwram_data.oam_buffer[125].attr2 & 0x0FFF, 0x0100);  // first cursor sprite
    EXPECT_EQ(iwram_data.oam_buffer[127].attr2 & 0x0FFF, 0x0102);
}

TEST_F(text_assembly, table_length_bounds_a_lying_count) {
    make_text(0x00FF, 6);  // stores 255 but holds 6
    make_cursor();
    st().text_sprites_shown = 40;
    text_assemble();
    EXPECT_EQ(iwram_data.oam_count, 9);
}

}  // namespace
