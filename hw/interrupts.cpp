#include "hw/interrupts.h"

#include "hw/registers.h"

uint16_t interrupt_check;

void empty_callback() {}

static void store_slot(callback_fn& slot, callback_fn fn) { slot = fn ? fn : empty_callback; }

void set_vblank_callback(callback_fn fn) { store_slot(iwram_data.vblank_callback, fn); }
void set_hblank_callback(callback_fn fn) { store_slot(iwram_data.hblank_callback, fn); }
void set_vcount_callback(callback_fn fn) { store_slot(iwram_data.vcount_callback, fn); }
void set_timer3_callback(callback_fn fn) { store_slot(iwram_data.timer3_callback, fn); }
void set_serial_callback(callback_fn fn) { store_slot(iwram_data.serial_callback, fn); }

// Reached only when a vertical blank is raised outside a frame; nothing to do here.
static void vblank_outside_frame_hook() {}

void vblank_step() {
    if (iwram_data.vblank_callback) iwram_data.vblank_callback();
    reg_store16(IF, reg_load16(IF) | 0x0001);
    iwram_data.vblank_flag = 1;
    interrupt_check |= 0x0001;
    if (iwram_data.in_frame == 0) vblank_outside_frame_hook();
}

static void raise(callback_fn slot, uint16_t bit) {
    if (slot) slot();
    reg_store16(IF, reg_load16(IF) | bit);
}

void raise_hblank() { raise(iwram_data.hblank_callback, 0x0002); }
void raise_vcount() { raise(iwram_data.vcount_callback, 0x0004); }
void raise_timer3() { raise(iwram_data.timer3_callback, 0x0040); }
void raise_serial() { raise(iwram_data.serial_callback, 0x0080); }
