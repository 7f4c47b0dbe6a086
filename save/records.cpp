// Header and record sealing, tests, writers and loaders.
#include "save/records.h"

#include <cstring>

#include "hw/iwram_data.h"
#include "hw/regions.h"
#include "hw/transfer.h"
#include "rom/rom.h"
#include "save/save_memory.h"

namespace {

uint32_t load32(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}
void store32(uint8_t* p, uint32_t v) { std::memcpy(p, &v, 4); }
uint16_t load16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
void store16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

uint8_t* header_copy(int copy) {
    switch (copy) {
        case 1:
            return save_image + header_copy_1_offset;
        case 2:
            return save_image + header_copy_2_offset;
        default:
            return save_image + header_copy_0_offset;
    }
}

uint32_t header_sum(const uint8_t* header) {
    uint32_t sum = 0;
    for (uint32_t i = 0; i < header_size; i += 4) sum += load32(header + i);
    return sum;
}

// Byte positions inside the header.
constexpr uint32_t header_fixed_at = 0x08;
constexpr uint32_t header_count_at = 0x0A;
constexpr uint32_t header_signature_at = 0x1C;

// Where each header_values byte lives inside a header: {value byte, header byte}.
constexpr uint8_t header_value_map[12][2] = {
    {0, 0x0C}, {1, 0x0D}, {2, 0x14}, {3, 0x15}, {4, 0x0E},  {5, 0x11},
    {6, 0x12}, {7, 0x13}, {8, 0x18}, {9, 0x19}, {10, 0x1A}, {11, 0x1B},
};

void copy_header(int from, int to) { std::memcpy(header_copy(to), header_copy(from), header_size); }

// Layout of one record kind.
struct record_layout {
    uint32_t offset;  // in save memory
    uint32_t size;
    uint8_t tag;
    uint8_t count_at;
    uint8_t checksum_at;  // complement at checksum_at + 2
    uint8_t signature_low_at;
    uint8_t value_at;
    uint8_t value_size;
    uint8_t signature_high_at;
    uint8_t section;
    const uint8_t* signature;  // 32 bytes
};

// The 64-byte records share one layout: tag, count, sum pair, signature low
// half, the value byte, signature high half.
record_layout small_record(uint32_t offset, uint8_t tag, uint8_t section, const uint8_t* signature) {
    return {offset, small_record_size, tag, 0x01, 0x02, 0x06, 0x16, 1, 0x17, section, signature};
}
record_layout shared_copy(uint32_t offset, uint8_t section) {
    return {offset, shared_record_size, 0x40, 0x16, 0x12, 0x17, 0x27, 48, 0x57, section, shared_signature};
}

// Indexed by save_record_id.
const record_layout record_table[] = {
    small_record(last_slot_record_offset, 30, section_last_slot, last_slot_signature),
    small_record(option_record_offset, 31, section_option, option_signature),
    small_record(option_record_backup_offset, 31, section_option_backup, option_signature),
    small_record(flag_record_offset, 31, section_flag, flag_signature),
    shared_copy(shared_record_offset, section_shared),
    shared_copy(shared_record_backup_offset, section_shared_backup),
};

uint8_t* record_at(save_record_id id) { return save_image + record_table[id].offset; }

uint16_t record_sum(const uint8_t* record, uint32_t size) {
    uint32_t sum = 0;
    for (uint32_t i = 0; i < size; i += 2) sum += load16(record + i);
    return static_cast<uint16_t>(sum);
}

// Builds the record in save_image from value and sends it to the chip.
uint8_t* record_write(save_record_id id, const uint8_t* value) {
    const record_layout& r = record_table[id];
    uint8_t* rec = record_at(id);
    rec[r.count_at] = static_cast<uint8_t>(rec[r.count_at] + 1);
    rec[0] = r.tag;
    std::memcpy(rec + r.value_at, value, r.value_size);
    std::memcpy(rec + r.signature_low_at, r.signature, 16);
    std::memcpy(rec + r.signature_high_at, r.signature + 16, 16);
    record_seal(rec, r.size, r.checksum_at);
    return transfer_section(r.section);
}

// Picks the valid one of a primary/backup pair and repairs the other. Returns
// the valid copy, or null when neither was valid (nothing changed then).
const uint8_t* record_pair_load(save_record_id primary, save_record_id backup) {
    const uint32_t size = record_table[primary].size;
    if (record_valid(primary)) {
        std::memcpy(record_at(backup), record_at(primary), size);
        transfer_section(record_table[backup].section);
        return record_at(primary);
    }
    if (record_valid(backup)) {
        std::memcpy(record_at(primary), record_at(backup), size);
        transfer_section(record_table[primary].section);
        return record_at(backup);
    }
    return nullptr;
}

void record_reset_pair(save_record_id primary, save_record_id backup, uint8_t fill) {
    const uint32_t size = record_table[primary].size;
    std::memset(record_at(primary), fill, size);
    std::memset(record_at(backup), fill, size);
    transfer_section(record_table[primary].section);
    transfer_section(record_table[backup].section);
}

}  // namespace

