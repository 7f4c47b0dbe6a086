// Counts heap allocations (the malloc family and operator new) while
// counting is on. Linked only into the test executables that check that
// frames allocate nothing; builds with sanitizers or without glibc don't count.
#pragma once

bool allocation_counting_available();
void set_allocation_counting(bool on);
unsigned long allocation_count();
void reset_allocation_count();
