// The boot-time save check: the chip self-test, the slot classes and their
// repairs, and whole boots on an empty, a used and a broken chip.
#include "save/boot_check.h"

#include <gtest/gtest.h>

#include "save/records.h"
#include "tests/save/memory_fixture.h"

namespace {

using boot_check = save_fixture;

constexpr uint32_t test_area_at = 0x7F80;

// The save memory a boot leaves on an empty chip, built by hand: 0xFF
// everywhere but header copies 0 and 2 (write_count 0, the defaults) and the
// two option records.
std::vector<uint8_t> first_boot_image() {
    std::vector<uint8_t> m(save_memory_size, 0xFF);
    uint8_t h[64];
    std::memset(h, 0xFF, 64);
    h[0x08] = 0x30;
    h[0x09] = 0x31;
    h[0x0A] = 0;
    h[0x0B] = 0;
    const uint8_t* d = header_defaults;
    const uint8_t fields[][2] = {{0x0C, d[0]},  {0x0D, d[1]},  {0x14, d[2]}, {0x15, d[3]}, {0x0E, d[4]},
                                 {0x11, d[5]},  {0x12, d[6]},  {0x13, d[7]}, {0x18, d[8]}, {0x19, d[9]},
                                 {0x1A, d[10]}, {0x1B, d[11]}, {0x0F, 0x02}, {0x10, 0x34}};
    for (const auto& f : fields) h[f[0]] = f[1];
    std::memcpy(h + 0x1C, header_signature, 20);
    store_u32(h, 0);
    store_u32(h + 4, 0xFFFFFFFFu);
    uint32_t sum = 0;
    for (int i = 0; i < 16; ++i) sum += load_u32(h + std::ptrdiff_t{4} * i);
    store_u32(h, sum);
    store_u32(h + 4, ~sum);
    std::memcpy(&m[0x0000], h, 64);
    std::memcpy(&m[0x6D40], h, 64);

    uint8_t* option = &m[0x6DC0];
    std::memset(option, 0, 128);  // option record and its backup
    option[0] = 31;
    option[1] = 1;
    std::memcpy(option + 0x06, option_signature, 16);
    option[0x16] = 2;
    std::memcpy(option + 0x17, option_signature + 16, 16);
    option[5] = 0xFF;  // sum 0x0000, complement 0xFFFF while summing
    option[4] = 0xFF;
    uint32_t s = 0;
    for (int i = 0; i < 64; i += 2) s += option[i] | (option[i + 1] << 8);
    option[2] = static_cast<uint8_t>(s);
    option[3] = static_cast<uint8_t>(s >> 8);
    option[4] = static_cast<uint8_t>(~s);
    option[5] = static_cast<uint8_t>(~s >> 8);
    return m;
}

void expect_bytes(const uint8_t* actual, const std::vector<uint8_t>& expected, const char* what) {
    for (uint32_t i = 0; i < expected.size(); ++i) {
        if (actual[i] != expected[i]) {
            ADD_FAILURE() << what << " differs first at 0x" << std::hex << i << ": 0x" << int(actual[i])
                          << " instead of 0x" << int(expected[i]);
            return;
        }
    }
}

void expect_first_boot_variables() {
    EXPECT_EQ(iwram_data.current_slot, 0);
    EXPECT_EQ(iwram_data.saved_option, 2);
    EXPECT_EQ(iwram_data.start_slot_state, 0);
    EXPECT_EQ(iwram_data.chunk_index, 0);
    EXPECT_EQ(std::memcmp(iwram_data.header_values, header_defaults, 12), 0);
    EXPECT_EQ(std::vector<uint8_t>(iwram_data.shared_block, iwram_data.shared_block + 48),
              std::vector<uint8_t>(48, 0xFF));
    for (const auto& info : iwram_data.slot_info) {
        uint8_t expected[22] = {};
        expected[20] = 1;
        EXPECT_EQ(std::memcmp(&info, expected, 22), 0);
    }
}

TEST_F(boot_check, first_boot_on_an_empty_chip) {
    save_boot_check();
    EXPECT_EQ(iwram_data.sram_test_result, 0);
    const auto expected = first_boot_image();
    expect_bytes(save_image, expected, "save_image");
    expect_bytes(sram, expected, "sram");
    expect_first_boot_variables();
    EXPECT_EQ(header_test(0), 0);
    EXPECT_EQ(record_valid(record_option), 1);
}

// A second boot over what the first left: everything is found valid; the
// only chip changes are header copy 1 and the option backup, both repaired
// from their primaries.
TEST_F(boot_check, second_boot_keeps_what_the_first_left) {
    save_boot_check();
    const auto chip = snapshot(sram);
    const auto constants_header = snapshot(header_defaults, 12);
    std::vector<uint8_t> kept(sram, sram + save_memory_size);
    reset_all_globals();
    SetUp();
    std::memcpy(sram, kept.data(), save_memory_size);

    save_boot_check();
    auto expected = chip;
    std::memcpy(&expected[0x40], &chip[0x0000], 64);
    std::memcpy(&expected[0x6E00], &chip[0x6DC0], 64);
    fill_pattern(&expected[test_area_at], 16, static_cast<uint8_t>(test_pattern[0] + 1), 3);
    expect_bytes(sram, expected, "sram");
    expect_bytes(save_image, expected, "save_image");
    EXPECT_EQ(iwram_data.saved_option, 2);
    EXPECT_EQ(snapshot(iwram_data.header_values, 12), constants_header);
}

TEST_F(boot_check, self_test_leaves_the_incremented_pattern) {
    test_pattern[3] = 0xFF;  // wraps to 0x00 and still passes
    sram_self_test();
    EXPECT_EQ(iwram_data.sram_test_result, 0);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(sram[test_area_at + i], static_cast<uint8_t>(test_pattern[i] + 1)) << i;
    EXPECT_EQ(sram[test_area_at + 3], 0);
}

// A chip whose test area keeps its bytes whatever is written.
uint8_t stuck_bytes[16];
int test_area_writes = 0;
int other_writes = 0;
void stuck_test_area(uint8_t* destination, uint32_t length, int) {
    if (destination == sram + test_area_at && length == 16) {
        std::memcpy(destination, stuck_bytes, 16);
        ++test_area_writes;
    } else {
        ++other_writes;
    }
}

TEST_F(boot_check, stuck_test_area_breaks_the_chip_and_the_image_is_repaired_alone) {
    fill_pattern(sram, save_memory_size, 0x3D, 11);
    std::memcpy(stuck_bytes, sram + test_area_at, 16);
    const auto chip = snapshot(sram);
    test_area_writes = other_writes = 0;
    sram_write_fault = stuck_test_area;

    sram_self_test();
    EXPECT_EQ(iwram_data.sram_test_result, 7);
    EXPECT_EQ(test_area_writes, 6) << "two writes of three attempts each";

    test_area_writes = 0;
    save_boot_check();
    EXPECT_EQ(iwram_data.sram_test_result, 7);
    EXPECT_EQ(test_area_writes, 18) << "three test runs";
    EXPECT_EQ(other_writes, 0) << "nothing else writes the chip";
    EXPECT_EQ(snapshot(sram), chip);
    // The working copy is the repaired image of an all-0xFF chip.
    expect_bytes(save_image, first_boot_image(), "save_image");
    expect_first_boot_variables();
}

TEST_F(boot_check, self_test_that_recovers_on_a_later_run) {
    // Stuck only during the first run: the second run passes, the chip works.
    std::memset(stuck_bytes, 0, 16);
    test_area_writes = other_writes = 0;
    sram_write_fault = [](uint8_t* destination, uint32_t length, int) {
        if (destination == sram + test_area_at && length == 16 && ++test_area_writes <= 6)
            std::memcpy(destination, stuck_bytes, 16);
    };
    save_boot_check();
    EXPECT_EQ(iwram_data.sram_test_result, 0);
    expect_bytes(sram, first_boot_image(), "sram");
}

// Slot area contents for the class cases: marks present bit by bit, and
// whether the checksum pair is right.
void make_slot_area(uint8_t* area, uint8_t filler, int marks, bool pair_right) {
    make_intact_slot(area, filler);
    if (!(marks & 1)) area[3] ^= 0x40;
    if (!(marks & 2)) area[80] ^= 0x40;
    if (!(marks & 4)) area[600] ^= 0x40;
    // Reseal over the changed bytes, then break the pair if asked.
    store_u32(area + 0x10, 0);
    store_u32(area + 0x14, 0xFFFFFFFFu);
    uint32_t sum = 0;
    for (uint32_t i = 0; i < slot_area_size; i += 4) sum += load_u32(area + i);
    store_u32(area + 0x10, sum);
    store_u32(area + 0x14, pair_right ? ~sum : ~sum ^ 1);
}

TEST_F(boot_check, slot_check_results) {
    const struct {
        int marks;
        bool pair_right;
        int result;
    } cases[] = {{7, true, 0}, {7, false, 1}, {5, true, 1}, {1, false, 1}, {0, true, 2}, {0, false, 3}};
    for (const auto& c : cases) {
        reset_all_globals();
        SetUp();
        iwram_data.current_slot = 2;
        uint8_t* backup = slot_area(save_image, 2, true);
        make_slot_area(backup, 0x20, c.marks, c.pair_right);
        const auto before = snapshot(backup, slot_area_size);
        EXPECT_EQ(slot_check(1), c.result) << c.marks << " " << c.pair_right;
        const auto after = snapshot(backup, slot_area_size);
        EXPECT_EQ(after, c.result >= 2 ? std::vector<uint8_t>(slot_area_size, 0xFF) : before);
        EXPECT_EQ(save_image[slot_backup_base + 2 * slot_area_size - 1], 0)
            << "the primary of slot 2 is apart";
    }
}

// The classes and their repairs, on slot 1 (slots 0 and 2 are empty, class 3).
TEST_F(boot_check, slot_classes_and_their_repairs) {
    enum expect { primary_data, backup_data, ff, chip_before };
    const struct {
        const char* name;
        int p_marks;
        bool p_pair;
        int b_marks;
        bool b_pair;
        uint8_t integrity, in_use;
        expect image_primary, image_backup, chip_primary, chip_backup;
    } cases[] = {
        {"primary intact, backup differs", 7, true, 7, false, 0, 1, primary_data, primary_data, chip_before,
         primary_data},
        {"primary lacks mark b, backup intact", 5, true, 7, true, 1, 1, backup_data, backup_data, chip_before,
         chip_before},
        {"primary blank, backup intact", 0, false, 7, true, 1, 1, backup_data, backup_data, chip_before,
         chip_before},
        {"primary damaged, backup blank", 7, false, 0, true, 2, 0, ff, ff, chip_before, chip_before},
        {"primary blank, backup damaged", 0, true, 7, false, 2, 0, ff, ff, chip_before, chip_before},
        {"both blank", 0, true, 0, false, 0, 0, ff, ff, ff, ff},
        {"both blank, pairs right", 0, true, 0, true, 0, 0, ff, ff, ff, ff},
        {"primary intact, backup blank", 7, true, 0, false, 0, 1, primary_data, primary_data, chip_before,
         primary_data},
    };
    for (const auto& c : cases) {
        reset_all_globals();
        SetUp();
        uint8_t* p = slot_area(save_image, 1, false);
        uint8_t* b = slot_area(save_image, 1, true);
        make_slot_area(p, 0x10, c.p_marks, c.p_pair);
        make_slot_area(b, 0x90, c.b_marks, c.b_pair);
        auto p_data = snapshot(p, slot_area_size);
        auto b_data = snapshot(b, slot_area_size);
        std::memcpy(sram, save_image, save_memory_size);
        iwram_data.start_slot_state = 5;
        iwram_data.slot_info[1].value_4[0] = 9;

        slots_check_all();

        const auto pick = [&](expect e) {
            switch (e) {
                case primary_data:
                    return p_data;
                case backup_data:
                    return b_data;
                case ff:
                    return std::vector<uint8_t>(slot_area_size, 0xFF);
                default:
                    return std::vector<uint8_t>();
            }
        };
        const auto chip_or = [&](expect e, const std::vector<uint8_t>& before) {
            return e == chip_before ? before : pick(e);
        };
        EXPECT_EQ(snapshot(p, slot_area_size), pick(c.image_primary)) << c.name;
        EXPECT_EQ(snapshot(b, slot_area_size), pick(c.image_backup)) << c.name;
        EXPECT_EQ(snapshot(slot_area(sram, 1, false), slot_area_size), chip_or(c.chip_primary, p_data))
            << c.name;
        EXPECT_EQ(snapshot(slot_area(sram, 1, true), slot_area_size), chip_or(c.chip_backup, b_data))
            << c.name;
        EXPECT_EQ(iwram_data.slot_info[1].integrity, c.integrity) << c.name;
        EXPECT_EQ(iwram_data.slot_info[1].in_use, c.in_use) << c.name;
        EXPECT_EQ(iwram_data.slot_info[1].value_4[0], 0) << c.name << ": record reset";
        EXPECT_EQ(iwram_data.slot_info[1].run_category, 1) << c.name;
        // The empty neighbours are class 3: blank in image and chip.
        for (uint32_t slot : {0u, 2u}) {
            EXPECT_EQ(iwram_data.slot_info[slot].integrity, 0);
            EXPECT_EQ(iwram_data.slot_info[slot].in_use, 0);
            EXPECT_EQ(snapshot(slot_area(sram, slot, true), slot_area_size),
                      std::vector<uint8_t>(slot_area_size, 0xFF));
        }
        EXPECT_EQ(iwram_data.current_slot, 0);
        EXPECT_EQ(iwram_data.start_slot_state, 0);
        EXPECT_EQ(sram[0], 0) << "nothing outside the slots is written";
    }
}

}  // namespace
