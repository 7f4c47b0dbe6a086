// The buttons the back end reports held, stored as KEYINPUT: one active-low
// bit per button, bits 10-15 clear, one store per poll.
#include "host/host.h"
#include "hw/keys.h"
#include "hw/registers.h"
#include "platform/platform.h"

void poll_keyboard() {
    const uint16_t held = static_cast<uint16_t>(platform_buttons_held() & buttons_all);
    reg_store16(KEYINPUT, static_cast<uint16_t>(buttons_all & ~held));
}
