// The program's entry over the platform seam: self-tests, window, loader,
// boot and the frame loop.
#pragma once

// Returns the process exit code (0 or 1).
int run_host(void* instance, const char* command_line, int show_command);

// Stores the ten buttons, from the keys and any game controller, into
// KEYINPUT (active low).
void poll_keyboard();
