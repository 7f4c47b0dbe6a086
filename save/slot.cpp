#include "save/slot.h"

#include <cstring>

#include "hw/iwram_data.h"
#include "hw/regions.h"
#include "rom/rom.h"
#include "save/save_memory.h"

namespace {

// bg_scroll_values as stored: slot offset 42 + 2i holds the u16 at
// +21372 - 2i, from bg0_hofs_shadow down to +21358.
uint16_t* scroll_value(int i) {
    uint16_t* const order[8] = {
        &iwram_data.bg0_hofs_shadow, &iwram_data.bg0_vofs_shadow, &iwram_data.bg_scroll_21368,
        &iwram_data.bg_scroll_21366, &iwram_data.bg_scroll_21364, &iwram_data.bg_scroll_21362,
        &iwram_data.bg_scroll_21360, &iwram_data.bg_scroll_21358,
    };
    return order[i];
}

uint32_t clock_total(const uint8_t* clock) { return clock[0] * 3600u + clock[1] * 60u + clock[2]; }

void put_marks(uint8_t* slot) {
    std::memcpy(slot + slot_mark_a_at, slot_mark_a, 16);
    std::memcpy(slot + slot_mark_b_at, slot_mark_b, 16);
    std::memcpy(slot + slot_mark_c_at, slot_mark_c, 16);
}

}  // namespace

uint8_t* current_slot_data() { return slot_area(save_image, iwram_data.current_slot, false); }

uint8_t category_row(uint8_t category) { return category > 2 ? 1 : category; }

void pack_state_block(uint8_t* block) {
    iwram_data_block& d = iwram_data;
    // 0: the 32-byte record without its byte 11 and with 30..31 cleared.
    std::memcpy(block + 0, d.record_21312, 11);
    std::memcpy(block + 12, d.record_21312 + 12, 18);
    block[30] = 0;
    block[31] = 0;
    // 32: u32, u16, u8 and a zero pad byte.
    std::memcpy(block + 32, d.record_21260, 7);
    block[39] = 0;
    std::memcpy(block + 40, d.v20992, sizeof d.v20992);
    std::memcpy(block + 308, d.v20984, sizeof d.v20984);
    std::memcpy(block + 316, d.counter_block, sizeof d.counter_block);
    // 336: u8 at 0, u16 at 2, u8 at 4; the pad bytes are stored as 0.
    uint8_t* r = block + 336;
    r[0] = d.record_20944[0];
    r[1] = 0;
    r[2] = d.record_20944[2];
    r[3] = d.record_20944[3];
    r[4] = d.record_20944[4];
    r[5] = r[6] = r[7] = 0;
    // 344: five records cut to their two words and four zero bytes.
    for (int k = 0; k < 5; ++k) {
        uint8_t* out = block + 344 + static_cast<std::ptrdiff_t>(k) * 12;
        std::memcpy(out, d.records_20864[k], 8);
        std::memset(out + 8, 0, 4);
    }
}

void unpack_state_block(const uint8_t* block) {
    iwram_data_block& d = iwram_data;
    std::memcpy(d.record_21312, block + 0, 11);
    std::memcpy(d.record_21312 + 12, block + 12, 18);
    std::memcpy(d.record_21260, block + 32, 7);
    std::memcpy(d.v20992, block + 40, sizeof d.v20992);
    std::memcpy(d.v20984, block + 308, sizeof d.v20984);
    std::memcpy(d.counter_block, block + 316, sizeof d.counter_block);
    const uint8_t* r = block + 336;
    d.record_20944[0] = r[0];
    d.record_20944[2] = r[2];
    d.record_20944[3] = r[3];
    d.record_20944[4] = r[4];
    for (int k = 0; k < 5; ++k) {
        std::memcpy(d.records_20864[k], block + 344 + static_cast<std::ptrdiff_t>(k) * 12, 8);
        std::memset(d.records_20864[k] + 8, 0, 8);
    }
}

void seal_slot() {
    uint8_t* slot = current_slot_data();
    if (!slot) return;
    static constexpr uint8_t open_pair[8] = {0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF};
    std::memcpy(slot + slot_checksum_at, open_pair, 8);
    uint32_t sum = 0;
    for (uint32_t at = 0; at < slot_area_size; at += 4) {
        uint32_t word;
        std::memcpy(&word, slot + at, 4);
        sum += word;
    }
    const uint32_t inverse = ~sum;
    std::memcpy(slot + slot_checksum_at, &sum, 4);
    std::memcpy(slot + slot_checksum_at + 4, &inverse, 4);
}

