// Layouts that search_render found slow for the sprite renderer, as oam
// entries (attributes 0, 1 and 2), over tiles filled for 16 colours.
#pragma once

#include <cstdint>

using searched_layout = uint16_t[128][3];

// Every pixel opaque.
extern const searched_layout searched_opaque;
// About half the pixels transparent, at random.
extern const searched_layout searched_scattered;
