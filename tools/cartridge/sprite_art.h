// The intro's pictures as text art: named grids of palette digits, and the
// palettes they are drawn with.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct art_grid {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;  // colour index per pixel, row-major
};

// The grid called name, parsed from the art source ('.' is 0, '1'..'9' and
// 'a'..'f' the colour indices). Aborts on a missing or malformed grid.
const art_grid& sprite_art(const std::string& name);
