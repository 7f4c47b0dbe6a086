// The intro driver's stages and skip, its callbacks, and scene behaviours
// seen on small tables: the bounded code lists, the text scene's end, the
// shake, the scrolls, the animation and the palette cycle.
#include "game/intro.h"

#include <gtest/gtest.h>

#include <vector>

#include "hw/interrupts.h"
#include "hw/iwram_data.h"
#include "hw/regions.h"
#include "hw/registers.h"
#include "tests/game/rom_fixture.h"
#include "tools/cartridge/layout.h"

namespace {

intro_state_record& st() { return iwram_data.intro_state; }

// Runs the setup and the fade-in: the next intro_step is the first of stage 2.
void through_fade_in() {
    iwram_data.mode_stage = 0;
    for (int i = 0; i < 18; ++i) intro_step();
}

class intro : public with_rom {};

TEST_F(intro, setup_loads_and_sets_the_display) {
    // A 4-byte LZ77 stream (all literals) for the sprite tiles, and colours.
    put_bytes(demo::sprite_set_1, {0x10, 4, 0, 0, 0x00, 0xA1, 0xA2, 0xA3, 0xA4});
    put_bytes(demo::palette_96, {0x11, 0x22});
    put_bytes(demo::palette_96.offset + demo::palette_96.length - 2, {0x33, 0x44});
    put_bytes(demo::palette_bg_240, {0x55, 0x66});
    iwram_data.bg0_hofs_shadow = 5;
    iwram_data.bg_scroll_21358 = 5;
    EXPECT_EQ(intro_step(), 0);
    EXPECT_EQ(vram[0x10000], 0xA1);
    EXPECT_EQ(vram[0x10003], 0xA4);
    EXPECT_EQ(palette_ram[0x200], 0x11);
    EXPECT_EQ(palette_ram[0x2BE], 0x33);
    EXPECT_EQ(palette_ram[0x2C0], 0x00) << "exactly 0xC0 bytes copied";
    EXPECT_EQ(palette_ram[0x000], 0x11);
    EXPECT_EQ(palette_ram[0x1E0], 0x55);
    EXPECT_EQ(st().cursor_x, 56);
    EXPECT_EQ(st().cursor_y, 96);
    EXPECT_EQ(st().zoom_scale, 0x20);
    EXPECT_EQ(iwram_data.bg0_hofs_shadow, 0);
    EXPECT_EQ(iwram_data.bg_scroll_21358, 0);
    EXPECT_EQ(reg_load16(DISPCNT), 0x1000) << "intro_vblank ran at once";
    EXPECT_EQ(reg_load16(BLDCNT), 0x00FF);
    EXPECT_EQ(reg_load16(BLDY), 16);
    EXPECT_EQ(reg_load16(BG0CNT), 0x1000);
    EXPECT_EQ(reg_load16(BG1CNT), 0x1201);
    EXPECT_EQ(iwram_data.vblank_callback, &intro_vblank);
    EXPECT_EQ(iwram_data.mode_stage, 1);
    EXPECT_EQ(oam[0], 0xFF) << "hidden entries copied to oam";
}

TEST_F(fresh_globals, setup_without_image_leaves_memory_as_reset) {
    palette_ram[0x200] = 0x42;
    intro_step();
    EXPECT_EQ(palette_ram[0x200], 0) << "reset_display_memory still runs";
    EXPECT_EQ(vram[0x10000], 0);
    EXPECT_EQ(iwram_data.mode_stage, 1);
}

TEST_F(intro, fade_in_takes_seventeen_frames_and_ignores_buttons) {
    intro_step();
    for (int f = 1; f <= 17; ++f) {
        iwram_data.keys_new = 0x000B;
        EXPECT_EQ(iwram_data.mode_stage, 1) << f;
        intro_step();
    }
    EXPECT_EQ(iwram_data.mode_stage, 2);
    EXPECT_EQ(iwram_data.bldy_shadow, 0);
    EXPECT_EQ(st().bldcnt_shadow, 0);
}

TEST_F(intro, new_press_of_a_b_or_start_skips_before_the_scene) {
    for (uint16_t key : {0x0001, 0x0002, 0x0008}) {
        reset_all_globals();
        rom_image = static_cast<uint8_t*>(std::calloc(rom_expected_size, 1));
        rom_size = rom_expected_size;
        through_fade_in();
        for (int f = 0; f < 3; ++f) intro_step();  // scene 0 running
        ASSERT_EQ(st().scene_timer, 3);
        for (int n = 0; n < 128; ++n) iwram_data.oam_buffer[n] = {1, 2, 3, 4};
        iwram_data.keys_new = key;
        EXPECT_EQ(intro_step(), 0);
        EXPECT_EQ(iwram_data.mode_stage, 3) << key;
        EXPECT_EQ(st().scene_timer, 3) << "no scene ran";
        for (int n = 0; n < 128; ++n) ASSERT_EQ(iwram_data.oam_buffer[n].attr0, 0x00FF) << n;
        iwram_data.keys_new = 0;
        EXPECT_EQ(intro_step(), 1);
        EXPECT_EQ(intro_step(), 1);
    }
    // Select, L, R and the pad do not skip.
    reset_all_globals();
    through_fade_in();
    iwram_data.keys_new = 0x03F4;
    intro_step();
    EXPECT_EQ(iwram_data.mode_stage, 2);
}

TEST_F(intro, vblank_callbacks_copy_their_shadows) {
    st().dispcnt_shadow = 0x1100;
    st().bldcnt_shadow = 0x1140;
    iwram_data.eva_shadow = 9;
    iwram_data.evb_shadow = 7;
    iwram_data.bldy_shadow = 3;
    iwram_data.bg0_hofs_shadow = 0xFFFF;
    iwram_data.bg0_vofs_shadow = 0x0203;
    iwram_data.oam_buffer[5].attr1 = 0x1234;
    intro_vblank();
    EXPECT_EQ(reg_load16(DISPCNT), 0x1100);
    EXPECT_EQ(reg_load16(BLDCNT), 0x1140);
    EXPECT_EQ(reg_load16(BLDALPHA), 0x0709);
    EXPECT_EQ(reg_load16(BLDY), 3);
    EXPECT_EQ(reg_load16(BG0HOFS), 0x01FF);
    EXPECT_EQ(reg_load16(BG0VOFS), 0x0003);
    EXPECT_EQ(oam[5 * 8 + 2], 0x34);

    st().palette_buffer[0] = 0xAB;
    st().palette_buffer[31] = 0xCD;
    st().dispcnt_shadow = 0x1000;
    iwram_data.bldy_shadow = 9;
    intro_vblank_palette();
    EXPECT_EQ(palette_ram[0x200], 0xAB);
    EXPECT_EQ(palette_ram[0x21F], 0xCD);
    EXPECT_EQ(reg_load16(DISPCNT), 0x1000);
    EXPECT_EQ(reg_load16(BLDY), 3) << "left as it was";
}

// Frames a text scene runs before it reports the end (the end frame included).
int text_scene_frames(uint8_t (*scene)()) {
    for (int f = 1; f < 2000; ++f) {
        const uint8_t before = st().scene_index;
        scene();
        if (st().scene_index != before) return f;
    }
    return -1;
}

TEST_F(intro, code_list_without_a_5_ends_at_its_length) {
    // Every list of zeros (code 0, six frames each) and the bytes past them
    // too: only the list's own length can stop the scene.
    EXPECT_EQ(text_scene_frames(intro_scene_0), 22 + 6 * 16);
    st().scene_index = 3;
    EXPECT_EQ(text_scene_frames(intro_scene_3), 22 + 6 * 52);
    st().scene_index = 5;
    EXPECT_EQ(text_scene_frames(intro_scene_5), 22 + 6 * 50);
}

TEST_F(intro, text_scene_length_follows_its_codes) {
    put_bytes(demo::code_list_0, {0, 1, 2, 3, 4, 9, 5, 0, 0});
    EXPECT_EQ(text_scene_frames(intro_scene_0), 22 + 6 * 4 + 5 * 2);
}

TEST_F(fresh_globals, text_scenes_without_image_end_as_code_5) {
    EXPECT_EQ(text_scene_frames(intro_scene_0), 22);
    EXPECT_EQ(iwram_data.oam_count, 0);
}

TEST_F(intro, text_scene_end_clears_its_counters) {
    put_bytes(demo::code_list_0, {0, 5});
    put_table(demo::text_table_0, 17, {{0x0090, 0, 0}});
    put_table(demo::cursor_table, 3, {{0, 0, 0}, {0, 8, 0}, {0, 16, 0}});
    st().cursor_x = 56;
    st().cursor_y = 96;
    st().text_flash_bank = 0;
    st().cursor_blink = 0;
    const int frames = text_scene_frames([] {
        iwram_data.oam_count = 0;  // as intro_step does before each scene
        return intro_scene_0();
    });
    EXPECT_EQ(frames, 28);
    EXPECT_EQ(st().scene_index, 1);
    EXPECT_EQ(st().code_index, 0);
    EXPECT_EQ(st().phase_counter, 0);
    EXPECT_EQ(st().scene_timer, 0);
    EXPECT_EQ(st().text_sprites_shown, 0);
    EXPECT_EQ(st().text_sound_started, 0);
    EXPECT_EQ(st().cursor_x, 24);
    EXPECT_EQ(st().cursor_y, 80);
    EXPECT_EQ(st().zoom_center_x, 120);
    EXPECT_EQ(st().zoom_center_y, 28);
    EXPECT_EQ(st().dispcnt_shadow, 0x1200) << "set at t = 10";
    EXPECT_EQ(iwram_data.oam_count, 0) << "nothing assembled on the end frame";
}

TEST_F(intro, text_sound_follows_the_saved_option) {
    put_bytes(demo::code_list_0, {5});
    intro_scene_0();
    EXPECT_EQ(st().text_sound_started, 1);
    reset_all_globals();
    iwram_data.saved_option = 2;
    intro_scene_0();
    EXPECT_EQ(st().text_sound_started, 0);
    EXPECT_EQ(st().scene_timer, 1) << "the text runs the same";
}

TEST_F(intro, scene_2_shakes_and_ends_after_81_frames) {
    st().scene_index = 2;
    std::vector<int> offsets;
    int frames = 0;
    while (st().scene_index == 2 && frames < 200) {
        intro_scene_2();
        ++frames;
        if (frames <= 8) offsets.push_back(static_cast<int16_t>(iwram_data.bg0_hofs_shadow));
        if (frames == 4) {
            EXPECT_EQ(st().dispcnt_shadow, 0x0100);
        }
    }
    EXPECT_EQ(frames, 81);
    EXPECT_EQ(offsets, (std::vector<int>{0, 0, -1, -2, 0, 0, -1, -2}));
    EXPECT_EQ(iwram_data.bg0_vofs_shadow, iwram_data.bg0_hofs_shadow);
    EXPECT_EQ(st().phase_counter, 0);
    EXPECT_EQ(st().scene_timer, 0);
    EXPECT_EQ(st().dispcnt_shadow, 0);
    EXPECT_EQ(iwram_data.oam_count, 0);
}

TEST_F(intro, scene_4_animates_its_two_tables) {
    put_table(demo::scene_4_front, 4, {{0x0000, 0x0000, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}});
    put_table(demo::scene_4_back_12, 12, {});
    put_table(demo::scene_4_back_24, 24, {});
    st().scene_index = 4;
    struct frame_case {
        int frame, count, front_y, front_x;
    };
    const frame_case cases[] = {
        {1, 16, 95, 128}, {3, 16, 96, 127}, {5, 28, 95, 128}, {8, 28, 96, 127}, {9, 16, 95, 128}};
    int next = 0;
    for (int f = 1; f <= 81; ++f) {
        intro_scene_4();
        if (next < 5 && cases[next].frame == f) {
            EXPECT_EQ(iwram_data.oam_count, cases[next].count) << f;
            EXPECT_EQ(iwram_data.oam_buffer[0].attr0 & 0xFF, cases[next].front_y) << f;
            EXPECT_EQ(iwram_data.oam_buffer[0].attr1 & 0x1FF, cases[next].front_x) << f;
            EXPECT_EQ(iwram_data.oam_buffer[0].attr0 & 0x0C00, 0x0400) << "semi-transparent";
            EXPECT_EQ(iwram_data.oam_buffer[4].attr0 & 0x0C00, 0x0400) << "back too";
            ++next;
        }
        if (f == 4) {
            EXPECT_EQ(st().dispcnt_shadow, 0x1100);
            EXPECT_EQ(reg_load16(BLDALPHA), 0x0709);
        }
        if (f < 81) {
            EXPECT_EQ(st().scene_index, 4) << f;
        }
    }
    EXPECT_EQ(st().scene_index, 5);
    EXPECT_EQ(st().scene_timer, 0);
    EXPECT_EQ(st().phase_counter, 0);
    EXPECT_EQ(st().dispcnt_shadow, 0);
    // Sixteen at t = 2, one pixel left every six frames from then on.
    EXPECT_EQ(iwram_data.bg0_hofs_shadow, 16 - 13);
}

TEST_F(intro, scene_6_scrolls_up_and_hands_over_the_palette_callback) {
    st().scene_index = 6;
    int frames = 0;
    while (st().scene_index == 6 && frames < 400) {
        intro_scene_6();
        ++frames;
        const int t = frames - 1;
        if (t == 2 || t == 41) {
            EXPECT_EQ(iwram_data.bg0_vofs_shadow, t == 2 ? 96 : 95) << t;
        }
        if (t == 135) {
            EXPECT_EQ(iwram_data.bg0_vofs_shadow, 1);
        }
        if (t == 136) {
            EXPECT_EQ(iwram_data.bg0_vofs_shadow, 0);
        }
    }
    EXPECT_EQ(frames, 193);
    EXPECT_EQ(iwram_data.vblank_callback, &intro_vblank_palette);
    EXPECT_EQ(st().dispcnt_shadow, 0x1100);
    EXPECT_EQ(st().scene_timer, 0);
}

TEST_F(intro, scene_7_cycles_the_palette_and_ends_on_its_97th_frame) {
    for (int i = 0; i < 4; ++i) rom_image[demo::palette_frames[i].offset] = static_cast<uint8_t>(0xF0 + i);
    put_table(demo::scene_7_table, 17, {{0x0090, 0x0000, 0}});
    st().scene_index = 7;
    std::vector<int> firsts;
    for (int f = 1; f <= 96; ++f) {
        EXPECT_EQ(intro_scene_7(), 0) << f;
        if (f <= 9) firsts.push_back(st().palette_buffer[0]);
        EXPECT_EQ(iwram_data.oam_count, 17) << f;
        if (f == 2) {
            EXPECT_EQ(st().dispcnt_shadow, 0x1000);
        }
        if (f == 33) {
            EXPECT_EQ(st().dispcnt_shadow, 0);
        }
    }
    EXPECT_EQ(firsts, (std::vector<int>{0xF0, 0xF0, 0xF1, 0xF1, 0xF2, 0xF2, 0xF3, 0xF3, 0xF0}));
    EXPECT_EQ(iwram_data.oam_buffer[0].attr0 & 0xFF, 0x10);
    EXPECT_EQ(iwram_data.oam_buffer[0].attr1 & 0x1FF, 128);
    iwram_data.oam_count = 0;
    EXPECT_EQ(intro_scene_7(), 1);
    EXPECT_EQ(iwram_data.oam_count, 0) << "nothing else happens on the last frame";
}

}  // namespace
