// The main window, its messages and the presentation of frame_buffer.
#include "host/win32/win32_window.h"

#include "hw/regions.h"
#include "platform/platform.h"
#include "platform/product.h"

BITMAPINFO presentation_header;
HWND main_window;

namespace {
constexpr const char* window_class_name = product_window_class;
constexpr const char* window_title = product_window_title;
constexpr LONG client_width = product_client_width;
constexpr LONG client_height = product_client_height;
constexpr DWORD window_style = WS_OVERLAPPEDWINDOW;
static_assert(WS_OVERLAPPEDWINDOW == 0x00CF0000);
}  // namespace

void fill_presentation_header() {
    BITMAPINFO header{};
    header.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    header.bmiHeader.biWidth = screen_width;
    header.bmiHeader.biHeight = -screen_height;  // top row first
    header.bmiHeader.biPlanes = 1;
    header.bmiHeader.biBitCount = 32;
    header.bmiHeader.biCompression = BI_RGB;
    presentation_header = header;
}
static_assert(sizeof(BITMAPINFOHEADER) == 40);

void present_frame(HWND window) {
    RECT client;
    GetClientRect(window, &client);
    HDC dc = GetDC(window);
    if (!dc) return;
    // Nearest-neighbour scaling keeps the colours exact when the window is
    // smaller than the picture (the default mode darkens them).
    SetStretchBltMode(dc, COLORONCOLOR);
    StretchDIBits(dc, 0, 0, client.right - client.left, client.bottom - client.top, 0, 0, screen_width,
                  screen_height, frame_buffer, &presentation_header, DIB_RGB_COLORS, SRCCOPY);
    ReleaseDC(window, dc);
}

LRESULT CALLBACK window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT paint;
            BeginPaint(window, &paint);
            EndPaint(window, &paint);
            present_frame(window);
            return 0;
        }
        case WM_ERASEBKGND:
            return 1;        // the picture covers the whole client area
        case WM_DPICHANGED:  // moved to a monitor of another scale
            apply_suggested_rect(window, *reinterpret_cast<const RECT*>(lparam));
            return 0;
        case WM_DESTROY:
            if (window == main_window) main_window = nullptr;
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcA(window, message, wparam, lparam);
    }
}

window_open_result platform_open_window(void* instance) {
    WNDCLASSA window_class{};
    window_class.style = 0;
    window_class.lpfnWndProc = window_procedure;
    window_class.hInstance = static_cast<HINSTANCE>(instance);
    window_class.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    window_class.lpszClassName = window_class_name;
    if (!RegisterClassA(&window_class)) return window_open_result::class_failed;

    RECT frame{0, 0, client_width, client_height};
    AdjustWindowRect(&frame, window_style, FALSE);
    main_window = CreateWindowExA(0, window_class_name, window_title, window_style, CW_USEDEFAULT,
                                  CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top, nullptr,
                                  nullptr, static_cast<HINSTANCE>(instance), nullptr);
    if (!main_window) return window_open_result::window_failed;
    fit_client_area_to_dpi(main_window, client_width, client_height, window_style);
    return window_open_result::ok;
}

void platform_show_window(int show_command) {
    if (main_window) ShowWindow(main_window, show_command);
}

void platform_destroy_window() {
    if (main_window) DestroyWindow(main_window);
    main_window = nullptr;
}

int platform_drain_messages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) return 0;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 1;
}

void platform_present() {
    if (main_window) present_frame(main_window);
}
