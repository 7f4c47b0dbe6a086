// Game controllers on Windows: XInput, loaded at run time from the system
// folder only (never a DLL beside the program or in the working directory),
// so that the program's import table stays the system DLLs it always had
// and it runs where XInput is missing. Pads 0-3 are read once a frame; an
// empty slot is asked again only about once a second, since asking an empty
// slot is slow.
#include <windows.h>
// after windows.h, which it builds on
#include <xinput.h>

#include <cstring>

#include "host/controller.h"
#include "host/win32/win32_xinput.h"

namespace {

using get_state_fn = DWORD(WINAPI*)(DWORD, XINPUT_STATE*);

constexpr const char* xinput_dlls[] = {"xinput1_4.dll", "xinput1_3.dll", "xinput9_1_0.dll"};
constexpr DWORD slot_count = 4;
constexpr ULONGLONG empty_slot_retry_ms = 1000;

get_state_fn get_state;
int xinput_tried;
ULONGLONG next_try[slot_count];  // 0: ask at once

// A DLL of the system folder: LOAD_LIBRARY_SEARCH_SYSTEM32 where the system
// knows it, else the full path (Windows 7 without its loader update).
HMODULE load_system_dll(const char* name) {
    HMODULE module = LoadLibraryExA(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module || GetLastError() != ERROR_INVALID_PARAMETER) return module;
    char path[MAX_PATH];
    const UINT length = GetSystemDirectoryA(path, MAX_PATH);
    const size_t name_length = std::strlen(name);
    if (length == 0 || length + 1 + name_length >= MAX_PATH) return nullptr;
    path[length] = '\\';
    std::memcpy(path + length + 1, name, name_length + 1);
    return LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

void load_xinput() {
    xinput_tried = 1;
    for (const char* name : xinput_dlls) {
        HMODULE module = load_system_dll(name);
        if (!module) continue;
        get_state =
            reinterpret_cast<get_state_fn>(reinterpret_cast<void*>(GetProcAddress(module, "XInputGetState")));
        if (get_state) return;
        FreeLibrary(module);
    }
}

struct xinput_binding {
    WORD button;
    pad_button as;
};
constexpr xinput_binding xinput_bindings[] = {
    {XINPUT_GAMEPAD_A, pad_south},
    {XINPUT_GAMEPAD_B, pad_east},
    {XINPUT_GAMEPAD_X, pad_west},
    {XINPUT_GAMEPAD_Y, pad_north},
    {XINPUT_GAMEPAD_BACK, pad_back},
    {XINPUT_GAMEPAD_START, pad_start},
    {XINPUT_GAMEPAD_LEFT_THUMB, pad_left_stick},
    {XINPUT_GAMEPAD_RIGHT_THUMB, pad_right_stick},
    {XINPUT_GAMEPAD_LEFT_SHOULDER, pad_left_shoulder},
    {XINPUT_GAMEPAD_RIGHT_SHOULDER, pad_right_shoulder},
    {XINPUT_GAMEPAD_DPAD_UP, pad_dpad_up},
    {XINPUT_GAMEPAD_DPAD_DOWN, pad_dpad_down},
    {XINPUT_GAMEPAD_DPAD_LEFT, pad_dpad_left},
    {XINPUT_GAMEPAD_DPAD_RIGHT, pad_dpad_right},
};

pad_state pad_of(const XINPUT_GAMEPAD& g) {
    pad_state pad;
    for (const xinput_binding& b : xinput_bindings)
        if (g.wButtons & b.button) pad.buttons |= 1u << b.as;
    // XInput's sticks point up with positive Y; pad_state's point down.
    pad.left_x = static_cast<float>(g.sThumbLX) / 32767.0f;
    pad.left_y = -static_cast<float>(g.sThumbLY) / 32767.0f;
    pad.right_x = static_cast<float>(g.sThumbRX) / 32767.0f;
    pad.right_y = -static_cast<float>(g.sThumbRY) / 32767.0f;
    pad.left_trigger = static_cast<float>(g.bLeftTrigger) / 255.0f;
    pad.right_trigger = static_cast<float>(g.bRightTrigger) / 255.0f;
    return pad;
}

}  // namespace

uint16_t xinput_buttons_held() {
    if (!xinput_tried) load_xinput();
    if (!get_state) return 0;
    const ULONGLONG now = GetTickCount64();
    uint16_t held = 0;
    for (DWORD slot = 0; slot < slot_count; ++slot) {
        if (now < next_try[slot]) continue;
        XINPUT_STATE state{};
        if (get_state(slot, &state) != ERROR_SUCCESS) {
            next_try[slot] = now + empty_slot_retry_ms;
            continue;
        }
        next_try[slot] = 0;
        held |= pad_buttons_held(pad_of(state.Gamepad));
    }
    return held;
}
