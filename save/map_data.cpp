#include "save/map_data.h"

#include <algorithm>
#include <cstring>

#include "hw/iwram_data.h"
#include "rom/cartridge_map.h"
#include "rom/rom.h"
#include "save/save_memory.h"
#include "save/slot.h"

uint8_t tail_state[tail_state_size];

namespace {

constexpr uint32_t pair_entry = 2;
constexpr uint32_t position_entry = 4;

// Entries of list k that are moved: the count, cut to what the list and the
// rest of the slot region hold. The count is set to the result so that the
// counts always describe the lists.
uint32_t fitting_pairs(uint32_t k, uint32_t used) {
    const uint32_t n = std::min<uint32_t>(
        {iwram_data.pair_counts[k], pair_list_size / pair_entry, (slot_pairs_size - used) / pair_entry});
    iwram_data.pair_counts[k] = uint8_t(n);
    return n;
}

uint32_t fitting_positions(uint32_t k, uint32_t used) {
    const uint32_t n = std::min<uint32_t>({iwram_data.position_counts[k], position_list_entries,
                                           (slot_positions_size - used) / position_entry});
    iwram_data.position_counts[k] = uint8_t(n);
    return n;
}

}  // namespace

void save_map_data() {
    uint8_t* slot = current_slot_data();
    if (!slot) return;
    std::memcpy(slot + slot_blocks_at, area_blocks(), static_cast<size_t>(area_count) * area_block_size);
    std::memcpy(slot + slot_tails_at, area_tails(), static_cast<size_t>(area_count) * area_tail_size);
    std::memcpy(slot + slot_tail_state_at, tail_state, tail_state_size);
    uint32_t used = 0;
    for (uint32_t k = 0; k < area_count; ++k) {
        const uint32_t bytes = fitting_pairs(k, used) * pair_entry;
        std::memcpy(slot + slot_pairs_at + used, pair_list(k), bytes);
        used += bytes;
    }
    used = 0;
    for (uint32_t k = 0; k < area_count; ++k) {
        const uint32_t bytes = fitting_positions(k, used) * position_entry;
        std::memcpy(slot + slot_positions_at + used, position_list(k), bytes);
        used += bytes;
    }
}

void restore_map_data() {
    const uint8_t* slot = current_slot_data();
    if (!slot) return;
    std::memcpy(area_blocks(), slot + slot_blocks_at, static_cast<size_t>(area_count) * area_block_size);
    std::memcpy(area_tails(), slot + slot_tails_at, static_cast<size_t>(area_count) * area_tail_size);
    std::memcpy(tail_state, slot + slot_tail_state_at, tail_state_size);
    std::memset(pair_list(0), 0xFF, static_cast<size_t>(area_count) * pair_list_size);
    std::memset(position_list(0), 0xFF, static_cast<size_t>(area_count) * position_list_size);
    uint32_t used = 0;
    for (uint32_t k = 0; k < area_count; ++k) {
        const uint32_t bytes = fitting_pairs(k, used) * pair_entry;
        std::memcpy(pair_list(k), slot + slot_pairs_at + used, bytes);
        used += bytes;
    }
    used = 0;
    for (uint32_t k = 0; k < area_count; ++k) {
        const uint32_t bytes = fitting_positions(k, used) * position_entry;
        std::memcpy(position_list(k), slot + slot_positions_at + used, bytes);
        used += bytes;
    }
    rebuild_grid_masks();
}

void load_slot() {
    unpack_slot();
    restore_map_data();
}

void load_slot_if_in_use() {
    if (iwram_data.start_slot_state == 1) load_slot();
}

void rebuild_grid_masks() {
    uint8_t* masks = grid_masks();
    std::memset(masks, 0, grid_masks_size);
    // Area 7 has no record table, so its entries never mark a cell.
    for (uint32_t k = 0; k < rom_area_record_table_count; ++k) {
        const uint8_t* list = position_list(k);
        for (uint32_t i = 0; i < position_list_entries; ++i) {
            const uint8_t* e = list + static_cast<size_t>(i) * position_entry;
            if (e[0] == 0xFF) break;
            if (e[0] >= rom_area_record_counts[k]) continue;
            const uint8_t* record =
                rom_ptr(rom_area_record_tables[k] + e[0] * rom_area_record_size, rom_area_record_size);
            if (!record) continue;
            const int column = record[53] + (int(e[2]) - 2) / 15;
            const int row = record[54] + (int(e[3]) - 2) / 10;
            const uint32_t at = k * 128 + uint32_t(row) * 4;
            if (at + 4 > grid_masks_size) continue;  // unreachable with byte inputs; kept as a bound
            uint32_t word;
            std::memcpy(&word, masks + at, 4);
            word |= 1u << (uint32_t(column) % 32);
            std::memcpy(masks + at, &word, 4);
        }
    }
}

uint8_t* write_run_end_record() {
    const iwram_data_block& d = iwram_data;
    uint8_t* record = save_image + run_end_record_offset;
    std::memset(record, 0xFF, run_end_record_size);
    record[0] = d.current_area;
    record[1] = d.v27100;
    pack_state_block(record + 4);
    // An area without a block of its own leaves those parts at the fill.
    if (d.current_area < area_count) {
        std::memcpy(record + 408, area_blocks() + static_cast<size_t>(d.current_area) * area_block_size,
                    area_block_size);
        std::memcpy(record + 536, area_tails() + static_cast<size_t>(d.current_area) * area_tail_size,
                    area_tail_size);
    }
    // Eight signature bytes, no terminator.
    std::memcpy(record + 568, "ATRUNEND", 8);  // NOLINT(bugprone-not-null-terminated-result)
    record[576] = d.v27138;
    return transfer_section(section_run_end);
}

void apply_run_record(uint8_t kind, uint8_t index) {
    if (index >= 16) return;
    const uint8_t* record = run_record_pointers[index];
    if (!record) return;
    iwram_data_block& d = iwram_data;
    if (kind == 0) {
        const uint8_t area = record[0];
        if (area >= area_count) return;
        d.current_area = area;
        d.v27100 = record[1];
        d.v27138 = record[576];
        std::memcpy(area_blocks() + static_cast<size_t>(area) * area_block_size, record + 408,
                    area_block_size);
        std::memcpy(area_tails() + static_cast<size_t>(area) * area_tail_size, record + 536, area_tail_size);
    } else if (kind == 1) {
        unpack_state_block(record + 4);
    }
}
