// Sprite-layer frame times over layouts chosen to be hard for the renderer:
// exact stacks, staircases that leave a sliver of every row open, spread
// sprites, all flips, transparency in every pattern, 16 and 256 colours, one-
// and two-dimensional mapping. Each frame's time is also given as a ratio to a
// reference loop that paints all 38,400 pixels from a byte per pixel through a
// 256-entry table (counter x_ref), measured in turn with the frame.
#include <benchmark/benchmark.h>

#include <string>

#include "bench/render_frames.h"
#include "bench/render_searched.h"
#include "hw/regions.h"
#include "hw/registers.h"
#include "render/sprite_layer.h"

namespace {

void bm_reference(benchmark::State& state) {
    for (auto _ : state) {
        reference_paint(frame_buffer);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(bm_reference)->Unit(benchmark::kMicrosecond);

// ---- entry placements: entry n, 64 x 64

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
// Not a placement: every entry of any shape, size, position, flips, colour
// mode and first tile, at random.
constexpr place_fn mixed = nullptr;

struct layout {
    const char* name;
    pixels pattern;
    bool deep;
    bool one_dim;
    place_fn place;
    int flips;        // 0..3 for all entries, 4: cycle through the four
    int count = 128;  // entries shown; the others are hidden
    // Entries found by a search for slow frames (see search_render), in
    // place of the placement.
    const searched_layout* found = nullptr;
};

void set_up(const layout& l) {
    hw_reset_globals();
    fill_palette();
    fill_tiles(l.pattern, l.deep);
    reg_store16(DISPCNT, static_cast<uint16_t>(0x1000 | (l.one_dim ? 0x0040 : 0)));
    // These mix both colour modes, over tiles filled for 16 colours.
    if (l.found) {
        for (int n = 0; n < 128; ++n) put_entry(n, (*l.found)[n][0], (*l.found)[n][1], (*l.found)[n][2]);
        return;
    }
    if (l.place == mixed) {
        put_mixed_entries(7);
        return;
    }
    for (int n = l.count; n < 128; ++n) put_entry(n, 0x0200, 0, 0);  // hidden
    for (int n = 0; n < l.count; ++n) {
        const placement at = l.place(n);
        const int flips = l.flips == 4 ? n & 3 : l.flips;
        // Square, size 3: 64 x 64. Tiles of consecutive entries overlap in the
        // 32 KiB area, which is of no help to the renderer.
        put_entry(n, static_cast<uint16_t>((l.deep ? 0x2000 : 0) | (at.y & 0xFF)),
                  static_cast<uint16_t>(0xC000 | flips << 12 | (at.x & 0x1FF)),
                  static_cast<uint16_t>((n * 16) & 0x3FF));
    }
}

void run_frames(benchmark::State& state) {
    // The frame buffer is not cleared between passes: the same pixels are
    // painted each time, and the clear is the frame loop's cost, not ours.
    for (auto _ : state) {
        render_sprite_layer(frame_buffer);
        benchmark::DoNotOptimize(frame_buffer[0]);
        benchmark::ClobberMemory();
    }
    state.counters["x_ref"] = frame_ratio(15);
}

void bm_layout(benchmark::State& state, layout l) {
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
    {"scattered/stack/16c/1d/flips", pixels::scattered, false, true, stack, 4},
    {"scattered/stair_right/256c/1d", pixels::scattered, true, true, stair_right, 0},
    // random entries of every kind, both colour modes
    {"opaque/mixed", pixels::opaque, false, true, mixed, 0},
    {"scattered/mixed", pixels::scattered, false, true, mixed, 0},
    {"alternate/mixed/2d", pixels::alternate, false, false, mixed, 0},
    {"opaque/searched_1", pixels::opaque, false, true, mixed, 0, 128, &searched_opaque[0]},
    {"opaque/searched_2", pixels::opaque, false, true, mixed, 0, 128, &searched_opaque[1]},
    {"scattered/searched_1", pixels::scattered, false, true, mixed, 0, 128, &searched_scattered[0]},
    {"scattered/searched_2", pixels::scattered, false, true, mixed, 0, 128, &searched_scattered[1]},
    // 18 entries of 64 x 64: as much area as is still drawn farthest first
    {"opaque/stack18/256c/1d/flips", pixels::opaque, true, true, stack, 4, 18},
    {"alternate/spread18/16c/2d", pixels::alternate, false, false, spread, 0, 18},
    {"scattered/spread18/256c/1d/hflip", pixels::scattered, true, true, spread, 1, 18},
};

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
