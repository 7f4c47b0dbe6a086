// The loop of the key probes (Win32 and SDL2): with the window open, prints
// KEYINPUT (hexadecimal, one line) each time a keyboard poll changes it, so
// a test can press keys in the window and read back what the key register
// saw. each_frame, when given, runs before each poll (the SDL2 probe drives
// its virtual controller there). Returns 0 when the window is closed, 1
// after a minute.
#pragma once

#include <cstdio>

#include "host/host.h"
#include "hw/registers.h"
#include "platform/platform.h"

inline int run_keys_probe_loop(void (*each_frame)() = nullptr) {
    int last = -1;
    for (int frame = 0; frame < 60 * 60; ++frame) {
        if (!platform_drain_messages()) return 0;
        if (each_frame) each_frame();
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
