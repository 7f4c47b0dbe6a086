// The handheld's buttons on SDL2: the ten keys of the keyboard and every
// game controller plugged in, before the start or during the run.
#include <cstdint>

#include "host/controller.h"
#include "host/sdl/sdl_backend.h"
#include "hw/keys.h"
#include "platform/platform.h"

namespace {

struct key_binding {
    SDL_Scancode scancode;
    uint16_t button;
};

// The keys in the order Windows queries them; the letters are set from the
// layout by map_keys.
key_binding key_bindings[] = {
    {SDL_SCANCODE_X, button_a},
    {SDL_SCANCODE_Z, button_b},
    {SDL_SCANCODE_BACKSPACE, button_select},
    {SDL_SCANCODE_RETURN, button_start},
    {SDL_SCANCODE_RIGHT, button_right},
    {SDL_SCANCODE_LEFT, button_left},
    {SDL_SCANCODE_UP, button_up},
    {SDL_SCANCODE_DOWN, button_down},
    {SDL_SCANCODE_S, button_r},
    {SDL_SCANCODE_A, button_l},
};

// The keypad keys that Windows reports with the same virtual-key codes: the
// keypad's Enter always, its 6, 4, 8 and 2 as arrows while NumLock is off.
struct keypad_key {
    SDL_Scancode scancode;
    uint16_t button;
    bool arrow;  // only while NumLock is off
};
constexpr keypad_key keypad_keys[] = {
    {SDL_SCANCODE_KP_ENTER, button_start, false}, {SDL_SCANCODE_KP_6, button_right, true},
    {SDL_SCANCODE_KP_4, button_left, true},       {SDL_SCANCODE_KP_8, button_up, true},
    {SDL_SCANCODE_KP_2, button_down, true},
};

// The pads in use, by SDL's instance id; a fixed number of places.
constexpr int max_pads = 8;
SDL_GameController* pads[max_pads];
SDL_JoystickID pad_ids[max_pads];

// SDL's buttons in the order of pad_button.
constexpr SDL_GameControllerButton sdl_pad_buttons[pad_button_count] = {
    SDL_CONTROLLER_BUTTON_A,
    SDL_CONTROLLER_BUTTON_B,
    SDL_CONTROLLER_BUTTON_X,
    SDL_CONTROLLER_BUTTON_Y,
    SDL_CONTROLLER_BUTTON_BACK,
    SDL_CONTROLLER_BUTTON_GUIDE,
    SDL_CONTROLLER_BUTTON_START,
    SDL_CONTROLLER_BUTTON_LEFTSTICK,
    SDL_CONTROLLER_BUTTON_RIGHTSTICK,
    SDL_CONTROLLER_BUTTON_LEFTSHOULDER,
    SDL_CONTROLLER_BUTTON_RIGHTSHOULDER,
    SDL_CONTROLLER_BUTTON_DPAD_UP,
    SDL_CONTROLLER_BUTTON_DPAD_DOWN,
    SDL_CONTROLLER_BUTTON_DPAD_LEFT,
    SDL_CONTROLLER_BUTTON_DPAD_RIGHT,
};

float axis(SDL_GameController* pad, SDL_GameControllerAxis which) {
    return static_cast<float>(SDL_GameControllerGetAxis(pad, which)) / 32767.0f;
}

uint16_t pad_held(SDL_GameController* pad) {
    pad_state state;
    for (int b = 0; b < pad_button_count; ++b)
        if (SDL_GameControllerGetButton(pad, sdl_pad_buttons[b])) state.buttons |= 1u << b;
    state.left_x = axis(pad, SDL_CONTROLLER_AXIS_LEFTX);
    state.left_y = axis(pad, SDL_CONTROLLER_AXIS_LEFTY);
    state.right_x = axis(pad, SDL_CONTROLLER_AXIS_RIGHTX);
    state.right_y = axis(pad, SDL_CONTROLLER_AXIS_RIGHTY);
    state.left_trigger = axis(pad, SDL_CONTROLLER_AXIS_TRIGGERLEFT);
    state.right_trigger = axis(pad, SDL_CONTROLLER_AXIS_TRIGGERRIGHT);
    return pad_buttons_held(state);
}

void open_pad(int device_index) {
    if (!SDL_IsGameController(device_index)) return;
    const SDL_JoystickID id = SDL_JoystickGetDeviceInstanceID(device_index);
    int free_place = -1;
    for (int i = 0; i < max_pads; ++i) {
        if (pads[i] && pad_ids[i] == id) return;  // already open
        if (!pads[i] && free_place < 0) free_place = i;
    }
    if (free_place < 0) return;
    SDL_GameController* pad = SDL_GameControllerOpen(device_index);
    if (!pad) return;
    pads[free_place] = pad;
    pad_ids[free_place] = id;
}

// A pad pulled out: its place is freed, and what it held is no longer held.
void close_pad(SDL_JoystickID id) {
    for (int i = 0; i < max_pads; ++i) {
        if (!pads[i] || pad_ids[i] != id) continue;
        SDL_GameControllerClose(pads[i]);
        pads[i] = nullptr;
    }
}

int controllers_ready;  // 0 not tried, 1 ready, -1 failed

}  // namespace

void sdl_map_keys() {
    // The keys that type these letters, as Windows virtual-key codes name
    // them; where the layout types none of them, the key at its US position.
    struct letter {
        uint16_t button;
        SDL_Keycode code;
        SDL_Scancode fallback;
    };
    static constexpr letter letters[] = {
        {button_a, SDLK_x, SDL_SCANCODE_X},
        {button_b, SDLK_z, SDL_SCANCODE_Z},
        {button_r, SDLK_s, SDL_SCANCODE_S},
        {button_l, SDLK_a, SDL_SCANCODE_A},
    };
    for (const letter& l : letters) {
        const SDL_Scancode scancode = SDL_GetScancodeFromKey(l.code);
        for (key_binding& k : key_bindings)
            if (k.button == l.button) k.scancode = scancode != SDL_SCANCODE_UNKNOWN ? scancode : l.fallback;
    }
}

void sdl_start_controllers() {
    if (controllers_ready != 0) return;
    // Pads play whatever has focus, as the keys do.
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    controllers_ready = SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) == 0 ? 1 : -1;
    // Pads plugged in before the start arrive as device-added events too.
}

void sdl_input_event(const SDL_Event& event) {
    if (event.type == SDL_KEYMAPCHANGED) sdl_map_keys();
    if (event.type == SDL_CONTROLLERDEVICEADDED) open_pad(event.cdevice.which);
    if (event.type == SDL_CONTROLLERDEVICEREMOVED) close_pad(event.cdevice.which);
}

uint16_t platform_buttons_held() {
    if (!sdl_video_ready()) return 0;
    uint16_t held = 0;
    int count = 0;
    const Uint8* state = SDL_GetKeyboardState(&count);
    if (state) {
        for (const key_binding& k : key_bindings)
            if (k.scancode > 0 && k.scancode < count && state[k.scancode]) held |= k.button;
        const bool num_lock = (SDL_GetModState() & KMOD_NUM) != 0;
        for (const keypad_key& k : keypad_keys)
            if (k.scancode < count && state[k.scancode] && (!k.arrow || !num_lock)) held |= k.button;
    }
    for (SDL_GameController* pad : pads)
        if (pad) held |= pad_held(pad);
    return held;
}
