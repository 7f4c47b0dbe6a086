// Looks for sprite layouts that are slow for the renderer: starting from
// random entries (or from a layout found before), it changes a few at a time (a new random entry, a nudge of
// a pixel or two, a flip, a swap of two entries' places in the drawing order)
// and keeps each change that does not make the frame faster, measured against
// the reference loop. Prints the slowest layout as rows for
// render_searched.cpp.
//
//   search_render opaque|scattered [seconds] [seed] [from]
//
// from: 1 or 2 starts from that one of the pattern's layouts in
// render_searched.cpp.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <utility>

#include "bench/render_frames.h"
#include "bench/render_searched.h"
#include "hw/regions.h"
#include "hw/registers.h"

namespace {

struct entry {
    uint16_t a0, a1, a2;
};

entry entries[128];

void put_all() {
    for (int n = 0; n < 128; ++n) put_entry(n, entries[n].a0, entries[n].a1, entries[n].a2);
}

void random_entry(std::mt19937& rng, entry& e) {
    // Half the entries the largest square size, which weighs most.
    const bool big = rng() % 2;
    const uint32_t shape = big ? 0 : rng() % 3, size = big ? 3 : rng() % 4, deep = rng() % 2;
    const uint32_t x = rng() % 240, y = rng() % 160, flips = rng() % 4;
    e = {static_cast<uint16_t>(shape << 14 | deep << 13 | y),
         static_cast<uint16_t>(size << 14 | flips << 12 | x), static_cast<uint16_t>(rng() % 1024)};
}

void change(std::mt19937& rng) {
    entry& e = entries[rng() % 128];
    const auto nudge = [&](uint16_t v, uint16_t field) {
        const uint16_t moved = static_cast<uint16_t>(((v & field) + rng() % 5 - 2) & field);
        return static_cast<uint16_t>((v & ~field) | moved);
    };
    switch (rng() % 5) {
        case 0:
            random_entry(rng, e);
            break;
        case 1:
            e.a1 = nudge(e.a1, 0x1FF);
            break;
        case 2:
            e.a0 = nudge(e.a0, 0xFF);
            break;
        case 3:
            e.a1 ^= static_cast<uint16_t>(0x1000 << rng() % 2);
            break;
        default:
            std::swap(e, entries[rng() % 128]);
            break;
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || (std::strcmp(argv[1], "opaque") != 0 && std::strcmp(argv[1], "scattered") != 0)) {
        std::fprintf(stderr, "usage: search_render opaque|scattered [seconds] [seed] [from]\n");
        return 2;
    }
    const bool opaque = std::strcmp(argv[1], "opaque") == 0;
    const pixels pattern = opaque ? pixels::opaque : pixels::scattered;
    const int from = argc > 4 ? std::atoi(argv[4]) : 0;
    if (from < 0 || from > 2) {
        std::fprintf(stderr, "search_render: from must be 1 or 2 (a layout in render_searched.cpp)\n");
        return 2;
    }
    const double seconds = argc > 2 ? std::atof(argv[2]) : 300;
    std::mt19937 rng(argc > 3 ? static_cast<uint32_t>(std::atoi(argv[3])) : 1u);
    hw_reset_globals();
    fill_palette();
    fill_tiles(pattern, false);
    reg_store16(DISPCNT, 0x1040);
    for (int n = 0; n < 128; ++n) {
        if (from == 0) {
            random_entry(rng, entries[n]);
        } else {
            const uint16_t* found = (opaque ? searched_opaque : searched_scattered)[from - 1][n];
            entries[n] = {found[0], found[1], found[2]};
        }
    }
    put_all();
    double slowest = frame_ratio(5);
    const auto start = std::chrono::steady_clock::now();
    for (int step = 1;
         std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() < seconds; ++step) {
        entry before[128];
        std::memcpy(before, entries, sizeof entries);
        for (uint32_t k = 1 + rng() % 4; k > 0; --k) change(rng);
        put_all();
        const double ratio = frame_ratio(5);
        if (ratio >= slowest) {
            slowest = ratio;
        } else {
            std::memcpy(entries, before, sizeof entries);
        }
        if (step % 200 == 0) {
            // Measured again now and then, so one lucky reading cannot stand.
            put_all();
            slowest = frame_ratio(5);
            std::fprintf(stderr, "step %d: %.2f x reference\n", step, slowest);
        }
    }
    put_all();
    std::printf("// %.2f x reference\n", frame_ratio(30));
    for (const entry& e : entries) std::printf("    {0x%04X, 0x%04X, 0x%04X},\n", e.a0, e.a1, e.a2);
    return 0;
}
