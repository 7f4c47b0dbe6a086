// DMA and BIOS copy and fill services as immediate memory operations, and
// the two display preparations built on them.
#pragma once

#include <cstdint>

void dma_copy(uint32_t channel, const void* src, void* dst, uint32_t size, uint8_t unit_bits);
void dma_fill(uint32_t channel, uint32_t value, void* dst, uint32_t size, uint8_t unit_bits);
void cpu_copy(const void* src, void* dst, uint32_t size);
void cpu_fill16(uint32_t value, void* dst, uint32_t size);
void cpu_fill32(uint32_t value, void* dst, uint32_t size);

// vram and palette_ram zero, every 32-bit word of oam 0x000000FF.
void reset_display_memory();
// Hides oam_buffer entries oam_count..127.
void hide_leftover_oam();
