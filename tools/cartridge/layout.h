// Where the program reads the cartridge: offsets, lengths and placements of
// the intro's tables, shared by the generator and its checks.
#pragma once

#include <cstdint>

constexpr uint32_t rom_sine_table = 0x8C71C;
constexpr uint32_t rom_obj_half_width = 0x45FD24;
constexpr uint32_t rom_obj_half_height = 0x45FD30;

struct sprite_record {
    uint16_t attr0 = 0, attr1 = 0, attr2 = 0;
};

inline int sprite_w(int shape, int size) {
    static const int w[3][4] = {{8, 16, 32, 64}, {16, 32, 32, 64}, {8, 8, 16, 32}};
    return w[shape][size];
}
inline int sprite_h(int shape, int size) {
    static const int h[3][4] = {{8, 16, 32, 64}, {8, 8, 16, 32}, {16, 32, 32, 64}};
    return h[shape][size];
}

// A sprite table as the intro places it.
struct table_use {
    const char* name;
    uint32_t offset;
    uint32_t count;
    int y_offset[2];  // the placement's Y offsets (both variants)
    int x_offset[2];
    bool visible;     // drawn (not the affine zoom)
    bool text;        // text or cursor: 16 colours, bank set by the engine
    int sheet_first;  // first tile of the set loaded for this table's scene
};

// The cursor's placement depends on the cursor position; the checks place it
// at every position the text engine reaches.
inline const table_use intro_tables[] = {
    {"text table scene 0", 0x45F45C, 17, {-128, -128}, {120, 120}, true, true, 0},
    {"text table scene 3", 0x45F4C4, 54, {-128, -128}, {120, 120}, true, true, 0},
    {"text table scene 5", 0x45F60A, 52, {-128, -128}, {120, 120}, true, true, 0},
    {"cursor table", 0x45F744, 3, {0, 0}, {0, 0}, true, true, 0},
    {"zoom table A", 0x45F758, 6, {0, 0}, {0, 0}, false, false, 0},
    {"zoom table B", 0x45F77E, 9, {0, 0}, {0, 0}, false, false, 0},
    {"scene 4 front", 0x45F7B6, 4, {95, 96}, {128, 127}, true, false, 64},
    {"scene 4 back 12", 0x45F7D0, 12, {96, 96}, {128, 128}, true, false, 64},
    {"scene 4 back 24", 0x45F81A, 24, {96, 96}, {128, 128}, true, false, 64},
    {"scene 7 table", 0x45F8AC, 17, {-128, -128}, {128, 128}, true, false, 0},
};

// A text scene: its table, code list and cursor start.
struct text_scene {
    uint32_t table;
    uint32_t codes;
    uint32_t codes_length;
    uint32_t count;
    int cursor_x, cursor_y, margin;
};

inline const text_scene text_scenes[] = {
    {0x45F45C, 0x45FD3C, 16, 17, 56, 96, 56},
    {0x45F4C4, 0x45FD4C, 52, 54, 24, 80, 8},
    {0x45F60A, 0x45FD80, 50, 52, 24, 80, 32},
};
