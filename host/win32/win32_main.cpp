// The Windows entry: fills the presentation header, raises the timer
// resolution for the frame pacing and runs the program.
#include <windows.h>
// after windows.h, which they build on
#include <mmsystem.h>

#include "host/host.h"
#include "host/win32/win32_window.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR command_line, int) {
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    GetStartupInfoA(&startup);
    const int show_command = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : SW_SHOWDEFAULT;

    fill_presentation_header();
    // The default 15.6 ms timer tick would stretch each 16 ms frame sleep to
    // two ticks; a 1 ms resolution keeps the frames at about 16 ms.
    timeBeginPeriod(1);
    const int exit_code = run_host(instance, command_line, show_command);
    timeEndPeriod(1);
    return exit_code;
}
