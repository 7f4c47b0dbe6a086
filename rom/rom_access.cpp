// The bounded reader of the image and the five boot-time imports.
#include <cstring>

#include "rom/cartridge_map.h"
#include "rom/rom.h"
#include "rom/rom_internal.h"

const uint8_t* rom_ptr(uint32_t offset, uint32_t length) {
    if (!rom_image) return nullptr;
    if (rom_size < offset) return nullptr;
    // The room left after offset, so that no sum can overflow.
    if (rom_size - offset < length) return nullptr;
    return rom_image + offset;
}

namespace {

// One imported constant: its area of the image, its variable, its step.
struct imported_constant {
    rom_area area;
    void* variable;
    int step;
};

// The variable must be exactly as large as its area.
template <rom_area area, typename T, size_t n>
constexpr imported_constant constant(T (&variable)[n], int step) {
    static_assert(sizeof(T) * n == area.length, "an imported variable differs in size from its area");
    return {area, variable, step};
}

// Every constant copied out of the image, in the order the steps copy them.
// (Step 2, the run records, keeps pointers instead of copies.)
constexpr imported_constant imported_constants[] = {
    constant<rom_obj_half_width>(obj_half_width, 1),
    constant<rom_obj_half_height>(obj_half_height, 1),
    constant<rom_completion_block>(completion_block, 3),
    constant<rom_completion_divisors>(completion_divisors, 3),
    constant<rom_test_pattern>(test_pattern, 4),
    constant<rom_slot_mark_a>(slot_mark_a, 4),
    constant<rom_slot_mark_b>(slot_mark_b, 4),
    constant<rom_slot_mark_c>(slot_mark_c, 4),
    constant<rom_header_signature>(header_signature, 4),
    constant<rom_header_defaults>(header_defaults, 4),
    constant<rom_last_slot_signature>(last_slot_signature, 4),
    constant<rom_flag_signature>(flag_signature, 4),
    constant<rom_option_signature>(option_signature, 4),
    constant<rom_shared_signature>(shared_signature, 4),
    constant<rom_start_defaults>(start_defaults, 4),
    constant<rom_clock_default>(clock_default, 4),
    constant<rom_best_time_default>(best_time_default, 4),
    constant<rom_start_position_default>(start_position_default, 4),
    // 320 little-endian 16-bit entries; the host is little-endian too.
    constant<rom_sine_table>(sine_table, 5),
};

// Copies the constants of one step, one by one; a refused range leaves its
// variable unchanged and does not stop the others.
void import_step(int step) {
    for (const imported_constant& c : imported_constants) {
        if (c.step != step) continue;
        const uint8_t* source = rom_ptr(c.area.offset, c.area.length);
        if (source) std::memcpy(c.variable, source, c.area.length);
    }
}

}  // namespace

void import_sprite_half_sizes() { import_step(1); }

void import_run_record_pointers() {
    for (uint32_t i = 0; i < rom_run_records.count; ++i) {
        const rom_area record = rom_run_records.record(i);
        run_record_pointers[i] = rom_ptr(record.offset, record.length);
    }
}

void import_completion_constants() { import_step(3); }

void import_save_constants() { import_step(4); }

void import_sine_table() { import_step(5); }

void clear_imported_constants() {
    for (const imported_constant& c : imported_constants) std::memset(c.variable, 0, c.area.length);
    for (const uint8_t*& pointer : run_record_pointers) pointer = nullptr;
}
