// LZ77 decoding of arbitrary bytes with arbitrary bounds: input and output
// live in heap blocks of exactly the given sizes, so any access outside them
// is reported.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "hw/lz77.h"
#include "hw/regions.h"
#include "tests/support/reset_all.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    reset_all_globals();
    if (size < 6) return 0;
    // Bytes 0-1: output capacity (0..65535); bytes 2-4: a vram offset; the
    // rest is the stream, given whole or cut at a length taken from byte 5.
    const uint32_t dst_cap = data[0] | data[1] << 8;
    const uint32_t vram_offset = (data[2] | data[3] << 8 | data[4] << 16) % (vram_size + 1);
    const uint8_t cut = data[5];
    data += 6;
    size -= 6;
    const uint32_t src_len =
        cut < 128 ? static_cast<uint32_t>(size) : static_cast<uint32_t>(size) * cut / 255;

    std::vector<uint8_t> src(data, data + src_len);
    uint8_t* dst = new uint8_t[dst_cap ? dst_cap : 1];
    const uint32_t n = lz77_decompress(src.data(), src_len, dst, dst_cap);
    if (n > dst_cap) __builtin_trap();
    const uint32_t size_field = src_len >= 4 ? (src[1] | src[2] << 8 | src[3] << 16) : 0;
    if (n > size_field) __builtin_trap();
    lz77_decompress_wram(src.data(), src_len, dst, dst_cap);
    delete[] dst;

    // The vram entry point at any destination inside (or just past) vram.
    lz77_decompress_vram(src.data(), src_len, vram + vram_offset);
    lz77_decompress_vram(nullptr, src_len, vram);
    return 0;
}
