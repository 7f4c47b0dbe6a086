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

// Display scaling (win32_dpi.cpp): resizes the window so that its client area
// is client_width x client_height logical pixels at the window's DPI (nothing
// at 96 DPI), and takes the rectangle of a WM_DPICHANGED.
void fit_client_area_to_dpi(HWND window, LONG client_width, LONG client_height, DWORD style);
void apply_suggested_rect(HWND window, const RECT& suggested);