void pack_slot() {
    uint8_t* slot = current_slot_data();
    if (!slot) return;
    iwram_data_block& d = iwram_data;
    put_marks(slot);
    slot[24] = d.result_bits;
    slot[25] = d.slot_started;
    slot[26] = d.option_copy;
    slot[27] = 0;
    slot[28] = d.full_save_flag;
    slot[29] = d.current_area;
    slot[30] = d.v27101;
    slot[31] = d.v27100;
    slot[32] = d.v27097;
    slot[33] = d.v27096;
    std::memcpy(slot + 34, d.record_26742, 6);
    slot[40] = 0;
    slot[41] = 0;
    for (int i = 0; i < 8; ++i)
        std::memcpy(slot + slot_scroll_at + std::ptrdiff_t{2} * i, scroll_value(i), 2);
    slot[58] = d.run_category;
    slot[59] = d.v27138;
    slot[60] = d.setting_byte;
    std::memcpy(slot + slot_pair_counts_at, d.pair_counts, 8);
    std::memcpy(slot + slot_position_counts_at, d.position_counts, 8);
    pack_state_block(slot + slot_state_block_at);
    std::memcpy(slot + 500, d.v20646, 2);
    slot[502] = d.v20644;
    std::memcpy(slot + 504, d.v26592, 2);
    std::memcpy(slot + slot_play_clock_at, d.play_clock, 4);
    std::memcpy(slot + slot_best_times_at, d.best_times, 48);
    std::memcpy(slot + 560, d.extra_clocks, 20);
    std::memcpy(slot + 580, d.v11612, 4);
    std::memcpy(slot + 584, d.v11616, 2);
    std::memcpy(slot + 588, d.start_flag_bits, 4);
    seal_slot();
}

void unpack_slot() {
    const uint8_t* slot = current_slot_data();
    if (!slot) return;
    iwram_data_block& d = iwram_data;
    d.result_bits = slot[24];
    d.slot_started = slot[25];
    d.option_copy = slot[26];
    d.full_save_flag = slot[28];
    d.current_area = slot[29];
    d.v27101 = slot[30];
    d.v27100 = slot[31];
    d.v27097 = slot[32];
    d.v27096 = slot[33];
    std::memcpy(d.record_26742, slot + 34, 6);
    for (int i = 0; i < 8; ++i)
        std::memcpy(scroll_value(i), slot + slot_scroll_at + std::ptrdiff_t{2} * i, 2);
    d.run_category = slot[58];
    d.v27138 = slot[59];
    d.setting_byte = slot[60];
    std::memcpy(d.pair_counts, slot + slot_pair_counts_at, 8);
    std::memcpy(d.position_counts, slot + slot_position_counts_at, 8);
    unpack_state_block(slot + slot_state_block_at);
    std::memcpy(d.v20646, slot + 500, 2);
    d.v20644 = slot[502];
    std::memcpy(d.v26592, slot + 504, 2);
    std::memcpy(d.play_clock, slot + slot_play_clock_at, 4);
    std::memcpy(d.best_times, slot + slot_best_times_at, 48);
    std::memcpy(d.extra_clocks, slot + 560, 20);
    std::memcpy(d.v11612, slot + 580, 4);
    std::memcpy(d.v11616, slot + 584, 2);
    std::memcpy(d.start_flag_bits, slot + 588, 4);
}

void refresh_slot_header() {
    uint8_t* slot = current_slot_data();
    if (!slot) return;
    const iwram_data_block& d = iwram_data;
    put_marks(slot);
    slot[24] = d.result_bits;
    slot[25] = d.slot_started;
    slot[26] = d.saved_option;  // the option in force, not the slot's copy
    slot[58] = d.run_category;
    slot[60] = d.setting_byte;
    std::memcpy(slot + slot_best_times_at, d.best_times, 48);
    seal_slot();
}

void refresh_slot_times() {
    uint8_t* slot = current_slot_data();
    if (!slot) return;
    slot[24] = iwram_data.result_bits;
    std::memcpy(slot + slot_best_times_at, iwram_data.best_times, 48);
    seal_slot();
}

void update_best_time() {
    iwram_data_block& d = iwram_data;
    const uint8_t row = category_row(d.run_category);
    const uint8_t* divisor = completion_divisors + static_cast<std::ptrdiff_t>(row) * 4;
    const uint8_t* target = completion_targets();
    const uint32_t counters[4] = {
        uint32_t(d.counter_block[0] | d.counter_block[1] << 8),
        uint32_t(d.counter_block[2] | d.counter_block[3] << 8),
        d.counter_block[4],
        d.counter_block[5],
    };
    bool complete = true;
    for (int i = 0; i < 4; ++i) {
        // A zero divisor makes its comparison false rather than undefined.
        if (divisor[i] == 0 || counters[i] / divisor[i] != target[i]) complete = false;
    }
    const int index = row + (d.saved_option != 0 ? 3 : 0) + (complete ? 6 : 0);
    if (clock_total(d.best_times[index]) > clock_total(d.play_clock))
        std::memcpy(d.best_times[index], d.play_clock, 4);
}
