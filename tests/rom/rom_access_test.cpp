// rom_ptr bounds and the five boot-time imports.
#include <cstdlib>
#include <cstring>

#include "rom/rom.h"
#include "tests/rom/image_fixture.h"
#include "tests/support/reset.h"
#include "tools/cartridge/layout.h"

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

// Each imported variable beside the area the demo cartridge puts it in.
struct constant {
    demo::area area;
    const uint8_t* variable;
};

const constant constants[] = {
    {demo::obj_half_width, obj_half_width},
    {demo::obj_half_height, obj_half_height},
    {demo::completion_block, completion_block},
    {demo::completion_divisors, completion_divisors},
    {demo::test_pattern, test_pattern},
    {demo::slot_mark_a, slot_mark_a},
    {demo::slot_mark_b, slot_mark_b},
    {demo::slot_mark_c, slot_mark_c},
    {demo::header_signature, header_signature},
    {demo::header_defaults, header_defaults},
    {demo::last_slot_signature, last_slot_signature},
    {demo::flag_signature, flag_signature},
    {demo::option_signature, option_signature},
    {demo::shared_signature, shared_signature},
    {demo::start_defaults, start_defaults},
    {demo::clock_default, clock_default},
    {demo::best_time_default, best_time_default},
    {demo::start_position_default, start_position_default},
    {demo::sine_table, reinterpret_cast<const uint8_t*>(sine_table)},
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
        SCOPED_TRACE(c.area.name);
        EXPECT_EQ(std::memcmp(c.variable, rom_image + c.area.offset, c.area.length), 0);
    }
    for (int i = 0; i < demo::run_record_count; ++i)
        EXPECT_EQ(run_record_pointers[i], rom_image + demo::run_record_at(i)) << i;
    // sine_table entries are little-endian pairs of the image.
    for (int i : {0, 1, 255, 319}) {
        const uint32_t at = demo::sine_table.offset + 2 * uint32_t(i);
        const auto expected = static_cast<int16_t>(rom_image[at] | (rom_image[at + 1] << 8));
        EXPECT_EQ(sine_table[i], expected) << i;
    }
    EXPECT_EQ(completion_targets(), completion_block + 28);
}

TEST_F(fresh_globals, imports_without_image_leave_everything_zero) {
    run_all_imports();
    for (const constant& c : constants) EXPECT_TRUE(all_zero(c.variable, c.area.length)) << c.area.name;
    for (const uint8_t* pointer : run_record_pointers) EXPECT_EQ(pointer, nullptr);
}

TEST_F(with_image, a_refused_constant_is_skipped_and_the_others_still_import) {
    // An image cut short inside the save constants: the ones past its end
    // keep their old values, every other constant still arrives.
    rom_size = demo::slot_mark_b.offset;
    std::memset(slot_mark_b, 0xEE, sizeof slot_mark_b);
    std::memset(obj_half_width, 0xEE, sizeof obj_half_width);
    run_all_imports();

    for (const constant& c : constants) {
        SCOPED_TRACE(c.area.name);
        if (c.area.offset + c.area.length <= rom_size) {
            EXPECT_EQ(std::memcmp(c.variable, rom_image + c.area.offset, c.area.length), 0);
        } else if (c.variable == slot_mark_b || c.variable == obj_half_width) {
            for (size_t i = 0; i < c.area.length; ++i) EXPECT_EQ(c.variable[i], 0xEE);
        } else {
            EXPECT_TRUE(all_zero(c.variable, c.area.length));
        }
    }
    for (int i = 0; i < demo::run_record_count; ++i)
        EXPECT_EQ(run_record_pointers[i], rom_image + demo::run_record_at(i));
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
    for (const constant& c : constants) EXPECT_TRUE(all_zero(c.variable, c.area.length)) << c.area.name;
    for (const uint8_t* pointer : run_record_pointers) EXPECT_EQ(pointer, nullptr);
}

}  // namespace
