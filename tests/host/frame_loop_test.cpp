// The frame loop: the order of its steps within a pass, the message drain
// before every pass, and quit ending the loop.
#include <cstring>

#include "host/headless/headless.h"
#include "host/host.h"
#include "hw/interrupts.h"
#include "hw/iwram_data.h"
#include "hw/regions.h"
#include "hw/registers.h"
#include "tests/rom/image_fixture.h"
#include "tests/support/reset.h"

namespace {

// What the recording vblank callback and the present hook saw, per pass.
struct pass_record {
    int vblanks;
    uint32_t drained_frame;    // headless_frame() at the vblank
    uint32_t presents_before;  // presents already done at the vblank
    uint32_t sleeps_before;
    uint8_t in_frame;
    uint16_t vblank_flag;
    uint16_t keyinput;
    uint16_t keys_held;
    uint8_t frame_counter;
    uint16_t frame_counter_16;
    // At the present:
    int presented;
    uint8_t present_in_frame;
    uint16_t present_vblank_flag;
    int frame_buffer_clear;
};

constexpr uint32_t passes = 300;  // past the 8-bit counter's wrap
pass_record records[passes + 1];
uint32_t recording_from;

void recording_vblank() {
    const uint32_t frame = headless_frame();
    if (frame > passes) return;
    pass_record& r = records[frame];
    ++r.vblanks;
    r.drained_frame = frame;
    r.presents_before = headless_present_count();
    r.sleeps_before = headless_sleep_count();
    r.in_frame = iwram_data.in_frame;
    r.vblank_flag = iwram_data.vblank_flag;
    r.keyinput = reg_load16(KEYINPUT);
    r.keys_held = iwram_data.keys_held;
    r.frame_counter = iwram_data.frame_counter;
    r.frame_counter_16 = iwram_data.frame_counter_16;
    // Left for the clear to remove before the present.
    frame_buffer[0] = 0x00ABCDEF;
    frame_buffer[frame_pixels - 1] = 0x00ABCDEF;
}

bool frame_buffer_is_clear() {
    for (size_t i = 0; i < frame_pixels; ++i)
        if (frame_buffer[i] != 0) return false;
    return true;
}

void recording_present(uint32_t frame) {
    if (frame > passes) return;
    if (frame == 1) {
        // From here on the game stays out of the way: a mode that runs
        // nothing, a blank sprite layer, and the recorder as the vblank.
        recording_from = 2;
        iwram_data.game_mode = 14;
        std::memset(vram, 0, sizeof vram);
        set_vblank_callback(recording_vblank);
        return;
    }
    pass_record& r = records[frame];
    ++r.presented;
    r.present_in_frame = iwram_data.in_frame;
    r.present_vblank_flag = iwram_data.vblank_flag;
    r.frame_buffer_clear = frame_buffer_is_clear();
}

class frame_loop : public fresh_globals {
protected:
    void SetUp() override {
        fresh_globals::SetUp();
        std::memset(records, 0, sizeof records);
        headless_set_rom_path(trusted_image_file(dir).c_str());
    }
    scratch_dir dir;
};

TEST_F(frame_loop, steps_of_a_pass_run_in_order) {
    headless_set_frame_limit(passes);
    headless_set_present_hook(recording_present);
    headless_hold_buttons(10, 12, 0x0001);  // A
    headless_hold_buttons(12, 20, 0x0200);  // L, overlapping on 12

    ASSERT_EQ(run_host(nullptr, "", 10), 0);

    for (uint32_t f = recording_from; f <= passes; ++f) {
        SCOPED_TRACE(f);
        const pass_record& r = records[f];
        ASSERT_EQ(r.vblanks, 1) << "one vertical blank per pass";
        // The drain for this pass came before the game step and the vblank;
        // the previous pass had presented and slept.
        EXPECT_EQ(r.drained_frame, f);
        EXPECT_EQ(r.presents_before, f - 1);
        EXPECT_EQ(r.sleeps_before, f - 1);
        EXPECT_EQ(r.in_frame, 1);
        EXPECT_EQ(r.vblank_flag, 0) << "cleared before vblank_step";
        // Poll, then key state, before the vblank.
        const uint16_t held = headless_buttons_on(f);
        EXPECT_EQ(r.keyinput, static_cast<uint16_t>(0x03FF & ~held));
        EXPECT_EQ(r.keys_held, held);
        // The counters advanced once per pass, wrapping.
        const pass_record& before = records[f - 1];
        if (f > recording_from) {
            EXPECT_EQ(r.frame_counter, static_cast<uint8_t>(before.frame_counter + 1));
            EXPECT_EQ(r.frame_counter_16, static_cast<uint16_t>(before.frame_counter_16 + 1));
        }
        // Clear after the vblank, render, present with in_frame still set.
        EXPECT_EQ(r.presented, 1);
        EXPECT_EQ(r.present_in_frame, 1);
        EXPECT_EQ(r.present_vblank_flag, 1) << "vblank_step ran before the present";
        EXPECT_TRUE(r.frame_buffer_clear);
    }
    EXPECT_EQ(iwram_data.in_frame, 0) << "cleared after the last present";
    EXPECT_EQ(headless_present_count(), passes);
    EXPECT_EQ(headless_sleep_count(), passes);
}

TEST_F(frame_loop, quit_ends_the_loop_at_the_next_drain) {
    for (uint32_t limit : {0u, 1u, 3u, 1000u}) {
        SCOPED_TRACE(limit);
        reset_all_globals();
        headless_set_rom_path(trusted_image_file(dir).c_str());
        headless_set_frame_limit(limit);
        EXPECT_EQ(run_host(nullptr, "", 10), 0);
        EXPECT_EQ(headless_present_count(), limit);
        EXPECT_EQ(headless_sleep_count(), limit);
        EXPECT_EQ(headless_frame(), limit);
        // One boot poll plus one per pass.
        EXPECT_EQ(headless_button_query_count(), limit + 1);
    }
}

}  // namespace
