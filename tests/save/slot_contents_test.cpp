// Packing game variables into a slot and back, the partial rewrites, the
// checksum seal and the best-time update.
#include <gtest/gtest.h>

#include <functional>
#include <set>

#include "save/boot_check.h"
#include "save/slot.h"
#include "tests/save/slot_fixture.h"

namespace {

struct field {
    uint32_t slot_at;
    uint32_t iwram_at;
    uint32_t length;
};

// Where each game variable lands in a packed slot.
const std::vector<field>& packed_fields() {
    static const std::vector<field> fields = [] {
        std::vector<field> f = {
            {24, 27144, 1},   {25, 27145, 1},    {26, 27146, 1},  {28, 23332, 1},   {29, 27102, 1},
            {30, 27101, 1},   {31, 27100, 1},    {32, 27097, 1},  {33, 27096, 1},   {34, 26742, 6},
            {42, 21372, 2},   {44, 21370, 2},    {46, 21368, 2},  {48, 21366, 2},   {50, 21364, 2},
            {52, 21362, 2},   {54, 21360, 2},    {56, 21358, 2},  {58, 27139, 1},   {59, 27138, 1},
            {60, 27137, 1},   {61, 27088, 8},    {69, 27080, 8},  {96, 21312, 11},  {108, 21324, 18},
            {128, 21260, 7},  {136, 20992, 268}, {404, 20984, 8}, {412, 20960, 20}, {432, 20944, 1},
            {434, 20946, 3},  {500, 20646, 2},   {502, 20644, 1}, {504, 26592, 2},  {508, 26736, 4},
            {512, 26688, 48}, {560, 26640, 20},  {580, 11612, 4}, {584, 11616, 2},  {588, 27104, 4},
        };
        for (uint32_t k = 0; k < 5; ++k) f.push_back({440 + 12 * k, 20864 + 16 * k, 8});
        return f;
    }();
    return fields;
}

std::vector<uint32_t> zero_offsets() {
    std::vector<uint32_t> z = {27, 40, 41, 126, 127, 135, 433, 437, 438, 439};
    for (uint32_t k = 0; k < 5; ++k)
        for (uint32_t i = 0; i < 4; ++i) z.push_back(448 + 12 * k + i);
    return z;
}

std::vector<uint32_t> unwritten_offsets() {
    std::vector<uint32_t> u = {93, 94, 95, 107, 503, 506, 507, 586, 587};
    for (uint32_t i = 608; i < slot_area_size; ++i) u.push_back(i);
    return u;
}

class slot_contents : public cartridge_fixture {};

TEST_F(slot_contents, pack_places_every_field_and_leaves_unwritten_bytes) {
    iwram_data.current_slot = 1;
    scramble(iwram_bytes(), sizeof iwram_data, 11);
    iwram_data.current_slot = 1;
    std::memset(save_image, 0x5A, save_memory_size);
    pack_slot();
    const uint8_t* slot = primary(1);
    for (const field& f : packed_fields())
        EXPECT_EQ(0, std::memcmp(slot + f.slot_at, iwram_bytes() + f.iwram_at, f.length))
            << "slot offset " << f.slot_at;
    for (uint32_t at : zero_offsets()) EXPECT_EQ(slot[at], 0) << "slot offset " << at;
    for (uint32_t at : unwritten_offsets()) EXPECT_EQ(slot[at], 0x5A) << "slot offset " << at;
    EXPECT_EQ(0, std::memcmp(slot + 0, slot_mark_a, 16));
    EXPECT_EQ(0, std::memcmp(slot + 77, slot_mark_b, 16));
    EXPECT_EQ(0, std::memcmp(slot + 592, slot_mark_c, 16));
    EXPECT_TRUE(slot_passes_check(slot));
    // Nothing outside the slot's primary area moves.
    for (uint32_t at = 0; at < save_memory_size; ++at) {
        if (save_image + at >= slot && save_image + at < slot + slot_area_size) continue;
        ASSERT_EQ(save_image[at], 0x5A) << "save_image offset " << at;
    }
}

TEST_F(slot_contents, unpack_returns_every_packed_field) {
    scramble(iwram_bytes(), sizeof iwram_data, 21);
    iwram_data.current_slot = 2;
    const auto packed_state = copy_of(iwram_bytes(), sizeof iwram_data);
    pack_slot();
    scramble(iwram_bytes(), sizeof iwram_data, 22);
    iwram_data.current_slot = 2;
    const auto other_state = copy_of(iwram_bytes(), sizeof iwram_data);
    unpack_slot();

    std::set<uint32_t> restored;
    for (const field& f : packed_fields())
        for (uint32_t i = 0; i < f.length; ++i) restored.insert(f.iwram_at + i);
    std::set<uint32_t> cleared;  // bytes 8..15 of the five records at +20864
    for (uint32_t k = 0; k < 5; ++k)
        for (uint32_t i = 8; i < 16; ++i) cleared.insert(20864 + 16 * k + i);
    for (uint32_t at = 0; at < sizeof iwram_data; ++at) {
        const uint8_t expected = cleared.count(at)    ? 0
                                 : restored.count(at) ? packed_state[at]
                                                      : other_state[at];
        ASSERT_EQ(iwram_bytes()[at], expected) << "iwram_data +" << at;
    }
}

TEST_F(slot_contents, every_writer_seals_and_any_changed_byte_breaks_the_seal) {
    const std::vector<std::pair<const char*, std::function<void()>>> writers = {
        {"pack_slot", pack_slot},
        {"refresh_slot_header", refresh_slot_header},
        {"refresh_slot_times", refresh_slot_times},
    };
    for (const auto& [name, write] : writers) {
        SCOPED_TRACE(name);
        scramble(save_image, save_memory_size, 31);
        scramble(iwram_bytes(), sizeof iwram_data, 32);
        iwram_data.current_slot = 0;
        refresh_slot_header();  // marks in place, whatever the writer under test writes
        iwram_data.result_bits ^= 0x3C;
        write();
        uint8_t* slot = primary(0);
        ASSERT_TRUE(slot_passes_check(slot));
        ASSERT_EQ(slot_check(0), 0);  // the boot check's own verdict: intact
        for (uint32_t at = 0; at < slot_area_size; ++at) {
            slot[at] ^= 0x01;
            ASSERT_FALSE(slot_passes_check(slot)) << "changed byte " << at;
            slot[at] ^= 0x01;
        }
    }
}

TEST_F(slot_contents, header_and_time_rewrites_touch_only_their_fields) {
    scramble(save_image, save_memory_size, 41);
    scramble(iwram_bytes(), sizeof iwram_data, 42);
    iwram_data.current_slot = 1;
    iwram_data.option_copy = 3;
    iwram_data.saved_option = 1;

    struct rewrite {
        const char* name;
        void (*run)();
        std::vector<field> fields;  // written from game variables
        bool marks;
    };
    const std::vector<rewrite> rewrites = {
        {"refresh_slot_header",
         refresh_slot_header,
         {{24, 27144, 1}, {25, 27145, 1}, {26, 27147, 1}, {58, 27139, 1}, {60, 27137, 1}, {512, 26688, 48}},
         true},
        {"refresh_slot_times", refresh_slot_times, {{24, 27144, 1}, {512, 26688, 48}}, false},
    };
    for (const rewrite& r : rewrites) {
        SCOPED_TRACE(r.name);
        const auto before = copy_of(primary(1), slot_area_size);
        r.run();
        const uint8_t* slot = primary(1);
        std::set<uint32_t> written = {16, 17, 18, 19, 20, 21, 22, 23};
        for (const field& f : r.fields) {
            EXPECT_EQ(0, std::memcmp(slot + f.slot_at, iwram_bytes() + f.iwram_at, f.length)) << f.slot_at;
            for (uint32_t i = 0; i < f.length; ++i) written.insert(f.slot_at + i);
        }
        if (r.marks) {
            for (uint32_t base : {0u, 77u, 592u})
                for (uint32_t i = 0; i < 16; ++i) written.insert(base + i);
        }
        for (uint32_t at = 0; at < slot_area_size; ++at)
            if (!written.count(at)) {
                ASSERT_EQ(slot[at], before[at]) << "slot offset " << at;
            }
    }
}

TEST_F(slot_contents, option_byte_differs_between_pack_and_header_refresh) {
    iwram_data.option_copy = 3;
    iwram_data.saved_option = 1;
    pack_slot();
    EXPECT_EQ(primary(0)[26], 3);
    refresh_slot_header();
    EXPECT_EQ(primary(0)[26], 1);
}

TEST_F(slot_contents, routines_ignore_a_slot_number_above_two) {
    scramble(save_image, save_memory_size, 51);
    const auto image = copy_of(save_image, save_memory_size);
    iwram_data.current_slot = 3;
    pack_slot();
    refresh_slot_header();
    refresh_slot_times();
    seal_slot();
    EXPECT_EQ(image, copy_of(save_image, save_memory_size));
    const auto state = copy_of(iwram_bytes(), sizeof iwram_data);
    unpack_slot();
    EXPECT_EQ(state, copy_of(iwram_bytes(), sizeof iwram_data));
}

struct best_time_case {
    const char* name;
    uint8_t category;
    uint8_t saved_option;
    uint16_t counter0;
    int changed_index;  // -1: no entry changes
    uint8_t best[4];    // held by every entry before
    uint8_t divisor0;   // first divisor of every row
};

class best_time : public cartridge_fixture, public ::testing::WithParamInterface<best_time_case> {};

TEST_P(best_time, folds_the_clock_into_the_selected_entry) {
    const best_time_case& c = GetParam();
    // Completion needs counter0 / D0 = 3 and the other counters / 1 = 2, 4, 5.
    for (int row = 0; row < 3; ++row) {
        completion_divisors[row * 4 + 0] = c.divisor0;
        completion_divisors[row * 4 + 1] = 1;
        completion_divisors[row * 4 + 2] = 1;
        completion_divisors[row * 4 + 3] = 1;
    }
    completion_block[28] = 3;
    completion_block[29] = 2;
    completion_block[30] = 4;
    completion_block[31] = 5;
    iwram_data.counter_block[0] = uint8_t(c.counter0);
    iwram_data.counter_block[1] = uint8_t(c.counter0 >> 8);
    iwram_data.counter_block[2] = 2;
    iwram_data.counter_block[4] = 4;
    iwram_data.counter_block[5] = 5;
    iwram_data.run_category = c.category;
    iwram_data.saved_option = c.saved_option;
    const uint8_t clock[4] = {1, 2, 3, 0x44};  // 3723 s
    std::memcpy(iwram_data.play_clock, clock, 4);
    for (auto& entry : iwram_data.best_times) std::memcpy(entry, c.best, 4);

    update_best_time();
    for (int i = 0; i < 12; ++i) {
        const uint8_t* expected = i == c.changed_index ? clock : c.best;
        EXPECT_EQ(0, std::memcmp(iwram_data.best_times[i], expected, 4)) << "entry " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    cases, best_time,
    ::testing::Values(best_time_case{"slower_entry_replaced", 0, 0, 0, 0, {2, 0, 0, 9}, 1},
                      best_time_case{"equal_total_kept_despite_fourth_byte", 0, 0, 0, -1, {1, 1, 63, 0}, 1},
                      best_time_case{"faster_entry_kept", 1, 0, 0, -1, {1, 2, 2, 0}, 1},
                      best_time_case{"option_adds_three", 2, 2, 0, 5, {9, 0, 0, 0}, 1},
                      best_time_case{"completion_adds_six", 1, 0, 3, 7, {9, 0, 0, 0}, 1},
                      best_time_case{"completion_with_truncating_division", 2, 1, 7, 11, {9, 0, 0, 0}, 2},
                      best_time_case{"just_below_target_is_not_complete", 0, 0, 5, 0, {9, 0, 0, 0}, 2},
                      best_time_case{"category_above_two_counts_as_one", 7, 0, 3, 7, {9, 0, 0, 0}, 1},
                      best_time_case{"zero_divisor_fails_the_test", 0, 1, 0, 3, {9, 0, 0, 0}, 0}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
