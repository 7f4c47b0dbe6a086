// Placeholder until the headless back end lands.
#include "host/headless/headless.h"

void headless_reset() {}
