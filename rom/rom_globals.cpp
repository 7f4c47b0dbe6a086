#include <cstdlib>
#include <cstring>

#include "hw/iwram_data.h"
#include "rom/rom.h"

uint8_t* rom_image;
uint32_t rom_size;

uint8_t obj_half_width[12];
uint8_t obj_half_height[12];
const uint8_t* run_record_pointers[16];
uint8_t completion_block[32];
uint8_t completion_divisors[12];
uint8_t test_pattern[16];
uint8_t slot_mark_a[16];
uint8_t slot_mark_b[16];
uint8_t slot_mark_c[16];
uint8_t header_signature[20];
uint8_t header_defaults[12];
uint8_t last_slot_signature[32];
uint8_t flag_signature[32];
uint8_t option_signature[32];
uint8_t shared_signature[32];
uint8_t start_defaults[8];
uint8_t clock_default[4];
uint8_t best_time_default[4];
uint8_t start_position_default[4];
int16_t sine_table[320];

// Placeholder until the loader lands.
void rom_reset_globals() {}
