// orvalis-demo-preview IMAGE DIR: draws the demo cartridge's visible scenes
// with the program's sprite renderer, placing each scene's tables as the
// intro does, and writes one PNG per picture (scaled 3x) into DIR.
#include <png.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "hw/lz77.h"
#include "hw/oam.h"
#include "hw/regions.h"
#include "render/sprite_layer.h"
#include "tools/cartridge/cartridge.h"
#include "tools/cartridge/layout.h"

namespace {

std::vector<uint8_t> rom;

uint16_t rd16(uint32_t at) { return uint16_t(rom[at] | (rom[at + 1] << 8)); }

void unpack(const demo::area& a, uint32_t vram_offset) {
    const uint32_t at = a.offset, len = a.length;
    lz77_decompress(&rom[at], len, vram + vram_offset, vram_size - vram_offset);
}

void palette(uint32_t at, uint32_t len, uint32_t to) { std::memcpy(palette_ram + to, &rom[at], len); }
void palette(const demo::area& a, uint32_t to) { palette(a.offset, a.length, to); }

// Places a sprite table like place_sprite_frame; bank < 0 keeps the stored bank.
int place(const demo::area& table_area, int first, int yo, int xo, int shown = -1, int bank = -1,
          int last_bank = -1) {
    const uint32_t table = table_area.offset;
    auto* e = reinterpret_cast<oam_entry*>(oam);
    int count = rd16(table);
    if (shown >= 0 && shown < count) count = shown;
    for (int k = 0; k < count; ++k) {
        uint32_t at = table + 2 + 6 * uint32_t(k);
        oam_entry s{rd16(at), rd16(at + 2), rd16(at + 4), 0};
        s.attr0 = uint16_t((s.attr0 & 0xFF00) | ((s.attr0 + yo) & 0xFF));
        s.attr1 = uint16_t((s.attr1 & 0xFE00) | ((s.attr1 + xo) & 0x1FF));
        int b = (k == count - 1 && last_bank >= 0) ? last_bank : bank;
        if (b >= 0) s.attr2 = uint16_t((s.attr2 & 0x0FFF) | (b << 12));
        std::memcpy(&e[first + k], &s, sizeof s);
    }
    return first + count;
}

void clear() {
    std::memset(vram, 0, vram_size);
    std::memset(palette_ram, 0, palette_ram_size);
    auto* e = reinterpret_cast<oam_entry*>(oam);
    for (int i = 0; i < oam_entry_count; ++i) e[i] = {0x0200, 0, 0, 0};
    io_regs[0] = 0x00;
    io_regs[1] = 0x10;  // sprites on, two-dimensional mapping
}

bool write_png(const std::string& path) {
    std::vector<uint32_t> frame(size_t{240} * 160, 0);
    render_sprite_layer(frame.data());
    const int s = 3;
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(f);
        return false;
    }
    png_init_io(png, f);
    png_set_IHDR(png, info, 240 * s, 160 * s, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<uint8_t> row(size_t{240} * s * 3);
    for (int y = 0; y < 160 * s; ++y) {
        for (int x = 0; x < 240 * s; ++x) {
            uint32_t p = frame[size_t(y / s) * 240 + size_t(x / s)];
            row[size_t(x) * 3] = uint8_t(p >> 16);
            row[size_t(x) * 3 + 1] = uint8_t(p >> 8);
            row[size_t(x) * 3 + 2] = uint8_t(p);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return std::fclose(f) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s IMAGE DIR\n", argv[0]);
        return 2;
    }
    FILE* f = std::fopen(argv[1], "rb");
    if (!f) {
        std::perror(argv[1]);
        return 1;
    }
    rom.resize(cartridge_size);
    size_t got = std::fread(rom.data(), 1, rom.size(), f);
    std::fclose(f);
    if (got != rom.size()) {
        std::fprintf(stderr, "%s: not an 8 MiB image\n", argv[1]);
        return 1;
    }
    std::string dir = argv[2];
    bool ok = true;

    // Text scenes, with the whole text shown and the cursor at its last stop.
    const int cursor_end[3][2] = {{160, 96}, {176, 104}, {200, 104}};
    for (int s = 0; s < 3; ++s) {
        clear();
        unpack(demo::sprite_set_1, demo::sprite_set_1_vram);
        palette(s == 2 ? demo::palette_160 : demo::palette_96, obj_palette_offset);
        const demo::text_scene& t = demo::text_scenes[s];
        int n = place(*t.table, 0, -128, 120, -1, 0, 2);
        place(demo::cursor_table, n, cursor_end[s][1], cursor_end[s][0], -1, 1);
        ok &= write_png(dir + "/scene" + std::to_string(s == 0 ? 0 : s == 1 ? 3 : 5) + ".png");
    }
    // Scene 4, both back frames.
    for (int a = 0; a < 2; ++a) {
        clear();
        unpack(demo::sprite_set_1, demo::sprite_set_1_vram);
        unpack(demo::sprite_set_4, demo::sprite_set_4_vram);
        palette(demo::palette_160, obj_palette_offset);
        int n = place(demo::scene_4_front, 0, a ? 96 : 95, a ? 127 : 128);
        place(a ? demo::scene_4_back_24 : demo::scene_4_back_12, n, 96, 128);
        ok &= write_png(dir + "/scene4_" + std::to_string(a) + ".png");
    }
    // Scene 7, each palette frame.
    for (int k = 0; k < 4; ++k) {
        clear();
        unpack(demo::sprite_set_7, demo::sprite_set_7_vram);
        palette(demo::palette_frames[k].offset, 32, obj_palette_offset);  // the bank the frames fill
        place(demo::scene_7_table, 0, -128, 128);
        ok &= write_png(dir + "/scene7_" + std::to_string(k) + ".png");
    }
    return ok ? 0 : 1;
}
