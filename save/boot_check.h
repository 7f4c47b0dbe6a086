// The once-per-boot save check: chip test, verified read, header and record
// repair, and the check and repair of the three slots.
#pragma once

#include <cstdint>

void save_boot_check();
void sram_self_test();
int slot_check(int area);
void slot_classify();
void slots_check_all();
