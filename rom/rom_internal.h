// Shared inside the rom/ folder only.
#pragma once

// Frees the image, sets rom_image to null and rom_size to 0, and clears
// every pointer into the image (run_record_pointers, the intro's text table).
void release_rom_image();

// Sets every imported constant to zero and every run record pointer to null.
void clear_imported_constants();
