// Message boxes, SHA-1 and the frame sleep on SDL2.
#include <cerrno>
#include <cstdio>
#include <ctime>

#include "host/openssl/openssl_sha1.h"
#include "host/platform.h"
#include "host/sdl/sdl_backend.h"

void platform_message_box(message_owner owner, const char* text, const char* caption, message_kind kind) {
    Uint32 flags = 0;
    if (kind == message_kind::error) flags = SDL_MESSAGEBOX_ERROR;
    if (kind == message_kind::information) flags = SDL_MESSAGEBOX_INFORMATION;
    SDL_Window* parent = owner == message_owner::main_window ? main_window : nullptr;
    if (sdl_video_ready() && SDL_ShowSimpleMessageBox(flags, caption, text, parent) == 0) return;
    // No display to show it on: the terminal gets it instead.
    std::fprintf(stderr, "%s: %s\n", caption ? caption : "", text ? text : "");
}

int platform_sha1(const uint8_t* data, size_t size, uint8_t digest[20]) {
    return openssl_sha1(data, size, digest);
}

void platform_sleep_frame() {
    timespec rest{0, 16 * 1000 * 1000};
    // A signal cuts the sleep short; finish the remainder.
    while (nanosleep(&rest, &rest) != 0 && errno == EINTR) {
    }
}
