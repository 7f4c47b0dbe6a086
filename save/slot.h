// The contents of a save slot: packing the game variables into the current
// slot of save_image and back, the header and time rewrites, the best-time
// update and the checksum seal. None of these touches sram.
//
// The boot check uses the seal and the slot tests; packing and unpacking are
// complete on purpose although no running mode calls them yet (see
// save/save_ops.h).
#pragma once

#include <cstdint>

// Offsets inside a 4,640-byte slot area.
constexpr uint32_t slot_mark_a_at = 0;
constexpr uint32_t slot_checksum_at = 16;
constexpr uint32_t slot_marks_at = 24;  // result_bits, slot_started, option_copy
constexpr uint32_t slot_full_save_at = 28;
constexpr uint32_t slot_area_at = 29;
constexpr uint32_t slot_scroll_at = 42;
constexpr uint32_t slot_category_at = 58;
constexpr uint32_t slot_setting_at = 60;
constexpr uint32_t slot_pair_counts_at = 61;
constexpr uint32_t slot_position_counts_at = 69;
constexpr uint32_t slot_mark_b_at = 77;
constexpr uint32_t slot_state_block_at = 96;
constexpr uint32_t slot_play_clock_at = 508;
constexpr uint32_t slot_best_times_at = 512;
constexpr uint32_t slot_mark_c_at = 592;
constexpr uint32_t slot_header_size = 768;  // the rest is per-area data

// The 404-byte stored form of seven game records, shared by slots and run
// records.
constexpr uint32_t state_block_size = 404;

// Start of the current slot's primary area in save_image, or null when
// current_slot is above 2 (then every routine here does nothing).
uint8_t* current_slot_data();

// Writes the stored form of the state records to block (404 bytes); bytes
// the stored form leaves unwritten keep their value.
void pack_state_block(uint8_t* block);
// Restores the state records from their stored form.
void unpack_state_block(const uint8_t* block);

void pack_slot();
void unpack_slot();
void refresh_slot_header();
void refresh_slot_times();
void update_best_time();
void seal_slot();

// The row of the three-row category tables a run_category selects: values
// above 2 count as 1.
uint8_t category_row(uint8_t category);
