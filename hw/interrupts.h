// Interrupt callback slots, the once-per-frame vertical blank and the raising
// operations of the other interrupt kinds.
#pragma once

#include <cstdint>

#include "hw/iwram_data.h"

extern uint16_t interrupt_check;

void empty_callback();
void set_vblank_callback(callback_fn fn);
void set_hblank_callback(callback_fn fn);
void set_vcount_callback(callback_fn fn);
void set_timer3_callback(callback_fn fn);
void set_serial_callback(callback_fn fn);

void vblank_step();
void raise_hblank();
void raise_vcount();
void raise_timer3();
void raise_serial();
