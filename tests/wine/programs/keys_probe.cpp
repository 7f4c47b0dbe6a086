// The Win32 window with the key mapping and no game: prints KEYINPUT each
// time it changes (tests/support/keys_probe_loop.h).
#include <windows.h>

#include "host/win32/win32_window.h"
#include "platform/platform.h"
#include "tests/support/keys_probe_loop.h"

int main() {
    fill_presentation_header();
    if (platform_open_window(GetModuleHandleA(nullptr)) != window_open_result::ok) return 1;
    platform_show_window(SW_SHOWDEFAULT);
    return run_keys_probe_loop();
}
