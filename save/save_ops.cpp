#include "save/save_ops.h"

#include <cstring>

#include "hw/interrupts.h"
#include "hw/iwram_data.h"
#include "hw/regions.h"
#include "rom/cartridge_map.h"
#include "rom/rom.h"
#include "save/map_data.h"
#include "save/save_memory.h"
#include "save/slot.h"

namespace {

iwram_data_block& d = iwram_data;

slot_info_record* info_of(uint32_t slot) { return slot < slot_count ? &d.slot_info[slot] : nullptr; }

// Copies the current slot's primary area onto its backup area inside
// save_image; the chip's backup area is not written.
void back_up_in_memory() {
    const uint8_t* primary = slot_area(save_image, d.current_slot, false);
    uint8_t* backup = slot_area(save_image, d.current_slot, true);
    if (primary && backup) std::memcpy(backup, primary, slot_area_size);
}

void fill_slot(uint32_t slot, bool backup, uint8_t value) {
    if (uint8_t* area = slot_area(save_image, slot, backup)) std::memset(area, value, slot_area_size);
}

void copy_area(uint32_t from, uint32_t to, bool backup) {
    const uint8_t* source = slot_area(save_image, from, backup);
    uint8_t* destination = slot_area(save_image, to, backup);
    if (source && destination && source != destination) std::memcpy(destination, source, slot_area_size);
}

void put_u16(uint8_t* at, uint16_t value) {
    at[0] = uint8_t(value);
    at[1] = uint8_t(value >> 8);
}

// The two result saves; with_time also folds the play clock into best_times.
int result_save(bool with_time) {
    if (d.save_stage > 4) {
        d.save_stage = 0;
        return 1;
    }
    slot_info_record* info = info_of(d.current_slot);
    if (!info) return 1;
    switch (d.save_stage) {
        case 0:
            d.save_stage = 1;
            d.chunk_index = 0;
            return 0;
        case 1:
            if (slot_transfer_step(transfer_read_primary)) d.save_stage = 2;
            return 0;
        case 2: {
            const int bit = category_row(d.run_category) + (d.saved_option == 1 ? 3 : 0);
            d.result_bits = uint8_t(d.result_bits | 1u << bit);
            if (with_time) update_best_time();
            refresh_slot_times();
            d.chunk_index = 0;
            d.save_stage = 3;
            return 0;
        }
        case 3:
            if (slot_transfer_step(transfer_write_primary)) {
                d.save_stage = 4;
                info->result_bits = d.result_bits;
            }
            return 0;
        default:  // 4
            back_up_in_memory();
            d.save_stage = 5;
            return 0;
    }
}

}  // namespace

int save_new_slot() {
    slot_info_record* info = info_of(d.current_slot);
    if (!info) return 1;
    if (d.save_op_active == 0) {
        d.save_stage = 0;
        d.save_op_active = 1;
    }
    switch (d.save_stage) {
        case 0:
            d.slot_started = 1;
            info->slot_started = 1;
            d.result_bits = info->result_bits;
            std::memset(current_slot_data(), 0, slot_header_size);
            d.save_stage = 1;
            return 0;
        case 1:
            refresh_slot_header();
            d.chunk_index = 0;
            d.save_stage = 2;
            return 0;
        case 2:
            if (slot_transfer_step(transfer_write_primary)) d.save_stage = 3;
            return 0;
        case 3:
            back_up_in_memory();
            d.save_stage = 4;
            return 0;
        default:
            d.save_op_active = 0;
            d.save_stage = 0;
            return 1;
    }
}

int save_game() {
    slot_info_record* info = info_of(d.current_slot);
    if (!info) return 1;
    if (d.save_op_active == 0) {
        d.save_op_active = 1;
        d.full_save_flag = 1;
        d.save_stage = 0;
        d.chunk_index = 0;
    }
    switch (d.save_stage) {
        case 0:
            if (slot_transfer_step(transfer_wait)) d.save_stage = 1;
            return 0;
        case 1:
            save_map_data();
            d.chunk_index = 0;
            d.save_stage = 2;
            return 0;
        case 2:
            pack_slot();
            d.chunk_index = 0;
            d.save_stage = 3;
            return 0;
        case 3:
            if (slot_transfer_step(transfer_write_primary)) {
                info->in_use = 1;
                d.save_stage = 4;
            }
            return 0;
        case 4:
            back_up_in_memory();
            d.save_stage = 5;
            return 0;
        default:  // the stage stays where it is
            d.save_op_active = 0;
            return 1;
    }
}

