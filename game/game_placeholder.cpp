// Placeholder until the game flow lands.
#include "game/game.h"

void game_reset() {}
void game_mode_step() {}
void check_soft_reset() {}
