// The platform seam in a web page: each call goes to the page's side of the
// back end (web_library.js).
#include "host/controller.h"
#include "host/web/web_backend.h"
#include "hw/regions.h"
#include "platform/platform.h"

window_open_result platform_open_window(void*) {
    return web_open_window() ? window_open_result::ok : window_open_result::window_failed;
}

void platform_show_window(int) {}

void platform_destroy_window() { web_destroy_window(); }

int platform_drain_messages() { return web_drain(); }

void platform_present() { web_present(frame_buffer); }

namespace {

// The Gamepad API's standard buttons, by index, as the pads' buttons by
// position; 6 and 7 are the triggers, read by their values.
constexpr int no_button = -1;
constexpr int standard_buttons[17] = {
    pad_south,   pad_east,      pad_west,      pad_north,      pad_left_shoulder, pad_right_shoulder,
    no_button,   no_button,     pad_back,      pad_start,      pad_left_stick,    pad_right_stick,
    pad_dpad_up, pad_dpad_down, pad_dpad_left, pad_dpad_right, pad_guide,
};

constexpr int max_pads = 4;
web_pad pads[max_pads];

}  // namespace

// The keys the page holds, and every pad it reads this frame through the
// controller mapping of every host.
uint16_t platform_buttons_held() {
    uint16_t held = static_cast<uint16_t>(web_buttons_held());
    const int count = web_read_pads(pads, max_pads);
    for (int i = 0; i < count && i < max_pads; ++i) {
        pad_state pad;
        for (int b = 0; b < 17; ++b)
            if ((pads[i].buttons >> b & 1u) && standard_buttons[b] != no_button)
                pad.buttons |= 1u << standard_buttons[b];
        pad.left_x = pads[i].left_x;
        pad.left_y = pads[i].left_y;
        pad.left_trigger = pads[i].left_trigger;
        pad.right_trigger = pads[i].right_trigger;
        held |= pad_buttons_held(pad);
    }
    return held;
}

int platform_choose_file(char* path, size_t capacity) {
    if (!path || capacity == 0) return 0;
    return web_choose_file(path, capacity);
}

void platform_message_box(message_owner, const char* text, const char* caption, message_kind kind) {
    const int code = kind == message_kind::error ? 0 : kind == message_kind::information ? 1 : 2;
    web_message_box(text ? text : "", caption ? caption : "", code);
}

int platform_sha1(const uint8_t* data, size_t size, uint8_t digest[20]) {
    return data && digest ? web_sha1(data, size, digest) : 0;
}

void platform_sleep_frame() { web_sleep_frame(); }
