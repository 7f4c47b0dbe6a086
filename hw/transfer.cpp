#include "hw/transfer.h"

#include <cstring>

#include "hw/iwram_data.h"
#include "hw/regions.h"

void dma_copy(uint32_t, const void* src, void* dst, uint32_t size, uint8_t) {
    std::memmove(dst, src, size);  // overlap behaves as if the source were read first
}

void cpu_fill16(uint32_t value, void* dst, uint32_t size) {
    const uint16_t unit = static_cast<uint16_t>(value);
    auto* d = static_cast<uint8_t*>(dst);
    for (uint32_t i = 0; i < size / 2; ++i) std::memcpy(d + size_t{2} * i, &unit, 2);
}

void cpu_fill32(uint32_t value, void* dst, uint32_t size) {
    auto* d = static_cast<uint8_t*>(dst);
    for (uint32_t i = 0; i < size / 4; ++i) std::memcpy(d + size_t{4} * i, &value, 4);
}

void dma_fill(uint32_t, uint32_t value, void* dst, uint32_t size, uint8_t unit_bits) {
    if (unit_bits == 32)
        cpu_fill32(value, dst, size);
    else
        cpu_fill16(value, dst, size);
}

void cpu_copy(const void* src, void* dst, uint32_t size) { std::memcpy(dst, src, size); }

void reset_display_memory() {
    dma_fill(3, 0, vram, vram_size, 16);
    dma_fill(3, 0xFF, oam, oam_size, 32);
    dma_fill(3, 0, palette_ram, palette_ram_size, 16);
}

void hide_leftover_oam() {
    for (unsigned e = iwram_data.oam_count; e < oam_entry_count; ++e) {
        iwram_data.oam_buffer[e].attr0 = 0x00FF;
        iwram_data.oam_buffer[e].attr1 = 0x00FF;
        iwram_data.oam_buffer[e].attr2 = 0;
    }
}
