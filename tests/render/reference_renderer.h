// A plain per-pixel sprite-layer renderer, written straight from the rules
// and with no shortcuts, that the fast renderer is checked against.
#pragma once
#include <cstdint>

void reference_render_sprite_layer(uint32_t* frame);
