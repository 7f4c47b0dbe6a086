// The program-start reset of every library, and the product's words as the
// back ends compose them.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "host/host_test_seam.h"
#include "hw/interrupts.h"
#include "hw/regions.h"
#include "platform/product.h"
#include "rom/rom.h"
#include "save/map_data.h"
#include "save/save_memory.h"
#include "tests/support/reset_all.h"

namespace {

void fault(uint8_t*, uint32_t, int) {}
void hook(int, uint8_t*) {}

// Globals outside the regions, each set as a run would leave it: the one
// reset brings every one back to zero.
TEST(reset_all_globals, returns_state_outside_the_regions_to_program_start) {
    interrupt_check = 0x2001;
    std::memset(tail_state, 0x5A, tail_state_size);
    sram_write_fault = fault;
    host_self_test_hook = hook;
    std::memset(sine_table, 0x11, sizeof sine_table);
    std::memset(start_position_default, 0x22, sizeof start_position_default);
    reset_all_globals();
    EXPECT_EQ(interrupt_check, 0);
    for (uint32_t i = 0; i < tail_state_size; ++i) EXPECT_EQ(tail_state[i], 0) << i;
    EXPECT_EQ(sram_write_fault, nullptr);
    EXPECT_EQ(host_self_test_hook, nullptr);
    for (int16_t entry : sine_table) EXPECT_EQ(entry, 0);
    for (uint8_t byte : start_position_default) EXPECT_EQ(byte, 0);
}

// The Win32 dialog's filter list: pairs of name and pattern, each ended by a
// NUL, and one more NUL after the last.
TEST(join_text, builds_a_filter_list_with_its_nuls) {
    constexpr auto filters = join_text("ROMs", "\0", "*.gba", "\0", "All", "\0", "*.*", "\0");
    const char expected[] = "ROMs\0*.gba\0All\0*.*\0";  // and the literal's own final NUL
    ASSERT_EQ(filters.size(), sizeof expected);
    EXPECT_EQ(std::memcmp(filters.data(), expected, sizeof expected), 0);
}

TEST(join_text, joins_the_products_words_into_a_command_line_option) {
    constexpr auto option = join_text("--title=", product_chooser_title);
    EXPECT_EQ(std::string(option.data()), std::string("--title=") + product_chooser_title);
    EXPECT_EQ(option.size(), sizeof "--title=" - 1 + sizeof product_chooser_title);
}

}  // namespace
