// The text font as text art: each glyph is 6 columns by 16 rows (4 rows
// above the text cell, the 8 rows of the cell, 4 rows below it).
#pragma once

// Blocks of "[c]" followed by 16 rows of '#' (ink) and '.' (empty).
extern const char font_art[];
