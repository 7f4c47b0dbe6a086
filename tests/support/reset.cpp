#include "tests/support/reset.h"

#include "host/headless/headless.h"
#include "hw/regions.h"
#include "hw/interrupts.h"
#include "rom/rom.h"
#include "save/save_globals.h"

void slot_data_reset_globals();  // save slot services: tail_state

void reset_all_globals() {
    hw_reset_globals();
    interrupt_check = 0;
    rom_reset_globals();
    save_reset_globals();
    slot_data_reset_globals();
    headless_reset();
}
