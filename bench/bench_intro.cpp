// Headless intro frames on the demo cartridge: the game step, the vertical
// blank and the sprite render of every frame from the boot fade to the end of
// the intro. Each iteration plays the whole intro once from a reset.
#include <benchmark/benchmark.h>

#include <cstdio>
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

namespace {

bool load_demo() {
    if (rom_image) return true;
    headless_reset();  // the loader's platform calls resolve to the headless back end
    std::FILE* f = std::fopen(ORVALIS_DEMO_ROM, "rb");
    if (!f) return false;
    rom_image = static_cast<uint8_t*>(std::malloc(rom_expected_size));
    const size_t got = rom_image ? std::fread(rom_image, 1, rom_expected_size, f) : 0;
    std::fclose(f);
    if (got != rom_expected_size) return false;
    rom_size = rom_expected_size;
    import_sprite_half_sizes();
    import_run_record_pointers();
    import_completion_constants();
    import_save_constants();
    import_sine_table();
    return true;
}

void frame() {
    update_key_state();
    check_soft_reset();
    game_mode_step();
    vblank_step();
    std::memset(frame_buffer, 0, frame_bytes);
    render_sprite_layer(frame_buffer);
}

void bm_intro_frames(benchmark::State& state) {
    if (!load_demo()) {
        state.SkipWithError("no demo cartridge");
        return;
    }
    int64_t frames = 0;
    for (auto _ : state) {
        state.PauseTiming();
        reg_store16(KEYINPUT, buttons_all);  // nothing pressed
        game_reset();
        state.ResumeTiming();
        int n = 0;
        // Until the intro reports its end; the bound only guards a broken intro.
        while (!(iwram_data.game_mode == 1 && iwram_data.mode_stage == 3) && n < 5000) {
            frame();
            ++n;
        }
        frames += n;
        benchmark::DoNotOptimize(frame_buffer[0]);
        benchmark::ClobberMemory();
    }
    state.counters["frames_per_second"] =
        benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate);
    state.counters["frames_per_intro"] =
        static_cast<double>(frames) / static_cast<double>(state.iterations());
    state.SetItemsProcessed(frames);
}
BENCHMARK(bm_intro_frames)->Unit(benchmark::kMillisecond);

}  // namespace
