// poll_keyboard: the buttons the back end holds and the KEYINPUT values they make.
#include "host/headless/headless.h"
#include "host/host.h"
#include "hw/registers.h"
#include "tests/support/reset.h"

namespace {

// Script bits are the buttons: 0x001 A, 0x002 B, 0x004 Select, 0x008 Start,
// 0x010 Right, 0x020 Left, 0x040 Up, 0x080 Down, 0x100 R, 0x200 L.
TEST_F(fresh_globals, keyinput_values_of_held_buttons) {
    struct row {
        const char* keys;
        uint16_t held;
        uint16_t keyinput;
    };
    const row rows[] = {
        {"none", 0x000, 0x03FF},
        {"X", 0x001, 0x03FE},
        {"Enter", 0x008, 0x03F7},
        {"A (L)", 0x200, 0x01FF},
        {"X Z", 0x003, 0x03FC},
        {"A S (L R)", 0x300, 0x00FF},
        {"X Z Backspace Enter (soft reset)", 0x00F, 0x03F0},
        {"Left Right", 0x030, 0x03CF},
        {"Up Down", 0x0C0, 0x033F},
        {"all ten", 0x3FF, 0x0000},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.keys);
        headless_reset();
        headless_hold_buttons(0, 0, r.held);
        reg_store16(KEYINPUT, 0xFFFF);  // bits 10-15 must come back clear
        poll_keyboard();
        EXPECT_EQ(reg_load16(KEYINPUT), r.keyinput);
    }
}

TEST_F(fresh_globals, each_poll_asks_the_back_end_once) {
    poll_keyboard();
    EXPECT_EQ(headless_button_query_count(), 1u);
    poll_keyboard();
    EXPECT_EQ(headless_button_query_count(), 2u);
}

// Bits 10-15 of what a back end reports never reach KEYINPUT.
TEST_F(fresh_globals, bits_above_the_ten_buttons_are_ignored) {
    headless_hold_buttons(0, 0, 0xFC01);
    poll_keyboard();
    EXPECT_EQ(reg_load16(KEYINPUT), 0x03FE);
}

}  // namespace
