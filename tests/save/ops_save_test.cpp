// The multi-frame save, erase and copy operations and the slot summaries.
#include <gtest/gtest.h>

#include <functional>

#include "save/map_data.h"
#include "save/save_ops.h"
#include "save/slot.h"
#include "tests/save/slot_fixture.h"

namespace {

// Calls op until it returns 1 (at most limit times); the number of calls.
int run_to_end(const std::function<int()>& op, int limit = 100) {
    for (int call = 1; call <= limit; ++call)
        if (op()) return call;
    return -1;
}

class save_ops : public cartridge_fixture {
protected:
    void SetUp() override {
        cartridge_fixture::SetUp();
        scramble(save_image, save_memory_size, 1);
        scramble(sram, sram_size, 2);
        scramble(iwram_bytes() + 20000, 7000, 3);  // the game variables, not the frame state
        iwram_data.save_stage = 0;
        iwram_data.chunk_index = 0;
        iwram_data.save_op_active = 0;
        iwram_data.sram_test_result = 0;
        iwram_data.current_slot = 1;
        std::memset(iwram_data.pair_counts, 2, 8);
        std::memset(iwram_data.position_counts, 3, 8);
    }
    std::vector<uint8_t> chip() { return copy_of(sram, sram_size); }
    std::vector<uint8_t> image() { return copy_of(save_image, save_memory_size); }
};

struct op_case {
    const char* name;
    std::function<int()> run;
    int calls;
    bool sets_active;
};

std::vector<op_case> all_operations() {
    return {
        {"save_new_slot", save_new_slot, 14, true},
        {"save_game", save_game, 24, true},
        {"save_result_and_time", save_result_and_time, 24, false},
        {"save_result", save_result, 24, false},
        {"erase_slot", [] { return erase_slot(1); }, 23, true},
        {"copy_slot", [] { return copy_slot(1, 0); }, 23, true},
    };
}

TEST_F(save_ops, each_operation_takes_its_calls_with_a_usable_or_broken_chip) {
    for (uint8_t broken : {0, 1}) {
        for (const op_case& op : all_operations()) {
            SCOPED_TRACE(std::string(op.name) + (broken ? " broken chip" : " usable chip"));
            SetUp();
            iwram_data.sram_test_result = broken;
            const auto chip_before = chip();
            for (int call = 1; call < op.calls; ++call) {
                ASSERT_EQ(op.run(), 0) << "call " << call;
                ASSERT_EQ(iwram_data.save_op_active, op.sets_active ? 1 : 0) << "call " << call;
            }
            EXPECT_EQ(op.run(), 1);
            EXPECT_EQ(iwram_data.save_op_active, 0);
            EXPECT_EQ(iwram_data.chunk_index, 0);
            if (broken) {
                EXPECT_EQ(chip_before, chip());
            } else {
                EXPECT_NE(chip_before, chip());
            }
        }
    }
}

TEST_F(save_ops, save_game_writes_the_packed_slot_and_backs_up_in_memory) {
    iwram_data.full_save_flag = 0;
    iwram_data.slot_info[1].in_use = 0;
    const auto chip_backup_before = copy_of(chip_backup(1), slot_area_size);
    EXPECT_EQ(run_to_end(save_game), 24);
    EXPECT_EQ(iwram_data.save_stage, 5);
    EXPECT_EQ(iwram_data.full_save_flag, 1);
    EXPECT_EQ(primary(1)[28], 1);
    EXPECT_TRUE(slot_passes_check(primary(1)));
    EXPECT_EQ(0, std::memcmp(primary(1) + 768, area_blocks(), 1024));  // map data in the sealed slot
    EXPECT_EQ(0, std::memcmp(chip_primary(1), primary(1), slot_area_size));
    EXPECT_EQ(0, std::memcmp(backup(1), primary(1), slot_area_size));
    EXPECT_EQ(chip_backup_before, copy_of(chip_backup(1), slot_area_size));
    EXPECT_EQ(iwram_data.slot_info[1].in_use, 1);
    // A result save right after it ends at its first call.
    EXPECT_EQ(save_result(), 1);
    EXPECT_EQ(iwram_data.save_stage, 0);
}

TEST_F(save_ops, save_new_slot_starts_a_cleared_slot) {
    iwram_data.slot_info[1].result_bits = 0x21;
    iwram_data.slot_started = 0;
    EXPECT_EQ(run_to_end(save_new_slot), 14);
    const uint8_t* slot = primary(1);
    EXPECT_TRUE(slot_passes_check(slot));
    EXPECT_EQ(iwram_data.slot_started, 1);
    EXPECT_EQ(iwram_data.slot_info[1].slot_started, 1);
    EXPECT_EQ(iwram_data.result_bits, 0x21);
    EXPECT_EQ(slot[24], 0x21);
    EXPECT_EQ(slot[25], 1);
    EXPECT_EQ(slot[26], iwram_data.saved_option);
    EXPECT_EQ(slot[29], 0);   // cleared and not rewritten
    EXPECT_EQ(slot[300], 0);  // state part cleared
    EXPECT_EQ(0, std::memcmp(chip_primary(1), slot, slot_area_size));
    EXPECT_EQ(0, std::memcmp(backup(1), slot, slot_area_size));
}

struct result_case {
    uint8_t category;
    uint8_t option;
    uint8_t bit;
};

TEST_F(save_ops, result_saves_reload_the_slot_and_set_the_result_bit) {
    const result_case cases[] = {{0, 0, 0}, {2, 0, 2}, {2, 1, 5}, {0, 1, 3}, {1, 2, 1}, {7, 1, 4}};
    for (bool with_time : {false, true}) {
        for (const result_case& c : cases) {
            SCOPED_TRACE(std::to_string(c.category) + "/" + std::to_string(c.option) +
                         (with_time ? " timed" : ""));
            SetUp();
            // The chip holds a packed slot that differs from the working copy.
            iwram_data.result_bits = 0;
            for (auto& entry : iwram_data.best_times) std::memset(entry, 50, 4);
            pack_slot();
            std::memcpy(chip_primary(1), primary(1), slot_area_size);
            std::memset(primary(1), 0x00, slot_area_size);
            std::memset(completion_divisors, 1, 12);
            std::memset(iwram_data.play_clock, 1, 4);
            iwram_data.run_category = c.category;
            iwram_data.saved_option = c.option;
            const auto reloaded = copy_of(chip_primary(1), slot_area_size);

            EXPECT_EQ(run_to_end(with_time ? save_result_and_time : save_result), 24);
            EXPECT_EQ(iwram_data.result_bits, 1 << c.bit);
            EXPECT_EQ(iwram_data.slot_info[1].result_bits, 1 << c.bit);
            const uint8_t* slot = primary(1);
            EXPECT_EQ(slot[24], 1 << c.bit);
            EXPECT_TRUE(slot_passes_check(slot));
            EXPECT_EQ(0, std::memcmp(slot + 768, reloaded.data() + 768, slot_area_size - 768));
            EXPECT_EQ(0, std::memcmp(chip_primary(1), slot, slot_area_size));
            EXPECT_EQ(0, std::memcmp(backup(1), slot, slot_area_size));
            int replaced = 0;
            for (auto& entry : iwram_data.best_times) replaced += entry[0] == 1;
            EXPECT_EQ(replaced, with_time ? 1 : 0);
            EXPECT_EQ(0, std::memcmp(slot + 512, iwram_data.best_times, 48));
        }
    }
}

TEST_F(save_ops, erase_slot_leaves_both_areas_blank) {
    iwram_data.current_slot = 0;
    iwram_data.saved_option = 1;
    const auto others = copy_of(primary(0), slot_area_size);
    EXPECT_EQ(run_to_end([] { return erase_slot(1); }), 23);
    EXPECT_EQ(iwram_data.current_slot, 1);
    for (uint8_t* area : {primary(1), backup(1), chip_primary(1), chip_backup(1)})
        for (uint32_t at = 0; at < slot_area_size; ++at) ASSERT_EQ(area[at], 0xFF) << at;
    slot_info_record expected{};
    expected.option_copy = 1;
    expected.run_category = 1;
    EXPECT_EQ(0, std::memcmp(&iwram_data.slot_info[1], &expected, sizeof expected));
    EXPECT_EQ(others, copy_of(primary(0), slot_area_size));
}

TEST_F(save_ops, copy_slot_copies_both_areas_and_the_summary) {
    iwram_data.current_slot = 1;
    EXPECT_EQ(run_to_end([] { return copy_slot(0, 2); }), 23);
    EXPECT_EQ(iwram_data.current_slot, 0);
    EXPECT_EQ(0, std::memcmp(primary(2), primary(0), slot_area_size));
    EXPECT_EQ(0, std::memcmp(backup(2), backup(0), slot_area_size));
    EXPECT_EQ(0, std::memcmp(chip_primary(2), primary(0), slot_area_size));
    EXPECT_EQ(0, std::memcmp(chip_backup(2), backup(0), slot_area_size));
    EXPECT_EQ(0, std::memcmp(&iwram_data.slot_info[2], &iwram_data.slot_info[0], 22));
}

TEST_F(save_ops, copy_onto_itself_moves_nothing) {
    const auto chip_before = chip();
    const auto image_before = image();
    EXPECT_EQ(run_to_end([] { return copy_slot(2, 2); }), 23);
    EXPECT_EQ(chip_before, chip());
    EXPECT_EQ(image_before, image());
    EXPECT_EQ(iwram_data.current_slot, 2);
}

// A save abandoned midway leaves the chunk counter raised, even past a game
// start; an erase or copy begun afterwards must still write the whole slot.
TEST_F(save_ops, erase_and_copy_after_an_abandoned_save_write_whole_slots) {
    struct later_op {
        const char* name;
        std::function<int()> run;
        uint8_t target;
        uint8_t expected_byte;  // what every byte of the target's chip areas holds after
    };
    const later_op ops[] = {
        {"erase_slot", [] { return erase_slot(2); }, 2, 0xFF},
        {"copy_slot", [] { return copy_slot(1, 2); }, 2, 0x5A},
    };
    for (const later_op& op : ops) {
        SCOPED_TRACE(op.name);
        SetUp();
        iwram_data.current_slot = 0;
        for (int call = 0; call < 5; ++call) ASSERT_EQ(save_game(), 0);
        ASSERT_NE(iwram_data.chunk_index, 0);
        start_game(2);  // a game start clears the operation flag, not the counter
        std::memset(primary(1), 0x5A, slot_area_size);
        std::memset(backup(1), 0x5A, slot_area_size);
        EXPECT_EQ(run_to_end(op.run), 23);
        for (uint8_t* area : {chip_primary(op.target), chip_backup(op.target)})
            for (uint32_t at = 0; at < slot_area_size; ++at) ASSERT_EQ(area[at], op.expected_byte) << at;
        EXPECT_EQ(iwram_data.chunk_index, 0);
        EXPECT_EQ(iwram_data.save_op_active, 0);
    }
}

TEST_F(save_ops, slot_numbers_above_two_end_at_once) {
    iwram_data.save_op_active = 1;  // left over by an operation stopped midway
    const auto state = copy_of(iwram_bytes(), sizeof iwram_data);
    const auto chip_before = chip();
    const auto image_before = image();
    EXPECT_EQ(erase_slot(3), 1);
    EXPECT_EQ(copy_slot(0, 200), 1);
    EXPECT_EQ(copy_slot(3, 0), 1);
    repair_slot(3);
    EXPECT_EQ(state, copy_of(iwram_bytes(), sizeof iwram_data));
    iwram_data.current_slot = 5;
    iwram_data.save_op_active = 0;
    EXPECT_EQ(save_new_slot(), 1);
    EXPECT_EQ(save_game(), 1);
    EXPECT_EQ(save_result(), 1);
    EXPECT_EQ(iwram_data.save_op_active, 0);
    EXPECT_EQ(chip_before, chip());
    EXPECT_EQ(image_before, image());
}

TEST_F(save_ops, repair_writes_the_areas_its_integrity_names) {
    for (uint8_t integrity : {0, 1, 2, 3}) {
        SCOPED_TRACE(int(integrity));
        SetUp();
        iwram_data.current_slot = 0;
        iwram_data.slot_info[2].integrity = integrity;
        const auto chip_primary_before = copy_of(chip_primary(2), slot_area_size);
        const auto chip_backup_before = copy_of(chip_backup(2), slot_area_size);
        repair_slot(2);
        EXPECT_EQ(iwram_data.current_slot, 0);
        EXPECT_EQ(iwram_data.slot_info[2].integrity, 0);
        const bool primary_written = integrity == 1 || integrity == 2;
        EXPECT_EQ(copy_of(chip_primary(2), slot_area_size),
                  primary_written ? copy_of(primary(2), slot_area_size) : chip_primary_before);
        EXPECT_EQ(copy_of(chip_backup(2), slot_area_size),
                  integrity == 2 ? copy_of(backup(2), slot_area_size) : chip_backup_before);
    }
}

class slot_summary : public save_ops {
protected:
    uint16_t u16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
};

TEST_F(slot_summary, refresh_shows_full_started_and_empty_slots) {
    iwram_data.saved_option = 2;
    for (uint32_t k = 0; k < 3; ++k) {
        uint8_t* s = primary(k);
        s[24] = uint8_t(0x10 + k);
        s[25] = 1;
        s[26] = uint8_t(k);
        s[28] = k == 0;  // only slot 0 was fully saved
        s[29] = uint8_t(3 + k);
        s[58] = k == 0 ? 7 : 2;
        s[60] = uint8_t(0x60 + k);
        s[412] = 12, s[414] = 14, s[418] = 18, s[420] = 20, s[430] = 30;
        s[413] = s[415] = s[419] = 0, s[421] = 1;
        s[508] = 5, s[509] = 6, s[510] = 7;
    }
    iwram_data.slot_info[0].in_use = 1;
    iwram_data.slot_info[1].in_use = 1;
    iwram_data.slot_info[2].in_use = 0;
    iwram_data.slot_info[2].integrity = 3;
    iwram_data.slot_info[2].slot_started = 0;
    iwram_data.slot_info[2].full_save_flag = 0x41;
    refresh_slot_info();

    const slot_info_record& full = iwram_data.slot_info[0];
    EXPECT_EQ(full.in_use, 1);
    EXPECT_EQ(full.area_shown, 3);
    EXPECT_EQ(u16(full.value_4), 18);
    EXPECT_EQ(u16(full.value_6), 12);
    EXPECT_EQ(u16(full.value_8), 0x114);
    EXPECT_EQ(u16(full.value_10), 14);
    EXPECT_EQ(full.value_12, 30);
    EXPECT_EQ(full.clock_hours, 5);
    EXPECT_EQ(full.clock_seconds, 7);
    EXPECT_EQ(full.result_bits, 0x10);
    EXPECT_EQ(full.option_copy, 0);
    EXPECT_EQ(full.run_category, 1);  // stored 7
    EXPECT_EQ(full.setting_byte, 0x60);

    const slot_info_record& started = iwram_data.slot_info[1];
    EXPECT_EQ(started.in_use, 0);
    EXPECT_EQ(started.area_shown, 5);
    EXPECT_EQ(u16(started.value_4), 99);
    EXPECT_EQ(u16(started.value_6), 99);
    EXPECT_EQ(u16(started.value_8), 0);
    EXPECT_EQ(started.clock_hours, 0);
    EXPECT_EQ(started.result_bits, 0x11);
    EXPECT_EQ(started.option_copy, 1);
    EXPECT_EQ(started.run_category, 2);
    EXPECT_EQ(started.setting_byte, 0x61);

    const slot_info_record& empty = iwram_data.slot_info[2];
    EXPECT_EQ(empty.in_use, 0);
    EXPECT_EQ(empty.integrity, 3);
    EXPECT_EQ(empty.area_shown, 0);
    EXPECT_EQ(empty.full_save_flag, 0x41);  // left alone
    EXPECT_EQ(empty.option_copy, 2);
}

}  // namespace
