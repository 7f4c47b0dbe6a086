// The platform seam: everything a host back end supplies, and nothing else.
// The start-up order and the frame loop (host/host.cpp) are written once over
// these calls; each executable links exactly one back end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

enum class window_open_result { ok, class_failed, window_failed };
enum class message_owner { none, main_window };
enum class message_kind { error, information, plain };

// Registers the window class and creates the main window, its client area
// product_client_width x product_client_height (platform/product.h).
window_open_result platform_open_window(void* instance);
void platform_show_window(int show_command);
void platform_destroy_window();

// Handles every pending message without blocking (presenting on a paint
// request). Returns 0 when the program must quit, else 1.
int platform_drain_messages();

// Presents frame_buffer stretched over the whole client area.
void platform_present();

// The handheld's buttons held at this moment, by the keyboard or any game
// controller: a mask of hw/keys.h's bits, 1 = held (bits 10-15 zero). Each
// back end maps its own keys and passes its pads through host/controller.h.
uint16_t platform_buttons_held();

// The file chooser (product_chooser_title, the ROM filter first, then All
// Files, existing files only). Returns 1 with a NUL-terminated path, 0 when cancelled.
int platform_choose_file(char* path, size_t capacity);

// Opens path for reading ("rb") only when it names a regular file, without
// waiting on it (a directory or a FIFO gives null). Null on any failure.
FILE* platform_open_regular_file(const char* path);

// A modal message box; returns when dismissed.
void platform_message_box(message_owner owner, const char* text, const char* caption, message_kind kind);

// SHA-1 of a block. Returns 1 with the 20-byte digest, 0 on failure.
int platform_sha1(const uint8_t* data, size_t size, uint8_t digest[20]);

// Sleeps 16 ms: the frame pacing.
void platform_sleep_frame();
