#include "game/sprite_frame.h"

#include <algorithm>

#include "hw/iwram_data.h"
#include "rom/rom.h"

namespace {

uint16_t read16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

}  // namespace

int place_sprite_frame(const uint8_t* table, uint32_t length, int first, int y_offset, int x_offset,
                       const sprite_overrides& overrides, int limit) {
    if (!table || length < 2 || first < 0 || first >= oam_entry_count || limit <= 0) return 0;
    // The stored count is not trusted: it may claim more sprites than the
    // table holds or than oam_buffer has room for.
    const int stored = read16(table);
    const int fits = static_cast<int>((length - 2) / 6);
    const int count = std::min({stored, fits, oam_entry_count - first, limit});
    for (int k = 0; k < count; ++k) {
        const uint8_t* s = table + 2 + std::ptrdiff_t{6} * k;
        oam_entry& e = iwram_data.oam_buffer[first + k];
        uint16_t a0 = read16(s);
        uint16_t a1 = read16(s + 2);
        uint16_t a2 = read16(s + 4);
        a0 = static_cast<uint16_t>((a0 & 0xFF00) | ((a0 + y_offset) & 0xFF));
        a1 = static_cast<uint16_t>((a1 & 0xFE00) | ((a1 + x_offset) & 0x1FF));
        int bank = overrides.palette_bank;
        if (k == overrides.flash_index) bank = overrides.flash_bank;
        if (bank >= 0) a2 = static_cast<uint16_t>((a2 & 0x0FFF) | (bank & 0xF) << 12);
        if (overrides.object_mode >= 0)
            a0 = static_cast<uint16_t>((a0 & ~0x0C00) | (overrides.object_mode & 3) << 10);
        e.attr0 = a0;
        e.attr1 = a1;
        e.attr2 = a2;
    }
    return count;
}

int place_rom_sprite_frame(const rom_area& table, int first, int y_offset, int x_offset,
                           const sprite_overrides& overrides) {
    return place_sprite_frame(rom_ptr(table.offset, table.length), table.length, first, y_offset, x_offset,
                              overrides);
}
