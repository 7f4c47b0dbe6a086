// LZ77 compressor producing BIOS type 0x10 streams, the format that
// lz77_decompress (hw/lz77.h) unpacks.
#pragma once

#include <cstdint>
#include <vector>

// Compresses data (at most 0xFFFFFF bytes) into a type 0x10 stream.
// min_distance 2 keeps back-references off the byte just written, which a
// 16-bit video-memory writer needs; 1 allows every distance.
std::vector<uint8_t> lz77_compress(const std::vector<uint8_t>& data, unsigned min_distance = 2);
