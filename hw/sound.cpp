#include "hw/sound.h"

void sound_request(uint32_t) {}
void sound_request2(uint32_t, uint32_t) {}
uint8_t text_sound_start() { return 1; }
void sound_fade_music(uint32_t) {}
void sound_fade_effects(uint32_t) {}
void sound_play_music(uint32_t) {}
void sound_init() {}
void sound_restart() {}
