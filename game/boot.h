// Game mode 0: the six-frame boot fade and its vertical-blank callback.
#pragma once

void boot_fade_setup();
// 1 once the fade is over, else 0.
int boot_fade_step();
void boot_fade_vblank();
