#include "tests/render/reference_renderer.h"

#include "hw/oam.h"
#include "hw/regions.h"
#include "hw/registers.h"

static uint16_t load16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

void reference_render_sprite_layer(uint32_t* frame) {
    const uint16_t dispcnt = reg_load16(DISPCNT);
    if (!(dispcnt & 0x1000)) return;
    const bool one_dim = dispcnt & 0x0040;
    for (int n = 127; n >= 0; --n) {
        const uint16_t a0 = load16(oam + static_cast<std::ptrdiff_t>(n) * 8),
                       a1 = load16(oam + static_cast<std::ptrdiff_t>(n) * 8 + 2),
                       a2 = load16(oam + static_cast<std::ptrdiff_t>(n) * 8 + 4);
        const int shape = a0 >> 14;
        if (shape == 3 || (a0 & 0x0100) || (a0 & 0x0200)) continue;
        const int w = sprite_widths[shape * 4 + (a1 >> 14)];
        const int h = sprite_heights[shape * 4 + (a1 >> 14)];
        int y = a0 & 0xFF;
        if (y >= 160) y -= 256;
        int x = a1 & 0x1FF;
        if (x & 0x100) x -= 512;
        const bool deep = a0 & 0x2000;
        const int unit = deep ? 2 : 1;
        const int tile0 = a2 & 0x3FF, bank = a2 >> 12;
        for (int i = 0; i < h; ++i) {
            if (y + i < 0 || y + i > 159) continue;
            const int sy = (a1 & 0x2000) ? h - 1 - i : i;
            for (int j = 0; j < w; ++j) {
                if (x + j < 0 || x + j > 239) continue;
                const int sx = (a1 & 0x1000) ? w - 1 - j : j;
                const int tile = one_dim ? tile0 + ((sy / 8) * (w / 8) + sx / 8) * unit
                                         : tile0 + (sy / 8) * 32 + (sx / 8) * unit;
                const int p = (sy % 8) * 8 + sx % 8;
                int index;
                if (deep) {
                    index = vram[0x10000 + ((tile * 32 + p) & 0x7FFF)];
                    if (index == 0) continue;
                } else {
                    const uint8_t byte = vram[0x10000 + ((tile * 32 + p / 2) & 0x7FFF)];
                    const int nibble = p % 2 ? byte >> 4 : byte & 0x0F;
                    if (nibble == 0) continue;
                    index = bank * 16 + nibble;
                }
                const uint16_t c = load16(palette_ram + 0x200 + static_cast<std::ptrdiff_t>(index) * 2);
                const uint32_t r = c & 31, g = (c >> 5) & 31, b = (c >> 10) & 31;
                frame[(y + i) * 240 + x + j] =
                    ((r << 3 | r >> 2) << 16) | ((g << 3 | g >> 2) << 8) | (b << 3 | b >> 2);
            }
        }
    }
}
