// Verified access to the save chip and the section table that names every
// area moved between sram and save_image.
#include "save/save_memory.h"

#include "hw/iwram_data.h"
#include "hw/regions.h"
#include "hw/transfer.h"

sram_fault_hook sram_write_fault = nullptr;

static_assert(save_memory_size == sram_size);
static_assert(save_image_offset + save_memory_size <= ewram_size);
static_assert(slot_primary_base + slot_count * slot_area_size == slot_backup_base);
static_assert(slot_backup_base + slot_count * slot_area_size == header_copy_2_offset);
static_assert(test_area_offset + test_area_size <= save_memory_size);

namespace {

enum class section_kind : uint8_t {
    write,        // verified write save_image -> sram
    write_pair,   // two verified writes, the second only if the first succeeds
    header_pair,  // mirror header copy 0 over copy 2, then a write_pair
    read,         // unverified read sram -> save_image
    verify,       // compare sram with save_image
};

struct section_entry {
    section_kind kind;
    uint8_t slot_area;  // 0: fixed offset, 1: primary of current_slot, 2: backup of current_slot
    uint32_t offset;
    uint32_t length;
    uint32_t second_offset;  // for the pairs
};

constexpr uint8_t fixed = 0;
constexpr uint8_t primary = 1;
constexpr uint8_t backup = 2;

constexpr section_entry section_table[] = {
    /* 0 */ {section_kind::header_pair, fixed, header_copy_0_offset, header_size, header_copy_2_offset},
    /* 1 */ {section_kind::write, fixed, header_copy_1_offset, header_size, 0},
    /* 2 */ {section_kind::write, fixed, header_copy_2_offset, header_size, 0},
    /* 3 */ {section_kind::write, primary, 0, slot_area_size, 0},
    /* 4 */ {section_kind::write, backup, 0, slot_area_size, 0},
    /* 5 */ {section_kind::write, fixed, last_slot_record_offset, small_record_size, 0},
    /* 6 */ {section_kind::write, fixed, option_record_offset, small_record_size, 0},
    /* 7 */ {section_kind::write, fixed, option_record_backup_offset, small_record_size, 0},
    /* 8 */ {section_kind::write, fixed, flag_record_offset, small_record_size, 0},
    /* 9 */ {section_kind::write, fixed, shared_record_offset, shared_record_size, 0},
    /* 10 */ {section_kind::write, fixed, shared_record_backup_offset, shared_record_size, 0},
    /* 11 */
    {section_kind::write_pair, fixed, extra_area_offset, extra_area_half,
     extra_area_offset + extra_area_half},
    /* 12 */ {section_kind::write, fixed, tail_area_offset, tail_area_size, 0},
    /* 13 */ {section_kind::write, fixed, run_end_record_offset, run_end_record_size, 0},
    /* 14 */ {section_kind::read, fixed, 0, save_memory_size, 0},
    /* 15 */ {section_kind::read, primary, 0, slot_area_size, 0},
    /* 16 */ {section_kind::verify, fixed, 0, save_memory_size, 0},
};
constexpr uint32_t section_table_size = sizeof(section_table) / sizeof(section_table[0]);
static_assert(section_table_size == section_verify_all + 1);

constexpr bool section_in_bounds(const section_entry& e) {
    if (e.slot_area != fixed) return e.length == slot_area_size;
    if (e.offset + e.length > save_memory_size) return false;
    if (e.kind == section_kind::write_pair || e.kind == section_kind::header_pair)
        return e.second_offset + e.length <= save_memory_size;
    return true;
}
constexpr bool all_sections_in_bounds() {
    for (const auto& e : section_table)
        if (!section_in_bounds(e)) return false;
    return true;
}
static_assert(all_sections_in_bounds());

bool chip_broken() { return iwram_data.sram_test_result != 0; }

// Offset of the section's area in save memory, or -1 when current_slot is out
// of range.
int64_t section_offset(const section_entry& e) {
    if (e.slot_area == fixed) return e.offset;
    const uint8_t* area = slot_area(save_image, iwram_data.current_slot, e.slot_area == backup);
    if (area == nullptr) return -1;
    return area - save_image;
}

uint8_t* write_range(uint32_t offset, uint32_t length) {
    return sram_write_verified(save_image + offset, sram + offset, length);
}

}  // namespace

