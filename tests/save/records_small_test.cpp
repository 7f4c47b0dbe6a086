// The four small records: format, validity, writers and loaders.
#include <gtest/gtest.h>

#include "save/records.h"
#include "tests/save/memory_fixture.h"

namespace {

using records_small = save_fixture;

constexpr uint32_t last_slot_at = 0x6D80, option_at = 0x6DC0, option_backup_at = 0x6E00, flag_at = 0x6E40;
constexpr uint32_t shared_at = 0x6E80, shared_backup_at = 0x6F80;

uint16_t halfword_sum(const uint8_t* p, uint32_t size) {
    uint32_t sum = 0;
    for (uint32_t i = 0; i < size; i += 2) sum += p[i] | (p[i + 1] << 8);
    return static_cast<uint16_t>(sum);
}
uint16_t load_u16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
void add_u16(uint8_t* p, int delta) {
    const uint16_t v = static_cast<uint16_t>(load_u16(p) + delta);
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

TEST_F(records_small, small_record_format) {
    std::memset(save_image + option_at, 0x3C, 64);  // the tail is kept
    iwram_data.saved_option = 5;
    EXPECT_EQ(option_write(), nullptr);
    const uint8_t* r = save_image + option_at;
    EXPECT_EQ(r[0], 31);
    EXPECT_EQ(r[1], 0x3D) << "write_count incremented";
    EXPECT_EQ(std::memcmp(r + 0x06, option_signature, 16), 0);
    EXPECT_EQ(r[0x16], 5);
    EXPECT_EQ(std::memcmp(r + 0x17, option_signature + 16, 16), 0);
    EXPECT_EQ(r[0x27], 0x3C);
    EXPECT_EQ(r[0x3F], 0x3C);
    EXPECT_EQ(load_u16(r + 2), halfword_sum(r, 64));
    EXPECT_EQ(load_u16(r + 4), static_cast<uint16_t>(~load_u16(r + 2)));
    EXPECT_EQ(std::memcmp(sram + option_at, r, 64), 0) << "section 6 written";
    EXPECT_EQ(sram[option_backup_at], 0);

    iwram_data.current_slot = 2;
    last_slot_write();
    EXPECT_EQ(save_image[last_slot_at], 30);
    EXPECT_EQ(save_image[last_slot_at + 0x16], 2);
    EXPECT_EQ(std::memcmp(sram + last_slot_at, save_image + last_slot_at, 64), 0);

    iwram_data.saved_flag = 0x9E;
    flag_write();
    EXPECT_EQ(save_image[flag_at], 31);
    EXPECT_EQ(save_image[flag_at + 0x16], 0x9E);
    EXPECT_EQ(std::memcmp(save_image + flag_at + 6, flag_signature, 16), 0);
    EXPECT_EQ(std::memcmp(sram + flag_at, save_image + flag_at, 64), 0);

    save_image[option_at + 1] = 0xFF;
    option_write();
    EXPECT_EQ(save_image[option_at + 1], 0) << "write_count wraps";
}

TEST_F(records_small, option_write_limits_the_value) {
    const struct { uint8_t option, stored; } cases[] = {{0, 0}, {6, 6}, {7, 2}, {9, 2}, {255, 2}};
    for (const auto& c : cases) {
        iwram_data.saved_option = c.option;
        option_write();
        EXPECT_EQ(save_image[option_at + 0x16], c.stored) << int(c.option);
        EXPECT_EQ(iwram_data.saved_option, c.option) << "the variable itself is kept";
    }
}

TEST_F(records_small, shared_record_format) {
    fill_pattern(iwram_data.shared_block, 48, 0xD0, 1);
    std::memset(save_image + shared_at, 0x4B, 256);
    EXPECT_EQ(shared_write(), nullptr);
    const uint8_t* r = save_image + shared_at;
    EXPECT_EQ(r[0], 0x40);
    EXPECT_EQ(r[1], 0x4B);
    EXPECT_EQ(r[0x11], 0x4B);
    EXPECT_EQ(r[0x16], 0x4C);
    EXPECT_EQ(std::memcmp(r + 0x17, shared_signature, 16), 0);
    EXPECT_EQ(std::memcmp(r + 0x27, iwram_data.shared_block, 48), 0);
    EXPECT_EQ(std::memcmp(r + 0x57, shared_signature + 16, 16), 0);
    EXPECT_EQ(r[0x67], 0x4B);
    EXPECT_EQ(load_u16(r + 0x12), halfword_sum(r, 256));
    EXPECT_EQ(load_u16(r + 0x14), static_cast<uint16_t>(~load_u16(r + 0x12)));
    EXPECT_TRUE(record_valid(record_shared));
    EXPECT_EQ(std::memcmp(sram + shared_at, r, 256), 0);
    EXPECT_EQ(sram[shared_backup_at], 0) << "only the primary is written";
}

// Each damage applied to a freshly written option record, and whether it
// still counts as valid.
TEST_F(records_small, validity_checks_tag_sum_and_both_signature_halves) {
    const struct {
        const char* name;
        void (*damage)(uint8_t* r);
        bool valid;
    } cases[] = {
        {"as written", [](uint8_t*) {}, true},
        {"tag", [](uint8_t* r) { r[0] = 30; }, false},
        {"value byte", [](uint8_t* r) { r[0x16] ^= 1; }, false},
        {"low signature half, sum kept",
         [](uint8_t* r) {
             r[0x06] += 1;
             add_u16(r + 0x28, -1);
         },
         false},
        {"high signature half, sum kept",
         [](uint8_t* r) {
             r[0x18] += 1;
             add_u16(r + 0x28, -1);
         },
         false},
        {"complement +1, tail halfword -1",
         [](uint8_t* r) {
             add_u16(r + 4, 1);
             add_u16(r + 0x28, -1);
         },
         true},
        {"complement alone", [](uint8_t* r) { add_u16(r + 4, 1); }, false},
        {"all 0xFF", [](uint8_t* r) { std::memset(r, 0xFF, 64); }, false},
    };
    for (const auto& c : cases) {
        reset_all_globals();
        SetUp();
        iwram_data.saved_option = 4;
        option_write();
        c.damage(save_image + option_at);
        EXPECT_EQ(record_valid(record_option), c.valid ? 1 : 0) << c.name;
        EXPECT_EQ(option_load(), c.valid ? 0 : 1) << c.name;
        EXPECT_EQ(iwram_data.saved_option, c.valid ? 4 : 0) << c.name;
    }
}

TEST_F(records_small, last_slot_and_flag_loads) {
    const struct {
        uint8_t slot;
        bool damage;
        uint8_t current_slot;  // expected
        bool kept;             // record kept, else 0xFF
    } cases[] = {{0, false, 0, true},
                 {2, false, 2, true},
                 {1, true, 0, false},
                 // a sealed record holding a slot above 2 is refused
                 {3, false, 0, false},
                 {255, false, 0, false}};
    for (const auto& c : cases) {
        reset_all_globals();
        SetUp();
        iwram_data.current_slot = c.slot;
        last_slot_write();
        if (c.damage) save_image[last_slot_at + 0x30] ^= 0x10;
        const auto chip = snapshot(sram);
        const auto record = snapshot(save_image + last_slot_at, 64);
        iwram_data.current_slot = 0x77;
        last_slot_load();
        EXPECT_EQ(iwram_data.current_slot, c.current_slot) << int(c.slot);
        EXPECT_EQ(snapshot(save_image + last_slot_at, 64), c.kept ? record : std::vector<uint8_t>(64, 0xFF))
            << int(c.slot);
        EXPECT_EQ(snapshot(sram), chip) << "the chip is not written";
    }

    iwram_data.saved_flag = 0xC3;
    flag_write();
    iwram_data.saved_flag = 0;
    flag_load();
    EXPECT_EQ(iwram_data.saved_flag, 0xC3);
    save_image[flag_at] = 0;
    const auto chip = snapshot(sram);
    flag_load();
    EXPECT_EQ(iwram_data.saved_flag, 0);
    EXPECT_EQ(snapshot(save_image + flag_at, 64), std::vector<uint8_t>(64, 0xFF));
    EXPECT_EQ(snapshot(sram), chip);
}

TEST_F(records_small, option_load_repairs_the_other_copy) {
    // Only the backup valid: copied over the primary, section 6 written.
    iwram_data.saved_option = 3;
    option_write();
    std::memcpy(save_image + option_backup_at, save_image + option_at, 64);
    std::memset(save_image + option_at, 0x55, 64);
    std::memset(sram, 0, save_memory_size);
    iwram_data.saved_option = 0;
    EXPECT_EQ(option_load(), 0);
    EXPECT_EQ(iwram_data.saved_option, 3);
    EXPECT_EQ(snapshot(save_image + option_at, 64), snapshot(save_image + option_backup_at, 64));
    EXPECT_EQ(snapshot(sram + option_at, 64), snapshot(save_image + option_at, 64));
    EXPECT_EQ(sram[option_backup_at], 0) << "the valid backup is not rewritten";

    // Primary valid: copied over the backup, section 7 written. The stored
    // value is taken unchanged, even above 6.
    reset_all_globals();
    SetUp();
    option_write();
    add_u16(save_image + option_at + 0x28, save_image[option_at + 0x16] - 9);  // keeps the sum
    save_image[option_at + 0x16] = 9;
    std::memset(sram, 0, save_memory_size);
    EXPECT_EQ(option_load(), 0);
    EXPECT_EQ(iwram_data.saved_option, 9);
    EXPECT_EQ(snapshot(sram + option_backup_at, 64), snapshot(save_image + option_at, 64));
    EXPECT_EQ(sram[option_at], 0);

    // Neither: both become zero in image and chip.
    reset_all_globals();
    SetUp();
    std::memset(save_image + option_at, 0xAA, 128);
    std::memset(sram, 0xEE, save_memory_size);
    EXPECT_EQ(option_load(), 1);
    EXPECT_EQ(iwram_data.saved_option, 0);
    EXPECT_EQ(snapshot(save_image + option_at, 128), std::vector<uint8_t>(128, 0));
    EXPECT_EQ(snapshot(sram + option_at, 128), std::vector<uint8_t>(128, 0));
}

TEST_F(records_small, shared_load_repairs_or_resets) {
    // Only the backup valid.
    fill_pattern(iwram_data.shared_block, 48, 0x31, 2);
    const auto block = snapshot(iwram_data.shared_block, 48);
    shared_write();
    std::memcpy(save_image + shared_backup_at, save_image + shared_at, 256);
    save_image[shared_at + 0x30] ^= 1;
    std::memset(sram, 0, save_memory_size);
    std::memset(iwram_data.shared_block, 0, 48);
    shared_load();
    EXPECT_EQ(snapshot(iwram_data.shared_block, 48), block);
    EXPECT_EQ(snapshot(save_image + shared_at, 256), snapshot(save_image + shared_backup_at, 256));
    EXPECT_EQ(snapshot(sram + shared_at, 256), snapshot(save_image + shared_at, 256));
    EXPECT_EQ(sram[shared_backup_at], 0);

    // Primary valid.
    std::memset(save_image + shared_backup_at, 0x66, 256);
    std::memset(sram, 0, save_memory_size);
    std::memset(iwram_data.shared_block, 0, 48);
    shared_load();
    EXPECT_EQ(snapshot(iwram_data.shared_block, 48), block);
    EXPECT_EQ(snapshot(sram + shared_backup_at, 256), snapshot(save_image + shared_at, 256));
    EXPECT_EQ(sram[shared_at], 0);

    // Neither.
    save_image[shared_at] = 0x41;
    save_image[shared_backup_at] = 0x41;
    shared_load();
    EXPECT_EQ(snapshot(iwram_data.shared_block, 48), std::vector<uint8_t>(48, 0xFF));
    EXPECT_EQ(snapshot(save_image + shared_at, 512), std::vector<uint8_t>(512, 0xFF));
    EXPECT_EQ(snapshot(sram + shared_at, 512), std::vector<uint8_t>(512, 0xFF));
}

}  // namespace
