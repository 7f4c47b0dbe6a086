// The whole intro over cartridge tables taken from the fuzzer's input: the
// text, cursor, zoom and scene sprite tables, the palettes, the half-size
// tables, the code lists and the first sprite-tile stream. Whatever the
// bytes, placements stay inside oam_buffer and the intro ends.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "game/game.h"
#include "host/headless/headless.h"
#include "hw/interrupts.h"
#include "hw/iwram_data.h"
#include "hw/keys.h"
#include "hw/regions.h"
#include "hw/registers.h"
#include "render/sprite_layer.h"
#include "rom/rom.h"
#include "tests/support/reset_all.h"
#include "tools/cartridge/layout.h"

namespace {

// From the first text table to the end of the setup's sprite tiles.
constexpr uint32_t area_start = demo::text_table_0.offset;
constexpr uint32_t area_end = demo::sprite_set_1.offset + demo::sprite_set_1.length;
constexpr int frame_bound = 6 + 1 + 17 + 3 * (22 + 6 * 52) + 33 + 81 * 2 + 193 + 97 + 10;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    reset_all_globals();
    rom_image = static_cast<uint8_t*>(std::calloc(rom_expected_size, 1));
    if (!rom_image) return 0;
    rom_size = rom_expected_size;
    std::memcpy(rom_image + area_start, data, size < area_end - area_start ? size : area_end - area_start);
    // Angles and scales of the zoom read the sine table: fill it from the input too.
    for (int i = 0; i < 320; ++i) sine_table[i] = static_cast<int16_t>(size ? data[i % size] * 7 - 800 : 0);
    import_sprite_half_sizes();

    reg_store16(KEYINPUT, buttons_all);
    game_reset();
    int frames = 0;
    while (!(iwram_data.game_mode == 1 && iwram_data.mode_stage == 3)) {
        update_key_state();
        check_soft_reset();
        game_mode_step();
        vblank_step();
        render_sprite_layer(frame_buffer);
        if (iwram_data.oam_count > oam_entry_count || iwram_data.intro_state.scene_index > 7) std::abort();
        if (++frames > frame_bound) std::abort();  // a scene that never ends
    }
    return 0;
}
