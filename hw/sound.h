// The game's sound requests. The program has no sound: each returns at once.
#pragma once

#include <cstdint>

void sound_request(uint32_t number);
void sound_request2(uint32_t number, uint32_t value);
uint8_t text_sound_start();
void sound_fade_music(uint32_t number);    // made twice with 10 when the intro is skipped
void sound_fade_effects(uint32_t number);  // the second of those two
void sound_play_music(uint32_t number);    // the intro's setup, with 1
void sound_init();                         // the reset, before the save check
void sound_restart();                      // the reset, after the save check
