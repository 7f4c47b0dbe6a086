#include "hw/regions.h"

#include <cstring>

#include "hw/interrupts.h"
#include "hw/iwram_data.h"

alignas(8) uint8_t ewram[ewram_size];
alignas(8) uint8_t iwram[iwram_size];
alignas(8) uint8_t io_regs[io_regs_size];
alignas(8) uint8_t palette_ram[palette_ram_size];
alignas(8) uint8_t vram[vram_size];
alignas(8) uint8_t oam[oam_size];
alignas(8) uint8_t sram[sram_size];
alignas(16) uint32_t frame_buffer[frame_pixels];

iwram_data_block iwram_data;

uint8_t* const sram_pointer = sram;
uint8_t* const save_image_pointer = ewram + save_image_offset;
intro_state_record* const intro_state_pointer = &iwram_data.intro_state;

void hw_reset_globals() {
    std::memset(ewram, 0, sizeof ewram);
    std::memset(iwram, 0, sizeof iwram);
    std::memset(io_regs, 0, sizeof io_regs);
    std::memset(palette_ram, 0, sizeof palette_ram);
    std::memset(vram, 0, sizeof vram);
    std::memset(oam, 0, sizeof oam);
    std::memset(sram, 0, sizeof sram);
    std::memset(frame_buffer, 0, sizeof frame_buffer);
    // Every byte, padding and unused room included, as at program start.
    std::memset(static_cast<void*>(&iwram_data), 0, sizeof iwram_data);
    interrupt_check = 0;
}
