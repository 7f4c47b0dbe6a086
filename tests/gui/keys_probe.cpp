// The SDL2 window with the key mapping and no game: prints KEYINPUT each
// time it changes (tests/support/keys_probe_loop.h).
#define SDL_MAIN_HANDLED
#include <SDL.h>

#include "platform/platform.h"
#include "tests/support/keys_probe_loop.h"

int main(int, char**) {
    if (platform_open_window(nullptr) != window_open_result::ok) return 1;
    platform_show_window(10);  // the Windows "show as default" state
    return run_keys_probe_loop();
}
