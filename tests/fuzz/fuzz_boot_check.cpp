// Runs the boot-time save check over arbitrary chip contents and imported
// constants. Control bits in the input seal chosen headers, records and slots
// so the paths that find valid data are reached too, and can make the chip's
// test area stick (a broken chip). Afterwards the save state must be sound.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "hw/iwram_data.h"
#include "hw/regions.h"
#include "rom/rom.h"
#include "save/boot_check.h"
#include "save/records.h"
#include "save/save_globals.h"
#include "save/save_memory.h"
#include "tests/support/reset_all.h"

namespace {

void check_at(bool ok, int line) {
    if (ok) return;
    std::fprintf(stderr, "boot check invariant failed at line %d\n", line);
    std::abort();
}
#define check(ok) check_at((ok), __LINE__)

uint32_t load32(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}
void store32(uint8_t* p, uint32_t v) { std::memcpy(p, &v, 4); }

// Takes bytes from the input while it lasts, zeros after.
struct reader {
    const uint8_t* data;
    size_t size;
    void take(uint8_t* out, size_t n) {
        const size_t k = n < size ? n : size;
        std::memcpy(out, data, k);
        std::memset(out + k, 0, n - k);
        data += k;
        size -= k;
    }
};

void seal_header(uint8_t* h) {
    std::memcpy(h + 0x1C, header_signature, 20);
    header_seal(h);
}

void seal_small(uint8_t* r, uint8_t tag, const uint8_t* signature, uint32_t size, uint32_t sum_at,
                uint32_t low_at, uint32_t high_at) {
    r[0] = tag;
    std::memcpy(r + low_at, signature, 16);
    std::memcpy(r + high_at, signature + 16, 16);
    record_seal(r, size, sum_at);
}

void seal_slot(uint8_t* a) {
    std::memcpy(a, slot_mark_a, 16);
    std::memcpy(a + 77, slot_mark_b, 16);
    std::memcpy(a + 592, slot_mark_c, 16);
    store32(a + 0x10, 0);
    store32(a + 0x14, 0xFFFFFFFFu);
    uint32_t sum = 0;
    for (uint32_t i = 0; i < slot_area_size; i += 4) sum += load32(a + i);
    store32(a + 0x10, sum);
    store32(a + 0x14, ~sum);
}

uint8_t stuck[16];
void stuck_test_area(uint8_t* destination, uint32_t length, int) {
    if (destination == sram + test_area_offset && length == test_area_size)
        std::memcpy(destination, stuck, 16);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Every save constant is set from the input below, zero-padded.
    reset_all_globals();

    reader in{data, size};
    uint8_t control[3];
    in.take(control, sizeof control);
    in.take(test_pattern, 16);
    in.take(slot_mark_a, 16);
    in.take(slot_mark_b, 16);
    in.take(slot_mark_c, 16);
    in.take(header_signature, 20);
    in.take(header_defaults, 12);
    in.take(last_slot_signature, 32);
    in.take(flag_signature, 32);
    in.take(option_signature, 32);
    in.take(shared_signature, 32);
    // The rest is the chip, repeated to fill it when short.
    if (in.size > 0) {
        for (uint32_t i = 0; i < save_memory_size; ++i) sram[i] = in.data[i % in.size];
    }

    const uint32_t c = control[0] | (control[1] << 8) | (control[2] << 16);
    if (c & 1) seal_header(sram + header_copy_0_offset);
    if (c & 2) seal_header(sram + header_copy_1_offset);
    if (c & 4) seal_header(sram + header_copy_2_offset);
    if (c & 8) seal_small(sram + last_slot_record_offset, 30, last_slot_signature, 64, 2, 6, 0x17);
    if (c & 16) seal_small(sram + option_record_offset, 31, option_signature, 64, 2, 6, 0x17);
    if (c & 32) seal_small(sram + option_record_backup_offset, 31, option_signature, 64, 2, 6, 0x17);
    if (c & 64) seal_small(sram + shared_record_offset, 0x40, shared_signature, 256, 0x12, 0x17, 0x57);
    if (c & 128)
        seal_small(sram + shared_record_backup_offset, 0x40, shared_signature, 256, 0x12, 0x17, 0x57);
    for (uint32_t slot = 0; slot < slot_count; ++slot) {
        if (c & (0x100u << slot)) seal_slot(slot_area(sram, slot, false));
        if (c & (0x800u << slot)) seal_slot(slot_area(sram, slot, true));
    }
    const bool broken = (c & 0x4000) != 0;
    if (broken) {
        std::memcpy(stuck, sram + test_area_offset, 16);
        sram_write_fault = stuck_test_area;
    }
    uint8_t chip_before[save_memory_size];
    std::memcpy(chip_before, sram, save_memory_size);

    save_boot_check();

    check(header_test(0) == 0);
    check(iwram_data.current_slot <= 2);
    // The option pair is equal, except when neither copy was valid: then the
    // backup stays zeroed and the primary is rewritten holding 2.
    const uint8_t* option = save_image + option_record_offset;
    const uint8_t* option_backup = save_image + option_record_backup_offset;
    static const uint8_t zero_record[small_record_size] = {};
    const bool pair_equal = std::memcmp(option, option_backup, small_record_size) == 0;
    const bool fresh_option = std::memcmp(option_backup, zero_record, small_record_size) == 0 &&
                              option[0x16] == 2 && iwram_data.saved_option == 2;
    check(pair_equal || fresh_option);
    check(std::memcmp(save_image + shared_record_offset, save_image + shared_record_backup_offset,
                      shared_record_size) == 0);
    check(record_valid(record_option) == 1);
    if (iwram_data.sram_test_result == 0) {
        // A usable chip ends equal to the working copy on the records the
        // boot settles in both.
        check(std::memcmp(sram, save_image, 64) == 0);
        check(std::memcmp(sram + option_record_offset, save_image + option_record_offset, 128) == 0);
        check(std::memcmp(sram + shared_record_offset, save_image + shared_record_offset, 512) == 0);
    } else {
        check(std::memcmp(chip_before, sram, save_memory_size) == 0);
    }
    for (const auto& info : iwram_data.slot_info) check(info.integrity <= 2 && info.in_use <= 1);
    return 0;
}
