// The scripted back end: every answer comes from fixed-size tables filled
// before the run, so frames run without allocating or blocking.
#include "host/headless/headless.h"

#include <cstdio>
#include <cstring>

#include "host/openssl/openssl_sha1.h"
#include "platform/platform.h"

namespace {

struct hold_entry {
    uint32_t first;
    uint32_t last;
    uint16_t buttons;
};

constexpr int max_holds = 64;
constexpr int max_messages = 16;
constexpr size_t max_path = 4096;

struct headless_state {
    char rom_path[max_path];
    int has_rom_path;
    uint32_t frame_limit;
    uint32_t frame;
    uint32_t drain_calls;
    hold_entry holds[max_holds];
    int hold_count;
    void (*present_hook)(uint32_t frame);
    void (*message_hook)(const headless_message& message);
    window_open_result window_failure;
    int sha1_failure;
    headless_message messages[max_messages];
    int message_count;
    uint32_t messages_shown;
    uint32_t present_count;
    uint32_t sleep_count;
    int window_open;
    int show_command;
    uint32_t choose_count;
    uint32_t button_queries;
    uint32_t sha1_count;
};

headless_state state;

void copy_cut(char* destination, size_t capacity, const char* source) {
    if (!source) source = "";
    size_t length = std::strlen(source);
    if (length >= capacity) length = capacity - 1;
    std::memcpy(destination, source, length);
    destination[length] = '\0';
}

}  // namespace

void headless_reset() { state = headless_state{}; }

void headless_set_rom_path(const char* path) {
    if (!path) {
        state.has_rom_path = 0;
        state.rom_path[0] = '\0';
        return;
    }
    copy_cut(state.rom_path, sizeof state.rom_path, path);
    state.has_rom_path = 1;
}

void headless_set_frame_limit(uint32_t frames) { state.frame_limit = frames; }

void headless_hold_buttons(uint32_t first, uint32_t last, uint16_t buttons) {
    if (state.hold_count >= max_holds) return;
    state.holds[state.hold_count++] = {first, last, static_cast<uint16_t>(buttons & 0x03FF)};
}

uint32_t headless_frame() { return state.frame; }

void headless_set_present_hook(void (*hook)(uint32_t frame)) { state.present_hook = hook; }

void headless_set_message_hook(void (*hook)(const headless_message& message)) { state.message_hook = hook; }

void headless_fail_window(window_open_result result) { state.window_failure = result; }

void headless_fail_sha1(int fail) { state.sha1_failure = fail; }

int headless_message_count() { return state.message_count; }

const headless_message& headless_message_at(int index) {
    static const headless_message none{};
    if (index < 0 || index >= state.message_count) return none;
    return state.messages[index];
}

uint32_t headless_messages_shown() { return state.messages_shown; }
uint32_t headless_present_count() { return state.present_count; }
uint32_t headless_sleep_count() { return state.sleep_count; }
int headless_window_open() { return state.window_open; }
int headless_show_command() { return state.show_command; }
uint32_t headless_choose_count() { return state.choose_count; }

uint32_t headless_sha1_count() { return state.sha1_count; }

uint32_t headless_button_query_count() { return state.button_queries; }

uint16_t headless_buttons_on(uint32_t frame) {
    uint16_t buttons = 0;
    for (int i = 0; i < state.hold_count; ++i) {
        const hold_entry& hold = state.holds[i];
        if (frame >= hold.first && frame <= hold.last) buttons |= hold.buttons;
    }
    return buttons;
}

// The seam.

window_open_result platform_open_window(void*) {
    if (state.window_failure != window_open_result::ok) return state.window_failure;
    state.window_open = 1;
    return window_open_result::ok;
}

void platform_show_window(int show_command) { state.show_command = show_command; }

void platform_destroy_window() { state.window_open = 0; }

int platform_drain_messages() {
    // Call n is the check before loop pass n; passes 1..limit run.
    const uint32_t next = state.drain_calls + 1;
    state.drain_calls = next;
    if (next > state.frame_limit) return 0;
    state.frame = next;
    return 1;
}

void platform_present() {
    ++state.present_count;
    if (state.present_hook) state.present_hook(state.frame);
}

// The script names the handheld's buttons themselves: no keys to map.
uint16_t platform_buttons_held() {
    ++state.button_queries;
    return headless_buttons_on(state.frame);
}

int platform_choose_file(char* path, size_t capacity) {
    ++state.choose_count;
    if (!state.has_rom_path || !path || capacity == 0) return 0;
    // A path that does not fit is a failed dialog, never a shortened path.
    if (std::strlen(state.rom_path) >= capacity) return 0;
    std::memcpy(path, state.rom_path, std::strlen(state.rom_path) + 1);
    return 1;
}

void platform_message_box(message_owner owner, const char* text, const char* caption, message_kind kind) {
    ++state.messages_shown;
    headless_message shown{};
    shown.owner = owner;
    shown.kind = kind;
    copy_cut(shown.text, sizeof shown.text, text);
    copy_cut(shown.caption, sizeof shown.caption, caption);
    if (state.message_count < max_messages) state.messages[state.message_count++] = shown;
    if (state.message_hook) state.message_hook(shown);
}

int platform_sha1(const uint8_t* data, size_t size, uint8_t digest[20]) {
    ++state.sha1_count;
    if (state.sha1_failure) return 0;
    return openssl_sha1(data, size, digest);
}

void platform_sleep_frame() { ++state.sleep_count; }
