// The intro's eight scenes, each one frame per call, keyed by scene_timer.
#include <cstring>

#include "game/affine.h"
#include "game/intro.h"
#include "game/sprite_frame.h"
#include "game/text_engine.h"
#include "hw/interrupts.h"
#include "hw/iwram_data.h"
#include "hw/regions.h"
#include "hw/registers.h"
#include "hw/sound.h"
#include "rom/cartridge_map.h"
#include "rom/rom.h"

namespace {

intro_state_record& state() { return iwram_data.intro_state; }

struct text_scene {
    rom_area code_list;
    rom_area text_table;
    uint16_t margin;
    uint32_t sound;
};

constexpr text_scene scene_0_text{rom_scene_0_codes, rom_scene_0_text_table, 56, 3};
constexpr text_scene scene_3_text{rom_scene_3_codes, rom_scene_3_text_table, 8, 4};
constexpr text_scene scene_5_text{rom_scene_5_codes, rom_scene_5_text_table, 32, 5};

// The code at code_index; the end of the list, or no list, ends the text.
uint8_t current_code(const text_scene& d) {
    const intro_state_record& s = state();
    if (s.code_index >= d.code_list.length) return 5;
    const uint8_t* list = rom_ptr(d.code_list.offset, d.code_list.length);
    return list ? list[s.code_index] : 5;
}

// Steps 2 to 5 of a text scene's frame, after its timeline actions. Returns
// 1 on the frame the text ends (the caller then runs its end actions).
int run_text(const text_scene& d, unsigned t) {
    intro_state_record& s = state();
    if (t == 0 && iwram_data.saved_option != 2) {
        sound_request(d.sound);
        s.text_sound_started = text_sound_start();
    }
    const uint8_t r = text_step(current_code(d), d.margin);
    if (r == text_done) {
        ++s.scene_index;
        s.code_index = 0;
        s.phase_counter = 0;
        s.scene_timer = 0;
        s.text_sound_started = 0;
        s.text_sprites_shown = 0;
        return 1;
    }
    s.text_table = rom_ptr(d.text_table.offset, d.text_table.length);
    s.text_table_length = s.text_table ? static_cast<uint16_t>(d.text_table.length) : 0;
    text_assemble();
    s.phase_counter = r == text_code_done ? 0 : static_cast<uint8_t>(s.phase_counter + 1);
    return 0;
}

unsigned enter_counting_scene() {
    intro_state_record& s = state();
    const unsigned t = s.scene_timer;
    s.scene_timer = static_cast<uint16_t>(t + 1);
    return t;
}

void shake() {
    intro_state_record& s = state();
    const uint8_t d = s.phase_counter;
    s.phase_counter = static_cast<uint8_t>(d + 1);
    if (d & 2) {
        --iwram_data.bg0_hofs_shadow;
        --iwram_data.bg0_vofs_shadow;
    } else {
        iwram_data.bg0_hofs_shadow = 0;
        iwram_data.bg0_vofs_shadow = 0;
    }
}

// Scene 4's background: one pixel to the left every six frames.
void scroll_left() {
    intro_state_record& s = state();
    if (s.phase_counter <= 4) {
        ++s.phase_counter;
    } else {
        s.phase_counter = 0;
        --iwram_data.bg0_hofs_shadow;
    }
}

// Scene 6's background: rises into place from t = 41.
void scroll_up(unsigned t) {
    if (t > 40 && iwram_data.bg0_vofs_shadow != 0) --iwram_data.bg0_vofs_shadow;
}

}  // namespace

uint8_t intro_scene_0() {
    intro_state_record& s = state();
    const unsigned t = enter_counting_scene();
    if (t == 10) s.dispcnt_shadow = 0x1200;
    if (run_text(scene_0_text, t)) {
        s.cursor_x = 24;
        s.cursor_y = 80;
        s.zoom_center_x = 120;
        s.zoom_center_y = 28;
    }
    return 0;
}

uint8_t intro_scene_1() {
    intro_state_record& s = state();
    const unsigned t = s.scene_timer;
    if (t == 0) {
        s.bldcnt_shadow = 0x1140;
        iwram_data.eva_shadow = 9;
        iwram_data.evb_shadow = 7;
    } else if (t == 1) {
        s.dispcnt_shadow = 0x1100;
        sound_request(4);
        sound_request(551);
    } else if (t == 32) {
        ++s.scene_index;
        s.dispcnt_shadow = 0;
        s.bldcnt_shadow = 0;
    }
    zoom_step();
    s.scene_timer = t == 32 ? 0 : static_cast<uint16_t>(t + 1);
    return 0;
}

uint8_t intro_scene_2() {
    intro_state_record& s = state();
    const unsigned t = s.scene_timer;
    switch (t) {
        case 0:
            intro_load_lz77(rom_scene_2_bg_tiles, vram + 0x0000);
            break;
        case 1:
            intro_load_lz77(rom_scene_2_bg0_map, vram + 0x8000);
            break;
        case 2:
            intro_load_copy(rom_scene_2_palette, palette_ram + 0x000);
            break;
        case 3:
            s.dispcnt_shadow = 0x0100;
            sound_request(552);
            break;
        case 80:
            s.dispcnt_shadow = 0;
            sound_request2(552, 0);
            ++s.scene_index;
            shake();
            s.phase_counter = 0;
            s.scene_timer = 0;
            return 0;
        default:
            break;
    }
    shake();
    s.scene_timer = static_cast<uint16_t>(t + 1);
    return 0;
}

