// Display scaling: the window is per-monitor DPI aware (its manifest says
// so), so Windows does not stretch a 96-DPI bitmap of it. At start its
// client area is the product's size in logical pixels, that size times the
// window's DPI / 96 in device pixels, and a move to a monitor of another
// scale takes the size Windows suggests. The newer functions are looked up
// at run time: Windows 7 and 8.1 start without them.
#include "host/win32/win32_window.h"

namespace {

constexpr UINT default_dpi = 96;  // 100 %

using get_dpi_for_window_fn = UINT(WINAPI*)(HWND);
using adjust_for_dpi_fn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);

template <typename F>
F user32_function(const char* name) {
    HMODULE user32 = GetModuleHandleA("user32.dll");
    return user32 ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(user32, name))) : nullptr;
}

// The window's DPI (Windows 10 1607 and later), else the system's.
UINT dpi_of(HWND window) {
    static const auto get_dpi_for_window = user32_function<get_dpi_for_window_fn>("GetDpiForWindow");
    if (get_dpi_for_window) {
        const UINT dpi = get_dpi_for_window(window);
        if (dpi) return dpi;
    }
    UINT dpi = default_dpi;
    if (HDC screen = GetDC(nullptr)) {
        dpi = static_cast<UINT>(GetDeviceCaps(screen, LOGPIXELSX));
        ReleaseDC(nullptr, screen);
    }
    return dpi ? dpi : default_dpi;
}

}  // namespace

void fit_client_area_to_dpi(HWND window, LONG client_width, LONG client_height, DWORD style) {
    const UINT dpi = dpi_of(window);
    if (dpi == default_dpi) return;  // the size AdjustWindowRect gave at creation
    RECT frame{0, 0, MulDiv(client_width, static_cast<int>(dpi), static_cast<int>(default_dpi)),
               MulDiv(client_height, static_cast<int>(dpi), static_cast<int>(default_dpi))};
    static const auto adjust_for_dpi = user32_function<adjust_for_dpi_fn>("AdjustWindowRectExForDpi");
    // Without it the process is system-DPI aware, and AdjustWindowRect
    // already measures the frame at the system's DPI.
    if (adjust_for_dpi) {
        adjust_for_dpi(&frame, style, FALSE, 0, dpi);
    } else {
        AdjustWindowRect(&frame, style, FALSE);
    }
    SetWindowPos(window, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void apply_suggested_rect(HWND window, const RECT& suggested) {
    SetWindowPos(window, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
}
