// The software renderer of the sprite layer.
#pragma once

#include <cstdint>

// Paints every visible sprite pixel of oam into frame (240 x 160 pixels);
// other pixels keep their values.
void render_sprite_layer(uint32_t* frame);
