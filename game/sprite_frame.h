// Sprite-frame tables (a 16-bit count, then attr0, attr1, attr2 per sprite)
// copied into oam_buffer at an offset, with optional palette and mode changes.
#pragma once

#include <cstdint>

#include "rom/cartridge_map.h"

// What a placement changes beyond position; -1 leaves a field as stored.
struct sprite_overrides {
    int palette_bank = -1;  // attr2 bits 12-15 of every placed sprite
    int object_mode = -1;   // attr0 bits 10-11 of every placed sprite
    int flash_index = -1;   // this sprite (table index) gets flash_bank instead
    int flash_bank = 0;
};

// Places at most min(stored count, (length - 2) / 6, 128 - first, limit)
// sprites of table (length readable bytes) into oam_buffer entries first
// onward: Y field + y_offset mod 256, X field + x_offset mod 512, other bits
// as stored, attr3 untouched. A null table places nothing. Returns how many
// were placed; the caller sets oam_count.
int place_sprite_frame(const uint8_t* table, uint32_t length, int first, int y_offset, int x_offset,
                       const sprite_overrides& overrides = {}, int limit = 128);

// The table in an area of the image placed as above; 0 when the image has no
// such bytes.
int place_rom_sprite_frame(const rom_area& table, int first, int y_offset, int x_offset,
                           const sprite_overrides& overrides = {});
