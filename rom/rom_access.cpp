// The bounded reader of the image and the five boot-time imports.
#include <cstring>

#include "rom/rom.h"

const uint8_t* rom_ptr(uint32_t offset, uint32_t length) {
    if (!rom_image) return nullptr;
    if (rom_size < offset) return nullptr;
    // The room left after offset, so that no sum can overflow.
    if (rom_size - offset < length) return nullptr;
    return rom_image + offset;
}

namespace {

// Copies a constant out of the image; a refused range leaves it unchanged.
void import_bytes(uint32_t offset, uint8_t* destination, uint32_t length) {
    const uint8_t* source = rom_ptr(offset, length);
    if (!source) return;
    std::memcpy(destination, source, length);
}

constexpr uint32_t run_record_base = 0x3613E8;
constexpr uint32_t run_record_stride = 0x280;

}  // namespace

void import_sprite_half_sizes() {
    import_bytes(0x45FD24, obj_half_width, sizeof obj_half_width);
    import_bytes(0x45FD30, obj_half_height, sizeof obj_half_height);
}

void import_run_record_pointers() {
    for (uint32_t i = 0; i < 16; ++i)
        run_record_pointers[i] = rom_ptr(run_record_base + i * run_record_stride, run_record_stride);
}

void import_completion_constants() {
    import_bytes(0x3459A0, completion_block, sizeof completion_block);
    import_bytes(0x3459C4, completion_divisors, sizeof completion_divisors);
}

void import_save_constants() {
    import_bytes(0x411400, test_pattern, sizeof test_pattern);
    import_bytes(0x411410, slot_mark_a, sizeof slot_mark_a);
    import_bytes(0x411420, slot_mark_b, sizeof slot_mark_b);
    import_bytes(0x411430, slot_mark_c, sizeof slot_mark_c);
    import_bytes(0x411468, header_signature, sizeof header_signature);
    import_bytes(0x41147C, header_defaults, sizeof header_defaults);
    import_bytes(0x411488, last_slot_signature, sizeof last_slot_signature);
    import_bytes(0x4114A8, flag_signature, sizeof flag_signature);
    import_bytes(0x4114C8, option_signature, sizeof option_signature);
    import_bytes(0x4114E8, shared_signature, sizeof shared_signature);
    import_bytes(0x411510, start_defaults, sizeof start_defaults);
    import_bytes(0x411518, clock_default, sizeof clock_default);
    import_bytes(0x41151C, best_time_default, sizeof best_time_default);
    import_bytes(0x411524, start_position_default, sizeof start_position_default);
}

void import_sine_table() {
    // 320 little-endian 16-bit entries; the host is little-endian too.
    import_bytes(0x8C71C, reinterpret_cast<uint8_t*>(sine_table), sizeof sine_table);
}
