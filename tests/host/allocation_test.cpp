// No heap allocation while the frame loop runs: 10,000 passes on the
// headless back end, counting every malloc-family call and operator new.
#include <cstdlib>

#include "host/headless/headless.h"
#include "host/host.h"
#include "tests/rom/image_fixture.h"
#include "tests/support/allocation_counter.h"
#include "tests/support/reset.h"

namespace {

void start_counting(uint32_t frame) {
    // Boot (loader, imports, reset) is over once the first pass presents.
    if (frame == 1) set_allocation_counting(true);
}

TEST_F(fresh_globals, frame_loop_allocates_nothing_in_10000_passes) {
    if (!allocation_counting_available())
        GTEST_SKIP() << "allocations are counted only in builds without sanitizers";
    scratch_dir dir;
    headless_set_rom_path(trusted_image_file(dir).c_str());
    headless_set_frame_limit(10000);
    headless_hold_buttons(100, 400, 0x0008);  // Start, to take the game through its modes
    headless_hold_buttons(2000, 2100, 0x0003);
    headless_set_present_hook(start_counting);

    // The counter itself must see allocations, or zero would prove nothing.
    reset_allocation_count();
    set_allocation_counting(true);
    void* volatile probe = std::malloc(16);
    std::free(probe);
    set_allocation_counting(false);
    ASSERT_EQ(allocation_count(), 1u);
    reset_allocation_count();

    const int exit_code = run_host(nullptr, "", 10);
    set_allocation_counting(false);
    EXPECT_EQ(exit_code, 0);
    EXPECT_EQ(headless_present_count(), 10000u);
    EXPECT_EQ(allocation_count(), 0u);
}

}  // namespace
