// The scripted, instant back end that tests and tools run the program on.
#pragma once

// Back to the start: no script, nothing recorded.
void headless_reset();
