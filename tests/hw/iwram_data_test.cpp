#include "hw/iwram_data.h"

#include <cstring>

#include "hw/regions.h"
#include "tests/support/reset.h"

using iwram_block = fresh_globals;

TEST_F(iwram_block, starts_zero_and_resets_to_zero) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(&iwram_data);
    for (size_t i = 0; i < sizeof iwram_data; ++i) ASSERT_EQ(bytes[i], 0) << i;
    iwram_data.saved_option = 5;
    ewram[123] = 9;
    reset_all_globals();
    EXPECT_EQ(iwram_data.saved_option, 0);
    EXPECT_EQ(ewram[123], 0);
}

TEST_F(iwram_block, fixed_pointers_hit_their_targets) {
    EXPECT_EQ(sram_pointer, sram);
    EXPECT_EQ(save_image_pointer, ewram + 0x38000);
    EXPECT_EQ(static_cast<void*>(intro_state_pointer), reinterpret_cast<uint8_t*>(&iwram_data) + 18688);
}
