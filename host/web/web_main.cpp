// The program's entry in a web page.
#include <emscripten.h>
#include <malloc.h>

#include "host/host.h"
#include "host/web/web_backend.h"
#include "hw/registers.h"

#ifdef ORVALIS_WEB_TEST_PROBES
// Only in the tests' build of the page (preset web-test), never shipped:
// the key register as the game sees it, and the bytes of the heap in use
// (frames must not change it).
extern "C" EMSCRIPTEN_KEEPALIVE int web_keyinput() { return reg_load16(KEYINPUT); }
extern "C" EMSCRIPTEN_KEEPALIVE int web_heap_in_use() { return static_cast<int>(mallinfo().uordblks); }
#endif

int main() {
    // 10 is the Windows "show as default" state; the page always shows.
    const int exit_code = run_host(nullptr, "", 10);
    web_program_ended(exit_code);
    return exit_code;
}
