#include "hw/keys.h"

#include "hw/iwram_data.h"
#include "hw/registers.h"

void update_key_state() {
    const uint16_t held = static_cast<uint16_t>(~reg_load16(KEYINPUT) & buttons_all);
    iwram_data.keys_new = static_cast<uint16_t>(held & ~iwram_data.keys_held);
    iwram_data.keys_held = held;
    iwram_data.keys_held_copy = held;
}
