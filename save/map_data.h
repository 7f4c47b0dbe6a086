// The per-area data of eight areas in ewram (position and pair lists, area
// blocks and tails, grid masks), its place in a slot, the run-end record in
// save memory and the run records of the cartridge that share its layout.
//
// Complete on purpose although no running mode calls them yet (see
// save/save_ops.h).
#pragma once

#include <cstdint>

#include "hw/regions.h"

constexpr uint32_t area_count = 8;

// Places in ewram.
constexpr uint32_t grid_masks_offset = 0x33800;      // 8 x 128: 32 u32 rows per area
constexpr uint32_t pair_lists_offset = 0x35C00;      // 8 x 512: 2-byte entries
constexpr uint32_t position_lists_offset = 0x36C00;  // 8 x 256: 4-byte entries, 0xFF ends
constexpr uint32_t area_blocks_offset = 0x37400;     // 8 x 128
constexpr uint32_t area_tails_offset = 0x37C00;      // 8 x 32
constexpr uint32_t grid_masks_size = 2048;
constexpr uint32_t pair_list_size = 512;
constexpr uint32_t position_list_size = 256;
constexpr uint32_t area_block_size = 128;
constexpr uint32_t area_tail_size = 32;
constexpr uint32_t position_list_entries = 64;

// Per-area data inside a slot.
constexpr uint32_t slot_blocks_at = 768;
constexpr uint32_t slot_pairs_at = 1792;
constexpr uint32_t slot_pairs_size = 2048;
constexpr uint32_t slot_positions_at = 3840;
constexpr uint32_t slot_positions_size = 512;
constexpr uint32_t slot_tails_at = 4352;
constexpr uint32_t slot_tail_state_at = 4608;

constexpr uint32_t tail_state_size = 32;
extern uint8_t tail_state[tail_state_size];  // opaque game state saved with a slot

inline uint8_t* grid_masks() { return ewram + grid_masks_offset; }
inline uint8_t* area_blocks() { return ewram + area_blocks_offset; }
inline uint8_t* area_tails() { return ewram + area_tails_offset; }
// area must be 0..7.
inline uint8_t* pair_list(uint32_t area) {
    return ewram + pair_lists_offset + static_cast<size_t>(area) * pair_list_size;
}
inline uint8_t* position_list(uint32_t area) {
    return ewram + position_lists_offset + static_cast<size_t>(area) * position_list_size;
}

// Slot offsets 768..4639 of the current slot from the per-area data and back
// (restore also rebuilds the masks). Counts beyond what a list or a slot
// region holds are cut to the whole entries that fit, and set to that.
void save_map_data();
void restore_map_data();
void load_slot();
void load_slot_if_in_use();
void rebuild_grid_masks();

// Builds the run-end record in save_image and writes it to the chip; null on
// success.
uint8_t* write_run_end_record();
// Kind 0: area parts of the run record; kind 1: its state records; other
// kinds, an index above 15 or a missing record: nothing.
void apply_run_record(uint8_t kind, uint8_t index);
