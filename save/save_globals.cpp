// Placeholder until the save layer lands.
#include "save/boot_check.h"

void save_boot_check() {}
#include "save/save_globals.h"

void save_reset_globals() {}
