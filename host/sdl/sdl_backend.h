// State the SDL2 back end's files share: the main window and its renderer,
// and the lazily started video subsystem.
#pragma once

#include <SDL.h>

// The main window while it exists, else null.
extern SDL_Window* main_window;

// Starts SDL's video subsystem once. 1 when a display is available.
int sdl_video_ready();

// Draws frame_buffer over the main window's whole client area and presents it.
void sdl_present_frame();

// Handles the pending window-system events that ask for a repaint, leaving
// every other event (a quit above all) queued for the frame loop's drain.
void sdl_service_exposures();

// The keyboard and the game controllers (sdl_input.cpp): the letter keys
// taken from the layout again, the controller subsystem started once (with
// the window), and the events that plug pads in and out or change the layout.
void sdl_map_keys();
void sdl_start_controllers();
void sdl_input_event(const SDL_Event& event);
