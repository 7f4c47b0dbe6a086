// The save header: its test mask, writer, unpacking and the boot-time choice
// among its three copies.
#include <gtest/gtest.h>

#include "save/records.h"
#include "tests/save/memory_fixture.h"

namespace {

using records_header = save_fixture;

constexpr uint32_t copy_offsets[3] = {0x0000, 0x0040, 0x6D40};

// Writes a valid header into copy 0 with the given values and counter, and
// returns its 64 bytes.
std::vector<uint8_t> valid_header(uint8_t value_base, uint16_t count) {
    fill_pattern(iwram_data.header_values, 12, value_base, 1);
    save_image[0x0A] = static_cast<uint8_t>(count - 1);
    save_image[0x0B] = static_cast<uint8_t>((count - 1) >> 8);
    header_write();
    return std::vector<uint8_t>(save_image, save_image + 64);
}

void put_copy(int copy, const std::vector<uint8_t>& bytes) {
    std::memcpy(save_image + copy_offsets[copy], bytes.data(), 64);
}
std::vector<uint8_t> image_copy(int copy) {
    return std::vector<uint8_t>(save_image + copy_offsets[copy], save_image + copy_offsets[copy] + 64);
}
std::vector<uint8_t> chip_copy(int copy) {
    return std::vector<uint8_t>(sram + copy_offsets[copy], sram + copy_offsets[copy] + 64);
}

TEST_F(records_header, test_mask_of_typical_copies) {
    EXPECT_EQ(header_test(0), 6) << "all zero: the sum matches, signature and complement do not";
    std::memset(save_image + 0x40, 0xFF, 64);
    EXPECT_EQ(header_test(1), 7);

    const auto good = valid_header(0x10, 1);
    EXPECT_EQ(header_test(0), 0);
    put_copy(2, good);
    EXPECT_EQ(header_test(2), 0);
    EXPECT_EQ(header_test(7), 0) << "other arguments test copy 0";

    auto bad = good;
    bad[0x1C + 19] ^= 0x01;  // signature byte: also breaks the sum
    put_copy(2, bad);
    EXPECT_EQ(header_test(2), 3);

    bad = good;
    store_u32(&bad[0x1C], load_u32(&bad[0x1C]) + 1);  // signature word up, a free word down:
    store_u32(&bad[0x30], load_u32(&bad[0x30]) - 1);  // the sum still holds
    put_copy(2, bad);
    EXPECT_EQ(header_test(2), 2);

    bad = good;
    bad[4] ^= 0x01;  // complement only: sum and complement
    put_copy(2, bad);
    EXPECT_EQ(header_test(2), 5);
}

TEST_F(records_header, write_lays_out_fields_and_keeps_free_bytes) {
    save_image[0x16] = 0xAB;
    save_image[0x17] = 0xCD;
    std::memset(save_image + 0x30, 0x5C, 16);
    save_image[0x6D40] = 0x99;
    const uint8_t values[12] = {0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7, 0xA8, 0xA9, 0xAA, 0xAB};
    std::memcpy(iwram_data.header_values, values, 12);
    EXPECT_EQ(header_write(), nullptr);

    const uint8_t* h = save_image;
    EXPECT_EQ(h[0x08], 0x30);
    EXPECT_EQ(h[0x09], 0x31);
    EXPECT_EQ(h[0x0A], 1);
    EXPECT_EQ(h[0x0B], 0);
    const struct {
        uint32_t at;
        uint8_t expected;
    } fields[] = {{0x0C, 0xA0}, {0x0D, 0xA1}, {0x0E, 0xA4}, {0x0F, 0x02}, {0x10, 0x34}, {0x11, 0xA5},
                  {0x12, 0xA6}, {0x13, 0xA7}, {0x14, 0xA2}, {0x15, 0xA3}, {0x16, 0xAB}, {0x17, 0xCD},
                  {0x18, 0xA8}, {0x19, 0xA9}, {0x1A, 0xAA}, {0x1B, 0xAB}, {0x30, 0x5C}, {0x3F, 0x5C}};
    for (const auto& f : fields) EXPECT_EQ(h[f.at], f.expected) << std::hex << f.at;
    EXPECT_EQ(std::memcmp(h + 0x1C, header_signature, 20), 0);
    uint32_t sum = 0;
    for (int i = 0; i < 16; ++i) sum += load_u32(h + std::ptrdiff_t{4} * i);
    EXPECT_EQ(load_u32(h), sum);
    EXPECT_EQ(load_u32(h + 4), ~sum);

    EXPECT_EQ(image_copy(2), image_copy(0));
    EXPECT_EQ(chip_copy(0), image_copy(0));
    EXPECT_EQ(chip_copy(2), image_copy(0));
    EXPECT_EQ(sram[0x40], 0) << "copy 1 is not written";

    // Unpacking gives the same values back.
    std::memset(iwram_data.header_values, 0, 12);
    header_unpack();
    EXPECT_EQ(std::memcmp(iwram_data.header_values, values, 12), 0);
}

TEST_F(records_header, write_count_wraps) {
    save_image[0x0A] = 0xFF;
    save_image[0x0B] = 0xFF;
    header_write();
    EXPECT_EQ(save_image[0x0A], 0);
    EXPECT_EQ(save_image[0x0B], 0);
    header_write();
    EXPECT_EQ(save_image[0x0A], 1);
}

// The rows of the choice: which copy wins, which copies are rewritten and
// what the chip ends up with.
TEST_F(records_header, load_picks_the_first_valid_copy_and_repairs) {
    const auto newer = valid_header(0x10, 7);
    const auto older = valid_header(0x50, 3);
    std::vector<uint8_t> damaged = newer;
    damaged[0x20] ^= 0xFF;
    const std::vector<uint8_t> untouched_chip(64, 0xEE);

    const struct {
        const char* name;
        const std::vector<uint8_t>* copy[3];
        // expected image copies after load; the chip copies that were written
        // equal them, the others keep 0xEE.
        const std::vector<uint8_t>* after[3];
        bool written[3];
        uint8_t values_from;  // header_values base
    } rows[] = {
        {"0 valid, 1 and 2 damaged",
         {&newer, &damaged, &damaged},
         {&newer, &newer, &newer},
         {false, true, true},
         0x10},
        {"0 valid, 1 and 2 valid and older",
         {&newer, &older, &older},
         {&newer, &newer, &older},
         {false, true, false},
         0x10},
        {"0 damaged, 2 valid, 1 valid and different",
         {&damaged, &newer, &older},
         {&older, &newer, &older},
         {true, false, true},
         0x50},
        {"0 damaged, 2 valid, 1 damaged",
         {&damaged, &damaged, &older},
         {&older, &older, &older},
         {true, true, true},
         0x50},
        {"0 and 2 damaged, 1 valid",
         {&damaged, &older, &damaged},
         {&older, &older, &older},
         {true, false, true},
         0x50},
    };
    for (const auto& row : rows) {
        reset_all_globals();
        SetUp();
        std::memset(sram, 0xEE, save_memory_size);
        for (int k = 0; k < 3; ++k) put_copy(k, *row.copy[k]);
        header_load();
        for (int k = 0; k < 3; ++k) {
            EXPECT_EQ(image_copy(k), *row.after[k]) << row.name << ", image copy " << k;
            EXPECT_EQ(chip_copy(k), row.written[k] ? *row.after[k] : untouched_chip)
                << row.name << ", chip copy " << k;
        }
        uint8_t expected_values[12];
        fill_pattern(expected_values, 12, row.values_from, 1);
        EXPECT_EQ(std::memcmp(iwram_data.header_values, expected_values, 12), 0) << row.name;
        EXPECT_EQ(sram[0x80], 0xEE) << row.name << ": nothing else is written";
    }
}

TEST_F(records_header, load_with_no_valid_copy_erases_and_writes_defaults) {
    std::memset(save_image, 0x12, save_memory_size);
    std::memset(sram, 0x34, save_memory_size);
    header_load();
    EXPECT_EQ(header_test(0), 0);
    EXPECT_EQ(header_test(2), 0);
    EXPECT_EQ(image_copy(2), image_copy(0));
    EXPECT_EQ(save_image[0x0A], 0) << "erased counter 0xFFFF wraps to 0";
    EXPECT_EQ(save_image[0x0B], 0);
    EXPECT_EQ(std::memcmp(iwram_data.header_values, header_defaults, 12), 0);
    EXPECT_EQ(save_image[0x0C], header_defaults[0]);
    EXPECT_EQ(save_image[0x14], header_defaults[2]);
    for (uint32_t i = 0; i < save_memory_size; ++i) {
        const bool header = i < 0x40 || (i >= 0x6D40 && i < 0x6D80);
        if (!header) {
            ASSERT_EQ(save_image[i], 0xFF) << std::hex << i;
        }
        ASSERT_EQ(sram[i], save_image[i]) << std::hex << i;
    }
}

}  // namespace
