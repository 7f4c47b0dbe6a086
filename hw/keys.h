// Active-low KEYINPUT turned into the game's active-high button words.
#pragma once

#include <cstdint>

constexpr uint16_t button_a = 0x0001;
constexpr uint16_t button_b = 0x0002;
constexpr uint16_t button_select = 0x0004;
constexpr uint16_t button_start = 0x0008;
constexpr uint16_t button_right = 0x0010;
constexpr uint16_t button_left = 0x0020;
constexpr uint16_t button_up = 0x0040;
constexpr uint16_t button_down = 0x0080;
constexpr uint16_t button_r = 0x0100;
constexpr uint16_t button_l = 0x0200;
constexpr uint16_t buttons_all = 0x03FF;

void update_key_state();
