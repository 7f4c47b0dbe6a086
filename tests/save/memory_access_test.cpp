// Verified chip writes, the section table, the broken-chip behaviour and the
// ten-call slot transfer.
#include <gtest/gtest.h>

#include <vector>

#include "tests/save/memory_fixture.h"

namespace {

using memory_access = save_fixture;

// Chip fault for the tests: a byte of the chip that flips its low bit on
// chosen attempts; every call is recorded.
struct fault_state {
    uint8_t* stuck = nullptr;  // the faulty byte, or null for none
    int fail_until_attempt = 3;
    int calls = 0;
    std::vector<uint32_t> lengths;
    std::vector<uint32_t> offsets;  // destination offset in sram
};
fault_state fault;

void faulty_byte(uint8_t* destination, uint32_t length, int attempt) {
    ++fault.calls;
    fault.lengths.push_back(length);
    fault.offsets.push_back(static_cast<uint32_t>(destination - sram));
    if (fault.stuck != nullptr && fault.stuck >= destination && fault.stuck < destination + length &&
        attempt <= fault.fail_until_attempt)
        *fault.stuck ^= 1;
}

void install_fault(uint8_t* stuck, int fail_until_attempt) {
    fault = fault_state{};
    fault.stuck = stuck;
    fault.fail_until_attempt = fail_until_attempt;
    sram_write_fault = faulty_byte;
}

void fill_image_pattern() { fill_pattern(save_image, save_memory_size, 0x5A, 7); }

TEST_F(memory_access, slot_area_addresses_three_slots_and_refuses_others) {
    const struct {
        uint32_t slot;
        bool backup;
        int64_t offset;  // -1: refused
    } cases[] = {{0, false, 0x0080}, {1, false, 0x12A0}, {2, false, 0x24C0}, {0, true, 0x36E0},
                 {1, true, 0x4900},  {2, true, 0x5B20},  {3, false, -1},     {3, true, -1},
                 {128, false, -1},   {255, true, -1}};
    for (const auto& c : cases) {
        uint8_t* p = slot_area(sram, c.slot, c.backup);
        if (c.offset < 0)
            EXPECT_EQ(p, nullptr) << c.slot;
        else
            EXPECT_EQ(p, sram + c.offset) << c.slot << " " << c.backup;
    }
}

TEST_F(memory_access, write_verified_retries_the_whole_range) {
    uint8_t source[64];
    fill_pattern(source, 64, 3, 5);

    // Verifies on the second attempt.
    install_fault(sram + 100 + 10, 1);
    EXPECT_EQ(sram_write_verified(source, sram + 100, 64), nullptr);
    EXPECT_EQ(fault.calls, 2);
    EXPECT_EQ(fault.lengths, (std::vector<uint32_t>{64, 64}));
    EXPECT_EQ(std::memcmp(sram + 100, source, 64), 0);

    // Never verifies: the failure is the first differing byte after the
    // third attempt, and the last attempt's data stays in the chip.
    reset_all_globals();
    fill_pattern(source, 64, 3, 5);
    install_fault(sram + 200 + 37, 3);
    EXPECT_EQ(sram_write_verified(source, sram + 200, 64), sram + 200 + 37);
    EXPECT_EQ(fault.calls, 3);
    EXPECT_EQ(sram[200 + 37], source[37] ^ 1);
    EXPECT_EQ(std::memcmp(sram + 200, source, 37), 0);
    EXPECT_EQ(std::memcmp(sram + 200 + 38, source + 38, 64 - 38), 0);
}

TEST_F(memory_access, compare_reports_the_first_difference_in_the_second_buffer) {
    uint8_t a[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    uint8_t b[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(sram_compare(a, b, 8), nullptr);
    b[5] = 0;
    b[7] = 0;
    EXPECT_EQ(sram_compare(a, b, 8), b + 5);
    EXPECT_EQ(sram_compare(a, b, 5), nullptr);
}

// Every single-range write section writes exactly its area, and nothing else.
TEST_F(memory_access, write_sections_move_exactly_their_area) {
    const struct {
        uint8_t id;
        uint32_t offset;
        uint32_t length;
    } cases[] = {
        {section_header_1, 0x0040, 64},       {section_header_2, 0x6D40, 64},  {section_slot, 0x24C0, 4640},
        {section_slot_backup, 0x5B20, 4640},  {section_last_slot, 0x6D80, 64}, {section_option, 0x6DC0, 64},
        {section_option_backup, 0x6E00, 64},  {section_flag, 0x6E40, 64},      {section_shared, 0x6E80, 256},
        {section_shared_backup, 0x6F80, 256}, {section_tail, 0x7F70, 16},      {section_run_end, 0x7800, 640},
    };
    for (const auto& c : cases) {
        reset_all_globals();
        iwram_data.current_slot = 2;
        fill_image_pattern();
        const auto image_before = snapshot(save_image);
        EXPECT_EQ(transfer_section(c.id), nullptr) << int(c.id);
        EXPECT_EQ(snapshot(save_image), image_before) << int(c.id);
        for (uint32_t i = 0; i < save_memory_size; ++i) {
            const bool inside = i >= c.offset && i < c.offset + c.length;
            if (sram[i] != (inside ? save_image[i] : 0)) {
                ADD_FAILURE() << "section " << int(c.id) << " byte " << std::hex << i;
                break;
            }
        }
    }
}

TEST_F(memory_access, section_header_mirrors_copy_0_then_writes_both) {
    fill_image_pattern();
    std::memset(sram, 0x33, save_memory_size);
    EXPECT_EQ(transfer_section(section_header), nullptr);
    for (const uint8_t* buffer : {static_cast<const uint8_t*>(save_image), static_cast<const uint8_t*>(sram)})
        EXPECT_EQ(std::memcmp(buffer + 0x6D40, save_image, 64), 0);
    EXPECT_EQ(std::memcmp(sram, save_image, 64), 0);
    EXPECT_EQ(sram[0x40], 0x33);
    EXPECT_EQ(sram[0x6D3F], 0x33);
    EXPECT_EQ(sram[0x6D80], 0x33);

    // A failed first write skips the second.
    reset_all_globals();
    fill_image_pattern();
    install_fault(sram + 12, 3);
    EXPECT_EQ(transfer_section(section_header), sram + 12);
    EXPECT_EQ(fault.offsets, (std::vector<uint32_t>{0, 0, 0}));
    EXPECT_EQ(sram[0x6D40], 0);
    // ...but the mirror inside save_image was made.
    EXPECT_EQ(std::memcmp(save_image + 0x6D40, save_image, 64), 0);
}

TEST_F(memory_access, section_extra_writes_halves_and_stops_on_the_first_failure) {
    fill_image_pattern();
    EXPECT_EQ(transfer_section(section_extra), nullptr);
    EXPECT_EQ(std::memcmp(sram + 0x7080, save_image + 0x7080, 1024), 0);
    EXPECT_EQ(sram[0x707F], 0);
    EXPECT_EQ(sram[0x7480], 0);

    reset_all_globals();
    fill_image_pattern();
    install_fault(sram + 0x7080 + 5, 3);
    EXPECT_EQ(transfer_section(section_extra), sram + 0x7085);
    EXPECT_EQ(fault.offsets, (std::vector<uint32_t>{0x7080, 0x7080, 0x7080}));
    EXPECT_EQ(sram[0x7280], 0);

    reset_all_globals();
    fill_image_pattern();
    install_fault(sram + 0x7280 + 9, 3);
    EXPECT_EQ(transfer_section(section_extra), sram + 0x7289);
    EXPECT_EQ(std::memcmp(sram + 0x7080, save_image + 0x7080, 512), 0);
}

TEST_F(memory_access, read_and_verify_sections) {
    fill_pattern(sram, save_memory_size, 0x13, 3);
    iwram_data.current_slot = 1;
    EXPECT_EQ(transfer_section(section_read_slot), nullptr);
    for (uint32_t i = 0; i < save_memory_size; ++i) {
        const bool inside = i >= 0x12A0 && i < 0x12A0 + 4640;
        ASSERT_EQ(save_image[i], inside ? sram[i] : 0) << std::hex << i;
    }
    EXPECT_NE(transfer_section(section_verify_all), nullptr);

    EXPECT_EQ(transfer_section(section_read_all), nullptr);
    EXPECT_EQ(snapshot(save_image), snapshot(sram));
    EXPECT_EQ(transfer_section(section_verify_all), nullptr);
    save_image[0x7FFF] ^= 0x80;
    EXPECT_EQ(transfer_section(section_verify_all), save_image + 0x7FFF);
}

TEST_F(memory_access, ids_above_16_do_nothing) {
    fill_image_pattern();
    fill_pattern(sram, save_memory_size, 0x77, 1);
    const auto image = snapshot(save_image);
    const auto chip = snapshot(sram);
    for (int id = 17; id <= 255; ++id) EXPECT_EQ(transfer_section(static_cast<uint8_t>(id)), nullptr) << id;
    EXPECT_EQ(snapshot(save_image), image);
    EXPECT_EQ(snapshot(sram), chip);
}

TEST_F(memory_access, broken_chip_is_never_touched) {
    iwram_data.sram_test_result = 1;
    iwram_data.current_slot = 2;
    fill_image_pattern();
    fill_pattern(sram, save_memory_size, 0x77, 1);
    const auto chip = snapshot(sram);

    for (int id = 0; id <= 13; ++id) EXPECT_EQ(transfer_section(static_cast<uint8_t>(id)), nullptr) << id;
    EXPECT_EQ(transfer_section(section_verify_all), nullptr);
    EXPECT_EQ(std::memcmp(save_image + 0x6D40, save_image, 64), 0) << "section 0 still mirrors the header";

    // Slot read: only slot 2's primary area becomes 0xFF.
    const auto image = snapshot(save_image);
    EXPECT_EQ(transfer_section(section_read_slot), nullptr);
    for (uint32_t i = 0; i < save_memory_size; ++i) {
        const bool inside = i >= 0x24C0 && i < 0x24C0 + 4640;
        ASSERT_EQ(save_image[i], inside ? 0xFF : image[i]) << std::hex << i;
    }

    fill_image_pattern();
    EXPECT_EQ(transfer_section(section_read_all), nullptr);
    EXPECT_EQ(snapshot(save_image), std::vector<uint8_t>(save_memory_size, 0xFF));

    fill_image_pattern();
    EXPECT_NE(sram_erase_all(), nullptr);
    EXPECT_EQ(snapshot(save_image), std::vector<uint8_t>(save_memory_size, 0xFF));

    fill_image_pattern();
    for (uint8_t mode : {0, 1, 2}) {
        while (slot_transfer_step(mode) == 0) {
        }
    }
    EXPECT_EQ(save_image[0x24C0], image[0x24C0]);
    EXPECT_EQ(snapshot(sram), chip);
}

TEST_F(memory_access, erase_all_fills_image_and_chip) {
    fill_image_pattern();
    EXPECT_EQ(sram_erase_all(), nullptr);
    EXPECT_EQ(snapshot(save_image), std::vector<uint8_t>(save_memory_size, 0xFF));
    EXPECT_EQ(snapshot(sram), std::vector<uint8_t>(save_memory_size, 0xFF));
}

// One pass per mode on slot 1: ten calls, chunks of 512 and a last of 32,
// and only the slot's own area changes.
TEST_F(memory_access, slot_transfer_pass_takes_ten_calls_and_stays_in_its_area) {
    const struct {
        uint8_t mode;
        uint32_t area;       // offset of slot 1's area the mode moves, 0: none
        bool chip_to_image;  // read direction
    } cases[] = {{0, 0x12A0, false}, {1, 0x4900, false}, {2, 0x12A0, true},
                 {3, 0, false},      {4, 0, false},      {255, 0, false}};
    for (const auto& c : cases) {
        reset_all_globals();
        iwram_data.current_slot = 1;
        fill_image_pattern();
        fill_pattern(sram, save_memory_size, 0x77, 1);
        const auto image = snapshot(save_image);
        const auto chip = snapshot(sram);
        install_fault(nullptr, 0);

        for (int call = 1; call <= 10; ++call) {
            const int done = slot_transfer_step(c.mode);
            EXPECT_EQ(done, call == 10 ? 1 : 0) << int(c.mode) << " call " << call;
            EXPECT_EQ(iwram_data.chunk_index, call == 10 ? 0 : call);
        }

        const auto& changed = c.chip_to_image ? save_image : sram;
        const auto& from = c.chip_to_image ? chip : image;
        const auto& was = c.chip_to_image ? image : chip;
        for (uint32_t i = 0; i < save_memory_size; ++i) {
            const bool inside = c.area != 0 && i >= c.area && i < c.area + 4640;
            if (changed[i] != (inside ? from[i] : was[i])) {
                ADD_FAILURE() << "mode " << int(c.mode) << " byte " << std::hex << i;
                break;
            }
        }
        EXPECT_EQ(snapshot(c.chip_to_image ? sram : save_image), c.chip_to_image ? chip : image);
        if (c.mode <= 1) {
            std::vector<uint32_t> expected(9, 512);
            expected.push_back(32);
            EXPECT_EQ(fault.lengths, expected);
        } else {
            EXPECT_EQ(fault.calls, 0);
        }
    }
}

TEST_F(memory_access, slot_transfer_step_past_the_end_resets_and_moves_nothing) {
    fill_image_pattern();
    iwram_data.chunk_index = 10;
    EXPECT_EQ(slot_transfer_step(0), 1);
    EXPECT_EQ(iwram_data.chunk_index, 0);
    iwram_data.chunk_index = 200;
    EXPECT_EQ(slot_transfer_step(0), 1);
    EXPECT_EQ(snapshot(sram), std::vector<uint8_t>(save_memory_size, 0));
}

// A slot number above 2 addresses nothing: slot sections fail and a transfer
// pass only paces.
TEST_F(memory_access, slot_above_2_touches_nothing) {
    fill_image_pattern();
    const auto image = snapshot(save_image);
    for (uint8_t slot : {3, 128, 255}) {
        iwram_data.current_slot = slot;
        EXPECT_NE(transfer_section(section_slot), nullptr);
        EXPECT_NE(transfer_section(section_slot_backup), nullptr);
        EXPECT_NE(transfer_section(section_read_slot), nullptr);
        for (uint8_t mode : {0, 1, 2}) {
            int calls = 1;
            while (slot_transfer_step(mode) == 0) ++calls;
            EXPECT_EQ(calls, 10);
        }
    }
    EXPECT_EQ(snapshot(save_image), image);
    EXPECT_EQ(snapshot(sram), std::vector<uint8_t>(save_memory_size, 0));
}

}  // namespace
