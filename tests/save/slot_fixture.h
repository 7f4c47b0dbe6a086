// Shared pieces of the slot, map-data and save-operation tests: a cartridge
// block with small tables at their real offsets, slot marks, and a check of
// a slot's marks and checksum pair.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "hw/iwram_data.h"
#include "hw/regions.h"
#include "rom/rom.h"
#include "save/save_memory.h"
#include "tests/support/reset.h"
#include "tools/cartridge/layout.h"

inline uint8_t* iwram_bytes() { return reinterpret_cast<uint8_t*>(&iwram_data); }

// Fills n bytes with a seeded pseudo-random pattern.
inline void scramble(uint8_t* p, size_t n, uint32_t seed) {
    std::mt19937 gen(seed);
    for (size_t i = 0; i < n; ++i) p[i] = uint8_t(gen());
}

inline uint32_t read_u32(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

// The boot check's rule for an intact slot area: all three marks and a
// checksum pair that matches the word sum.
inline bool slot_passes_check(const uint8_t* area) {
    uint32_t sum = 0;
    for (uint32_t at = 0; at < slot_area_size; at += 4) sum += read_u32(area + at);
    const bool pair_right = sum == read_u32(area + 16) && ~read_u32(area + 20) == sum;
    const bool marks = std::memcmp(area, slot_mark_a, 16) == 0 &&
                       std::memcmp(area + 77, slot_mark_b, 16) == 0 &&
                       std::memcmp(area + 592, slot_mark_c, 16) == 0;
    return pair_right && marks;
}

// Program-start state plus an 8 MiB zeroed cartridge block (freed by the
// global reset) and distinct slot marks.
class cartridge_fixture : public fresh_globals {
protected:
    void SetUp() override {
        fresh_globals::SetUp();
        rom_image = static_cast<uint8_t*>(std::calloc(rom_expected_size, 1));
        ASSERT_NE(rom_image, nullptr);
        rom_size = rom_expected_size;
        for (int i = 0; i < 16; ++i) {
            slot_mark_a[i] = uint8_t(0xA0 + i);
            slot_mark_b[i] = uint8_t(0xB0 + i);
            slot_mark_c[i] = uint8_t(0xC0 + i);
        }
        for (int i = 0; i < 16; ++i) run_record_pointers[i] = rom_image + demo::run_record_at(i);
    }

    uint8_t* primary(uint32_t slot) { return slot_area(save_image, slot, false); }
    uint8_t* backup(uint32_t slot) { return slot_area(save_image, slot, true); }
    uint8_t* chip_primary(uint32_t slot) { return slot_area(sram, slot, false); }
    uint8_t* chip_backup(uint32_t slot) { return slot_area(sram, slot, true); }

    // Replaces the zeroed block with the generated demo cartridge; false when
    // the file is absent or not a full image.
    bool load_demo_cartridge() {
        std::FILE* f = std::fopen(ORVALIS_DEMO_ROM, "rb");
        if (!f) return false;
        const size_t got = std::fread(rom_image, 1, rom_expected_size, f);
        std::fclose(f);
        return got == rom_expected_size;
    }

    static std::vector<uint8_t> copy_of(const uint8_t* p, size_t n) { return std::vector<uint8_t>(p, p + n); }
};
