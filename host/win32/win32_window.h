// The Win32 window: its class, procedure and presentation of frame_buffer.
#pragma once

#include <windows.h>

// Describes frame_buffer to StretchDIBits; filled once by
// fill_presentation_header at start-up and never changed after.
extern BITMAPINFO presentation_header;
void fill_presentation_header();

// The main window while it exists, else null.
extern HWND main_window;

LRESULT CALLBACK window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// Stretches frame_buffer over the window's whole client area.
void present_frame(HWND window);
