#include "game/intro.h"

#include <cstring>

#include "hw/interrupts.h"
#include "hw/iwram_data.h"
#include "hw/lz77.h"
#include "hw/regions.h"
#include "hw/registers.h"
#include "hw/sound.h"
#include "hw/transfer.h"
#include "rom/cartridge_map.h"
#include "rom/rom.h"

namespace {

constexpr uint16_t skip_buttons = 0x000B;  // A, B, Start

void intro_setup() {
    reg_store16(IME, 0);
    reg_store16(DISPSTAT, static_cast<uint16_t>(reg_load16(DISPSTAT) & ~0x0010));
    reg_store16(IE, static_cast<uint16_t>(reg_load16(IE) & ~0x0002));
    reg_store16(IF, 0x0002);
    reg_store16(IME, 1);

    reg_store16(DISPCNT, 0);
    reg_store16(IME, 0);
    set_vblank_callback(intro_vblank);
    reg_store16(IME, 1);

    intro_state_record& s = iwram_data.intro_state;
    cpu_fill32(0, &s, sizeof s);
    s.zoom_scale = 0x0020;
    s.cursor_x = 56;
    s.cursor_y = 96;

    reset_display_memory();
    intro_load_lz77(rom_setup_sprite_tiles, vram + 0x10000);
    intro_load_lz77(rom_setup_bg_tiles, vram + 0x0000);
    intro_load_lz77(rom_setup_bg0_map, vram + 0x8000);
    intro_load_lz77(rom_setup_bg1_map, vram + 0x9000);
    intro_load_copy(rom_intro_palette, palette_ram + 0x200);
    intro_load_copy(rom_intro_palette, palette_ram + 0x000);
    intro_load_copy(rom_intro_bg_top_palette, palette_ram + 0x1E0);

    iwram_data.oam_count = 0;
    reg_store16(BG0CNT, 0x1000);
    reg_store16(BG1CNT, 0x1201);
    hide_leftover_oam();

    iwram_data.bg_scroll_21358 = 0;
    iwram_data.bg_scroll_21360 = 0;
    iwram_data.bg_scroll_21362 = 0;
    iwram_data.bg_scroll_21364 = 0;
    iwram_data.bg_scroll_21366 = 0;
    iwram_data.bg_scroll_21368 = 0;
    iwram_data.bg0_vofs_shadow = 0;
    iwram_data.bg0_hofs_shadow = 0;
    for (uint32_t r = BG0HOFS; r <= BG3VOFS; r += 2) reg_store16(r, 0);
    sound_play_music(1);

    s.dispcnt_shadow = 0x1000;
    s.bldcnt_shadow = 0x00FF;
    iwram_data.bldy_shadow = 16;

    intro_vblank();  // the registers take the new values at once
    iwram_data.mode_stage = 1;
}

}  // namespace

void intro_load_lz77(const rom_area& area, uint8_t* dst) {
    const uint8_t* src = rom_ptr(area.offset, area.length);
    if (src) lz77_decompress_vram(src, area.length, dst);
}

void intro_load_copy(const rom_area& area, uint8_t* dst) {
    const uint8_t* src = rom_ptr(area.offset, area.length);
    if (src) cpu_copy(src, dst, area.length);
}

int intro_step() {
    iwram_data.oam_count = 0;
    switch (iwram_data.mode_stage) {
        case 0:
            intro_setup();
            return 0;
        case 1:
            if (iwram_data.bldy_shadow == 0) {
                iwram_data.mode_stage = 2;
                iwram_data.intro_state.bldcnt_shadow = 0;
            } else {
                --iwram_data.bldy_shadow;
            }
            return 0;
        case 2: {
            if (iwram_data.keys_new & skip_buttons) {
                iwram_data.mode_stage = 3;
                sound_fade_music(10);
                sound_fade_effects(10);
            } else {
                const uint8_t index = iwram_data.intro_state.scene_index;
                if (index < intro_scene_count && intro_scene_table[index]()) ++iwram_data.mode_stage;
            }
            hide_leftover_oam();
            return 0;
        }
        case 3:
            return 1;
        default:
            return 0;
    }
}

void intro_vblank() {
    const intro_state_record& s = iwram_data.intro_state;
    std::memcpy(oam, iwram_data.oam_buffer, sizeof iwram_data.oam_buffer);
    reg_store16(DISPCNT, s.dispcnt_shadow);
    reg_store16(BLDCNT, s.bldcnt_shadow);
    reg_store16(BLDALPHA, static_cast<uint16_t>(iwram_data.evb_shadow << 8 | iwram_data.eva_shadow));
    reg_store16(BLDY, iwram_data.bldy_shadow);
    reg_store16(BG0HOFS, iwram_data.bg0_hofs_shadow & 0x1FF);
    reg_store16(BG0VOFS, iwram_data.bg0_vofs_shadow & 0x1FF);
}

void intro_vblank_palette() {
    const intro_state_record& s = iwram_data.intro_state;
    std::memcpy(oam, iwram_data.oam_buffer, sizeof iwram_data.oam_buffer);
    reg_store16(DISPCNT, s.dispcnt_shadow);
    reg_store16(BLDCNT, s.bldcnt_shadow);
    std::memcpy(palette_ram + obj_palette_offset, s.palette_buffer, sizeof s.palette_buffer);
}
