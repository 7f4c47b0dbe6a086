// The fixed keyboard mapping: ten keys, queried in table order, one
// active-low KEYINPUT bit each.
#include "host/host.h"
#include "hw/registers.h"
#include "platform/platform.h"

namespace {

struct key_binding {
    host_key key;
    uint16_t bit;
};

constexpr key_binding key_table[host_key_count] = {
    {host_key::x, 0x0001},          // A
    {host_key::z, 0x0002},          // B
    {host_key::backspace, 0x0004},  // Select
    {host_key::enter, 0x0008},      // Start
    {host_key::right, 0x0010},      // Right
    {host_key::left, 0x0020},       // Left
    {host_key::up, 0x0040},         // Up
    {host_key::down, 0x0080},       // Down
    {host_key::s, 0x0100},          // R
    {host_key::a, 0x0200},          // L
};

}  // namespace

void poll_keyboard() {
    uint16_t value = 0x03FF;
    for (const key_binding& binding : key_table) {
        if (platform_key_down(binding.key)) value = static_cast<uint16_t>(value & ~binding.bit);
    }
    reg_store16(KEYINPUT, value);
}
