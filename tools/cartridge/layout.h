// Where the demo cartridge holds what: every area the generator writes, its
// checks read and the preview draws, named once.
//
// This table states the layout a second time, apart from the program's own
// cartridge map (rom/cartridge_map.h), on purpose: the generator does not
// take its offsets from the code it feeds. A mistake on either side puts an
// asset where the program does not look, and shows as a broken demo intro,
// instead of both sides agreeing on the same wrong number. The tests use
// these names too, so they check the program against this statement.
#pragma once

#include <cstdint>

namespace demo {

// One area of the image: its name in messages, where it starts, how many
// bytes it may take.
struct area {
    const char* name;
    uint32_t offset;
    uint32_t length;
};

// ---- the header
inline constexpr area header_title{"header title", 0xA0, 12};
inline constexpr area header_game_code{"header game code", 0xAC, 4};
inline constexpr char title_text[] = "ORVALISQUEST";
inline constexpr char game_code_text[] = "AORV";

// ---- imported constants
inline constexpr area sine_table{"sine table", 0x8C71C, 640};
inline constexpr area obj_half_width{"obj half width", 0x45FD24, 12};
inline constexpr area obj_half_height{"obj half height", 0x45FD30, 12};
inline constexpr area completion_block{"completion block", 0x3459A0, 32};
inline constexpr area completion_divisors{"completion divisors", 0x3459C4, 12};
inline constexpr area test_pattern{"test pattern", 0x411400, 16};
inline constexpr area slot_mark_a{"slot mark a", 0x411410, 16};
inline constexpr area slot_mark_b{"slot mark b", 0x411420, 16};
inline constexpr area slot_mark_c{"slot mark c", 0x411430, 16};
inline constexpr area header_signature{"header signature", 0x411468, 20};
inline constexpr area header_defaults{"header defaults", 0x41147C, 12};
inline constexpr area last_slot_signature{"last slot signature", 0x411488, 32};
inline constexpr area flag_signature{"flag signature", 0x4114A8, 32};
inline constexpr area option_signature{"option signature", 0x4114C8, 32};
inline constexpr area shared_signature{"shared signature", 0x4114E8, 32};
inline constexpr area start_defaults{"start defaults", 0x411510, 8};
inline constexpr area clock_default{"clock default", 0x411518, 4};
inline constexpr area best_time_default{"best time default", 0x41151C, 4};
inline constexpr area start_position_default{"start position default", 0x411524, 4};

// The save constants, each expected to be neither all 0x00 nor all 0xFF.
inline constexpr const area* save_constants[] = {&test_pattern,        &slot_mark_a,
                                                 &slot_mark_b,         &slot_mark_c,
                                                 &header_signature,    &header_defaults,
                                                 &last_slot_signature, &flag_signature,
                                                 &option_signature,    &shared_signature,
                                                 &start_defaults,      &clock_default,
                                                 &best_time_default,   &start_position_default,
                                                 &completion_block,    &completion_divisors};

// ---- tables of records
// Seven area record tables of 60-byte records, back to back from here.
inline constexpr uint32_t area_records_begin = 0x340AD4;
inline constexpr uint32_t area_record_size = 60;
inline constexpr int area_record_counts[7] = {42, 42, 57, 33, 20, 22, 99};
inline constexpr uint32_t area_records_last_table = 0x343D74;  // where the seventh starts
inline constexpr uint32_t area_record_table_at(int k) {
    uint32_t at = area_records_begin;
    for (int i = 0; i < k; ++i) at += uint32_t(area_record_counts[i]) * area_record_size;
    return at;
}
inline constexpr area start_flag_records{"start flag records", 0x3602E8, 256};  // 32 of 8 bytes
inline constexpr uint32_t run_records_begin = 0x3613E8;                         // 16 of 640 bytes
inline constexpr uint32_t run_record_size = 640;
inline constexpr int run_record_count = 16;
inline constexpr uint32_t run_record_at(int i) { return run_records_begin + uint32_t(i) * run_record_size; }

// ---- the intro's sprite-frame tables (a 16-bit count, then 6 bytes a sprite)
inline constexpr area text_table_0{"text table scene 0", 0x45F45C, 104};
inline constexpr area text_table_3{"text table scene 3", 0x45F4C4, 326};
inline constexpr area text_table_5{"text table scene 5", 0x45F60A, 314};
inline constexpr area cursor_table{"cursor table", 0x45F744, 20};
inline constexpr area zoom_table_a{"zoom table A", 0x45F758, 38};
inline constexpr area zoom_table_b{"zoom table B", 0x45F77E, 56};
inline constexpr area scene_4_front{"scene 4 front", 0x45F7B6, 26};
inline constexpr area scene_4_back_12{"scene 4 back 12", 0x45F7D0, 74};
inline constexpr area scene_4_back_24{"scene 4 back 24", 0x45F81A, 146};
inline constexpr area scene_7_table{"scene 7 table", 0x45F8AC, 104};

// ---- the intro's palettes
inline constexpr area palette_96{"palette 96", 0x45F914, 0xC0};
inline constexpr area palette_bg_240{"palette bg 240", 0x45F9D4, 0x20};
inline constexpr area palette_scene_2{"palette scene 2", 0x45F9F4, 0xA0};
inline constexpr area palette_160{"palette 160", 0x45FA94, 0x140};
inline constexpr area palette_scene_6{"palette scene 6", 0x45FBD4, 0xA0};
inline constexpr area palette_frames[4] = {{"palette frame 0", 0x45FC74, 0x40},
                                           {"palette frame 2", 0x45FCB4, 0x40},
                                           {"palette frame 4", 0x45FCF4, 0x20},
                                           {"palette frame 6", 0x45FD34, 0x20}};

// ---- the text scenes' code lists
inline constexpr area code_list_0{"code list scene 0", 0x45FD3C, 16};
inline constexpr area code_list_3{"code list scene 3", 0x45FD4C, 52};
inline constexpr area code_list_5{"code list scene 5", 0x45FD80, 50};

// ---- LZ77 streams, with the room each may unpack into
inline constexpr area sprite_set_1{"sprite set 1", 0x45FDB4, 0x1478};
inline constexpr area setup_bg_tiles{"setup bg tiles", 0x46122C, 0x31B4};
inline constexpr area setup_bg0_map{"setup bg0 map", 0x4643E0, 0x0904};
inline constexpr area scene_2_bg_tiles{"scene 2 bg tiles", 0x464CE4, 0x4B00};
inline constexpr area scene_2_bg0_map{"scene 2 bg0 map", 0x4697E4, 0x0688};
inline constexpr area sprite_set_4{"sprite set 4", 0x469E6C, 0x1320};
inline constexpr area scene_4_bg_tiles{"scene 4 bg tiles", 0x46B18C, 0x2EA8};
inline constexpr area scene_4_bg0_map{"scene 4 bg0 map", 0x46E034, 0x0904};
inline constexpr area scene_6_bg_tiles{"scene 6 bg tiles", 0x46E938, 0x4E30};
inline constexpr area scene_6_bg0_map{"scene 6 bg0 map", 0x473768, 0x0904};
inline constexpr area sprite_set_7{"sprite set 7", 0x47406C, 0x51A0};
inline constexpr area setup_bg1_map{"setup bg1 map", 0x47920C, 0x01F4};
// Where the unpacked sets land in vram.
inline constexpr uint32_t sprite_set_1_vram = 0x10000;
inline constexpr uint32_t sprite_set_4_vram = 0x10800;
inline constexpr uint32_t sprite_set_7_vram = 0x10000;

// ---- how the intro places its tables, for the checks
struct table_use {
    const area* table;
    uint32_t count;
    int y_offset[2];  // the placement's Y offsets (both variants)
    int x_offset[2];
    bool visible;     // drawn (not the affine zoom)
    bool text;        // text or cursor: 16 colours, bank set by the engine
    int sheet_first;  // first tile of the set loaded for this table's scene
};

// The cursor's placement depends on the cursor position; the checks place it
// at every position the text engine reaches.
inline constexpr table_use intro_tables[] = {
    {&text_table_0, 17, {-128, -128}, {120, 120}, true, true, 0},
    {&text_table_3, 54, {-128, -128}, {120, 120}, true, true, 0},
    {&text_table_5, 52, {-128, -128}, {120, 120}, true, true, 0},
    {&cursor_table, 3, {0, 0}, {0, 0}, true, true, 0},
    {&zoom_table_a, 6, {0, 0}, {0, 0}, false, false, 0},
    {&zoom_table_b, 9, {0, 0}, {0, 0}, false, false, 0},
    {&scene_4_front, 4, {95, 96}, {128, 127}, true, false, 64},
    {&scene_4_back_12, 12, {96, 96}, {128, 128}, true, false, 64},
    {&scene_4_back_24, 24, {96, 96}, {128, 128}, true, false, 64},
    {&scene_7_table, 17, {-128, -128}, {128, 128}, true, false, 0},
};

// A text scene: its table, code list, sprite count and cursor start.
struct text_scene {
    const area* table;
    const area* codes;
    uint32_t count;
    int cursor_x, cursor_y, margin;
};

inline constexpr text_scene text_scenes[] = {
    {&text_table_0, &code_list_0, 17, 56, 96, 56},
    {&text_table_3, &code_list_3, 54, 24, 80, 8},
    {&text_table_5, &code_list_5, 52, 24, 80, 32},
};

}  // namespace demo