int save_result_and_time() { return result_save(true); }

int save_result() { return result_save(false); }

int erase_slot(uint8_t slot) {
    slot_info_record* info = info_of(slot);
    if (!info) return 1;
    if (d.save_op_active == 0) {
        d.save_op_active = 1;
        d.save_stage = 0;
    }
    switch (d.save_stage) {
        case 0:
            // A pass abandoned midway may have left the chunk counter raised;
            // the slot transfer must start at its first chunk.
            d.chunk_index = 0;
            std::memset(info, 0, sizeof *info);
            info->option_copy = d.saved_option;
            info->run_category = 1;
            fill_slot(slot, false, 0xFF);
            d.save_stage = 1;
            return 0;
        case 1:
            d.current_slot = slot;
            if (slot_transfer_step(transfer_write_primary)) d.save_stage = 2;
            return 0;
        case 2:
            fill_slot(slot, true, 0xFF);
            d.save_stage = 3;
            return 0;
        case 3:
            d.current_slot = slot;
            if (slot_transfer_step(transfer_write_backup)) d.save_stage = 4;
            return 0;
        default:
            d.save_op_active = 0;
            d.save_stage = 0;
            return 1;
    }
}

int copy_slot(uint8_t from, uint8_t to) {
    if (!info_of(from) || !info_of(to)) return 1;
    // A slot copied onto itself only paces through the same calls.
    const bool moves = from != to;
    const uint8_t write_primary = moves ? transfer_write_primary : transfer_wait;
    const uint8_t write_backup = moves ? transfer_write_backup : transfer_wait;
    if (d.save_op_active == 0) {
        d.save_op_active = 1;
        d.save_stage = 0;
    }
    int done = 0;
    switch (d.save_stage) {
        case 0:
            d.chunk_index = 0;  // as in erase_slot: never resume an abandoned transfer
            if (moves) d.slot_info[to] = d.slot_info[from];
            copy_area(from, to, false);
            d.save_stage = 1;
            return 0;
        case 1:
            d.current_slot = to;
            done = slot_transfer_step(write_primary);
            d.current_slot = from;
            if (done) d.save_stage = 2;
            return 0;
        case 2:
            copy_area(from, to, true);
            d.save_stage = 3;
            return 0;
        case 3:
            d.current_slot = to;
            done = slot_transfer_step(write_backup);
            d.current_slot = from;
            if (done) d.save_stage = 4;
            return 0;
        default:
            d.save_op_active = 0;
            d.save_stage = 0;
            return 1;
    }
}

void refresh_slot_info() {
    for (uint32_t k = 0; k < slot_count; ++k) {
        slot_info_record& info = d.slot_info[k];
        const uint8_t* s = slot_area(save_image, k, false);
        info.area_shown = s[29];
        if (info.in_use == 1) {
            std::memcpy(info.value_4, s + 418, 2);
            std::memcpy(info.value_6, s + 412, 2);
            std::memcpy(info.value_8, s + 420, 2);
            std::memcpy(info.value_10, s + 414, 2);
            info.value_12 = s[430];
            info.clock_hours = s[508];
            info.clock_minutes = s[509];
            info.clock_seconds = s[510];
            info.full_save_flag = s[28];
            info.result_bits = s[24];
            info.slot_started = s[25];
            info.option_copy = s[26];
            info.run_category = category_row(s[58]);
            info.setting_byte = s[60];
        }
        if (info.in_use == 0 || info.full_save_flag == 0) {
            // Not a usable full save; a started slot still shows its start.
            const bool started = info.slot_started != 0;
            info.in_use = 0;
            info.area_shown = 0;
            std::memset(reinterpret_cast<uint8_t*>(&info) + 4, 0, 12);  // bytes 4..15
            info.option_copy = d.saved_option;
            if (started) {
                info.area_shown = 5;
                put_u16(info.value_4, 99);
                put_u16(info.value_6, 99);
                info.option_copy = s[26];
                info.run_category = category_row(s[58]);
                info.setting_byte = s[60];
            }
        }
    }
}

void repair_slot(uint8_t slot) {
    slot_info_record* info = info_of(slot);
    if (!info) return;
    const uint8_t kept = d.current_slot;
    d.current_slot = slot;
    if (info->integrity == 1) {
        transfer_section(section_slot);
    } else if (info->integrity == 2) {
        transfer_section(section_slot);
        transfer_section(section_slot_backup);
    }
    d.current_slot = kept;
    info->integrity = 0;
}

