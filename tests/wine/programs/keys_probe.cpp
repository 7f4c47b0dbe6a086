// The Win32 window with the key mapping and no game: prints KEYINPUT each
// time it changes (tests/support/keys_probe_loop.h). With --measure it first
// prints what reading the buttons costs.
#include <windows.h>

#include <cstring>

#include "host/win32/win32_window.h"
#include "platform/platform.h"
#include "tests/support/keys_probe_loop.h"

int main(int argc, char** argv) {
    fill_presentation_header();
    if (platform_open_window(GetModuleHandleA(nullptr)) != window_open_result::ok) return 1;
    platform_show_window(SW_SHOWDEFAULT);
    if (argc > 1 && std::strcmp(argv[1], "--measure") == 0) print_buttons_read_cost();
    return run_keys_probe_loop();
}
