// Message boxes, SHA-1 and the frame sleep on SDL2.
#include <cerrno>
#include <cstdio>
#include <ctime>

#include "host/openssl/openssl_sha1.h"
#include "host/sdl/sdl_backend.h"
#include "platform/platform.h"

namespace {

struct box_request {
    Uint32 flags;
    const char* caption;
    const char* text;
    SDL_Window* parent;
    int result;
    SDL_atomic_t done;
};

int show_box(void* data) {
    auto* box = static_cast<box_request*>(data);
    box->result = SDL_ShowSimpleMessageBox(box->flags, box->caption, box->text, box->parent);
    SDL_AtomicSet(&box->done, 1);
    return 0;
}

// Shows the box and returns when it is dismissed. On X11 and Wayland SDL's
// box waits in a child process, so it runs on a helper thread while this one
// keeps repainting the main window whenever it is uncovered; elsewhere (the
// macOS box must run on the main thread) it is shown directly.
int show_box_repainting(box_request& box) {
#ifdef __linux__
    if (main_window) {
        SDL_Thread* helper = SDL_CreateThread(show_box, "message box", &box);
        if (helper) {
            while (!SDL_AtomicGet(&box.done)) {
                sdl_service_exposures();
                SDL_Delay(20);
            }
            SDL_WaitThread(helper, nullptr);
            return box.result;
        }
    }
#endif
    show_box(&box);
    return box.result;
}

}  // namespace

void platform_message_box(message_owner owner, const char* text, const char* caption, message_kind kind) {
    Uint32 flags = 0;
    if (kind == message_kind::error) flags = SDL_MESSAGEBOX_ERROR;
    if (kind == message_kind::information) flags = SDL_MESSAGEBOX_INFORMATION;
    SDL_Window* parent = owner == message_owner::main_window ? main_window : nullptr;
    if (sdl_video_ready()) {
        // The window shows the frame buffer under the box, not what a closed
        // file dialog or an earlier box left on it.
        sdl_present_frame();
        box_request box{flags, caption, text, parent, -1, {0}};
        if (show_box_repainting(box) == 0) return;
    }
    // No display to show it on: the terminal gets it instead.
    std::fprintf(stderr, "%s: %s\n", caption ? caption : "", text ? text : "");
}

int platform_sha1(const uint8_t* data, size_t size, uint8_t digest[20]) {
    return openssl_sha1(data, size, digest);
}

void platform_sleep_frame() {
    timespec rest{0, 16L * 1000 * 1000};
    // A signal cuts the sleep short; finish the remainder.
    while (nanosleep(&rest, &rest) != 0 && errno == EINTR) {
    }
}
