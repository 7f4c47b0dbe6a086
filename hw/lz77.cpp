#include "hw/lz77.h"

#include <cstdint>

#include "hw/regions.h"

uint32_t lz77_decompress(const uint8_t* src, uint32_t src_len, uint8_t* dst, uint32_t dst_cap) {
    if (!src || src_len < 4) return 0;
    const uint32_t size = src[1] | src[2] << 8 | src[3] << 16;
    uint32_t in = 4;
    uint32_t i = 0;
    while (i < size) {
        if (in >= src_len) return i;
        const uint8_t flags = src[in++];
        for (int bit = 7; bit >= 0 && i < size; --bit) {
            if (!(flags >> bit & 1)) {
                if (in >= src_len || i >= dst_cap) return i;
                dst[i++] = src[in++];
                continue;
            }
            if (src_len - in < 2) return i;
            const uint8_t b0 = src[in];
            const uint8_t b1 = src[in + 1];
            in += 2;
            const uint32_t length = (b0 >> 4) + 3u;
            const uint32_t distance = ((b0 & 0x0Fu) << 8 | b1) + 1u;
            if (i < distance) return i;
            for (uint32_t n = 0; n < length && i < size; ++n) {
                if (i >= dst_cap) return i;
                dst[i] = dst[i - distance];
                ++i;
            }
        }
    }
    return i;
}

void lz77_decompress_wram(const uint8_t* src, uint32_t src_len, uint8_t* dst, uint32_t dst_cap) {
    if (src && src_len > 0 && src[0] == 0x10) lz77_decompress(src, src_len, dst, dst_cap);
}

void lz77_decompress_vram(const uint8_t* src, uint32_t src_len, uint8_t* dst) {
    uint32_t cap = 0;
    const auto d = reinterpret_cast<uintptr_t>(dst);
    const auto base = reinterpret_cast<uintptr_t>(vram);
    if (d >= base && d < base + vram_size) cap = static_cast<uint32_t>(base + vram_size - d);
    lz77_decompress_wram(src, src_len, dst, cap);
}
