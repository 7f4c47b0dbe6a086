#include "save/save_globals.h"

#include "save/save_memory.h"

void save_reset_globals() { sram_write_fault = nullptr; }
