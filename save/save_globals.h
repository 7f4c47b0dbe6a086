// State of the save layer that lives outside the simulated regions.
#pragma once

// Back to program start: tail_state zero, no chip fault simulated.
void save_reset_globals();
