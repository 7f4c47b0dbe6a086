// Game controllers: one mapping from a pad in the standard layout to the
// handheld's buttons, for every back end (SDL2, XInput, the browser's
// Gamepad API). A back end fills a pad_state from its own API and asks
// pad_buttons_held which handheld buttons it holds.
#pragma once

#include <cstdint>

#include "hw/keys.h"

// A pad's buttons by position, as SDL's game-controller API names them
// (south is Xbox A, Nintendo B, PlayStation cross). Bit n of
// pad_state::buttons is pad_button n.
enum pad_button : uint8_t {
    pad_south,
    pad_east,
    pad_west,
    pad_north,
    pad_back,
    pad_guide,
    pad_start,
    pad_left_stick,
    pad_right_stick,
    pad_left_shoulder,
    pad_right_shoulder,
    pad_dpad_up,
    pad_dpad_down,
    pad_dpad_left,
    pad_dpad_right,
    pad_button_count
};

// One pad at one moment. Sticks from -1 to 1 (x: left to right, y: up to
// down); triggers from 0 (released) to 1 (fully pressed).
struct pad_state {
    uint32_t buttons = 0;
    float left_x = 0, left_y = 0;
    float right_x = 0, right_y = 0;
    float left_trigger = 0, right_trigger = 0;
};

struct pad_binding {
    pad_button from;
    uint16_t to;
};

// West, north, the guide button, the stick clicks and the right stick do nothing.
inline constexpr pad_binding pad_bindings[] = {
    {pad_south, button_a},          {pad_east, button_b},          {pad_back, button_select},
    {pad_start, button_start},      {pad_left_shoulder, button_l}, {pad_right_shoulder, button_r},
    {pad_dpad_up, button_up},       {pad_dpad_down, button_down},  {pad_dpad_left, button_left},
    {pad_dpad_right, button_right},
};

// A trigger holds its shoulder's button, and the left stick a direction,
// past half of its travel.
inline constexpr float pad_threshold = 0.5f;

// The handheld buttons the pad holds, as a mask of hw/keys.h's bits
// (1 = held). Opposite directions are not filtered, as with the keys.
inline uint16_t pad_buttons_held(const pad_state& pad) {
    uint16_t held = 0;
    for (const pad_binding& b : pad_bindings)
        if (pad.buttons >> b.from & 1u) held |= b.to;
    if (pad.left_trigger > pad_threshold) held |= button_l;
    if (pad.right_trigger > pad_threshold) held |= button_r;
    if (pad.left_x < -pad_threshold) held |= button_left;
    if (pad.left_x > pad_threshold) held |= button_right;
    if (pad.left_y < -pad_threshold) held |= button_up;
    if (pad.left_y > pad_threshold) held |= button_down;
    return held;
}