int header_test(int copy) {
    const uint8_t* h = header_copy(copy);
    const uint32_t w0 = load32(h);
    const uint32_t w1 = load32(h + 4);
    int mask = 0;
    if (header_sum(h) != w0) mask |= 1;
    if (std::memcmp(h + header_signature_at, header_signature, sizeof header_signature) != 0) mask |= 2;
    if (w0 != ~w1) mask |= 4;
    return mask;
}

void header_seal(uint8_t* header) {
    store32(header, 0);
    store32(header + 4, 0xFFFFFFFFu);
    const uint32_t sum = header_sum(header);
    store32(header, sum);
    store32(header + 4, ~sum);
}

uint8_t* header_write() {
    uint8_t* h = header_copy(0);
    h[header_fixed_at] = 0x30;
    h[header_fixed_at + 1] = 0x31;
    store16(h + header_count_at, static_cast<uint16_t>(load16(h + header_count_at) + 1));
    for (const auto& m : header_value_map) h[m[1]] = iwram_data.header_values[m[0]];
    h[0x0F] = 0x02;
    h[0x10] = 0x34;
    std::memcpy(h + header_signature_at, header_signature, sizeof header_signature);
    header_seal(h);
    return transfer_section(section_header);
}

void header_unpack() {
    const uint8_t* h = header_copy(0);
    for (const auto& m : header_value_map) iwram_data.header_values[m[0]] = h[m[1]];
}

void header_load() {
    const bool valid_0 = header_test(0) == 0;
    const bool valid_1 = header_test(1) == 0;
    const bool valid_2 = header_test(2) == 0;
    if (valid_0) {
        copy_header(0, 1);
        transfer_section(section_header_1);
        if (!valid_2) {
            copy_header(0, 2);
            transfer_section(section_header_2);
        }
    } else if (valid_2) {
        copy_header(2, 0);
        transfer_section(section_header);
        if (!valid_1) {
            copy_header(0, 1);
            transfer_section(section_header_1);
        }
    } else if (valid_1) {
        copy_header(1, 0);
        transfer_section(section_header);
    } else {
        sram_erase_all();
        std::memcpy(iwram_data.header_values, header_defaults, sizeof iwram_data.header_values);
        header_write();
        return;
    }
    header_unpack();
}

void record_seal(uint8_t* record, uint32_t size, uint32_t checksum_at) {
    store16(record + checksum_at, 0x0000);
    store16(record + checksum_at + 2, 0xFFFF);
    const uint16_t sum = record_sum(record, size);
    store16(record + checksum_at, sum);
    store16(record + checksum_at + 2, static_cast<uint16_t>(~sum));
}

int record_valid(save_record_id id) {
    const record_layout& r = record_table[id];
    const uint8_t* rec = record_at(id);
    if (rec[0] != r.tag) return 0;
    if (record_sum(rec, r.size) != load16(rec + r.checksum_at)) return 0;
    if (std::memcmp(rec + r.signature_low_at, r.signature, 16) != 0) return 0;
    if (std::memcmp(rec + r.signature_high_at, r.signature + 16, 16) != 0) return 0;
    return 1;
}

uint8_t* last_slot_write() { return record_write(record_last_slot, &iwram_data.current_slot); }

uint8_t* option_write() {
    const uint8_t value = iwram_data.saved_option < 7 ? iwram_data.saved_option : 2;
    return record_write(record_option, &value);
}

uint8_t* flag_write() { return record_write(record_flag, &iwram_data.saved_flag); }

uint8_t* shared_write() { return record_write(record_shared, iwram_data.shared_block); }

void last_slot_load() {
    uint8_t* rec = record_at(record_last_slot);
    const uint8_t value = rec[record_table[record_last_slot].value_at];
    // A slot above 2 would address outside save memory: treat it like any
    // invalid record.
    if (record_valid(record_last_slot) && value < slot_count) {
        iwram_data.current_slot = value;
        return;
    }
    std::memset(rec, 0xFF, small_record_size);
    iwram_data.current_slot = 0;
}

void flag_load() {
    uint8_t* rec = record_at(record_flag);
    if (record_valid(record_flag)) {
        iwram_data.saved_flag = rec[record_table[record_flag].value_at];
        return;
    }
    std::memset(rec, 0xFF, small_record_size);
    iwram_data.saved_flag = 0;
}

int option_load() {
    const uint8_t* valid = record_pair_load(record_option, record_option_backup);
    if (valid != nullptr) {
        iwram_data.saved_option = valid[record_table[record_option].value_at];
        return 0;
    }
    record_reset_pair(record_option, record_option_backup, 0x00);
    iwram_data.saved_option = 0;
    return 1;
}

void shared_load() {
    const uint8_t* valid = record_pair_load(record_shared, record_shared_backup);
    const record_layout& r = record_table[record_shared];
    if (valid != nullptr) {
        std::memcpy(iwram_data.shared_block, valid + r.value_at, sizeof iwram_data.shared_block);
        return;
    }
    record_reset_pair(record_shared, record_shared_backup, 0xFF);
    std::memset(iwram_data.shared_block, 0xFF, sizeof iwram_data.shared_block);
}
