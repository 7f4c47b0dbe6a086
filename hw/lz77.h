// LZ77 (BIOS type 0x10) decompression, bounded by the input length and the
// output capacity: decoding stops where the next input byte or output byte
// would lie outside its area, as it stops at a reference before the start.
#pragma once

#include <cstdint>

// Decodes the stream at src (src_len readable bytes) into dst (dst_cap
// writable bytes); the type byte is not examined. Returns bytes written.
uint32_t lz77_decompress(const uint8_t* src, uint32_t src_len, uint8_t* dst, uint32_t dst_cap);

// Both decode only when src is not null and its first byte is 0x10.
void lz77_decompress_wram(const uint8_t* src, uint32_t src_len, uint8_t* dst, uint32_t dst_cap);
// The capacity is the room from dst to the end of vram (0 outside vram).
void lz77_decompress_vram(const uint8_t* src, uint32_t src_len, uint8_t* dst);
