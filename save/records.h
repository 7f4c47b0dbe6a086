// The game-wide save header (three copies) and the four small records: their
// sealing, tests, writers and boot-time loaders. All work on save_image and
// reach the chip through transfer_section.
#pragma once

#include <cstdint>

// Fault mask of header copy 0, 1 or 2 in save_image (any other argument tests
// copy 0): 1 sum wrong, 2 signature wrong, 4 complement wrong; 0 = valid.
int header_test(int copy);
// Seals 64 header bytes: word 0 the 32-bit sum, word 1 its complement.
void header_seal(uint8_t* header);
// Builds header copy 0 from header_values and writes copies 0 and 2.
uint8_t* header_write();
// Chooses a valid header copy, repairs the others (or erases save memory and
// writes defaults), and leaves header_values set.
void header_load();
// header_values from the fields of header copy 0, untested.
void header_unpack();

// Seals a record of size bytes whose checksum halfword is at checksum_at and
// its complement right after it.
void record_seal(uint8_t* record, uint32_t size, uint32_t checksum_at);

// Which of the records a validity test or seal refers to.
enum save_record_id : uint8_t {
    record_last_slot = 0,
    record_option = 1,
    record_option_backup = 2,
    record_flag = 3,
    record_shared = 4,
    record_shared_backup = 5,
};
// 1 when the record's copy in save_image has its tag, its sum and both
// signature halves; else 0.
int record_valid(save_record_id id);

uint8_t* last_slot_write();
uint8_t* option_write();
uint8_t* flag_write();
uint8_t* shared_write();  // the primary copy only

void last_slot_load();
void flag_load();
// 0: a valid copy was found; 1: neither copy was valid (both reset to zero).
int option_load();
void shared_load();
