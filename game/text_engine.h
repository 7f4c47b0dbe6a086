// The intro's text engine: one frame of a text code, and the assembly of the
// shown text sprites with the blinking three-sprite cursor behind them.
#pragma once

#include <cstdint>

// Room kept after the text sprites for the three cursor entries.
constexpr int text_sprite_limit = 125;

enum : uint8_t { text_continue = 0, text_code_done = 1, text_done = 2 };

// One frame of the current code, by phase_counter. Codes above 5 act as 0.
uint8_t text_step(uint8_t code, uint16_t margin);

// Blinks the cursor, places the shown sprites of text_table (at most
// text_table_length bytes) and the cursor after them; sets oam_count.
void text_assemble();
