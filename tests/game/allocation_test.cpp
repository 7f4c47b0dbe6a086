// No heap allocation in any frame of the intro: the whole intro on the demo
// cartridge through run_host, counting every malloc-family call and operator
// new from the first presented frame on.
#include <gtest/gtest.h>

#include <cstdio>

#include "host/headless/headless.h"
#include "host/host.h"
#include "hw/iwram_data.h"
#include "tests/support/allocation_counter.h"
#include "tests/support/reset.h"

namespace {

uint32_t last_counted;
int16_t last_stage;

void count_frames(uint32_t frame) {
    if (frame == 1) set_allocation_counting(true);  // the loader, imports and reset are over
    last_counted = frame;
    last_stage = iwram_data.mode_stage;
}

TEST_F(fresh_globals, intro_frames_allocate_nothing) {
    if (!allocation_counting_available())
        GTEST_SKIP() << "allocations are counted only in builds without sanitizers";
    if (std::FILE* f = std::fopen(ORVALIS_DEMO_ROM, "rb"))
        std::fclose(f);
    else
        GTEST_SKIP() << "no demo cartridge at " << ORVALIS_DEMO_ROM;
    headless_set_rom_path(ORVALIS_DEMO_ROM);
    headless_set_frame_limit(1200);
    headless_set_present_hook(count_frames);
    reset_allocation_count();
    const int result = run_host(nullptr, "", 1);
    set_allocation_counting(false);
    ASSERT_EQ(result, 0);
    ASSERT_EQ(last_counted, 1200u);
    EXPECT_EQ(last_stage, 3) << "the whole intro ran";
    EXPECT_EQ(allocation_count(), 0u);
}

}  // namespace
