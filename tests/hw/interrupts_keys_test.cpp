#include <gtest/gtest.h>

#include "hw/interrupts.h"
#include "hw/iwram_data.h"
#include "hw/keys.h"
#include "hw/registers.h"
#include "hw/sound.h"
#include "tests/support/reset.h"

namespace {

int calls[5];
void count_vblank() { ++calls[0]; }
void count_hblank() { ++calls[1]; }
void count_vcount() { ++calls[2]; }
void count_timer3() { ++calls[3]; }
void count_serial() { ++calls[4]; }
// Records what vblank_step has already done when the callback runs.
uint16_t if_seen_in_callback;
void look_at_if() { if_seen_in_callback = reg_load16(IF); }

class interrupts : public fresh_globals {
protected:
    void SetUp() override {
        fresh_globals::SetUp();
        for (int& c : calls) c = 0;
    }
};

TEST_F(interrupts, vblank_before_any_callback_still_raises) {
    iwram_data.in_frame = 1;
    vblank_step();
    EXPECT_EQ(reg_load16(IF), 0x0001);
    EXPECT_EQ(iwram_data.vblank_flag, 1);
    EXPECT_EQ(interrupt_check, 0x0001);
    // Outside a frame too.
    iwram_data.in_frame = 0;
    iwram_data.vblank_flag = 0;
    vblank_step();
    EXPECT_EQ(iwram_data.vblank_flag, 1);
}

TEST_F(interrupts, null_setter_installs_the_empty_callback) {
    set_vblank_callback(nullptr);
    EXPECT_EQ(iwram_data.vblank_callback, &empty_callback);
    vblank_step();
    EXPECT_EQ(reg_load16(IF), 0x0001);
    EXPECT_EQ(iwram_data.vblank_flag, 1);
    set_hblank_callback(nullptr);
    set_vcount_callback(nullptr);
    set_timer3_callback(nullptr);
    set_serial_callback(nullptr);
    EXPECT_EQ(iwram_data.hblank_callback, &empty_callback);
    EXPECT_EQ(iwram_data.vcount_callback, &empty_callback);
    EXPECT_EQ(iwram_data.timer3_callback, &empty_callback);
    EXPECT_EQ(iwram_data.serial_callback, &empty_callback);
}

TEST_F(interrupts, callback_runs_first_and_once_whatever_ime_and_ie_hold) {
    reg_store16(IME, 0);
    reg_store16(IE, 0);
    set_vblank_callback(look_at_if);
    vblank_step();
    EXPECT_EQ(if_seen_in_callback, 0);
    EXPECT_EQ(reg_load16(IF), 1);
    set_vblank_callback(count_vblank);  // replaces, no chain
    vblank_step();
    vblank_step();
    EXPECT_EQ(calls[0], 2);
}

TEST_F(interrupts, each_kind_calls_its_own_slot_and_sets_its_bit) {
    struct {
        void (*set)(callback_fn);
        void (*raise)();
        callback_fn fn;
        int slot;
        uint16_t bit;
    } const cases[] = {
        {set_hblank_callback, raise_hblank, count_hblank, 1, 0x0002},
        {set_vcount_callback, raise_vcount, count_vcount, 2, 0x0004},
        {set_timer3_callback, raise_timer3, count_timer3, 3, 0x0040},
        {set_serial_callback, raise_serial, count_serial, 4, 0x0080},
    };
    for (const auto& c : cases) {
        reset_all_globals();
        for (int& n : calls) n = 0;
        c.raise();  // empty slot: no call, the bit is still set
        EXPECT_EQ(reg_load16(IF), c.bit);
        c.set(c.fn);
        reg_store16(IF, 0);
        c.raise();
        EXPECT_EQ(reg_load16(IF), c.bit);
        for (int s = 0; s < 5; ++s) EXPECT_EQ(calls[s], s == c.slot ? 1 : 0) << "slot " << c.slot;
        EXPECT_EQ(iwram_data.vblank_flag, 0);
        EXPECT_EQ(interrupt_check, 0);
    }
}

TEST_F(interrupts, key_state_follows_keyinput) {
    // Successive KEYINPUT values and the words each update must give.
    struct {
        uint16_t keyinput, held, fresh;
    } const steps[] = {
        {0x03FF, 0x0000, 0x0000}, {0x03FE, 0x0001, 0x0001}, {0x03FE, 0x0001, 0x0000},
        {0x03FF, 0x0000, 0x0000}, {0x00FF, 0x0300, 0x0300}, {0x00F7, 0x0308, 0x0008},
        {0xFC00, 0x03FF, 0x00F7}, {0xFFFF, 0x0000, 0x0000}, {0x0000, 0x03FF, 0x03FF},
    };
    for (const auto& s : steps) {
        reg_store16(KEYINPUT, s.keyinput);
        update_key_state();
        EXPECT_EQ(iwram_data.keys_held, s.held) << std::hex << s.keyinput;
        EXPECT_EQ(iwram_data.keys_new, s.fresh) << std::hex << s.keyinput;
        EXPECT_EQ(iwram_data.keys_held_copy, s.held) << std::hex << s.keyinput;
    }
}

TEST_F(interrupts, sound_requests_change_nothing) {
    sound_request(550);
    sound_request2(552, 0);
    sound_fade_music(10);
    sound_fade_effects(10);
    sound_play_music(1);
    sound_init();
    sound_restart();
    EXPECT_EQ(text_sound_start(), 1);
    const auto* bytes = reinterpret_cast<const uint8_t*>(&iwram_data);
    for (size_t i = 0; i < sizeof iwram_data; ++i) ASSERT_EQ(bytes[i], 0) << i;
    for (uint32_t i = 0; i < 0x400; i += 2) ASSERT_EQ(reg_load16(i), 0) << i;
}

}  // namespace
