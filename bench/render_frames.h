// What the sprite-layer benchmark and the layout search share: the tiles and
// palette they draw with, entries put into oam, and the measure of a frame
// against a reference loop that paints all 38,400 pixels from a byte per pixel
// through a 256-entry table.
#pragma once

#include <cstdint>

// Which pixels of the tile area are transparent.
enum class pixels { opaque, alternate, one_in_eight, scattered, none };

void fill_palette();

// Colour indices for every pixel of the 32 KiB tile area, in 256 colours
// (byte) or 16 (nibble). Tiles filled for 16 colours have no zero byte where
// they are opaque, so they serve frames that mix both modes.
void fill_tiles(pixels pattern, bool deep);

void put_entry(int n, uint16_t a0, uint16_t a1, uint16_t a2);

// All 128 entries of any shape, size, position, flips, colour mode and first
// tile, drawn from a fixed pseudo-random sequence that `seed` starts.
void put_mixed_entries(uint32_t seed);

// One pass of the reference loop over frame.
void reference_paint(uint32_t* frame);

// The sprite layer's time per frame over the reference loop's, each the
// fastest of `rounds` batches of 20 calls taken in turn, so that a machine
// that speeds up or slows down during the run moves both alike.
double frame_ratio(int rounds);
