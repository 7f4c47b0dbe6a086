// A stand-in XInput for the Wine tests, installed as the test prefix's
// xinput1_4.dll: it reports the pads that the test writes into the file
// named by ORVALIS_XINPUT_STATE (a Windows path), one line per slot:
//   connected wButtons(hex) leftTrigger rightTrigger thumbLX thumbLY thumbRX thumbRY
// and counts the calls for each slot into the file named by
// ORVALIS_XINPUT_CALLS ("slot0 slot1 slot2 slot3").
#include <windows.h>
// after windows.h, which it builds on
#include <xinput.h>

#include <cstdio>
#include <cstdlib>

namespace {
unsigned long calls[4];

void count_call(DWORD slot) {
    ++calls[slot];
    const char* path = std::getenv("ORVALIS_XINPUT_CALLS");
    if (!path) return;
    if (FILE* out = std::fopen(path, "w")) {
        std::fprintf(out, "%lu %lu %lu %lu\n", calls[0], calls[1], calls[2], calls[3]);
        std::fclose(out);
    }
}
}  // namespace

extern "C" __declspec(dllexport) DWORD WINAPI XInputGetState(DWORD slot, XINPUT_STATE* state) {
    if (slot >= 4 || !state) return ERROR_BAD_ARGUMENTS;
    count_call(slot);
    const char* path = std::getenv("ORVALIS_XINPUT_STATE");
    FILE* in = path ? std::fopen(path, "r") : nullptr;
    if (!in) return ERROR_DEVICE_NOT_CONNECTED;
    int connected = 0;
    unsigned buttons = 0;
    int lt = 0, rt = 0, lx = 0, ly = 0, rx = 0, ry = 0;
    for (DWORD line = 0; line <= slot; ++line) {
        if (std::fscanf(in, "%d %x %d %d %d %d %d %d", &connected, &buttons, &lt, &rt, &lx, &ly, &rx, &ry) !=
            8)
            connected = 0;
    }
    std::fclose(in);
    if (!connected) return ERROR_DEVICE_NOT_CONNECTED;
    *state = XINPUT_STATE{};
    state->dwPacketNumber = 1;
    state->Gamepad.wButtons = static_cast<WORD>(buttons);
    state->Gamepad.bLeftTrigger = static_cast<BYTE>(lt);
    state->Gamepad.bRightTrigger = static_cast<BYTE>(rt);
    state->Gamepad.sThumbLX = static_cast<SHORT>(lx);
    state->Gamepad.sThumbLY = static_cast<SHORT>(ly);
    state->Gamepad.sThumbRX = static_cast<SHORT>(rx);
    state->Gamepad.sThumbRY = static_cast<SHORT>(ry);
    return ERROR_SUCCESS;
}
