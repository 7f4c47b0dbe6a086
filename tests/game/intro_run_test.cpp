// The whole intro on the demo cartridge through the real run_host on the
// headless back end, frame by frame: the boot fade, the setup, the fade-in,
// when each scene starts, when the intro ends, which frames are black, and
// the skip, L+R and soft-reset paths.
#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "host/headless/headless.h"
#include "host/host.h"
#include "hw/iwram_data.h"
#include "hw/regions.h"
#include "tests/support/reset.h"
#include "tools/cartridge/cartridge.h"
#include "tools/cartridge/layout.h"

namespace {

struct frame_record {
    int16_t game_mode;
    int16_t mode_stage;
    uint8_t scene_index;
    uint16_t scene_timer;
    bool lit;  // some pixel is not black
    uint64_t digest;
};

constexpr uint32_t max_frames = 1400;
frame_record records[max_frames + 1];
uint32_t save_block_frame;  // from this frame on, save_op_active is set

void record(uint32_t frame) {
    if (frame > max_frames) return;
    frame_record& r = records[frame];
    r.game_mode = iwram_data.game_mode;
    r.mode_stage = iwram_data.mode_stage;
    r.scene_index = iwram_data.intro_state.scene_index;
    r.scene_timer = iwram_data.intro_state.scene_timer;
    r.lit = false;
    uint64_t h = 1469598103934665603ull;
    for (uint32_t p : frame_buffer) {
        r.lit = r.lit || p != 0;
        h = (h ^ p) * 1099511628211ull;
    }
    r.digest = h;
    if (save_block_frame && frame + 1 >= save_block_frame) iwram_data.save_op_active = 1;
}

// Frames a text scene lasts, from its code list in the cartridge file.
int text_scene_length(const std::vector<uint8_t>& image, const demo::area& codes) {
    int frames = 22;
    for (uint32_t i = 0; i < codes.length; ++i) {
        const uint8_t code = image[codes.offset + i];
        if (code == 5) break;
        frames += code == 1 || code == 2 ? 5 : 6;
    }
    return frames;
}

class demo_run : public fresh_globals {
protected:
    void SetUp() override {
        fresh_globals::SetUp();
        save_block_frame = 0;
        FILE* f = std::fopen(ORVALIS_DEMO_ROM, "rb");
        if (!f) GTEST_SKIP() << "no demo cartridge at " << ORVALIS_DEMO_ROM;
        image.resize(cartridge_size);
        const size_t got = std::fread(image.data(), 1, image.size(), f);
        std::fclose(f);
        ASSERT_EQ(got, image.size());
        l0 = text_scene_length(image, demo::code_list_0);
        l3 = text_scene_length(image, demo::code_list_3);
        l5 = text_scene_length(image, demo::code_list_5);
    }

    // Runs the program for `frames` passes with the key script set up by the caller.
    void run(uint32_t frames) {
        headless_set_rom_path(ORVALIS_DEMO_ROM);
        headless_set_frame_limit(frames);
        headless_set_present_hook(record);
        ASSERT_EQ(run_host(nullptr, "", 1), 0);
        ASSERT_EQ(headless_message_count(), 0) << headless_message_at(0).text;
        ASSERT_EQ(headless_present_count(), frames);
    }

