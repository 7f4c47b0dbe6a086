#include "host/headless/headless.h"
#include "host/host_test_seam.h"
#include "hw/regions.h"
#include "rom/rom.h"
#include "save/save_globals.h"
#include "tests/support/reset_all.h"

// The renderer keeps no state between frames, and the game's state lives in
// the regions, so these are all the resets there are.
void reset_all_globals() {
    hw_reset_globals();
    rom_reset_globals();
    save_reset_globals();
    host_reset_globals();
    headless_reset();
}
