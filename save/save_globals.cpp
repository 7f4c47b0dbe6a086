#include "save/save_globals.h"

#include <cstring>

#include "save/map_data.h"
#include "save/save_memory.h"

void save_reset_globals() {
    std::memset(tail_state, 0, sizeof tail_state);
    sram_write_fault = nullptr;
}
