// The loop of the key probes (Win32 and SDL2): with the window open, prints
// KEYINPUT (hexadecimal, one line) each time a keyboard poll changes it, so
// a test can press keys in the window and read back what the key register
// saw. each_frame, when given, runs before each poll (the SDL2 probe drives
// its virtual controller there). Returns 0 when the window is closed, 1
// after a minute.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "host/host.h"
#include "hw/registers.h"
#include "platform/platform.h"

// Prints the cost of reading the buttons once (the keys and every pad), as a
// frame's poll does: the median and the slowest of 2001 reads in a row.
inline void print_buttons_read_cost() {
    static long long times[2001];
    for (long long& t : times) {
        const auto start = std::chrono::steady_clock::now();
        static_cast<void>(platform_buttons_held());
        t = std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - start)
                .count();
    }
    const long long slowest = *std::max_element(times, times + 2001);
    std::nth_element(times, times + 1000, times + 2001);
    std::printf("buttons read in %lld ns (median of 2001; slowest %lld ns)\n", times[1000], slowest);
    std::fflush(stdout);
}

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
