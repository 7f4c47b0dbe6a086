// The image, the imported constants and their return to program start.
#include <cstdlib>
#include <cstring>

#include "rom/rom.h"
#include "rom/rom_internal.h"
#include "rom/rom_test_seam.h"

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

void rom_reset_globals() {
    release_rom_image();
    std::memset(obj_half_width, 0, sizeof obj_half_width);
    std::memset(obj_half_height, 0, sizeof obj_half_height);
    std::memset(completion_block, 0, sizeof completion_block);
    std::memset(completion_divisors, 0, sizeof completion_divisors);
    std::memset(test_pattern, 0, sizeof test_pattern);
    std::memset(slot_mark_a, 0, sizeof slot_mark_a);
    std::memset(slot_mark_b, 0, sizeof slot_mark_b);
    std::memset(slot_mark_c, 0, sizeof slot_mark_c);
    std::memset(header_signature, 0, sizeof header_signature);
    std::memset(header_defaults, 0, sizeof header_defaults);
    std::memset(last_slot_signature, 0, sizeof last_slot_signature);
    std::memset(flag_signature, 0, sizeof flag_signature);
    std::memset(option_signature, 0, sizeof option_signature);
    std::memset(shared_signature, 0, sizeof shared_signature);
    std::memset(start_defaults, 0, sizeof start_defaults);
    std::memset(clock_default, 0, sizeof clock_default);
    std::memset(best_time_default, 0, sizeof best_time_default);
    std::memset(start_position_default, 0, sizeof start_position_default);
    std::memset(sine_table, 0, sizeof sine_table);
    rom_restore_expected_sha1();
}
