#include "game/text_engine.h"

#include "game/sprite_frame.h"
#include "hw/iwram_data.h"
#include "hw/sound.h"
#include "rom/cartridge_map.h"
#include "rom/rom.h"

namespace {

constexpr uint32_t text_sound = 550;

// Codes 0, 3 and 4: a six-frame flash of the newest sprite, then `shown`
// more sprites. Code 4 also breaks the line at phase 1.
uint8_t flashing_code(uint8_t phase, int shown, bool line_break, uint16_t margin) {
    intro_state_record& s = iwram_data.intro_state;
    switch (phase) {
        case 0:
            s.text_flash_bank = 1;
            return text_continue;
        case 1:
            if (line_break) {
                const bool at_margin = s.cursor_x == margin;
                s.cursor_y = static_cast<uint16_t>(s.cursor_y + 24);
                s.cursor_x = margin;
                s.text_flash_bank = 2;
                if (!at_margin) sound_request(text_sound);
            } else {
                s.cursor_x = static_cast<uint16_t>(s.cursor_x + 8);
                s.text_flash_bank = 2;
                sound_request(text_sound);
            }
            return text_continue;
        case 3:
            s.text_flash_bank = 1;
            return text_continue;
        case 4:
            s.text_flash_bank = 0;
            return text_continue;
        case 5:
            s.text_sprites_shown = static_cast<uint8_t>(s.text_sprites_shown + shown);
            ++s.code_index;
            return text_code_done;
        default:
            return text_continue;
    }
}

}  // namespace

uint8_t text_step(uint8_t code, uint16_t margin) {
    intro_state_record& s = iwram_data.intro_state;
    const uint8_t phase = s.phase_counter;
    switch (code) {
        case 1:
        case 2:
            if (code == 2 && phase == 1) s.cursor_x = static_cast<uint16_t>(s.cursor_x + 8);
            if (phase >= 4) {
                s.text_sprites_shown = static_cast<uint8_t>(s.text_sprites_shown + (code == 1 ? 2 : 1));
                ++s.code_index;
                return text_code_done;
            }
            return text_continue;
        case 3:
            return flashing_code(phase, 2, false, margin);
        case 4:
            return flashing_code(phase, 2, true, margin);
        case 5:
            if (phase == 1) {
                s.cursor_x = static_cast<uint16_t>(s.cursor_x + 8);
                sound_request(text_sound);
                return text_continue;
            }
            return phase > 20 ? text_done : text_continue;
        default:
            return flashing_code(phase, 1, false, margin);
    }
}

void text_assemble() {
    intro_state_record& s = iwram_data.intro_state;

    const uint8_t k = s.cursor_blink;
    s.cursor_blink = static_cast<uint8_t>(k + 1);
    if (k == 0 || k == 3) {
        s.cursor_bank = 1;
    } else if (k == 1) {
        s.cursor_bank = 2;
    } else if (k == 4) {
        s.cursor_bank = 0;
        s.cursor_blink = 0;
    }

    const int n = s.text_sprites_shown;
    sprite_overrides text{};
    text.palette_bank = 0;
    text.flash_index = n - 1;
    text.flash_bank = s.text_flash_bank;
    const int m = place_sprite_frame(s.text_table, s.text_table_length, 0, -128, 120, text,
                                     n < text_sprite_limit ? n : text_sprite_limit);

    sprite_overrides cursor{};
    cursor.palette_bank = s.cursor_bank;
    const int c = place_rom_sprite_frame(rom_cursor_table, m, s.cursor_y, s.cursor_x, cursor);
    iwram_data.oam_count = static_cast<uint8_t>(m + c);
}
