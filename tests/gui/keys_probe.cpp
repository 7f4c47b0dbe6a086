// Opens the SDL2 program's window and prints KEYINPUT (hexadecimal, one line)
// each time a keyboard poll changes it, so a test can press keys in the
// window and read back what the key register saw. Ends with exit code 0
// when the window is closed, 1 after a minute.
#define SDL_MAIN_HANDLED
#include <SDL.h>

#include <cstdio>

#include "host/host.h"
#include "hw/registers.h"
#include "platform/platform.h"

int main(int, char**) {
    if (platform_open_window(nullptr) != window_open_result::ok) return 1;
    platform_show_window(10);
    int last = -1;
    for (int frame = 0; frame < 60 * 60; ++frame) {
        if (!platform_drain_messages()) return 0;
        poll_keyboard();
        const int value = reg_load16(KEYINPUT);
        if (value != last) {
            std::printf("KEYINPUT %04X\n", value);
            std::fflush(stdout);
            last = value;
        }
        platform_present();
        platform_sleep_frame();
    }
    return 1;
}
