// The program's entry on Linux and macOS.
#define SDL_MAIN_HANDLED
#include <SDL.h>

#include "host/host.h"

int main(int, char**) {
    // 10 is the Windows "show as default" state; this back end always shows.
    const int exit_code = run_host(nullptr, "", 10);
    SDL_Quit();
    return exit_code;
}
