// The icon: a gold crescent moon and a star over a night-blue tile with a
// lighter rim, the sea at its foot. One character a pixel.
#include "icon_art.h"

namespace {

// clang-format off
constexpr const char* art[icon_art_size] = {
    "..bbbbbbbbbbbb..",
    ".bnnnnnnnnnnnnb.",
    "bnnnnnnnnnnnwnnb",
    "bnnnnyyyynnnnnnb",
    "bnnnyyyynnnnnnnb",
    "bnnyyyynnnnwnnnb",
    "bnnyyynnnnnnnnnb",
    "bnyyyynnnnnnnnnb",
    "bnyyyynnnnnnnnnb",
    "bnnyyynnnnnnnnnb",
    "bnnyyyynnnnnnnnb",
    "bnnnyyyynnnnnnnb",
    "bnnnnyyyynnnnnnb",
    "bssssssssssssssb",
    ".bsswssssswsssb.",
    "..bbbbbbbbbbbb..",
};
// clang-format on

constexpr bool rows_are_square() {
    for (const char* row : art) {
        int length = 0;
        while (row[length]) ++length;
        if (length != icon_art_size) return false;
    }
    return true;
}
static_assert(rows_are_square(), "every row of the icon art is 16 characters");

uint32_t colour_of(char c) {
    switch (c) {
        case 'b':
            return 0xFF6A8CC8;  // rim
        case 'n':
            return 0xFF14204A;  // night sky
        case 'y':
            return 0xFFF2C230;  // moon
        case 'w':
            return 0xFFFFF4D0;  // star and wave crests
        case 's':
            return 0xFF1F5C8C;  // sea
        default:
            return 0;
    }
}

}  // namespace

uint32_t icon_art_pixel(int x, int y) {
    if (x < 0 || y < 0 || x >= icon_art_size || y >= icon_art_size) return 0;
    return colour_of(art[y][x]);
}
