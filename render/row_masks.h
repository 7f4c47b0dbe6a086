// Which pixels of each row of the sprite tile area are not transparent, read
// from vram in one pass so that sprites drawn over each other need not
// re-examine the tiles they share.
#pragma once

#include <cstdint>

// Rows of the 32 KiB sprite tile area: 4 bytes (8 pixels of 16 colours) or
// 8 bytes (8 pixels of 256 colours) each.
inline constexpr uint32_t row_count_16c = 0x8000 / 4;
inline constexpr uint32_t row_count_256c = 0x8000 / 8;

// Bit k of entry r: pixel k of row r is not transparent (16 colours: pixel
// 2m is the low nibble of byte m).
extern uint8_t row_masks_16c[row_count_16c];
extern uint8_t row_masks_256c[row_count_256c];

// Fills the table of one colour mode from vram, with the fastest code this
// target has.
void read_row_masks(bool deep);

// The same in plain C++, which every target can run.
void read_row_masks_portable(bool deep);
