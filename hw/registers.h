// Register offsets in io_regs and 16-bit load and store. Registers have no
// side effects: a store keeps the value, a load returns it.
#pragma once

#include <cstdint>

constexpr uint32_t DISPCNT = 0x000;
constexpr uint32_t DISPSTAT = 0x004;
constexpr uint32_t BG0CNT = 0x008;
constexpr uint32_t BG1CNT = 0x00A;
constexpr uint32_t BG0HOFS = 0x010;
constexpr uint32_t BG0VOFS = 0x012;
constexpr uint32_t BG1HOFS = 0x014;
constexpr uint32_t BG1VOFS = 0x016;
constexpr uint32_t BG2HOFS = 0x018;
constexpr uint32_t BG2VOFS = 0x01A;
constexpr uint32_t BG3HOFS = 0x01C;
constexpr uint32_t BG3VOFS = 0x01E;
constexpr uint32_t BLDCNT = 0x050;
constexpr uint32_t BLDALPHA = 0x052;
constexpr uint32_t BLDY = 0x054;
constexpr uint32_t KEYINPUT = 0x130;
constexpr uint32_t IE = 0x200;
constexpr uint32_t IF = 0x202;
constexpr uint32_t WAITCNT = 0x204;
constexpr uint32_t IME = 0x208;

uint16_t reg_load16(uint32_t offset);
void reg_store16(uint32_t offset, uint16_t value);
