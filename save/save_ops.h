// The game's save operations, one call per frame until they return 1 (save,
// erase and copy a slot, the two result saves), the slot summaries in
// slot_info, and the new-game setup and game start.
//
// Part of the program on purpose and complete, although no game mode that
// runs here (the boot fade and the intro) calls them yet: they are the game's
// own services, kept whole and tested, for the modes that will.
#pragma once

#include <cstdint>

// Multi-frame operations: 0 while running, 1 on the call that ends them.
int save_new_slot();                      // 14 calls
int save_game();                          // 24 calls; leaves save_stage at 5
int save_result_and_time();               // 24 calls
int save_result();                        // 24 calls
int erase_slot(uint8_t slot);             // 23 calls; a slot above 2 ends at once
int copy_slot(uint8_t from, uint8_t to);  // 23 calls; a slot above 2 ends at once

void refresh_slot_info();
void repair_slot(uint8_t slot);
void reset_new_game_state();
void start_from_slot();
// Kind 0: from current_slot; 1: a fresh game without a slot; 3: load
// current_slot if it is in use; other kinds: only the common settings.
void start_game(uint8_t kind);
// start_game with an empty vblank callback; the in_use of the slot started.
int8_t begin_game(uint8_t kind);
// Copies the low 8 bits of length bytes forward, one at a time.
void copy_short(void* destination, const void* source, uint32_t length);
