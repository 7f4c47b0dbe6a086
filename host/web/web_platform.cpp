// The platform seam in a web page: each call goes to the page's side of the
// back end (web_library.js).
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

uint16_t platform_buttons_held() { return static_cast<uint16_t>(web_buttons_held()); }

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