    std::vector<uint8_t> image;
    int l0 = 0, l3 = 0, l5 = 0;
};

TEST_F(demo_run, the_whole_timeline) {
    const int L = l0 + l3 + l5;
    const int end = 509 + L;
    run(static_cast<uint32_t>(end + 20));

    for (int f = 1; f <= 5; ++f) EXPECT_EQ(records[f].game_mode, 0) << "boot fade, frame " << f;
    EXPECT_EQ(records[6].game_mode, 1) << "the fade hands over on frame 6";
    EXPECT_EQ(records[6].mode_stage, 0);
    EXPECT_EQ(records[7].mode_stage, 1) << "setup on frame 7";
    for (int f = 8; f <= 23; ++f) EXPECT_EQ(records[f].mode_stage, 1) << "fade-in, frame " << f;
    EXPECT_EQ(records[24].mode_stage, 2) << "the fade-in's last frame";
    EXPECT_EQ(records[24].scene_timer, 0);
    EXPECT_EQ(records[25].scene_timer, 1) << "scene 0 starts on frame 25";

    // Scene k starts on the frame after the one whose step set scene_index to k.
    const int starts[8] = {25, 25 + l0, 58 + l0, 139 + l0, 139 + l0 + l3, 220 + l0 + l3, 220 + L, 413 + L};
    for (int k = 1; k < 8; ++k) {
        int first = 0;
        for (int f = 25; f <= end && !first; ++f)
            if (records[f].scene_index == k) first = f;
        EXPECT_EQ(first + 1, starts[k]) << "start of scene " << k;
    }
    for (int f = 25; f < end; ++f) ASSERT_EQ(records[f].mode_stage, 2) << "frame " << f;
    for (int f = end; f <= end + 20; ++f) {
        EXPECT_EQ(records[f].mode_stage, 3) << "frame " << f;
        EXPECT_EQ(records[f].game_mode, 1);
    }

    // Lit: the text scenes but their last frame (scene 5 from its second),
    // scene 4 from its fourth frame to its last but one, and scene 7 from its
    // first frame while its sprites are on (t = 0..31).
    std::vector<bool> lit(end + 21, false);
    auto light = [&](int from, int to) {
        for (int f = from; f <= to; ++f) lit[f] = true;
    };
    light(starts[0], starts[1] - 2);
    light(starts[3], starts[4] - 2);
    light(starts[4] + 3, starts[5] - 2);
    light(starts[5] + 1, starts[6] - 2);
    light(starts[7], starts[7] + 31);
    int wrong = 0;
    for (int f = 1; f <= end + 20; ++f) {
        if (records[f].lit != lit[f] && wrong++ < 10)
            ADD_FAILURE() << "frame " << f << (lit[f] ? " should show sprites" : " should be black")
                          << " (scene " << int(records[f].scene_index) << ", timer " << records[f].scene_timer
                          << ")";
    }
    std::printf("L0 %d, L3 %d, L5 %d, end frame %d\n", l0, l3, l5, end);
}

TEST_F(demo_run, new_press_skips_from_that_frame_on) {
    const int skip = 58 + l0 + 40;            // inside scene 2
    const int late = 413 + l0 + l3 + l5 + 5;  // scene 7
    struct skip_case {
        int frame;
        uint16_t button;
    };
    const skip_case cases[] = {{25, 0x0001}, {40, 0x0008}, {skip, 0x0002}, {late, 0x0001}};
    for (const skip_case& c : cases) {
        SCOPED_TRACE(c.frame);
        reset_all_globals();
        headless_hold_buttons(static_cast<uint32_t>(c.frame), static_cast<uint32_t>(c.frame) + 2, c.button);
        run(static_cast<uint32_t>(c.frame + 30));
        EXPECT_EQ(records[c.frame - 1].mode_stage, 2);
        for (int f = c.frame; f <= c.frame + 30; ++f) {
            ASSERT_EQ(records[f].mode_stage, 3) << "frame " << f;
            ASSERT_FALSE(records[f].lit) << "frame " << f;
        }
    }
}

TEST_F(demo_run, presses_before_the_scenes_and_held_start_do_not_skip) {
    headless_hold_buttons(10, 12, 0x0001);   // during the fade-in
    headless_hold_buttons(20, 200, 0x0008);  // Start held since before the scenes
    run(260);
    EXPECT_EQ(records[30].mode_stage, 2);
    EXPECT_EQ(records[259].mode_stage, 2);
    EXPECT_TRUE(records[30].lit) << "scene 0 shows";
}

TEST_F(demo_run, l_and_r_at_start_keep_every_frame_black) {
    headless_hold_buttons(0, 5, 0x0300);
    run(120);
    for (int f = 1; f <= 120; ++f) {
        ASSERT_EQ(records[f].game_mode, 15) << f;
        ASSERT_FALSE(records[f].lit) << f;
    }
}

TEST_F(demo_run, l_r_and_a_at_start_play_normally) {
    headless_hold_buttons(0, 0, 0x0301);
    run(40);
    EXPECT_EQ(records[6].game_mode, 1);
    EXPECT_TRUE(records[30].lit);
}

TEST_F(demo_run, soft_reset_freezes_the_picture) {
    const int press = 60;  // scene 0 is showing text
    headless_hold_buttons(press, press + 10, 0x000F);
    run(press + 40);
    EXPECT_EQ(records[press - 1].game_mode, 1);
    ASSERT_TRUE(records[press - 1].lit);
    for (int f = press; f <= press + 40; ++f) {
        ASSERT_EQ(records[f].game_mode, 14) << f;
        ASSERT_EQ(records[f].digest, records[press - 1].digest) << "picture changed on frame " << f;
        ASSERT_EQ(records[f].scene_timer, records[press - 1].scene_timer) << f;
    }
}

TEST_F(demo_run, no_soft_reset_while_a_save_runs) {
    const int press = 60;
    save_block_frame = press - 5;
    headless_hold_buttons(press, press + 10, 0x000F);
    run(press + 20);
    for (int f = press; f <= press + 20; ++f) EXPECT_EQ(records[f].game_mode, 1) << f;
    EXPECT_EQ(records[press].mode_stage, 3) << "the A in the combination still skips";
}

}  // namespace
