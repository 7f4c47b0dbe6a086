// Placeholder until the boot-time save check lands.
#include "save/boot_check.h"

void save_boot_check() {}
