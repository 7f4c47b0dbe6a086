// The handheld's memories as plain global arrays, the frame buffer, and the
// three fixed pointers into them. Offsets are handheld address minus base.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

static_assert(std::endian::native == std::endian::little,
              "the regions are read and written as little-endian units");

constexpr uint32_t ewram_size = 0x40000;
constexpr uint32_t iwram_size = 0x8000;
constexpr uint32_t io_regs_size = 0x400;
constexpr uint32_t palette_ram_size = 0x400;
constexpr uint32_t vram_size = 0x18000;
constexpr uint32_t oam_size = 0x400;
constexpr uint32_t sram_size = 0x8000;

constexpr uint32_t save_image_offset = 0x38000;  // in ewram
constexpr uint32_t obj_palette_offset = 0x200;   // in palette_ram
constexpr uint32_t obj_tiles_offset = 0x10000;   // in vram

constexpr int screen_width = 240;
constexpr int screen_height = 160;
constexpr size_t frame_pixels = static_cast<size_t>(screen_width) * screen_height;
constexpr size_t frame_bytes = frame_pixels * 4;

alignas(8) extern uint8_t ewram[ewram_size];
alignas(8) extern uint8_t iwram[iwram_size];
alignas(8) extern uint8_t io_regs[io_regs_size];
alignas(8) extern uint8_t palette_ram[palette_ram_size];
alignas(8) extern uint8_t vram[vram_size];
alignas(8) extern uint8_t oam[oam_size];
alignas(8) extern uint8_t sram[sram_size];

// 240 x 160 pixels 0x00RRGGBB, top row first.
alignas(16) extern uint32_t frame_buffer[frame_pixels];

struct intro_state_record;
extern uint8_t* const sram_pointer;
extern uint8_t* const save_image_pointer;
extern intro_state_record* const intro_state_pointer;

// The working copy of save memory inside ewram.
inline uint8_t* const save_image = ewram + save_image_offset;

// Back to program start for the whole simulated handheld: every region, the
// frame buffer, iwram_data and interrupt_check to zero.
void hw_reset_globals();
