// Game controllers on Windows, through XInput loaded at run time.
#pragma once

#include <cstdint>

// The handheld buttons that XInput pads 0-3 hold, as hw/keys.h's bits; 0
// where XInput is missing.
uint16_t xinput_buttons_held();