void reset_new_game_state() {
    std::memset(area_blocks(), 0, 2048);  // area_blocks and the 1,024 bytes after
    std::memset(pair_list(0), 0xFF, static_cast<size_t>(area_count) * pair_list_size);
    std::memset(position_list(0), 0xFF, static_cast<size_t>(area_count) * position_list_size);
    std::memset(area_tails(), 0xFF, 512);  // area_tails and the 256 bytes after
    std::memset(tail_state, 0, tail_state_size);
    std::memset(grid_masks(), 0, grid_masks_size);
    std::memset(d.pair_counts, 0, sizeof d.pair_counts);
    std::memset(d.position_counts, 0, sizeof d.position_counts);
    std::memcpy(d.play_clock, clock_default, 4);
    for (auto& entry : d.best_times) std::memcpy(entry, best_time_default, 4);
    for (auto& entry : d.extra_clocks) std::memcpy(entry, clock_default, 4);
    uint32_t bits = 0;
    static_assert(rom_start_flags.count <= 32, "one bit of start_flag_bits per record");
    for (uint32_t i = 0; i < rom_start_flags.count; ++i) {
        const rom_area flag = rom_start_flags.record(i);
        const uint8_t* record = rom_ptr(flag.offset, flag.length);
        if (record && record[0] != 0) bits |= 1u << i;
    }
    std::memcpy(d.start_flag_bits, &bits, 4);
    d.v20644 = 0;
    d.run_category = 1;
    d.setting_byte = 0;
    d.start_slot_state = 0;
}

void start_from_slot() {
    // A slot number above 2 starts like a slot never used: the record the
    // boot check gives every slot (zeros, category 1), with the option in force.
    slot_info_record none{};
    none.run_category = 1;
    none.option_copy = d.saved_option;
    const slot_info_record* found = info_of(d.current_slot);
    const slot_info_record& info = found ? *found : none;
    d.start_slot_state = info.in_use;
    if (d.start_slot_state == 0) {
        reset_new_game_state();
        d.v1184 = 21;
        d.counter_block[16] = 0;
        d.current_area = d.start_position[0];
        d.v23386 = d.start_position[0];
        d.v27101 = 0;
        d.v27100 = 0;
        d.result_bits = info.result_bits;
        d.slot_started = info.slot_started;
        d.run_category = info.run_category;
        d.setting_byte = info.setting_byte;
        d.v27138 = 0;
        d.v27110 = 1;
    } else if (d.start_slot_state == 1) {
        load_slot();
    }
    d.option_copy = info.option_copy;
    d.saved_option = info.option_copy;
    d.v27119 = 0;
    d.v27183 = 0;
}

void start_game(uint8_t kind) {
    std::memcpy(d.v20496, start_defaults, 8);
    d.v26740 = 0;
    d.v27110 = 0;
    d.v1184 = 2;
    if (kind == 1) {
        std::memcpy(d.start_position, start_position_default, 4);
        reset_new_game_state();
        d.v26740 = 1;
        d.v27101 = 0;
        d.v27100 = 0;
        d.v27119 = 0;
        d.v27183 = 0;
        d.saved_option = 2;
        d.v27058 = 0;
    } else if (kind == 3) {
        const slot_info_record* info = info_of(d.current_slot);
        d.start_slot_state = info ? info->in_use : 0;
        if (d.start_slot_state == 1) load_slot();
        d.v27058 = 0;
    } else if (kind == 0) {
        std::memcpy(d.start_position, start_position_default, 4);
        start_from_slot();
        d.v27058 = 0;
    }
    d.v23238 = 0;
    d.v27142 = 0;
    d.save_op_active = 0;
    d.v27178 = 0;
    d.v23387 = 0;
    d.v27112 = 0;
    d.v1208 = 0;
}

int8_t begin_game(uint8_t kind) {
    set_vblank_callback(empty_callback);
    start_game(kind);
    return int8_t(d.start_slot_state);
}

void copy_short(void* destination, const void* source, uint32_t length) {
    uint8_t* out = static_cast<uint8_t*>(destination);
    const uint8_t* in = static_cast<const uint8_t*>(source);
    for (uint32_t i = 0; i < (length & 0xFF); ++i) out[i] = in[i];
}
