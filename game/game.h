// The game's own start: reset, the per-frame game-mode step and the
// soft-reset check, as the host's frame loop calls them.
#pragma once

void game_reset();
void game_mode_step();
void check_soft_reset();
