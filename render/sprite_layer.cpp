#include "render/sprite_layer.h"

// Placeholder until the renderer lands.
void render_sprite_layer(uint32_t*) {}
