// Writing 8-bit RGB PNG files with libpng.
#pragma once

#include <cstdint>

// Pixels are 0x00RRGGBB, rows top first, `width` pixels apart. 1 on success.
int write_png_rgb(const char* path, const uint32_t* pixels, int width, int height);
