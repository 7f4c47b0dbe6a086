// For tests only: a way to make the start-up self-tests fail. The program
// never sets it; it stays null.
#pragma once

#include <cstdint>

// Self-test numbers passed to the hook.
constexpr int self_test_register = 0;
constexpr int self_test_copy = 1;
constexpr int self_test_fill = 2;

// Called after each self-test's operation and before its result is checked,
// with the test's 16-byte destination (unused by the register test, which
// reads DISPCNT). A test may change what is about to be checked.
extern void (*host_self_test_hook)(int test, uint8_t* destination);

// Back to program start for the host's own state: no self-test hook.
void host_reset_globals();
