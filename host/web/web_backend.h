// The browser back end: the calls into the page (web_library.js) that the
// seam's functions make. The ones that wait (the chooser, a message box, the
// digest, the frame sleep) suspend the program with Asyncify and resume it
// when the page answers, so they block from the program's point of view.
#pragma once

#include <cstddef>
#include <cstdint>

// One game controller as the page reads it (the Gamepad API's standard
// mapping): bit n of buttons is standard button n; the left stick from -1 to
// 1 (y down); the triggers from 0 to 1.
struct web_pad {
    uint32_t buttons;
    float left_x, left_y;
    float left_trigger, right_trigger;
};
static_assert(sizeof(web_pad) == 20, "the page writes five 4-byte fields a pad");

extern "C" {
// Shows the window frame with its canvas; 1 when the page has one.
int web_open_window();
void web_destroy_window();
// 0 once the close control was used, else 1.
int web_drain();
// Converts the 240 x 160 frame buffer to the canvas.
void web_present(const uint32_t* frame);
int web_buttons_held();  // a mask of hw/keys.h's bits, 1 = held
// Fills up to room pads in the Gamepad API's standard mapping; returns how many.
int web_read_pads(web_pad* pads, int room);
// The chooser dialog; 1 with the chosen file's path in the page's file system.
int web_choose_file(char* path, size_t capacity);
// kind: 0 error, 1 information, 2 no icon. Returns when dismissed.
void web_message_box(const char* text, const char* caption, int kind);
// SHA-1 with the browser's Web Crypto; 1 with the digest, 0 on failure.
int web_sha1(const uint8_t* data, size_t size, uint8_t* digest);
void web_sleep_frame();
// The program ended with this exit code.
void web_program_ended(int code);
}
