// New-game setup, the game start routines and copy_short.
#include <gtest/gtest.h>

#include <set>

#include "hw/interrupts.h"
#include "save/map_data.h"
#include "save/save_ops.h"
#include "save/slot.h"
#include "tests/save/slot_fixture.h"
#include "tools/cartridge/layout.h"

namespace {

void noise_callback() {}

class game_start : public cartridge_fixture {
protected:
    void SetUp() override {
        cartridge_fixture::SetUp();
        scramble(ewram, ewram_size, 1);
        scramble(tail_state, tail_state_size, 2);
        scramble(iwram_bytes() + 20000, 7000, 3);
        iwram_data.current_slot = 1;
        iwram_data.save_stage = 0;
        iwram_data.save_op_active = 0;
        const uint8_t clock[4] = {0, 0, 0, 9};
        const uint8_t best[4] = {99, 59, 59, 1};
        const uint8_t position[4] = {4, 7, 8, 9};
        std::memcpy(clock_default, clock, 4);
        std::memcpy(best_time_default, best, 4);
        std::memcpy(start_position_default, position, 4);
        for (int i = 0; i < 8; ++i) start_defaults[i] = uint8_t(0xD0 + i);
        // Start flags: records 0, 5 and 31 set, record 6 has only a later byte.
        for (uint32_t i : {0u, 5u, 31u}) rom_image[demo::start_flag_records.offset + 8 * i] = 1;
        rom_image[demo::start_flag_records.offset + 8 * 6 + 3] = 1;
    }
    static bool all_of(const uint8_t* p, size_t n, uint8_t value) {
        for (size_t i = 0; i < n; ++i)
            if (p[i] != value) return false;
        return true;
    }
};

TEST_F(game_start, new_game_state_clears_the_area_data_and_sets_defaults) {
    const auto outside = copy_of(ewram, 0x33800);
    reset_new_game_state();
    EXPECT_TRUE(all_of(ewram + 0x37400, 0x800, 0x00));
    EXPECT_TRUE(all_of(ewram + 0x35C00, 0x1000, 0xFF));
    EXPECT_TRUE(all_of(ewram + 0x36C00, 0x800, 0xFF));
    EXPECT_TRUE(all_of(ewram + 0x37C00, 0x200, 0xFF));
    EXPECT_TRUE(all_of(ewram + 0x33800, 0x800, 0x00));
    EXPECT_TRUE(all_of(tail_state, tail_state_size, 0));
    EXPECT_EQ(outside, copy_of(ewram, 0x33800));
    EXPECT_TRUE(all_of(iwram_data.pair_counts, 8, 0));
    EXPECT_TRUE(all_of(iwram_data.position_counts, 8, 0));
    EXPECT_EQ(0, std::memcmp(iwram_data.play_clock, clock_default, 4));
    for (auto& entry : iwram_data.best_times) EXPECT_EQ(0, std::memcmp(entry, best_time_default, 4));
    for (auto& entry : iwram_data.extra_clocks) EXPECT_EQ(0, std::memcmp(entry, clock_default, 4));
    EXPECT_EQ(read_u32(iwram_data.start_flag_bits), (1u << 0) | (1u << 5) | (1u << 31));
    EXPECT_EQ(iwram_data.v20644, 0);
    EXPECT_EQ(iwram_data.run_category, 1);
    EXPECT_EQ(iwram_data.setting_byte, 0);
    EXPECT_EQ(iwram_data.start_slot_state, 0);

    // Without a cartridge no start flag is set.
    std::free(rom_image);
    rom_image = nullptr;
    rom_size = 0;
    reset_new_game_state();
    EXPECT_EQ(read_u32(iwram_data.start_flag_bits), 0u);
}

TEST_F(game_start, started_but_never_saved_slot_begins_a_new_game_from_its_summary) {
    uint8_t* s = primary(1);
    s[24] = 0x24;
    s[25] = 1;
    s[26] = 1;
    s[28] = 0;
    s[58] = 2;
    s[60] = 0x61;
    iwram_data.slot_info[1].in_use = 1;
    refresh_slot_info();
    ASSERT_EQ(iwram_data.slot_info[1].in_use, 0);
    std::memcpy(iwram_data.start_position, start_position_default, 4);
    start_from_slot();
    EXPECT_EQ(iwram_data.start_slot_state, 0);
    EXPECT_EQ(iwram_data.result_bits, 0x24);
    EXPECT_EQ(iwram_data.slot_started, 1);
    EXPECT_EQ(iwram_data.run_category, 2);
    EXPECT_EQ(iwram_data.setting_byte, 0x61);
    EXPECT_EQ(iwram_data.option_copy, 1);
    EXPECT_EQ(iwram_data.saved_option, 1);
    EXPECT_EQ(iwram_data.current_area, 4);
    EXPECT_EQ(iwram_data.v23386, 4);
    EXPECT_EQ(iwram_data.v1184, 21);
    EXPECT_EQ(iwram_data.counter_block[16], 0);
    EXPECT_EQ(iwram_data.v27110, 1);
    EXPECT_EQ(iwram_data.v27138, 0);
    EXPECT_EQ(iwram_data.v27100 | iwram_data.v27101 | iwram_data.v27119 | iwram_data.v27183, 0);
    EXPECT_EQ(0, std::memcmp(iwram_data.play_clock, clock_default, 4));  // new-game values
}

TEST_F(game_start, slot_in_use_is_loaded) {
    // Pack a game into slot 1, then start from it with other variables in place.
    std::memset(iwram_data.pair_counts, 1, 8);
    std::memset(iwram_data.position_counts, 1, 8);
    save_map_data();
    pack_slot();
    const auto packed = copy_of(primary(1), slot_area_size);
    const uint8_t clock[4] = {iwram_data.play_clock[0], iwram_data.play_clock[1], iwram_data.play_clock[2],
                              iwram_data.play_clock[3]};
    const auto list0 = copy_of(position_list(0), 4);
    scramble(iwram_bytes() + 20000, 7000, 9);
    scramble(ewram, 0x38000, 10);
    iwram_data.current_slot = 1;
    iwram_data.slot_info[1].in_use = 1;
    iwram_data.slot_info[1].option_copy = 2;
    start_game(3);
    EXPECT_EQ(iwram_data.start_slot_state, 1);
    EXPECT_EQ(0, std::memcmp(iwram_data.play_clock, clock, 4));
    EXPECT_EQ(list0, copy_of(position_list(0), 4));
    EXPECT_EQ(position_list(0)[4], 0xFF);
    EXPECT_EQ(packed, copy_of(primary(1), slot_area_size));

    iwram_data.slot_info[1].in_use = 1;
    start_game(0);
    EXPECT_EQ(iwram_data.start_slot_state, 1);
    EXPECT_EQ(iwram_data.option_copy, 2);
    EXPECT_EQ(iwram_data.saved_option, 2);
    EXPECT_EQ(0, std::memcmp(iwram_data.start_position, start_position_default, 4));
}

// Bytes every start_game kind sets: the common steps.
const std::set<uint32_t>& common_bytes() {
    static const std::set<uint32_t> bytes = [] {
        std::set<uint32_t> b = {26740, 27110, 1184, 23238, 27142, 27118, 27178, 23387, 27112, 1208, 1209};
        for (uint32_t i = 0; i < 8; ++i) b.insert(20496 + i);
        return b;
    }();
    return bytes;
}

TEST_F(game_start, other_kinds_do_only_the_common_steps) {
    iwram_data.save_op_active = 1;
    iwram_data.v1208 = 0x1234;
    const auto state = copy_of(iwram_bytes(), sizeof iwram_data);
    const auto memory = copy_of(ewram, ewram_size);
    start_game(2);
    EXPECT_EQ(0, std::memcmp(iwram_data.v20496, start_defaults, 8));
    EXPECT_EQ(iwram_data.v1184, 2);
    EXPECT_EQ(iwram_data.save_op_active, 0);
    EXPECT_EQ(iwram_data.v1208, 0);
    EXPECT_EQ(iwram_data.v26740, 0);
    for (uint32_t at = 0; at < sizeof iwram_data; ++at)
        if (!common_bytes().count(at)) {
            ASSERT_EQ(iwram_bytes()[at], state[at]) << "iwram_data +" << at;
        }
    EXPECT_EQ(memory, copy_of(ewram, ewram_size));
}

TEST_F(game_start, fresh_game_without_a_slot) {
    iwram_data.start_slot_state = 1;
    start_game(1);
    EXPECT_EQ(0, std::memcmp(iwram_data.start_position, start_position_default, 4));
    EXPECT_EQ(iwram_data.v26740, 1);
    EXPECT_EQ(iwram_data.saved_option, 2);
    EXPECT_EQ(iwram_data.start_slot_state, 0);
    EXPECT_EQ(iwram_data.run_category, 1);
    EXPECT_EQ(iwram_data.v27058, 0);
    EXPECT_EQ(iwram_data.v27100 | iwram_data.v27101 | iwram_data.v27119 | iwram_data.v27183, 0);
    EXPECT_TRUE(all_of(ewram + 0x36C00, 0x800, 0xFF));
}

TEST_F(game_start, begin_game_installs_an_empty_callback_and_reports_the_slot_state) {
    set_vblank_callback(noise_callback);
    iwram_data.slot_info[1].in_use = 1;
    EXPECT_EQ(begin_game(3), 1);
    EXPECT_EQ(iwram_data.vblank_callback, &empty_callback);
    iwram_data.slot_info[1].in_use = 0xFF;
    EXPECT_EQ(begin_game(3), -1);
}

TEST(copy_short, copies_the_low_eight_bits_of_the_length_forward) {
    struct copy_case {
        uint32_t length;
        uint32_t copied;
    };
    for (const copy_case c : {copy_case{0, 0}, copy_case{5, 5}, copy_case{255, 255}, copy_case{256, 0},
                              copy_case{257, 1}, copy_case{0x1FF, 255}}) {
        uint8_t source[300];
        uint8_t target[300];
        for (int i = 0; i < 300; ++i) source[i] = uint8_t(i + 1);
        std::memset(target, 0xEE, sizeof target);
        copy_short(target, source, c.length);
        for (uint32_t i = 0; i < 300; ++i)
            ASSERT_EQ(target[i], i < c.copied ? source[i] : 0xEE) << "length " << c.length << " byte " << i;
    }
    // Forward byte order: an overlapping copy one byte up repeats the first byte.
    uint8_t run[6] = {7, 1, 2, 3, 4, 5};
    copy_short(run + 1, run, 5);
    for (uint8_t b : run) EXPECT_EQ(b, 7);
}

}  // namespace
