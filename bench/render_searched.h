// Layouts that search_render found slow for the sprite renderer, as oam
// entries (attributes 0, 1 and 2), over tiles filled for 16 colours. The
// first of each pair was found against an earlier renderer that stored
// colours pixel by pixel, the second against the one that blends indices.
#pragma once

#include <cstdint>

using searched_layout = uint16_t[128][3];

// Every pixel opaque.
extern const searched_layout searched_opaque[2];
// About half the pixels transparent, at random.
extern const searched_layout searched_scattered[2];
