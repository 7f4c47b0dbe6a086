// The image and its return to program start.
#include "rom/rom.h"
#include "rom/rom_internal.h"
#include "rom/rom_test_seam.h"

uint8_t* rom_image;
uint32_t rom_size;

void rom_reset_globals() {
    release_rom_image();
    clear_imported_constants();
    rom_restore_expected_sha1();
}
