// Puts every global of the program back to its program-start state, each
// library through its own reset: the tests' fixtures and every fuzzer's
// input start from it.
#pragma once

void reset_all_globals();
