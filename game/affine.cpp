#include "game/affine.h"

#include "game/fixed_point.h"
#include "game/sprite_frame.h"
#include "hw/iwram_data.h"
#include "rom/cartridge_map.h"
#include "rom/rom.h"

void affine_place(int entry, int16_t cx, int16_t cy, uint16_t angle, int16_t scale, int double_size,
                  int group) {
    if (entry < 0 || entry >= oam_entry_count) return;
    oam_entry& e = iwram_data.oam_buffer[entry];
    const int shape = e.attr0 >> 14;
    const int size = e.attr1 >> 14;
    if (shape == 3) return;  // no half sizes exist for it
    const int hw = obj_half_width[shape * 4 + size];
    const int hh = obj_half_height[shape * 4 + size];

    const int x = e.attr1 & 0x1FF;
    const int y = e.attr0 & 0xFF;
    // Wrap the absolute position into -64..447 and -64..191, then take the
    // centre off again and move to the sprite's middle.
    const int16_t dx = static_cast<int16_t>(((x + cx + 64) & 0x1FF) - (cx + 64) + hw);
    const int16_t dy = static_cast<int16_t>(((y + cy + 64) & 0xFF) - (cy + 64) + hh);
    const int16_t sx = static_cast<int16_t>((int32_t{dx} * scale) >> 8);
    const int16_t sy = static_cast<int16_t>((int32_t{dy} * scale) >> 8);

    const int a = angle & 0xFF;
    const int64_t s = sine_table[a];
    const int64_t c = sine_table[a + 64];
    // Summed in 64 bits: with every factor at -32768 the sum reaches 2^31.
    const auto rx = static_cast<int32_t>((c * sx - s * sy) >> 8);
    const auto ry = static_cast<int32_t>((s * sx + c * sy) >> 8);

    const int grow = double_size ? 2 : 1;
    const int nx = (cx + rx - grow * hw) & 0x1FF;
    const int ny = (cy + ry - grow * hh) & 0xFF;
    const int mode = double_size ? 0x300 : 0x100;

    int g = group;
    if (e.attr1 & 0x1000) g += 1;
    if (e.attr1 & 0x2000) g += 2;
    g &= 7;

    e.attr0 = static_cast<uint16_t>((e.attr0 & 0xFC00) | mode | ny);
    e.attr1 = static_cast<uint16_t>((e.attr1 & 0xC000) | g << 9 | nx);
}

void set_rot_scale(uint16_t angle, int16_t scale, int first) {
    if (scale == 0 || first < 0) return;
    const int16_t r = static_cast<int16_t>(fixed_recip(scale));
    const int16_t r2 = static_cast<int16_t>(fixed_recip(static_cast<int16_t>(-scale)));
    const int an = angle & 0xFF;
    const int16_t c = sine_table[an + 64];
    const int16_t s = sine_table[an];
    const int16_t ns = static_cast<int16_t>(-s);

    const uint16_t a = static_cast<uint16_t>(fixed_mul(c, r));
    const uint16_t b = static_cast<uint16_t>(fixed_mul(s, r));
    const uint16_t d = static_cast<uint16_t>(fixed_mul(ns, r));
    const uint16_t a2 = static_cast<uint16_t>(fixed_mul(c, r2));
    const uint16_t b2 = static_cast<uint16_t>(fixed_mul(s, r2));
    const uint16_t d2 = static_cast<uint16_t>(fixed_mul(ns, r2));

    const uint16_t groups[4][4] = {{a, b, d, a}, {a2, b2, d, a}, {a, b, d2, a2}, {a2, b2, d2, a2}};
    for (int g = 0; g < 4; ++g) {
        const int base = first + 4 * g;
        if (base + 3 >= oam_entry_count) break;
        for (int i = 0; i < 4; ++i) iwram_data.oam_buffer[base + i].attr3 = groups[g][i];
    }
}

void zoom_step() {
    intro_state_record& s = iwram_data.intro_state;
    const unsigned t = s.scene_timer;

    int step = 0;
    if (t <= 3)
        step = 8;
    else if (t <= 7)
        step = 6;
    else if (t <= 15)
        step = 3;
    else if (t <= 19)
        step = 1;
    else if (t <= 27)
        step = -1;
    s.zoom_center_y = static_cast<int16_t>(s.zoom_center_y + step);

    const uint16_t scale = static_cast<uint16_t>(s.zoom_scale);
    if (scale <= 127)
        s.zoom_scale = static_cast<int16_t>(scale + 8);
    else if (scale <= 319)
        s.zoom_scale = static_cast<int16_t>(scale + 16);
    else if (scale <= 479)
        s.zoom_scale = static_cast<int16_t>(scale + 32);

    bool table_b;
    if (t <= 3 || (t >= 16 && t <= 19))
        table_b = false;
    else if (t <= 7)
        table_b = true;
    else
        table_b = (t & 4) != 0;

    const int count = table_b ? place_rom_sprite_frame(rom_zoom_table_b, 0, 0, 0)
                              : place_rom_sprite_frame(rom_zoom_table_a, 0, 0, 0);
    for (int e = 0; e < count; ++e)
        affine_place(e, s.zoom_center_x, s.zoom_center_y, s.zoom_angle, s.zoom_scale, 1, 0);
    iwram_data.oam_count = static_cast<uint8_t>(count);
    set_rot_scale(s.zoom_angle, s.zoom_scale, 0);
}
