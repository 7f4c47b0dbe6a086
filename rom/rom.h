// The cartridge image: loading and validation, the one bounded reader
// rom_ptr, and the constants imported from the image at boot.
#pragma once

#include <cstdint>

#include "rom/cartridge_map.h"

constexpr uint32_t rom_expected_size = 0x800000;

extern uint8_t* rom_image;  // the one heap block, or null
extern uint32_t rom_size;   // 0x800000 while an image is held, else 0

// Asks for the file, reads and validates it. 1: accepted, 0: cancelled or
// refused (after the loader's own message).
int load_rom();

// A pointer to length readable bytes at offset, or null.
const uint8_t* rom_ptr(uint32_t offset, uint32_t length);

// The five boot-time import steps, in the order the host runs them.
void import_sprite_half_sizes();     // 1
void import_run_record_pointers();   // 2
void import_completion_constants();  // 3
void import_save_constants();        // 4
void import_sine_table();            // 5

// Imported constants: zero until imported, each as large as its area of the
// cartridge map (checked where they are imported).
inline uint8_t obj_half_width[rom_obj_half_width.length];
inline uint8_t obj_half_height[rom_obj_half_height.length];
inline const uint8_t* run_record_pointers[rom_run_records.count];
inline uint8_t completion_block[rom_completion_block.length];  // bytes 28..31 are the completion targets
inline uint8_t completion_divisors[rom_completion_divisors.length];
inline uint8_t test_pattern[rom_test_pattern.length];
inline uint8_t slot_mark_a[rom_slot_mark_a.length];
inline uint8_t slot_mark_b[rom_slot_mark_b.length];
inline uint8_t slot_mark_c[rom_slot_mark_c.length];
inline uint8_t header_signature[rom_header_signature.length];
inline uint8_t header_defaults[rom_header_defaults.length];
inline uint8_t last_slot_signature[rom_last_slot_signature.length];
inline uint8_t flag_signature[rom_flag_signature.length];
inline uint8_t option_signature[rom_option_signature.length];
inline uint8_t shared_signature[rom_shared_signature.length];
inline uint8_t start_defaults[rom_start_defaults.length];
inline uint8_t clock_default[rom_clock_default.length];
inline uint8_t best_time_default[rom_best_time_default.length];
inline uint8_t start_position_default[rom_start_position_default.length];
inline int16_t sine_table[rom_sine_table.length / 2];

inline const uint8_t* completion_targets() { return completion_block + 28; }

// The digest an accepted image must have (set at configure time).
extern const uint8_t rom_expected_sha1[20];

// Back to program start: frees the image, clears every imported constant and
// pointer, and restores the configured digest.
void rom_reset_globals();
