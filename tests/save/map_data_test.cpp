// Per-area lists and blocks in a slot, the grid masks rebuilt from the
// cartridge's area tables, the run-end record and the cartridge run records.
#include "save/map_data.h"

#include <gtest/gtest.h>

#include "save/slot.h"
#include "tests/save/slot_fixture.h"
#include "tools/cartridge/layout.h"

namespace {

class map_data : public cartridge_fixture {
protected:
    // Distinct bytes in every list, block, tail and tail_state.
    void fill_area_data(uint32_t seed) {
        scramble(pair_list(0), static_cast<size_t>(area_count) * pair_list_size, seed);
        scramble(position_list(0), static_cast<size_t>(area_count) * position_list_size, seed + 1);
        // No entry may end its list early.
        for (uint32_t k = 0; k < area_count; ++k)
            for (uint32_t i = 0; i < position_list_entries; ++i)
                if (position_list(k)[static_cast<size_t>(i) * 4] == 0xFF)
                    position_list(k)[static_cast<size_t>(i) * 4] = 0xFE;
        scramble(area_blocks(), static_cast<size_t>(area_count) * area_block_size, seed + 2);
        scramble(area_tails(), static_cast<size_t>(area_count) * area_tail_size, seed + 3);
        scramble(tail_state, tail_state_size, seed + 4);
    }
    void set_counts(const std::vector<uint8_t>& pairs, const std::vector<uint8_t>& positions) {
        std::memcpy(iwram_data.pair_counts, pairs.data(), 8);
        std::memcpy(iwram_data.position_counts, positions.data(), 8);
    }
    // Puts the column and row bases into record index of area k's table.
    void put_area_record(uint32_t k, uint32_t index, uint8_t column, uint8_t row) {
        uint8_t* record = rom_image + demo::area_record_table_at(int(k)) +
                          static_cast<size_t>(index) * demo::area_record_size;
        record[53] = column;
        record[54] = row;
    }
    uint32_t mask_word(uint32_t word_index) {
        return read_u32(grid_masks() + static_cast<size_t>(word_index) * 4);
    }
};

TEST_F(map_data, lists_are_packed_back_to_back_by_their_counts) {
    fill_area_data(1);
    const std::vector<uint8_t> pairs = {3, 0, 5, 1, 0, 0, 0, 2};
    const std::vector<uint8_t> positions = {2, 0, 1, 0, 0, 0, 3, 1};
    set_counts(pairs, positions);
    iwram_data.current_slot = 2;
    std::memset(save_image, 0x77, save_memory_size);
    save_map_data();
    const uint8_t* slot = primary(2);

    EXPECT_EQ(0, std::memcmp(slot + 768, area_blocks(), 1024));
    EXPECT_EQ(0, std::memcmp(slot + 4352, area_tails(), 256));
    EXPECT_EQ(0, std::memcmp(slot + 4608, tail_state, 32));
    // List 0's three entries at 1792, list 2's five right after at 1798.
    EXPECT_EQ(0, std::memcmp(slot + 1792, pair_list(0), 6));
    EXPECT_EQ(0, std::memcmp(slot + 1798, pair_list(2), 10));
    EXPECT_EQ(0, std::memcmp(slot + 1808, pair_list(3), 2));
    EXPECT_EQ(0, std::memcmp(slot + 1810, pair_list(7), 4));
    EXPECT_EQ(0, std::memcmp(slot + 3840, position_list(0), 8));
    EXPECT_EQ(0, std::memcmp(slot + 3848, position_list(2), 4));
    EXPECT_EQ(0, std::memcmp(slot + 3852, position_list(6), 12));
    EXPECT_EQ(0, std::memcmp(slot + 3864, position_list(7), 4));
    // Region bytes past the used length and the slot header keep their content.
    for (uint32_t at = 1814; at < 3840; ++at) ASSERT_EQ(slot[at], 0x77) << at;
    for (uint32_t at = 3868; at < 4352; ++at) ASSERT_EQ(slot[at], 0x77) << at;
    for (uint32_t at = 0; at < 768; ++at) ASSERT_EQ(slot[at], 0x77) << at;
    EXPECT_EQ(0, std::memcmp(iwram_data.pair_counts, pairs.data(), 8));

    // Restoring puts each list back at its start with 0xFF after it.
    const auto saved_pairs = copy_of(pair_list(0), 4096);
    const auto saved_positions = copy_of(position_list(0), 2048);
    const auto saved_blocks = copy_of(area_blocks(), 1024);
    fill_area_data(99);
    restore_map_data();
    EXPECT_EQ(saved_blocks, copy_of(area_blocks(), 1024));
    for (uint32_t k = 0; k < area_count; ++k) {
        for (uint32_t at = 0; at < pair_list_size; ++at) {
            const uint8_t expected = at < pairs[k] * 2u ? saved_pairs[k * 512 + at] : 0xFF;
            ASSERT_EQ(pair_list(k)[at], expected) << "pair list " << k << " byte " << at;
        }
        for (uint32_t at = 0; at < position_list_size; ++at) {
            const uint8_t expected = at < positions[k] * 4u ? saved_positions[k * 256 + at] : 0xFF;
            ASSERT_EQ(position_list(k)[at], expected) << "position list " << k << " byte " << at;
        }
    }
}

TEST_F(map_data, zero_counts_store_only_blocks_and_restore_empty_lists) {
    fill_area_data(5);
    set_counts({0, 0, 0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0, 0, 0});
    std::memset(save_image, 0x33, save_memory_size);
    save_map_data();
    const uint8_t* slot = primary(0);
    for (uint32_t at = 1792; at < 4352; ++at) ASSERT_EQ(slot[at], 0x33) << at;
    std::memset(grid_masks(), 0x5C, grid_masks_size);
    restore_map_data();
    for (uint32_t at = 0; at < area_count * pair_list_size; ++at) ASSERT_EQ(pair_list(0)[at], 0xFF);
    for (uint32_t at = 0; at < area_count * position_list_size; ++at) ASSERT_EQ(position_list(0)[at], 0xFF);
    for (uint32_t at = 0; at < grid_masks_size; ++at) ASSERT_EQ(grid_masks()[at], 0);
}

TEST_F(map_data, counts_beyond_the_limits_are_cut_to_whole_entries_that_fit) {
    fill_area_data(7);
    // 8 x 255 pairs (4,080 bytes) against a 2,048-byte region; 8 x 200
    // positions against 64 per list and a 512-byte region.
    set_counts({255, 255, 255, 255, 255, 255, 255, 255}, {200, 200, 200, 200, 200, 200, 200, 200});
    std::memset(save_image, 0x44, save_memory_size);
    save_map_data();
    const std::vector<uint8_t> kept_pairs = {255, 255, 255, 255, 4, 0, 0, 0};
    const std::vector<uint8_t> kept_positions = {64, 64, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(kept_pairs, copy_of(iwram_data.pair_counts, 8));
    EXPECT_EQ(kept_positions, copy_of(iwram_data.position_counts, 8));
    const uint8_t* slot = primary(0);
    EXPECT_EQ(0, std::memcmp(slot + 1792 + 2040, pair_list(4), 8));
    EXPECT_EQ(0, std::memcmp(slot + 3840 + 256, position_list(1), 256));
    EXPECT_EQ(0, std::memcmp(slot + 4352, area_tails(), 256));  // the regions did not run over
    EXPECT_EQ(0, std::memcmp(slot + 768, area_blocks(), 1024));

    // A slot whose stored counts are over the limits restores the same cut.
    const auto pairs_in_slot = copy_of(slot + 1792, 2048);
    set_counts({255, 255, 255, 255, 255, 255, 255, 255}, {255, 9, 255, 255, 255, 255, 255, 255});
    restore_map_data();
    EXPECT_EQ(kept_pairs, copy_of(iwram_data.pair_counts, 8));
    const std::vector<uint8_t> restored_positions = {64, 9, 55, 0, 0, 0, 0, 0};
    EXPECT_EQ(restored_positions, copy_of(iwram_data.position_counts, 8));
    EXPECT_EQ(0, std::memcmp(pair_list(4), pairs_in_slot.data() + 2040, 8));
    EXPECT_EQ(pair_list(4)[8], 0xFF);
    EXPECT_EQ(0, std::memcmp(position_list(2), slot + 3840 + 256 + 36, 220));
    EXPECT_EQ(position_list(2)[220], 0xFF);
}

struct mask_case {
    const char* name;
    uint8_t area;
    uint8_t index;
    uint8_t x;
    uint8_t y;
    int word;  // index of the u32 word in grid_masks, -1: no bit at all
    int bit;
};

class grid_mask : public map_data, public ::testing::WithParamInterface<mask_case> {};

TEST_P(grid_mask, one_entry_marks_its_cell) {
    const mask_case& c = GetParam();
    put_area_record(0, 3, 5, 2);
    put_area_record(1, 0, 20, 20);  // just past area 0's 42 records
    put_area_record(2, 56, 40, 9);  // column base beyond 31 wraps
    put_area_record(6, 98, 1, 40);  // a row beyond 31 lands in area 7's words
    std::memset(position_list(0), 0xFF, static_cast<size_t>(area_count) * position_list_size);
    uint8_t* entry = position_list(c.area);
    entry[0] = c.index;
    entry[1] = 0x99;
    entry[2] = c.x;
    entry[3] = c.y;
    std::memset(grid_masks(), 0xEE, grid_masks_size);
    rebuild_grid_masks();
    for (int w = 0; w < 512; ++w) {
        const uint32_t expected = w == c.word ? 1u << c.bit : 0;
        ASSERT_EQ(mask_word(uint32_t(w)), expected) << "word " << w;
    }
}

INSTANTIATE_TEST_SUITE_P(cases, grid_mask,
                         ::testing::Values(mask_case{"at_the_bases", 0, 3, 2, 2, 2, 5},
                                           mask_case{"seventeen_steps_one_cell", 0, 3, 17, 17, 3, 6},
                                           mask_case{"x_sixteen_stays", 0, 3, 16, 11, 2, 5},
                                           mask_case{"y_twelve_steps", 0, 3, 16, 12, 3, 5},
                                           mask_case{"small_values_truncate_toward_zero", 0, 3, 0, 1, 2, 5},
                                           mask_case{"large_offsets", 0, 3, 255, 255, 2 + 25, 5 + 16},
                                           mask_case{"column_wraps_at_32", 2, 56, 2, 2, 2 * 32 + 9, 8},
                                           mask_case{"row_runs_into_the_next_area", 6, 98, 2, 2, 6 * 32 + 40,
                                                     1},
                                           mask_case{"index_at_the_count_is_ignored", 0, 42, 2, 2, -1, 0},
                                           mask_case{"area_seven_never_marks", 7, 3, 2, 2, -1, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(map_data, mask_walk_stops_at_the_list_end_and_needs_the_cartridge) {
    put_area_record(0, 3, 5, 2);
    put_area_record(0, 4, 7, 2);
    std::memset(position_list(0), 0xFF, static_cast<size_t>(area_count) * position_list_size);
    const uint8_t entries[12] = {3, 0, 2, 2, 0xFF, 0, 0, 0, 4, 0, 2, 2};
    std::memcpy(position_list(0), entries, sizeof entries);
    rebuild_grid_masks();
    EXPECT_EQ(mask_word(2), 1u << 5);  // record 4 after the terminator is not reached

    std::free(rom_image);
    rom_image = nullptr;
    rom_size = 0;
    rebuild_grid_masks();
    for (uint32_t at = 0; at < grid_masks_size; ++at) ASSERT_EQ(grid_masks()[at], 0);
}

TEST_F(map_data, masks_follow_the_demo_cartridge_tables) {
    if (!load_demo_cartridge()) GTEST_SKIP() << "no demo cartridge at " << ORVALIS_DEMO_ROM;
    for (uint32_t k = 0; k < area_count; ++k) {
        SCOPED_TRACE(k);
        std::memset(position_list(0), 0xFF, static_cast<size_t>(area_count) * position_list_size);
        const uint8_t last = k < 7 ? uint8_t(demo::area_record_counts[k] - 1) : 0;
        const uint8_t entries[12] = {
            0, 0, 17, 2, last, 0, 2, 17, uint8_t(k < 7 ? demo::area_record_counts[k] : 0), 0, 2, 2};
        std::memcpy(position_list(k), entries, sizeof entries);
        rebuild_grid_masks();
        uint32_t expected[512] = {};
        if (k < 7) {
            for (const auto& [index, dx, dy] : {std::tuple{0, 1, 0}, std::tuple{int(last), 0, 1}}) {
                const uint8_t* r = rom_image + demo::area_record_table_at(int(k)) +
                                   static_cast<std::ptrdiff_t>(index) * demo::area_record_size;
                expected[k * 32 + r[54] + dy] |= 1u << ((r[53] + dx) % 32);
            }
        }
        for (int w = 0; w < 512; ++w) ASSERT_EQ(mask_word(uint32_t(w)), expected[w]) << "word " << w;
    }
}

class run_end : public map_data {
protected:
    void SetUp() override {
        map_data::SetUp();
        fill_area_data(60);
        scramble(iwram_bytes(), sizeof iwram_data, 61);
        iwram_data.sram_test_result = 0;
        std::memset(save_image, 0x12, save_memory_size);
    }
    const uint8_t* record() { return save_image + run_end_record_offset; }
};

TEST_F(run_end, record_is_built_and_written_to_the_chip) {
    iwram_data.current_area = 3;
    EXPECT_EQ(write_run_end_record(), nullptr);
    const uint8_t* r = record();
    EXPECT_EQ(r[0], 3);
    EXPECT_EQ(r[1], iwram_data.v27100);
    EXPECT_EQ(r[2], 0xFF);
    EXPECT_EQ(r[3], 0xFF);
    uint8_t block[state_block_size];
    std::memset(block, 0xFF, sizeof block);
    pack_state_block(block);
    EXPECT_EQ(0, std::memcmp(r + 4, block, sizeof block));
    EXPECT_EQ(r[15], 0xFF);
    EXPECT_EQ(0, std::memcmp(r + 408, area_blocks() + std::ptrdiff_t{3} * 128, 128));
    EXPECT_EQ(0, std::memcmp(r + 536, area_tails() + std::ptrdiff_t{3} * 32, 32));
    EXPECT_EQ(0, std::memcmp(r + 568, "ATRUNEND", 8));
    EXPECT_EQ(r[576], iwram_data.v27138);
    for (uint32_t at = 577; at < 640; ++at) EXPECT_EQ(r[at], 0xFF) << at;
    EXPECT_EQ(save_image[run_end_record_offset - 1], 0x12);
    EXPECT_EQ(save_image[run_end_record_offset + 640], 0x12);
    EXPECT_EQ(0, std::memcmp(sram + run_end_record_offset, r, 640));
    EXPECT_EQ(sram[run_end_record_offset + 640], 0);
}

TEST_F(run_end, area_without_a_block_keeps_the_fill_and_a_broken_chip_is_not_written) {
    iwram_data.current_area = 8;
    iwram_data.sram_test_result = 1;
    write_run_end_record();
    for (uint32_t at = 408; at < 568; ++at) ASSERT_EQ(record()[at], 0xFF) << at;
    EXPECT_EQ(record()[0], 8);
    for (uint32_t at = 0; at < sram_size; ++at) ASSERT_EQ(sram[at], 0) << at;
}

class run_record : public map_data {
protected:
    uint8_t* cartridge_record(uint32_t i) { return rom_image + demo::run_record_at(int(i)); }
};

TEST_F(run_record, kind_zero_applies_the_area_parts) {
    scramble(cartridge_record(4), demo::run_record_size, 70);
    cartridge_record(4)[0] = 6;
    fill_area_data(71);
    const auto blocks = copy_of(area_blocks(), 1024);
    const auto tails = copy_of(area_tails(), 256);
    const auto state = copy_of(iwram_bytes(), sizeof iwram_data);
    apply_run_record(0, 4);
    const uint8_t* r = cartridge_record(4);
    EXPECT_EQ(iwram_data.current_area, 6);
    EXPECT_EQ(iwram_data.v27100, r[1]);
    EXPECT_EQ(iwram_data.v27138, r[576]);
    for (uint32_t at = 0; at < 1024; ++at)
        ASSERT_EQ(area_blocks()[at], at / 128 == 6 ? r[408 + at % 128] : blocks[at]) << at;
    for (uint32_t at = 0; at < 256; ++at)
        ASSERT_EQ(area_tails()[at], at / 32 == 6 ? r[536 + at % 32] : tails[at]);
    for (uint32_t at = 0; at < sizeof iwram_data; ++at)
        if (at != 27102 && at != 27100 && at != 27138) {
            ASSERT_EQ(iwram_bytes()[at], state[at]) << at;
        }
}

TEST_F(run_record, kind_one_restores_the_state_records) {
    scramble(cartridge_record(15), demo::run_record_size, 80);
    scramble(iwram_bytes(), sizeof iwram_data, 81);
    const auto before = copy_of(iwram_bytes(), sizeof iwram_data);
    apply_run_record(1, 15);
    const uint8_t* block = cartridge_record(15) + 4;
    EXPECT_EQ(0, std::memcmp(iwram_data.record_21312, block, 11));
    EXPECT_EQ(iwram_data.record_21312[11], before[21312 + 11]);
    EXPECT_EQ(0, std::memcmp(iwram_data.record_21312 + 12, block + 12, 18));
    EXPECT_EQ(iwram_data.record_21312[30], before[21312 + 30]);
    EXPECT_EQ(0, std::memcmp(iwram_data.v20992, block + 40, 268));
    EXPECT_EQ(0, std::memcmp(iwram_data.counter_block, block + 316, 20));
    EXPECT_EQ(iwram_data.record_20944[1], before[20944 + 1]);
    EXPECT_EQ(iwram_data.record_20944[4], block[340]);
    EXPECT_EQ(0, std::memcmp(iwram_data.records_20864[4], block + 344 + 48, 8));
    const uint8_t zeros[8] = {};
    EXPECT_EQ(0, std::memcmp(iwram_data.records_20864[4] + 8, zeros, 8));
    EXPECT_EQ(iwram_data.current_area, before[27102]);
}

TEST_F(run_record, refused_requests_change_nothing) {
    for (uint32_t i = 0; i < 16; ++i) scramble(cartridge_record(i), demo::run_record_size, 90 + i);
    cartridge_record(2)[0] = 8;  // no block for that area
    run_record_pointers[9] = nullptr;
    fill_area_data(91);
    const auto state = copy_of(iwram_bytes(), sizeof iwram_data);
    const auto memory = copy_of(ewram, ewram_size);
    const std::vector<std::pair<uint8_t, uint8_t>> requests = {{2, 0}, {255, 5}, {0, 16}, {1, 200},
                                                               {0, 9}, {1, 9},   {0, 2}};
    for (const auto& [kind, index] : requests) {
        apply_run_record(kind, index);
        ASSERT_EQ(state, copy_of(iwram_bytes(), sizeof iwram_data)) << int(kind) << "/" << int(index);
        ASSERT_EQ(memory, copy_of(ewram, ewram_size)) << int(kind) << "/" << int(index);
    }
}

TEST_F(run_record, demo_cartridge_records_apply_by_kind) {
    if (!load_demo_cartridge()) GTEST_SKIP() << "no demo cartridge at " << ORVALIS_DEMO_ROM;
    for (uint8_t i = 0; i < 16; ++i) {
        SCOPED_TRACE(int(i));
        const uint8_t* r = cartridge_record(i);
        fill_area_data(100 + i);
        scramble(iwram_bytes(), sizeof iwram_data, 200 + i);
        const auto state = copy_of(iwram_bytes(), sizeof iwram_data);
        const auto memory = copy_of(ewram, ewram_size);
        apply_run_record(2, i);
        ASSERT_EQ(state, copy_of(iwram_bytes(), sizeof iwram_data));
        ASSERT_EQ(memory, copy_of(ewram, ewram_size));
        apply_run_record(1, i);
        EXPECT_EQ(0, std::memcmp(iwram_data.counter_block, r + 4 + 316, 20));
        EXPECT_EQ(0, std::memcmp(iwram_data.v20984, r + 4 + 308, 8));
        apply_run_record(0, i);
        if (r[0] < 8) {
            EXPECT_EQ(iwram_data.current_area, r[0]);
            EXPECT_EQ(iwram_data.v27138, r[576]);
            EXPECT_EQ(0, std::memcmp(area_blocks() + static_cast<std::ptrdiff_t>(r[0]) * 128, r + 408, 128));
            EXPECT_EQ(0, std::memcmp(area_tails() + static_cast<std::ptrdiff_t>(r[0]) * 32, r + 536, 32));
        } else {
            EXPECT_EQ(iwram_data.current_area, state[27102]);
        }
    }
}

}  // namespace
