// Fixture for the save tests: program-start state plus imported save
// constants filled with distinct patterns (neither all 0x00 nor all 0xFF), and
// small helpers that build sealed slot areas.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "hw/iwram_data.h"
#include "hw/regions.h"
#include "rom/rom.h"
#include "save/save_memory.h"
#include "tests/support/reset.h"

inline void fill_pattern(uint8_t* p, uint32_t n, uint8_t start, uint8_t step) {
    for (uint32_t i = 0; i < n; ++i) p[i] = static_cast<uint8_t>(start + i * step);
}

class save_fixture : public fresh_globals {
protected:
    void SetUp() override {
        fresh_globals::SetUp();
        fill_pattern(test_pattern, 16, 0x21, 3);
        fill_pattern(slot_mark_a, 16, 0x41, 1);
        fill_pattern(slot_mark_b, 16, 0x61, 5);
        fill_pattern(slot_mark_c, 16, 0x81, 7);
        fill_pattern(header_signature, 20, 0x11, 9);
        fill_pattern(header_defaults, 12, 0xC1, 11);
        fill_pattern(last_slot_signature, 32, 0x05, 13);
        fill_pattern(flag_signature, 32, 0x07, 17);
        fill_pattern(option_signature, 32, 0x09, 19);
        fill_pattern(shared_signature, 32, 0x0B, 23);
    }

    static std::vector<uint8_t> snapshot(const uint8_t* p, uint32_t n = save_memory_size) {
        return std::vector<uint8_t>(p, p + n);
    }
};

inline uint32_t load_u32(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}
inline void store_u32(uint8_t* p, uint32_t v) { std::memcpy(p, &v, 4); }

// Fills a 4640-byte slot area with filler bytes, the three marks and a right
// checksum pair (word 4 the sum of all words, word 5 its complement).
inline void make_intact_slot(uint8_t* area, uint8_t filler) {
    fill_pattern(area, slot_area_size, filler, 1);
    std::memcpy(area + 0, slot_mark_a, 16);
    std::memcpy(area + 77, slot_mark_b, 16);
    std::memcpy(area + 592, slot_mark_c, 16);
    store_u32(area + 0x10, 0);
    store_u32(area + 0x14, 0xFFFFFFFFu);
    uint32_t sum = 0;
    for (uint32_t i = 0; i < slot_area_size; i += 4) sum += load_u32(area + i);
    store_u32(area + 0x10, sum);
    store_u32(area + 0x14, ~sum);
}
