// State of the save layer that lives outside the simulated regions.
#pragma once

// Back to program start for the save layer's own state: tail_state zero and
// no chip fault simulated (sram_write_fault null).
void save_reset_globals();
