// The application icon as text art: a 16 x 16 grid and its colours.
#pragma once

#include <cstdint>

constexpr int icon_art_size = 16;

// Pixel (x, y) of the art as 0xAARRGGBB; 0 is transparent. 0 when outside.
uint32_t icon_art_pixel(int x, int y);
