// Random slot bytes and counts through unpack, map-data restore and the mask
// rebuild; random game state through pack, map-data save and the run-end
// record. Besides the sanitizers, every step is checked to stay inside the
// memory it owns and to leave counts that fit their lists.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <utility>

#include "hw/iwram_data.h"
#include "hw/regions.h"
#include "rom/rom.h"
#include "save/map_data.h"
#include "save/save_memory.h"
#include "save/slot.h"
#include "tests/support/reset_all.h"
#include "tools/cartridge/layout.h"

namespace {

constexpr uint32_t tables_begin = demo::area_records_begin;
constexpr uint32_t tables_end = demo::area_record_table_at(7);

uint8_t ewram_before[ewram_size];

void require(bool holds) {
    if (!holds) __builtin_trap();
}

// Fills n bytes by cycling through the input (zeros for an empty input).
void fill_from(uint8_t* out, size_t n, const uint8_t* data, size_t size, size_t start) {
    for (size_t i = 0; i < n; ++i) out[i] = size ? data[(start + i) % size] : 0;
}

// Every ewram byte that changed lies in one of the allowed ranges, given in
// increasing order.
void require_changes_within(std::initializer_list<std::pair<uint32_t, uint32_t>> allowed) {
    uint32_t at = 0;
    for (const auto& [begin, length] : allowed) {
        require(std::memcmp(ewram + at, ewram_before + at, begin - at) == 0);
        at = begin + length;
    }
    require(std::memcmp(ewram + at, ewram_before + at, ewram_size - at) == 0);
}

void require_counts_fit() {
    uint32_t pairs = 0;
    uint32_t positions = 0;
    for (uint32_t k = 0; k < area_count; ++k) {
        require(iwram_data.position_counts[k] <= position_list_entries);
        pairs += iwram_data.pair_counts[k];
        positions += iwram_data.position_counts[k];
    }
    require(pairs * 2 <= slot_pairs_size);
    require(positions * 4 <= slot_positions_size);
}

uint32_t slot_begin(uint8_t slot) { return save_image_offset + slot_primary_base + slot * slot_area_size; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    reset_all_globals();
    rom_image = static_cast<uint8_t*>(std::calloc(rom_expected_size, 1));
    if (!rom_image) return 0;
    rom_size = rom_expected_size;
    const uint8_t slot = size ? data[0] % 4 : 0;  // 3: no such slot
    const uint8_t kind = size > 1 ? data[1] % 3 : 0;
    const uint8_t index = size > 2 ? data[2] % 20 : 0;
    fill_from(rom_image + tables_begin, tables_end - tables_begin, data, size, 7);
    fill_from(rom_image + demo::run_records_begin, demo::run_record_count * demo::run_record_size, data, size,
              11);
    for (int i = 0; i < demo::run_record_count; ++i)
        run_record_pointers[i] = rom_image + demo::run_record_at(i);

    // Slot bytes and counts in, game state out.
    fill_from(ewram + grid_masks_offset, ewram_size - grid_masks_offset, data, size, 3);
    iwram_data.current_slot = slot;
    if (slot < slot_count) fill_from(slot_area(save_image, slot, false), slot_area_size, data, size, 5);
    std::memcpy(ewram_before, ewram, ewram_size);
    unpack_slot();
    require_changes_within({});
    iwram_data.current_slot = slot;  // not part of a slot, but keep it fixed
    fill_from(iwram_data.pair_counts, 8, data, size, 13);
    fill_from(iwram_data.position_counts, 8, data, size, 29);
    restore_map_data();
    if (slot < slot_count) require_counts_fit();
    require_changes_within({{grid_masks_offset, grid_masks_size},
                            {pair_lists_offset, area_count * pair_list_size},
                            {position_lists_offset, area_count * position_list_size},
                            {area_blocks_offset, area_count * area_block_size},
                            {area_tails_offset, area_count * area_tail_size}});
    std::memcpy(ewram_before, ewram, ewram_size);
    rebuild_grid_masks();
    require_changes_within({{grid_masks_offset, grid_masks_size}});

    // Game state in, slot bytes out.
    fill_from(reinterpret_cast<uint8_t*>(&iwram_data), sizeof iwram_data, data, size, 17);
    iwram_data.current_slot = slot;
    std::memcpy(ewram_before, ewram, ewram_size);
    save_map_data();
    if (slot < slot_count) require_counts_fit();
    pack_slot();
    require_changes_within(
        {{slot_begin(slot < slot_count ? slot : 0), slot < slot_count ? slot_area_size : 0}});
    std::memcpy(ewram_before, ewram, ewram_size);
    write_run_end_record();
    require_changes_within({{save_image_offset + run_end_record_offset, run_end_record_size}});
    std::memcpy(ewram_before, ewram, ewram_size);
    apply_run_record(kind, index);
    require_changes_within({{area_blocks_offset, area_count * area_block_size},
                            {area_tails_offset, area_count * area_tail_size}});
    return 0;
}
