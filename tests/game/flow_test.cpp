// The reset, the boot fade, the soft-reset check and the mode dispatch.
#include <gtest/gtest.h>

#include "game/boot.h"
#include "game/game.h"
#include "game/intro.h"
#include "hw/interrupts.h"
#include "hw/iwram_data.h"
#include "hw/keys.h"
#include "hw/regions.h"
#include "hw/registers.h"
#include "tests/support/reset.h"

namespace {

void press_at_start(uint16_t buttons) {
    reg_store16(KEYINPUT, static_cast<uint16_t>(~buttons & buttons_all));
}

TEST_F(fresh_globals, reset_sets_registers_and_clears_memory) {
    press_at_start(0);
    ewram[0x1234] = 7;
    iwram[0x7DFF] = 7;
    iwram[0x7E00] = 9;  // past the cleared part
    iwram_data.intro_state.cursor_x = 77;
    iwram_data.saved_flag = 1;
    iwram_data.save_op_active = 1;
    iwram_data.keys_held = 0x3FF;
    game_reset();
    EXPECT_EQ(ewram[0x1234], 0);
    EXPECT_EQ(iwram[0x7DFF], 0);
    EXPECT_EQ(iwram[0x7E00], 9);
    EXPECT_EQ(iwram_data.intro_state.cursor_x, 77) << "game variables are not cleared";
    EXPECT_EQ(iwram_data.saved_flag, 0);
    EXPECT_EQ(iwram_data.save_op_active, 0);
    EXPECT_EQ(reg_load16(DISPCNT), 0x0080);
    EXPECT_EQ(reg_load16(DISPSTAT), 0x0008);
    EXPECT_EQ(reg_load16(IE), 0x2401);
    EXPECT_EQ(reg_load16(IF), 0xFFFF);
    EXPECT_EQ(reg_load16(IME), 1);
    EXPECT_EQ(reg_load16(WAITCNT), 0x45B4);
    EXPECT_EQ(iwram_data.vblank_callback, &empty_callback);
    EXPECT_EQ(oam[0], 0xFF);
    EXPECT_EQ(oam[1], 0x00);
    EXPECT_EQ(iwram_data.keys_held, 0);
    EXPECT_EQ(iwram_data.keys_new, 0);
    EXPECT_EQ(iwram_data.keys_held_copy, 0);
    EXPECT_EQ(iwram_data.mode_stage, 0);
}

TEST_F(fresh_globals, buttons_at_start_choose_the_mode) {
    struct start_case {
        uint16_t buttons;
        int16_t mode;
    };
    const start_case cases[] = {
        {0, 0}, {button_l | button_r, 15}, {button_l | button_r | button_a, 0}, {button_l, 0}, {button_r, 0}};
    for (const start_case& c : cases) {
        reset_all_globals();
        press_at_start(c.buttons);
        game_reset();
        EXPECT_EQ(iwram_data.game_mode, c.mode) << std::hex << c.buttons;
        EXPECT_EQ(iwram_data.keys_held, 0) << "keys cleared after the look";
    }
}

TEST_F(fresh_globals, boot_fade_takes_six_frames) {
    press_at_start(0);
    game_reset();
    iwram_data.intro_state.scene_index = 5;
    const int bldy[] = {16, 12, 8, 4, 0};
    for (int frame = 1; frame <= 5; ++frame) {
        game_mode_step();
        vblank_step();
        EXPECT_EQ(iwram_data.game_mode, 0) << frame;
        EXPECT_EQ(iwram_data.bldy_shadow, bldy[frame - 1]) << frame;
        EXPECT_EQ(reg_load16(BLDY), bldy[frame - 1]) << frame;
    }
    EXPECT_EQ(iwram_data.mode_stage, 2);
    EXPECT_EQ(iwram_data.intro_state.scene_index, 0) << "the setup clears the intro record";
    EXPECT_EQ(reg_load16(BLDCNT), 0x00BF);
    EXPECT_EQ(reg_load16(DISPCNT), 0);
    EXPECT_EQ(iwram_data.oam_buffer[127].attr0, 0x00FF) << "all entries hidden";
    game_mode_step();
    EXPECT_EQ(iwram_data.game_mode, 1);
    EXPECT_EQ(iwram_data.mode_stage, 0);
    game_mode_step();  // the intro's setup runs next
    EXPECT_EQ(iwram_data.vblank_callback, &intro_vblank);
    EXPECT_EQ(iwram_data.mode_stage, 1);
}

TEST_F(fresh_globals, boot_fade_floors_at_zero) {
    iwram_data.mode_stage = 1;
    iwram_data.bldy_shadow = 3;
    EXPECT_EQ(boot_fade_step(), 0);
    EXPECT_EQ(iwram_data.bldy_shadow, 0);
    EXPECT_EQ(iwram_data.mode_stage, 2);
    EXPECT_EQ(boot_fade_step(), 1);
    iwram_data.mode_stage = 9;
    EXPECT_EQ(boot_fade_step(), 0);
}

TEST_F(fresh_globals, soft_reset_needs_all_four_and_no_save) {
    struct reset_case {
        uint16_t held;
        uint8_t save_active;
        int16_t mode_before;
        int16_t mode_after;
    };
    const reset_case cases[] = {
        {0x000F, 0, 1, 14}, {0x03FF, 0, 0, 14}, {0x000F, 0, 15, 14}, {0x0007, 0, 1, 1},
        {0x000E, 0, 1, 1},  {0x000F, 1, 1, 1},  {0x000F, 0, 14, 14},
    };
    for (const reset_case& c : cases) {
        reset_all_globals();
        iwram_data.keys_held_copy = c.held;
        iwram_data.save_op_active = c.save_active;
        iwram_data.game_mode = c.mode_before;
        check_soft_reset();
        EXPECT_EQ(iwram_data.game_mode, c.mode_after) << std::hex << c.held << " save " << int(c.save_active);
    }
}

TEST_F(fresh_globals, final_modes_step_nothing) {
    for (int16_t mode : {int16_t{14}, int16_t{15}, int16_t{2}, int16_t{-1}}) {
        reset_all_globals();
        iwram_data.game_mode = mode;
        iwram_data.mode_stage = 0;
        reg_store16(DISPCNT, 0x0080);
        game_mode_step();
        EXPECT_EQ(iwram_data.mode_stage, 0) << mode;
        EXPECT_EQ(reg_load16(DISPCNT), 0x0080) << mode;
        EXPECT_EQ(iwram_data.vblank_callback, nullptr) << mode;
    }
}

}  // namespace
