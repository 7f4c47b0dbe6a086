#include "bench/render_frames.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstring>

#include "hw/oam.h"
#include "hw/regions.h"
#include "render/sprite_layer.h"

namespace {

uint8_t reference_indices[frame_pixels];
uint32_t reference_table[256];

const bool reference_ready = [] {
    for (size_t p = 0; p < frame_pixels; ++p) reference_indices[p] = static_cast<uint8_t>(p * 131 + 7);
    for (int c = 0; c < 256; ++c) reference_table[c] = static_cast<uint32_t>(c * 0x010203);
    return true;
}();

// A fixed pseudo-random sequence, the same in every run.
uint32_t noise_state = 1;
uint32_t noise() {
    noise_state = noise_state * 1103515245u + 12345u;
    return noise_state >> 16;
}

// Seconds per call of paint(frame_buffer) over a batch of `calls` calls.
template <typename paint_fn>
double batch_seconds(paint_fn paint, int calls) {
    const auto start = std::chrono::steady_clock::now();
    for (int k = 0; k < calls; ++k) {
        paint(frame_buffer);
        benchmark::ClobberMemory();
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    return took.count() / calls;
}

}  // namespace

void fill_palette() {
    for (int c = 0; c < 256; ++c) {
        const uint16_t v = static_cast<uint16_t>(c * 0x0421 + 7);
        std::memcpy(palette_ram + obj_palette_offset + std::ptrdiff_t{2} * c, &v, 2);
    }
}

void fill_tiles(pixels pattern, bool deep) {
    noise_state = 1;
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
            case pixels::scattered:  // about half the pixels, at random
                if (deep) {
                    v = noise() & 1 ? v : 0;
                } else {
                    const uint32_t r = noise();
                    v = static_cast<uint8_t>((r & 1 ? v & 0x0F : 0) | (r & 2 ? v & 0xF0 : 0));
                }
                break;
            case pixels::none:
                v = 0;
                break;
        }
        vram[obj_tiles_offset + i] = v;
    }
}

void put_mixed_entries(uint32_t seed) {
    noise_state = seed;
    for (int n = 0; n < 128; ++n) {
        const uint32_t shape = noise() % 3, size = noise() % 4, deep = noise() % 2;
        const uint32_t x = noise() % 240, y = noise() % 160, flips = noise() % 4, tile = noise() % 1024;
        put_entry(n, static_cast<uint16_t>(shape << 14 | deep << 13 | y),
                  static_cast<uint16_t>(size << 14 | flips << 12 | x), static_cast<uint16_t>(tile));
    }
}

void put_entry(int n, uint16_t a0, uint16_t a1, uint16_t a2) {
    const oam_entry e{a0, a1, a2, 0};
    std::memcpy(oam + static_cast<std::ptrdiff_t>(n) * 8, &e, sizeof e);
}

[[gnu::noinline]] void reference_paint(uint32_t* frame) {
    for (size_t p = 0; p < frame_pixels; ++p) frame[p] = reference_table[reference_indices[p]];
}

double frame_ratio(int rounds) {
    (void)reference_ready;
    double frame = 1e9, reference = 1e9;
    for (int round = 0; round < rounds; ++round) {
        frame = std::min(frame, batch_seconds(render_sprite_layer, 20));
        reference = std::min(reference, batch_seconds(reference_paint, 20));
    }
    return frame / reference;
}
