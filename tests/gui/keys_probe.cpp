// The SDL2 window with the key mapping and no game: prints KEYINPUT each
// time it changes (tests/support/keys_probe_loop.h).
//
// With --virtual-pad it also reads commands from standard input, one a line,
// and plays them on one of SDL's virtual game controllers, which the back end
// finds and reads as it does a real one:
//   attach | detach | button N 0|1 | axis N VALUE   (SDL's button and axis numbers)
//   measure   (prints the median time of one platform_buttons_held, over 2001 calls)
// With --virtual-pad --play it runs the whole program instead (run_host), the
// commands read on a thread of their own. With --virtual-pad --attach-first
// the pad is plugged in before the window (and SDL's controller support)
// starts.
#define SDL_MAIN_HANDLED
#include <SDL.h>
#include <poll.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <thread>

#include "host/host.h"
#include "platform/platform.h"
#include "tests/support/keys_probe_loop.h"

namespace {

SDL_Joystick* virtual_pad;

void attach() {
    if (virtual_pad) return;
    const int index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, SDL_CONTROLLER_AXIS_MAX,
                                                SDL_CONTROLLER_BUTTON_MAX, 0);
    if (index >= 0) virtual_pad = SDL_JoystickOpen(index);
    std::printf("attached %s\n", virtual_pad ? "yes" : SDL_GetError());
}

void detach() {
    if (!virtual_pad) return;
    const SDL_JoystickID id = SDL_JoystickInstanceID(virtual_pad);
    for (int i = 0; i < SDL_NumJoysticks(); ++i) {
        if (SDL_JoystickGetDeviceInstanceID(i) != id) continue;
        SDL_JoystickClose(virtual_pad);
        virtual_pad = nullptr;
        SDL_JoystickDetachVirtual(i);
        break;
    }
    std::printf("detached\n");
}

void run_command(const char* line) {
    int number = 0;
    int value = 0;
    if (std::strncmp(line, "measure", 7) == 0) {
        print_buttons_read_cost();
    } else if (std::strncmp(line, "attach", 6) == 0) {
        attach();
    } else if (std::strncmp(line, "detach", 6) == 0) {
        detach();
    } else if (std::sscanf(line, "button %d %d", &number, &value) == 2 && virtual_pad) {
        SDL_JoystickSetVirtualButton(virtual_pad, number, static_cast<Uint8>(value));
    } else if (std::sscanf(line, "axis %d %d", &number, &value) == 2 && virtual_pad) {
        SDL_JoystickSetVirtualAxis(virtual_pad, number, static_cast<Sint16>(value));
    }
    std::fflush(stdout);
}

// The commands that have arrived, without waiting for more.
void read_commands() {
    static char pending[4096];
    static size_t used;
    pollfd input{STDIN_FILENO, POLLIN, 0};
    while (poll(&input, 1, 0) > 0 && (input.revents & POLLIN)) {
        const ssize_t got = read(STDIN_FILENO, pending + used, sizeof pending - 1 - used);
        if (got <= 0) return;
        used += static_cast<size_t>(got);
        pending[used] = '\0';
        char* line = pending;
        while (char* end = std::strchr(line, '\n')) {
            *end = '\0';
            run_command(line);
            line = end + 1;
        }
        used = std::strlen(line);
        std::memmove(pending, line, used + 1);
        if (used == sizeof pending - 1) used = 0;  // a line too long to be a command
    }
}

// Commands as they come, for the whole program's run.
void read_commands_blocking() {
    for (std::string line; std::getline(std::cin, line);) run_command(line.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    const bool with_pad = argc > 1 && std::strcmp(argv[1], "--virtual-pad") == 0;
    if (with_pad && argc > 2 && std::strcmp(argv[2], "--play") == 0) {
        std::thread(read_commands_blocking).detach();
        return run_host(nullptr, "", 10);
    }
    if (with_pad && argc > 2 && std::strcmp(argv[2], "--attach-first") == 0) {
        SDL_SetMainReady();
        if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) != 0) return 1;
        attach();
    }
    if (platform_open_window(nullptr) != window_open_result::ok) return 1;
    platform_show_window(10);  // the Windows "show as default" state
    return run_keys_probe_loop(with_pad ? read_commands : nullptr);
}
