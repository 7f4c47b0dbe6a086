// The cartridge image: loading and validation, the one bounded reader
// rom_ptr, and the constants imported from the image at boot.
#pragma once

#include <cstdint>

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

// Imported constants (zero until imported).
extern uint8_t obj_half_width[12];
extern uint8_t obj_half_height[12];
extern const uint8_t* run_record_pointers[16];
extern uint8_t completion_block[32];  // bytes 28..31 are the completion targets
extern uint8_t completion_divisors[12];
extern uint8_t test_pattern[16];
extern uint8_t slot_mark_a[16];
extern uint8_t slot_mark_b[16];
extern uint8_t slot_mark_c[16];
extern uint8_t header_signature[20];
extern uint8_t header_defaults[12];
extern uint8_t last_slot_signature[32];
extern uint8_t flag_signature[32];
extern uint8_t option_signature[32];
extern uint8_t shared_signature[32];
extern uint8_t start_defaults[8];
extern uint8_t clock_default[4];
extern uint8_t best_time_default[4];
extern uint8_t start_position_default[4];
extern int16_t sine_table[320];

inline const uint8_t* completion_targets() { return completion_block + 28; }

// The digest an accepted image must have (set at configure time).
extern const uint8_t rom_expected_sha1[20];

// Frees the image and clears everything imported from it.
void rom_reset_globals();
