// Sprite-layer frame times: the worst case the layer allows and a typical frame.
#include <benchmark/benchmark.h>

#include <cstring>

#include "hw/oam.h"
#include "hw/regions.h"
#include "hw/registers.h"
#include "render/sprite_layer.h"

namespace {

void put_entry(int n, uint16_t a0, uint16_t a1, uint16_t a2) {
    const oam_entry e{a0, a1, a2, 0};
    std::memcpy(oam + n * 8, &e, sizeof e);
}

void fill_palette() {
    for (int c = 0; c < 256; ++c) {
        const uint16_t v = static_cast<uint16_t>(c * 0x0421 + 7);
        std::memcpy(palette_ram + obj_palette_offset + 2 * c, &v, 2);
    }
}

// 128 entries of 64 x 64 in 256 colours, every pixel opaque, all on screen.
void bm_worst_frame(benchmark::State& state) {
    hw_reset_globals();
    fill_palette();
    for (uint32_t i = 0; i < 0x8000; ++i) vram[obj_tiles_offset + i] = static_cast<uint8_t>(1 + i % 255);
    reg_store16(DISPCNT, 0x1040);
    for (int n = 0; n < 128; ++n) {
        const uint16_t y = static_cast<uint16_t>((n * 7) % (160 - 64));
        const uint16_t x = static_cast<uint16_t>((n * 13) % (240 - 64));
        // Square, size 3, 256 colours; flips vary across entries.
        put_entry(n, static_cast<uint16_t>(0x2000 | y), static_cast<uint16_t>(0xC000 | (n & 3) << 12 | x),
                  static_cast<uint16_t>((n * 16) & 0x3FF));
    }
    // The frame buffer is not cleared between passes: the same pixels are
    // painted each time, and the clear is the frame loop's cost, not ours.
    for (auto _ : state) {
        render_sprite_layer(frame_buffer);
        benchmark::DoNotOptimize(frame_buffer[0]);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(bm_worst_frame)->Unit(benchmark::kMicrosecond);

// The same entries with every other pixel transparent, in the same columns
// for every sprite: no pixel of a lower entry ever hides a higher one.
void bm_worst_frame_half_transparent(benchmark::State& state) {
    hw_reset_globals();
    fill_palette();
    for (uint32_t i = 0; i < 0x8000; ++i)
        vram[obj_tiles_offset + i] = i % 2 ? 0 : static_cast<uint8_t>(1 + i % 255);
    reg_store16(DISPCNT, 0x1040);
    for (int n = 0; n < 128; ++n) {
        const uint16_t y = static_cast<uint16_t>((n * 7) % (160 - 64));
        const uint16_t x = static_cast<uint16_t>((n * 2) % (240 - 64));
        put_entry(n, static_cast<uint16_t>(0x2000 | y), static_cast<uint16_t>(0xC000 | x),
                  static_cast<uint16_t>((n * 16) & 0x3FF));
    }
    for (auto _ : state) {
        render_sprite_layer(frame_buffer);
        benchmark::DoNotOptimize(frame_buffer[0]);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(bm_worst_frame_half_transparent)->Unit(benchmark::kMicrosecond);

// 20 sprites of 16 x 16 in 16 colours, spread over the screen.
void bm_typical_frame(benchmark::State& state) {
    hw_reset_globals();
    fill_palette();
    for (uint32_t i = 0; i < 0x8000; ++i) vram[obj_tiles_offset + i] = static_cast<uint8_t>(i * 37 + 11);
    reg_store16(DISPCNT, 0x1040);
    for (int n = 0; n < 128; ++n) put_entry(n, 0x00FF, 0x00FF, 0);  // hidden
    for (int n = 0; n < 20; ++n) {
        const uint16_t y = static_cast<uint16_t>((n * 29) % 150);
        const uint16_t x = static_cast<uint16_t>((n * 47) % 230);
        put_entry(n, y, static_cast<uint16_t>(0x4000 | x), static_cast<uint16_t>((n % 16) << 12 | n * 4));
    }
    for (auto _ : state) {
        render_sprite_layer(frame_buffer);
        benchmark::DoNotOptimize(frame_buffer[0]);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(bm_typical_frame)->Unit(benchmark::kMicrosecond);

}  // namespace
