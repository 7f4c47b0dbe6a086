// The once-per-boot save check: chip self-test, verified whole-chip read,
// header and record repair, and the classification and repair of the slots.
#include "save/boot_check.h"

#include <cstring>

#include "hw/iwram_data.h"
#include "hw/regions.h"
#include "rom/rom.h"
#include "save/records.h"
#include "save/save_memory.h"

namespace {

uint32_t load32(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

// Where a written slot carries its three marks.
constexpr uint32_t slot_mark_a_at = 0;
constexpr uint32_t slot_mark_b_at = 77;
constexpr uint32_t slot_mark_c_at = 592;
constexpr uint32_t slot_checksum_at = 0x10;  // complement at 0x14
constexpr uint32_t mark_size = 16;

// integrity by [primary result][backup result].
constexpr uint8_t slot_class_table[4][4] = {
    {0, 0, 0, 0},
    {1, 2, 2, 2},
    {1, 2, 3, 3},
    {1, 2, 3, 3},
};

}  // namespace

void sram_self_test() {
    uint8_t* area = sram + test_area_offset;
    uint8_t buffer[test_area_size];
    iwram_data.sram_test_result = 0;
    uint8_t r = 0;
    if (sram_write_verified(test_pattern, area, test_area_size) != nullptr) r = 1;
    sram_read(area, buffer, test_area_size);
    for (uint8_t& b : buffer) b = static_cast<uint8_t>(b + 1);
    if (sram_write_verified(buffer, area, test_area_size) != nullptr) r |= 2;
    sram_read(area, buffer, test_area_size);
    for (uint32_t i = 0; i < test_area_size; ++i) {
        if (buffer[i] != static_cast<uint8_t>(test_pattern[i] + 1)) {
            iwram_data.sram_test_result = r | 4;
            return;
        }
    }
    if (r != 0) iwram_data.sram_test_result = r;
}

int slot_check(int area) {
    uint8_t* a = slot_area(save_image, iwram_data.current_slot, area != 0);
    if (a == nullptr) return 3;  // no such slot: nothing to check or touch

    uint32_t sum = 0;
    for (uint32_t i = 0; i < slot_area_size; i += 4) sum += load32(a + i);
    const bool pair_wrong = sum != load32(a + slot_checksum_at) || ~load32(a + slot_checksum_at + 4) != sum;

    int missing = 0;
    if (std::memcmp(a + slot_mark_a_at, slot_mark_a, mark_size) != 0) missing |= 1;
    if (std::memcmp(a + slot_mark_b_at, slot_mark_b, mark_size) != 0) missing |= 2;
    if (std::memcmp(a + slot_mark_c_at, slot_mark_c, mark_size) != 0) missing |= 4;

    if (missing == 7) {
        std::memset(a, 0xFF, slot_area_size);
        return pair_wrong ? 3 : 2;
    }
    if (missing != 0) return 1;
    return pair_wrong ? 1 : 0;
}

void slot_classify() {
    const int primary = slot_check(0);
    const int backup = slot_check(1);
    if (iwram_data.current_slot >= slot_count) return;
    iwram_data.slot_info[iwram_data.current_slot].integrity = slot_class_table[primary][backup];
}

void slots_check_all() {
    for (auto& info : iwram_data.slot_info) {
        std::memset(&info, 0, sizeof info);
        info.run_category = 1;
    }
    iwram_data.start_slot_state = 0;

    for (uint8_t slot = 0; slot < slot_count; ++slot) {
        iwram_data.current_slot = slot;
        slot_classify();
        slot_info_record& info = iwram_data.slot_info[slot];
        uint8_t* primary = slot_area(save_image, slot, false);
        uint8_t* backup = slot_area(save_image, slot, true);
        switch (info.integrity) {
            case 0:
                std::memcpy(backup, primary, slot_area_size);
                transfer_section(section_slot_backup);
                info.in_use = 1;
                break;
            case 1:
                // The chip keeps the damaged primary until the slot is repaired.
                std::memcpy(primary, backup, slot_area_size);
                info.in_use = 1;
                break;
            case 2:
                std::memset(primary, 0xFF, slot_area_size);
                std::memset(backup, 0xFF, slot_area_size);
                break;
            default:
                std::memset(primary, 0xFF, slot_area_size);
                transfer_section(section_slot);
                std::memset(backup, 0xFF, slot_area_size);
                transfer_section(section_slot_backup);
                info.integrity = 0;
                break;
        }
    }
    iwram_data.current_slot = 0;
}

void save_boot_check() {
    for (int run = 0; run < 3; ++run) {
        sram_self_test();
        if (iwram_data.sram_test_result == 0) break;
    }
    for (int attempt = 0; attempt < 3; ++attempt) {
        transfer_section(section_read_all);
        if (transfer_section(section_verify_all) == nullptr) break;
    }
    header_load();
    slots_check_all();
    last_slot_load();
    shared_load();
    if (option_load() == 1) {
        iwram_data.saved_option = 2;
        option_write();
    }
}
