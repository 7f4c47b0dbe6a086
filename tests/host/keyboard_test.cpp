// poll_keyboard: the fixed key table and the KEYINPUT values it makes.
#include "host/headless/headless.h"
#include "host/host.h"
#include "hw/registers.h"
#include "tests/support/reset.h"

namespace {

// Script bits name keys in table order: 0x001 X, 0x002 Z, 0x004 Backspace,
// 0x008 Enter, 0x010 Right, 0x020 Left, 0x040 Up, 0x080 Down, 0x100 S, 0x200 A.
TEST_F(fresh_globals, keyinput_values_of_the_key_table) {
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

TEST_F(fresh_globals, poll_queries_each_key_once_in_table_order) {
    poll_keyboard();
    ASSERT_EQ(headless_key_query_count(), host_key_count);
    const host_key order[] = {host_key::x,     host_key::z,    host_key::backspace, host_key::enter,
                              host_key::right, host_key::left, host_key::up,        host_key::down,
                              host_key::s,     host_key::a};
    for (int i = 0; i < host_key_count; ++i) EXPECT_EQ(headless_key_query_at(i), order[i]) << i;
}

}  // namespace
