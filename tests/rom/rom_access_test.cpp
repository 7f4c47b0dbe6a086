// rom_ptr bounds and the five boot-time imports.
#include <cstdlib>
#include <cstring>

#include "rom/rom.h"
#include "tests/rom/image_fixture.h"
#include "tests/support/reset.h"

namespace {

// Holds a synthetic image as rom_image without going through the loader.
class with_image : public fresh_globals {
protected:
    void SetUp() override {
        fresh_globals::SetUp();
        const std::vector<uint8_t> image = make_image();
        rom_image = static_cast<uint8_t*>(std::malloc(image.size()));
        ASSERT_NE(rom_image, nullptr);
        std::memcpy(rom_image, image.data(), image.size());
        rom_size = rom_expected_size;
    }
};

void run_all_imports() {
    import_sprite_half_sizes();
    import_run_record_pointers();
    import_completion_constants();
    import_save_constants();
    import_sine_table();
}

struct constant {
    const char* name;
    uint32_t offset;
    const uint8_t* variable;
    size_t size;
};

const constant constants[] = {
    {"obj_half_width", 0x45FD24, obj_half_width, 12},
    {"obj_half_height", 0x45FD30, obj_half_height, 12},
    {"completion_block", 0x3459A0, completion_block, 32},
    {"completion_divisors", 0x3459C4, completion_divisors, 12},
    {"test_pattern", 0x411400, test_pattern, 16},
    {"slot_mark_a", 0x411410, slot_mark_a, 16},
    {"slot_mark_b", 0x411420, slot_mark_b, 16},
    {"slot_mark_c", 0x411430, slot_mark_c, 16},
    {"header_signature", 0x411468, header_signature, 20},
    {"header_defaults", 0x41147C, header_defaults, 12},
    {"last_slot_signature", 0x411488, last_slot_signature, 32},
    {"flag_signature", 0x4114A8, flag_signature, 32},
    {"option_signature", 0x4114C8, option_signature, 32},
    {"shared_signature", 0x4114E8, shared_signature, 32},
    {"start_defaults", 0x411510, start_defaults, 8},
    {"clock_default", 0x411518, clock_default, 4},
    {"best_time_default", 0x41151C, best_time_default, 4},
    {"start_position_default", 0x411524, start_position_default, 4},
    {"sine_table", 0x8C71C, reinterpret_cast<const uint8_t*>(sine_table), 640},
};

bool all_zero(const uint8_t* bytes, size_t size) {
    for (size_t i = 0; i < size; ++i)
        if (bytes[i] != 0) return false;
    return true;
}

TEST_F(with_image, rom_ptr_bounds) {
    struct row {
        uint32_t offset;
        uint32_t length;
        bool valid;
    };
    const row rows[] = {
        {0, 0x800000, true},       {1, 0x800000, false},       {0x800000, 0, true},    {0x800001, 0, false},
        {0x7FFFFF, 1, true},       {0x7FFFFF, 2, false},       {0xFFFFFFFF, 2, false}, {0xFFFFFFFF, 0, false},
        {0x10, 0xFFFFFFFF, false}, {0x400000, 0x400000, true}, {0, 0, true},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(testing::Message() << std::hex << r.offset << " " << r.length);
        const uint8_t* p = rom_ptr(r.offset, r.length);
        if (r.valid) {
            EXPECT_EQ(p, rom_image + r.offset);
        } else {
            EXPECT_EQ(p, nullptr);
        }
    }
}

TEST_F(fresh_globals, rom_ptr_without_image_is_always_null) {
    rom_size = rom_expected_size;  // even a stale size does not help
    EXPECT_EQ(rom_ptr(0, 0), nullptr);
    EXPECT_EQ(rom_ptr(0, 1), nullptr);
    EXPECT_EQ(rom_ptr(0x100, 4), nullptr);
}

TEST_F(with_image, imports_copy_every_constant) {
    run_all_imports();
    for (const constant& c : constants) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(std::memcmp(c.variable, rom_image + c.offset, c.size), 0);
    }
    for (uint32_t i = 0; i < 16; ++i)
        EXPECT_EQ(run_record_pointers[i], rom_image + 0x3613E8 + static_cast<size_t>(i) * 0x280) << i;
    // sine_table entries are little-endian pairs of the image.
    for (int i : {0, 1, 255, 319}) {
        const uint32_t at = 0x8C71C + 2 * i;
        const auto expected = static_cast<int16_t>(rom_image[at] | (rom_image[at + 1] << 8));
        EXPECT_EQ(sine_table[i], expected) << i;
    }
    EXPECT_EQ(completion_targets(), completion_block + 28);
}

TEST_F(fresh_globals, imports_without_image_leave_everything_zero) {
    run_all_imports();
    for (const constant& c : constants) EXPECT_TRUE(all_zero(c.variable, c.size)) << c.name;
    for (const uint8_t* pointer : run_record_pointers) EXPECT_EQ(pointer, nullptr);
}

TEST_F(with_image, a_refused_constant_is_skipped_and_the_others_still_import) {
    // An image cut short inside the save constants: the ones past its end
    // keep their old values, every other constant still arrives.
    rom_size = 0x411420;
    std::memset(slot_mark_b, 0xEE, sizeof slot_mark_b);
    std::memset(obj_half_width, 0xEE, sizeof obj_half_width);
    run_all_imports();

    for (const constant& c : constants) {
        SCOPED_TRACE(c.name);
        if (c.offset + c.size <= rom_size) {
            EXPECT_EQ(std::memcmp(c.variable, rom_image + c.offset, c.size), 0);
        } else if (c.variable == slot_mark_b || c.variable == obj_half_width) {
            for (size_t i = 0; i < c.size; ++i) EXPECT_EQ(c.variable[i], 0xEE);
        } else {
            EXPECT_TRUE(all_zero(c.variable, c.size));
        }
    }
    for (uint32_t i = 0; i < 16; ++i)
        EXPECT_EQ(run_record_pointers[i], rom_image + 0x3613E8 + static_cast<size_t>(i) * 0x280);
}

TEST_F(with_image, run_records_past_the_end_become_null) {
    // The last record ends at 0x363BE8; one byte less drops only that one.
    rom_size = 0x363BE7;
    import_run_record_pointers();
    for (uint32_t i = 0; i < 15; ++i) EXPECT_NE(run_record_pointers[i], nullptr) << i;
    EXPECT_EQ(run_record_pointers[15], nullptr);
}

TEST_F(with_image, reset_frees_the_image_and_clears_the_imports) {
    run_all_imports();
    rom_reset_globals();
    EXPECT_EQ(rom_image, nullptr);
    EXPECT_EQ(rom_size, 0u);
    for (const constant& c : constants) EXPECT_TRUE(all_zero(c.variable, c.size)) << c.name;
    for (const uint8_t* pointer : run_record_pointers) EXPECT_EQ(pointer, nullptr);
}

}  // namespace
