// The reset, the per-frame game-mode step, the soft-reset check and the boot fade.
#include <cstring>

#include "game/boot.h"
#include "game/game.h"
#include "game/intro.h"
#include "hw/interrupts.h"
#include "hw/iwram_data.h"
#include "hw/keys.h"
#include "hw/regions.h"
#include "hw/registers.h"
#include "hw/sound.h"
#include "hw/transfer.h"
#include "save/boot_check.h"

namespace {

constexpr int16_t mode_boot_fade = 0;
constexpr int16_t mode_intro = 1;
constexpr int16_t mode_soft_reset = 14;
constexpr int16_t mode_boot_request = 15;
constexpr uint16_t soft_reset_buttons = button_a | button_b | button_select | button_start;

}  // namespace

void game_reset() {
    reg_store16(DISPCNT, 0x0080);  // forced blank
    reg_store16(IME, 0);
    reg_store16(DISPSTAT, 0);

    cpu_fill32(0, ewram, ewram_size);
    cpu_fill32(0, iwram, 0x7E00);

    reset_display_memory();
    sound_init();
    set_vblank_callback(empty_callback);

    save_boot_check();
    sound_restart();

    iwram_data.mode_stage = 0;
    iwram_data.keys_held_copy = 0;
    reg_store16(IE, 0x2401);
    iwram_data.keys_held = 0;
    reg_store16(DISPSTAT, 0x0008);
    iwram_data.keys_new = 0;
    reg_store16(WAITCNT, 0x45B4);

    // keys_held is zero, so keys_new now holds every button pressed at start.
    update_key_state();
    iwram_data.game_mode = iwram_data.keys_new == (button_l | button_r) ? mode_boot_request : mode_boot_fade;
    iwram_data.keys_held_copy = 0;
    iwram_data.keys_held = 0;
    iwram_data.keys_new = 0;

    reg_store16(IF, 0xFFFF);
    iwram_data.save_op_active = 0;
    reg_store16(IME, 1);
    iwram_data.saved_flag = 0;
}

void check_soft_reset() {
    if (iwram_data.game_mode != mode_soft_reset && iwram_data.save_op_active == 0 &&
        (iwram_data.keys_held_copy & soft_reset_buttons) == soft_reset_buttons)
        iwram_data.game_mode = mode_soft_reset;
}

void game_mode_step() {
    switch (iwram_data.game_mode) {
        case mode_boot_fade:
            if (boot_fade_step()) {
                iwram_data.game_mode = mode_intro;
                iwram_data.mode_stage = 0;
            }
            break;
        case mode_intro:
            intro_step();
            break;
        default:
            break;  // the other modes belong to parts of the game not held here
    }
}

void boot_fade_setup() {
    set_vblank_callback(empty_callback);
    cpu_fill32(0, &iwram_data.intro_state, sizeof iwram_data.intro_state);
    reg_store16(BLDCNT, 0x00BF);
    reg_store16(BLDY, 16);
    iwram_data.bldy_shadow = 16;
    reg_store16(DISPCNT, 0);
    iwram_data.oam_count = 0;
    reset_display_memory();
    hide_leftover_oam();
    std::memset(palette_ram, 0, 2);  // the backdrop colour
    for (uint32_t r = BG0HOFS; r <= BG3VOFS; r += 2) reg_store16(r, 0);
    reg_store16(DISPCNT, 0);
    set_vblank_callback(boot_fade_vblank);
}

int boot_fade_step() {
    switch (iwram_data.mode_stage) {
        case 0:
            boot_fade_setup();
            iwram_data.mode_stage = 1;
            return 0;
        case 1:
            iwram_data.bldy_shadow =
                iwram_data.bldy_shadow < 4 ? 0 : static_cast<uint16_t>(iwram_data.bldy_shadow - 4);
            if (iwram_data.bldy_shadow == 0) iwram_data.mode_stage = 2;
            return 0;
        case 2:
            return 1;
        default:
            return 0;
    }
}

void boot_fade_vblank() { reg_store16(BLDY, iwram_data.bldy_shadow); }
