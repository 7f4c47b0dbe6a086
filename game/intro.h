// Game mode 1: the intro's driver (setup, fade-in, the scenes, the end),
// its two vertical-blank callbacks and the table of its eight scenes.
#pragma once

#include <cstdint>

#include "rom/cartridge_map.h"

// 1 once the intro has ended (stage 3), else 0.
int intro_step();
void intro_vblank();
void intro_vblank_palette();

// A scene runs one frame; non-zero means the intro is over.
using intro_scene_fn = uint8_t (*)();
constexpr int intro_scene_count = 8;
extern const intro_scene_fn intro_scene_table[intro_scene_count];

uint8_t intro_scene_0();
uint8_t intro_scene_1();
uint8_t intro_scene_2();
uint8_t intro_scene_3();
uint8_t intro_scene_4();
uint8_t intro_scene_5();
uint8_t intro_scene_6();
uint8_t intro_scene_7();

// Loads that skip a refused ROM range, leaving the destination as it was.
void intro_load_lz77(const rom_area& area, uint8_t* dst);
void intro_load_copy(const rom_area& area, uint8_t* dst);
