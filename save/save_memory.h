// The map of the 32 KiB save memory, verified chip access, the section
// transfers and the ten-call slot transfer. All save code works on
// save_image (the working copy in ewram) and moves areas to and from sram
// only through these operations.
#pragma once

#include <cstdint>

// Map of save memory (same offsets in sram and save_image).
constexpr uint32_t save_memory_size = 0x8000;
constexpr uint32_t header_copy_0_offset = 0x0000;
constexpr uint32_t header_copy_1_offset = 0x0040;
constexpr uint32_t header_copy_2_offset = 0x6D40;
constexpr uint32_t header_size = 64;
constexpr uint32_t slot_primary_base = 0x0080;
constexpr uint32_t slot_backup_base = 0x36E0;
constexpr uint32_t slot_area_size = 0x1220;  // 4640
constexpr uint32_t slot_count = 3;
constexpr uint32_t last_slot_record_offset = 0x6D80;
constexpr uint32_t option_record_offset = 0x6DC0;
constexpr uint32_t option_record_backup_offset = 0x6E00;
constexpr uint32_t flag_record_offset = 0x6E40;
constexpr uint32_t small_record_size = 64;
constexpr uint32_t shared_record_offset = 0x6E80;
constexpr uint32_t shared_record_backup_offset = 0x6F80;
constexpr uint32_t shared_record_size = 256;
constexpr uint32_t extra_area_offset = 0x7080;
constexpr uint32_t extra_area_half = 512;
constexpr uint32_t run_end_record_offset = 0x7800;
constexpr uint32_t run_end_record_size = 640;
constexpr uint32_t tail_area_offset = 0x7F70;
constexpr uint32_t tail_area_size = 16;
constexpr uint32_t test_area_offset = 0x7F80;
constexpr uint32_t test_area_size = 16;

constexpr uint32_t slot_chunk_size = 512;

enum save_section_id : uint8_t {
    section_header = 0,
    section_header_1 = 1,
    section_header_2 = 2,
    section_slot = 3,
    section_slot_backup = 4,
    section_last_slot = 5,
    section_option = 6,
    section_option_backup = 7,
    section_flag = 8,
    section_shared = 9,
    section_shared_backup = 10,
    section_extra = 11,
    section_tail = 12,
    section_run_end = 13,
    section_read_all = 14,
    section_read_slot = 15,
    section_verify_all = 16,
};

enum slot_transfer_mode : uint8_t {
    transfer_write_primary = 0,
    transfer_write_backup = 1,
    transfer_read_primary = 2,
    transfer_wait = 4,  // any other value also only paces
};

// The one place slot areas are addressed: the start of slot's primary (or
// backup) area inside buffer (sram or save_image), or null for a slot above 2.
uint8_t* slot_area(uint8_t* buffer, uint32_t slot, bool backup);

// Failure locations are pointers to the first byte that still differed;
// success is null.
void sram_read(const uint8_t* source, uint8_t* destination, uint32_t length);
uint8_t* sram_compare(const uint8_t* first, uint8_t* second, uint32_t length);
uint8_t* sram_write_verified(const uint8_t* source, uint8_t* destination, uint32_t length);
uint8_t* sram_erase_all();
uint8_t* transfer_section(uint8_t id);
int slot_transfer_step(uint8_t mode);

// Test-only chip fault: when set, called after each copy inside
// sram_write_verified with the destination range and the attempt (1..3), so a
// test can keep bytes stuck or flip bits. Null in the program.
using sram_fault_hook = void (*)(uint8_t* destination, uint32_t length, int attempt);
extern sram_fault_hook sram_write_fault;
