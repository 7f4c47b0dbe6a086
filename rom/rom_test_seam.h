// For tests and developer tools only: replace the digest an accepted image
// must have. The program never calls these; its check stays the configured
// digest.
#pragma once

#include <cstdint>

// From now on the loader accepts an image whose SHA-1 is `digest` (copied).
void rom_replace_expected_sha1(const uint8_t digest[20]);

// Back to the configured digest (rom_reset_globals does this too).
void rom_restore_expected_sha1();