uint8_t intro_scene_3() {
    intro_state_record& s = state();
    const unsigned t = enter_counting_scene();
    if (t == 0) s.dispcnt_shadow = 0x1000;
    if (t == 10) s.dispcnt_shadow = 0x1200;
    if (run_text(scene_3_text, t)) {
        s.cursor_x = 24;
        s.cursor_y = 80;
        s.dispcnt_shadow = 0;
    }
    return 0;
}

uint8_t intro_scene_4() {
    intro_state_record& s = state();
    const unsigned t = s.scene_timer;
    switch (t) {
        case 0:
            intro_load_lz77(rom_scene_4_sprite_tiles, vram + 0x10800);
            scroll_left();
            break;
        case 1:
            intro_load_lz77(rom_scene_4_bg_tiles, vram + 0x0000);
            scroll_left();
            break;
        case 2: {
            intro_load_lz77(rom_scene_4_bg0_map, vram + 0x8000);
            intro_load_copy(rom_scene_4_palette, palette_ram + 0x000);
            intro_load_copy(rom_scene_4_palette, palette_ram + 0x200);
            iwram_data.bg0_hofs_shadow = 16;
            const uint8_t d = s.phase_counter;
            s.phase_counter = static_cast<uint8_t>(d + 1);
            if (d > 4) {
                s.phase_counter = 0;
                iwram_data.bg0_hofs_shadow = 15;
            }
            break;
        }
        case 3:
            reg_store16(BLDALPHA, 0x0709);
            s.dispcnt_shadow = 0x1100;
            s.bldcnt_shadow = 0x1140;
            sound_request(553);
            scroll_left();
            break;
        case 80:
            s.dispcnt_shadow = 0;
            s.bldcnt_shadow = 0;
            sound_request2(553, 0);
            ++s.scene_index;
            if (s.phase_counter > 4) --iwram_data.bg0_hofs_shadow;
            s.phase_counter = 0;
            break;
        default:
            scroll_left();
            break;
    }
    s.scene_timer = t == 80 ? 0 : static_cast<uint16_t>(t + 1);

    const bool shifted = (s.anim_counter & 2) != 0;
    sprite_overrides blended{};
    blended.object_mode = 1;
    const int front =
        place_rom_sprite_frame(rom_scene_4_front_table, 0, shifted ? 96 : 95, shifted ? 127 : 128, blended);
    const int back = (s.anim_counter & 4)
                         ? place_rom_sprite_frame(rom_scene_4_back_24_table, front, 96, 128, blended)
                         : place_rom_sprite_frame(rom_scene_4_back_12_table, front, 96, 128, blended);
    iwram_data.oam_count = static_cast<uint8_t>(front + back);
    ++s.anim_counter;
    return 0;
}

uint8_t intro_scene_5() {
    intro_state_record& s = state();
    const unsigned t = enter_counting_scene();
    if (t == 0) intro_load_lz77(rom_setup_sprite_tiles, vram + 0x10000);
    if (t == 1) s.dispcnt_shadow = 0x1000;
    if (t == 10) s.dispcnt_shadow = 0x1200;
    if (run_text(scene_5_text, t)) s.dispcnt_shadow = 0;
    return 0;
}

uint8_t intro_scene_6() {
    intro_state_record& s = state();
    const unsigned t = s.scene_timer;
    switch (t) {
        case 0:
            intro_load_lz77(rom_scene_6_sprite_tiles, vram + 0x10000);
            break;
        case 1:
            intro_load_lz77(rom_scene_6_bg_tiles, vram + 0x0000);
            break;
        case 2:
            intro_load_lz77(rom_scene_6_bg0_map, vram + 0x8000);
            iwram_data.bg0_hofs_shadow = 0;
            iwram_data.bg0_vofs_shadow = 96;
            s.scene_timer = static_cast<uint16_t>(t + 1);
            return 0;
        case 3:
            intro_load_copy(rom_scene_6_palette, palette_ram + 0x000);
            s.dispcnt_shadow = 0x0100;
            sound_request(554);
            sound_request(57);
            break;
        case 191:
            sound_request2(554, 0);
            break;
        case 192:
            set_vblank_callback(intro_vblank_palette);
            ++s.scene_index;
            s.dispcnt_shadow = 0x1100;
            scroll_up(t);
            s.scene_timer = 0;
            return 0;
        default:
            break;
    }
    scroll_up(t);
    s.scene_timer = static_cast<uint16_t>(t + 1);
    return 0;
}

uint8_t intro_scene_7() {
    intro_state_record& s = state();
    const unsigned t = enter_counting_scene();
    switch (t) {
        case 0:
            sound_request(555);
            break;
        case 1:
            s.dispcnt_shadow = 0x1000;
            break;
        case 32:
            s.dispcnt_shadow = 0;
            break;
        case 96:
            return 1;
        default:
            break;
    }

    // Four palettes 0x40 apart, each held for two frames of eight.
    const uint8_t c = s.phase_counter;
    if ((c & 1) == 0) {
        const rom_area& f = rom_closing_palettes[(c & 7) / 2];
        if (const uint8_t* p = rom_ptr(f.offset, f.length))
            std::memcpy(s.palette_buffer, p, sizeof s.palette_buffer);
    }
    s.phase_counter = static_cast<uint8_t>(c + 1);

    iwram_data.oam_count = static_cast<uint8_t>(place_rom_sprite_frame(rom_closing_table, 0, -128, 128));
    return 0;
}

const intro_scene_fn intro_scene_table[intro_scene_count] = {intro_scene_0, intro_scene_1, intro_scene_2,
                                                             intro_scene_3, intro_scene_4, intro_scene_5,
                                                             intro_scene_6, intro_scene_7};
