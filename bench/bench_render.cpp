// Sprite-layer frame times over layouts chosen to be hard for the renderer:
// exact stacks, staircases that leave a sliver of every row open, spread
// sprites, all flips, transparency in every pattern, 16 and 256 colours, one-
// and two-dimensional mapping. Each frame's time is also given as a ratio to a
// reference loop that paints all 38,400 pixels from a byte per pixel through a
// 256-entry table (counter x_ref), measured in turn with the frame.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <string>

#include "hw/oam.h"
#include "hw/regions.h"
#include "hw/registers.h"
#include "render/sprite_layer.h"

namespace {

using bench_clock = std::chrono::steady_clock;

void put_entry(int n, uint16_t a0, uint16_t a1, uint16_t a2) {
    const oam_entry e{a0, a1, a2, 0};
    std::memcpy(oam + static_cast<std::ptrdiff_t>(n) * 8, &e, sizeof e);
}

void fill_palette() {
    for (int c = 0; c < 256; ++c) {
        const uint16_t v = static_cast<uint16_t>(c * 0x0421 + 7);
        std::memcpy(palette_ram + obj_palette_offset + std::ptrdiff_t{2} * c, &v, 2);
    }
}

// ---- the reference: one table lookup and one store per screen pixel

uint8_t reference_indices[frame_pixels];
uint32_t reference_table[256];

[[gnu::noinline]] void reference_paint(uint32_t* frame) {
    for (size_t p = 0; p < frame_pixels; ++p) frame[p] = reference_table[reference_indices[p]];
}

void set_up_reference() {
    static const bool done = [] {
        for (size_t p = 0; p < frame_pixels; ++p) reference_indices[p] = static_cast<uint8_t>(p * 131 + 7);
        for (int c = 0; c < 256; ++c) reference_table[c] = static_cast<uint32_t>(c * 0x010203);
        return true;
    }();
    (void)done;
}

void bm_reference(benchmark::State& state) {
    set_up_reference();
    for (auto _ : state) {
        reference_paint(frame_buffer);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(bm_reference)->Unit(benchmark::kMicrosecond);

// ---- tile patterns: what each byte of the sprite tile area holds

enum class pixels { opaque, alternate, one_in_eight, none };

// Colour indices for every pixel, in 256 colours (byte) or 16 (nibble).
void fill_tiles(pixels pattern, bool deep) {
    for (uint32_t i = 0; i < 0x8000; ++i) {
        uint8_t v = static_cast<uint8_t>(1 + i % 255);
        if (!deep) v = static_cast<uint8_t>((v & 0x0F ? v : v | 1) | (v & 0xF0 ? 0 : 0x10));
        switch (pattern) {
            case pixels::opaque:
                break;
            case pixels::alternate:  // even pixels transparent
                v = deep ? (i % 2 ? v : 0) : static_cast<uint8_t>(v & 0xF0);
                break;
            case pixels::one_in_eight:  // only the first pixel of each tile row
                v = deep ? (i % 8 == 0 ? v : 0) : (i % 4 == 0 ? static_cast<uint8_t>(v & 0x0F) : 0);
                break;
            case pixels::none:
                v = 0;
                break;
        }
        vram[obj_tiles_offset + i] = v;
    }
}

// ---- entry placements: entry n of 128, all 64 x 64 (32 x 64 tall in two of them)

struct placement {
    int x, y;
};
using place_fn = placement (*)(int n);

placement spread(int n) { return {(n * 13) % (240 - 64), (n * 7) % (160 - 64)}; }
placement stack(int) { return {88, 48}; }
// Each entry reaches one column further right (or left) than every nearer
// one: a one-pixel sliver of each of its rows is still open.
placement stair_right(int n) { return {n, 48}; }
placement stair_left(int n) { return {176 - n, 48}; }
// The same, one row lower each time too: a sliver of each row, and a new row.
placement stair_down(int n) { return {n, n % 96}; }

struct layout {
    const char* name;
    pixels pattern;
    bool deep;
    bool one_dim;
    place_fn place;
    int flips;  // 0..3 for all entries, 4: cycle through the four
};

void set_up(const layout& l) {
    hw_reset_globals();
    fill_palette();
    fill_tiles(l.pattern, l.deep);
    reg_store16(DISPCNT, static_cast<uint16_t>(0x1000 | (l.one_dim ? 0x0040 : 0)));
    for (int n = 0; n < 128; ++n) {
        const placement at = l.place(n);
        const int flips = l.flips == 4 ? n & 3 : l.flips;
        // Square, size 3: 64 x 64. Tiles of consecutive entries overlap in the
        // 32 KiB area, which is of no help to the renderer.
        put_entry(n, static_cast<uint16_t>((l.deep ? 0x2000 : 0) | (at.y & 0xFF)),
                  static_cast<uint16_t>(0xC000 | flips << 12 | (at.x & 0x1FF)),
                  static_cast<uint16_t>((n * 16) & 0x3FF));
    }
}

// Seconds per call of paint(frame_buffer): the fastest of `batches` timed
// batches of `calls` calls.
template <typename paint_fn>
double fastest_seconds(paint_fn paint, int batches, int calls) {
    double best = 1e9;
    for (int batch = 0; batch < batches; ++batch) {
        const auto start = bench_clock::now();
        for (int k = 0; k < calls; ++k) {
            paint(frame_buffer);
            benchmark::ClobberMemory();
        }
        const std::chrono::duration<double> took = bench_clock::now() - start;
        best = std::min(best, took.count() / calls);
    }
    return best;
}

void run_frames(benchmark::State& state) {
    // The frame buffer is not cleared between passes: the same pixels are
    // painted each time, and the clear is the frame loop's cost, not ours.
    for (auto _ : state) {
        render_sprite_layer(frame_buffer);
        benchmark::DoNotOptimize(frame_buffer[0]);
        benchmark::ClobberMemory();
    }
    // The ratio from batches of frames and of reference passes taken in
    // turn, the fastest of each: a machine that speeds up or slows down
    // during the run moves both alike.
    double frame = 1e9, reference = 1e9;
    for (int round = 0; round < 15; ++round) {
        frame = std::min(frame, fastest_seconds(render_sprite_layer, 1, 20));
        reference = std::min(reference, fastest_seconds(reference_paint, 1, 20));
    }
    state.counters["x_ref"] = frame / reference;
}

void bm_layout(benchmark::State& state, layout l) {
    set_up_reference();
    set_up(l);
    run_frames(state);
}

const layout layouts[] = {
    // every pixel opaque
    {"opaque/spread/256c/1d/flips", pixels::opaque, true, true, spread, 4},
    {"opaque/stack/256c/1d", pixels::opaque, true, true, stack, 0},
    {"opaque/stair_right/256c/1d", pixels::opaque, true, true, stair_right, 0},
    {"opaque/stair_left/256c/1d/hflip", pixels::opaque, true, true, stair_left, 1},
    {"opaque/stair_down/256c/2d/flips", pixels::opaque, true, false, stair_down, 4},
    {"opaque/stair_right/16c/2d/hflip", pixels::opaque, false, false, stair_right, 1},
    {"opaque/stair_left/16c/1d/flips", pixels::opaque, false, true, stair_left, 4},
    {"opaque/stack/16c/2d/vflip", pixels::opaque, false, false, stack, 2},
    // transparency
    {"alternate/stack/256c/1d", pixels::alternate, true, true, stack, 0},
    {"alternate/stack/16c/2d/flips", pixels::alternate, false, false, stack, 4},
    {"alternate/spread/256c/1d/flips", pixels::alternate, true, true, spread, 4},
    {"alternate/stair_right/256c/1d/hflip", pixels::alternate, true, true, stair_right, 1},
    {"alternate/stair_left/16c/1d", pixels::alternate, false, true, stair_left, 0},
    {"one_in_eight/stack/256c/2d", pixels::one_in_eight, true, false, stack, 0},
    {"one_in_eight/stack/16c/1d/flips", pixels::one_in_eight, false, true, stack, 4},
    {"one_in_eight/stair_down/256c/1d/hflip", pixels::one_in_eight, true, true, stair_down, 1},
    {"none/stack/256c/1d", pixels::none, true, true, stack, 0},
    {"none/stack/16c/2d/hflip", pixels::none, false, false, stack, 1},
};

// 20 sprites of 16 x 16 in 16 colours, spread over the screen.
void bm_typical_frame(benchmark::State& state) {
    set_up_reference();
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
    run_frames(state);
}
BENCHMARK(bm_typical_frame)->Unit(benchmark::kMicrosecond);

const bool registered = [] {
    for (const layout& l : layouts)
        benchmark::RegisterBenchmark((std::string("bm_frame/") + l.name).c_str(), bm_layout, l)
            ->Unit(benchmark::kMicrosecond);
    return true;
}();

}  // namespace
