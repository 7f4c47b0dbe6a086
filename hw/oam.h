// The sprite attribute entry shared by oam and oam_buffer, and its fields.
#pragma once

#include <cstdint>

struct oam_entry {
    uint16_t attr0;
    uint16_t attr1;
    uint16_t attr2;
    uint16_t attr3;
};
static_assert(sizeof(oam_entry) == 8);

constexpr int oam_entry_count = 128;

// Sprite width and height in pixels, indexed shape * 4 + size; shape 3 is 0.
inline constexpr uint8_t sprite_widths[16] = {8, 16, 32, 64, 16, 32, 32, 64, 8, 8, 16, 32, 0, 0, 0, 0};
inline constexpr uint8_t sprite_heights[16] = {8, 16, 32, 64, 8, 8, 16, 32, 16, 32, 32, 64, 0, 0, 0, 0};
