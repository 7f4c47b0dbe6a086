// The scripted, instant back end that tests and tools run the real program
// on: the chooser answers a given path or a cancel, the keys held on each
// frame come from a script, the drain reports quit after a given number of
// frames, message boxes are recorded and answered at once, sleeps are
// counted, not slept. Nothing here allocates while frames run.
#pragma once

#include <cstdint>

#include "platform/platform.h"

// Back to the start: no script, nothing recorded.
void headless_reset();

// The chooser's answer: a path, or null for a cancel (the default).
void headless_set_rom_path(const char* path);

// The drain reports quit at the check before loop pass frames + 1, so exactly
// `frames` passes of the frame loop run (default 0).
void headless_set_frame_limit(uint32_t frames);

// Holds buttons (active-high KEYINPUT bits: A = 0x001 .. L = 0x200) on frames
// first..last inclusive. Frame 0 is the single poll before the reset, frame
// 1 the first pass of the loop. Up to 64 entries; later entries add buttons.
void headless_hold_buttons(uint32_t first, uint32_t last, uint16_t buttons);

// The loop pass now running (0 before the first drain).
uint32_t headless_frame();

// Called after each present with the pass number; may be null.
void headless_set_present_hook(void (*hook)(uint32_t frame));

// Failure injection for the start-up paths.
void headless_fail_window(window_open_result result);
void headless_fail_sha1(int fail);

// Recorded message boxes (at most 16; texts cut at 1,023 bytes).
struct headless_message {
    message_owner owner;
    message_kind kind;
    char text[1024];
    char caption[128];
};
int headless_message_count();
const headless_message& headless_message_at(int index);

// Called with each message box as it is shown; may be null.
void headless_set_message_hook(void (*hook)(const headless_message& message));

// Counters.
uint32_t headless_present_count();
uint32_t headless_sleep_count();
int headless_window_open();          // 1 between open and destroy
uint32_t headless_messages_shown();  // every box, also past the 16 recorded
int headless_show_command();         // as passed to platform_show_window
uint32_t headless_choose_count();    // file chooser runs
uint32_t headless_sha1_count();      // digests asked for

// How often the held buttons were asked for.
uint32_t headless_button_query_count();

// The active-high buttons the script holds on a frame.
uint16_t headless_buttons_on(uint32_t frame);