uint8_t* slot_area(uint8_t* buffer, uint32_t slot, bool backup_area) {
    if (buffer == nullptr || slot >= slot_count) return nullptr;
    return buffer + (backup_area ? slot_backup_base : slot_primary_base) +
           static_cast<size_t>(slot) * slot_area_size;
}

void sram_read(const uint8_t* source, uint8_t* destination, uint32_t length) {
    for (uint32_t i = 0; i < length; ++i) destination[i] = source[i];
}

uint8_t* sram_compare(const uint8_t* first, uint8_t* second, uint32_t length) {
    for (uint32_t i = 0; i < length; ++i)
        if (first[i] != second[i]) return second + i;
    return nullptr;
}

uint8_t* sram_write_verified(const uint8_t* source, uint8_t* destination, uint32_t length) {
    uint8_t* failure = nullptr;
    for (int attempt = 1; attempt <= 3; ++attempt) {
        for (uint32_t i = 0; i < length; ++i) destination[i] = source[i];
        if (sram_write_fault != nullptr) sram_write_fault(destination, length, attempt);
        failure = sram_compare(source, destination, length);
        if (failure == nullptr) return nullptr;
    }
    return failure;
}

uint8_t* sram_erase_all() {
    cpu_fill16(0xFFFF, save_image, save_memory_size);
    if (chip_broken()) return sram;  // nothing written: report failure
    return sram_write_verified(save_image, sram, save_memory_size);
}

uint8_t* transfer_section(uint8_t id) {
    if (id >= section_table_size) return nullptr;
    const section_entry& e = section_table[id];

    // The header mirror is made inside save_image even when the chip is not
    // touched, so the working copy keeps copies 0 and 2 equal.
    if (e.kind == section_kind::header_pair)
        sram_read(save_image + e.offset, save_image + e.second_offset, e.length);

    if (chip_broken()) {
        if (e.kind == section_kind::read) {
            const int64_t offset = section_offset(e);
            if (offset >= 0) cpu_fill16(0xFFFF, save_image + offset, e.length);
        }
        return nullptr;
    }

    const int64_t offset = section_offset(e);
    if (offset < 0) return sram;  // no such slot: nothing moved, report failure
    const uint32_t at = static_cast<uint32_t>(offset);

    switch (e.kind) {
        case section_kind::write:
            return write_range(at, e.length);
        case section_kind::write_pair:
        case section_kind::header_pair: {
            uint8_t* first = write_range(at, e.length);
            if (first != nullptr) return first;
            return write_range(e.second_offset, e.length);
        }
        case section_kind::read:
            sram_read(sram + at, save_image + at, e.length);
            return nullptr;
        case section_kind::verify:
            return sram_compare(sram + at, save_image + at, e.length);
    }
    return nullptr;
}

int slot_transfer_step(uint8_t mode) {
    const uint32_t c = iwram_data.chunk_index;
    const uint32_t offset = c * slot_chunk_size;
    const uint32_t length =
        offset >= slot_area_size
            ? 0
            : (slot_area_size - offset < slot_chunk_size ? slot_area_size - offset : slot_chunk_size);

    if (!chip_broken() && length != 0) {
        const uint32_t slot = iwram_data.current_slot;
        switch (mode) {
            case transfer_write_primary:
            case transfer_write_backup: {
                const bool to_backup = mode == transfer_write_backup;
                uint8_t* from = slot_area(save_image, slot, to_backup);
                uint8_t* to = slot_area(sram, slot, to_backup);
                // A failed chunk is not acted on; the pass goes on.
                if (from != nullptr) (void)sram_write_verified(from + offset, to + offset, length);
                break;
            }
            case transfer_read_primary: {
                uint8_t* from = slot_area(sram, slot, false);
                uint8_t* to = slot_area(save_image, slot, false);
                if (from != nullptr) sram_read(from + offset, to + offset, length);
                break;
            }
            default:
                break;  // pacing only
        }
    }

    if (offset + length < slot_area_size) {
        iwram_data.chunk_index = static_cast<uint8_t>(c + 1);
        return 0;
    }
    iwram_data.chunk_index = 0;
    return 1;
}
