// The one controller mapping: every standard button and stick position,
// both triggers, the dead half of each axis. (Several pads and keys
// together are the back ends' part, tested with them.)
#include "host/controller.h"

#include <gtest/gtest.h>

#include "hw/keys.h"

namespace {

pad_state pressing(pad_button b) {
    pad_state pad;
    pad.buttons = 1u << b;
    return pad;
}

TEST(controller, each_standard_button) {
    const struct {
        pad_button button;
        uint16_t held;
    } rows[] = {
        {pad_south, button_a},
        {pad_east, button_b},
        {pad_west, 0},
        {pad_north, 0},
        {pad_back, button_select},
        {pad_guide, 0},
        {pad_start, button_start},
        {pad_left_stick, 0},
        {pad_right_stick, 0},
        {pad_left_shoulder, button_l},
        {pad_right_shoulder, button_r},
        {pad_dpad_up, button_up},
        {pad_dpad_down, button_down},
        {pad_dpad_left, button_left},
        {pad_dpad_right, button_right},
    };
    static_assert(sizeof rows / sizeof rows[0] == pad_button_count, "every standard button has a row");
    for (const auto& r : rows) EXPECT_EQ(pad_buttons_held(pressing(r.button)), r.held) << int(r.button);
    EXPECT_EQ(pad_buttons_held(pad_state{}), 0);
}

// Sticks and triggers: held only past half of their travel.
TEST(controller, sticks_and_triggers_past_half) {
    const struct {
        const char* what;
        float left_x, left_y, right_x, right_y, left_trigger, right_trigger;
        uint16_t held;
    } rows[] = {
        {"left stick right", 1, 0, 0, 0, 0, 0, button_right},
        {"left stick left", -1, 0, 0, 0, 0, 0, button_left},
        {"left stick up", 0, -1, 0, 0, 0, 0, button_up},
        {"left stick down", 0, 1, 0, 0, 0, 0, button_down},
        {"just past half right", 0.51f, 0, 0, 0, 0, 0, button_right},
        {"half right: the dead half", 0.5f, 0, 0, 0, 0, 0, 0},
        {"half up: the dead half", 0, -0.5f, 0, 0, 0, 0, 0},
        {"a little of both", 0.3f, -0.3f, 0, 0, 0, 0, 0},
        {"up and right: a diagonal", 0.8f, -0.8f, 0, 0, 0, 0, button_up | button_right},
        {"down and left: a diagonal", -0.8f, 0.8f, 0, 0, 0, 0, button_down | button_left},
        {"the right stick does nothing", 0, 0, 1, -1, 0, 0, 0},
        {"left trigger past half", 0, 0, 0, 0, 0.6f, 0, button_l},
        {"right trigger past half", 0, 0, 0, 0, 0, 0.6f, button_r},
        {"triggers at half", 0, 0, 0, 0, 0.5f, 0.5f, 0},
        {"both triggers fully", 0, 0, 0, 0, 1, 1, button_l | button_r},
    };
    for (const auto& r : rows) {
        pad_state pad;
        pad.left_x = r.left_x;
        pad.left_y = r.left_y;
        pad.right_x = r.right_x;
        pad.right_y = r.right_y;
        pad.left_trigger = r.left_trigger;
        pad.right_trigger = r.right_trigger;
        EXPECT_EQ(pad_buttons_held(pad), r.held) << r.what;
    }
}

// A button held twice (shoulder and trigger, D-pad and stick) is held once;
// opposite directions are both held.
TEST(controller, overlapping_and_opposite_inputs) {
    pad_state pad = pressing(pad_left_shoulder);
    pad.left_trigger = 1;
    EXPECT_EQ(pad_buttons_held(pad), button_l);
    pad = pressing(pad_dpad_left);
    pad.left_x = 1;
    EXPECT_EQ(pad_buttons_held(pad), button_left | button_right);
    pad.buttons = 1u << pad_south | 1u << pad_east | 1u << pad_back | 1u << pad_start;
    pad.left_x = 0;
    EXPECT_EQ(pad_buttons_held(pad), button_a | button_b | button_select | button_start);
}

}  // namespace
