// The cartridge map: every area of the image the program reads, each named
// once. Offset k is the handheld's cartridge address 0x08000000 + k. The
// loader, the imports, the intro and the save code take their offsets and
// lengths from here and read them through rom_ptr.
#pragma once

#include <cstdint>

// A range of the image: length bytes from offset.
struct rom_area {
    uint32_t offset;
    uint32_t length;
};

// A run of equal records: count records of record_size bytes, stride apart.
struct rom_record_table {
    uint32_t offset;
    uint32_t stride;
    uint32_t count;
    constexpr rom_area record(uint32_t i) const { return {offset + i * stride, stride}; }
};

// ---- the cartridge header, checked by the loader
constexpr rom_area rom_header_title{0xA0, 12};
constexpr rom_area rom_header_game_code{0xAC, 4};
constexpr char rom_expected_title[] = "ORVALISQUEST";  // no terminator in the image
constexpr char rom_expected_game_code[] = "AORV";
static_assert(sizeof rom_expected_title - 1 == rom_header_title.length);
static_assert(sizeof rom_expected_game_code - 1 == rom_header_game_code.length);

// ---- constants copied out at boot, in the order the import steps run
constexpr rom_area rom_obj_half_width{0x45FD24, 12};
constexpr rom_area rom_obj_half_height{0x45FD30, 12};
constexpr rom_record_table rom_run_records{0x3613E8, 0x280, 16};
constexpr rom_area rom_completion_block{0x3459A0, 32};
constexpr rom_area rom_completion_divisors{0x3459C4, 12};
constexpr rom_area rom_test_pattern{0x411400, 16};
constexpr rom_area rom_slot_mark_a{0x411410, 16};
constexpr rom_area rom_slot_mark_b{0x411420, 16};
constexpr rom_area rom_slot_mark_c{0x411430, 16};
constexpr rom_area rom_header_signature{0x411468, 20};
constexpr rom_area rom_header_defaults{0x41147C, 12};
constexpr rom_area rom_last_slot_signature{0x411488, 32};
constexpr rom_area rom_flag_signature{0x4114A8, 32};
constexpr rom_area rom_option_signature{0x4114C8, 32};
constexpr rom_area rom_shared_signature{0x4114E8, 32};
constexpr rom_area rom_start_defaults{0x411510, 8};
constexpr rom_area rom_clock_default{0x411518, 4};
constexpr rom_area rom_best_time_default{0x41151C, 4};
constexpr rom_area rom_start_position_default{0x411524, 4};
constexpr rom_area rom_sine_table{0x8C71C, 640};  // 320 signed 16-bit entries

// ---- tables the save code reads where it needs them
// Area record tables of areas 0..6: 60-byte records, as many as each holds.
constexpr uint32_t rom_area_record_size = 60;
constexpr uint32_t rom_area_record_table_count = 7;
constexpr uint32_t rom_area_record_tables[rom_area_record_table_count] = {
    0x340AD4, 0x3414AC, 0x341E84, 0x342BE0, 0x34339C, 0x34384C, 0x343D74};
constexpr uint8_t rom_area_record_counts[rom_area_record_table_count] = {42, 42, 57, 33, 20, 22, 99};
// The start flags: 32 records of 8 bytes, a flag set where byte 0 is not 0.
constexpr rom_record_table rom_start_flags{0x3602E8, 8, 32};

// ---- the intro: LZ77 streams (the length is the room the stream may use)
constexpr rom_area rom_setup_sprite_tiles{0x45FDB4, 0x1478};  // again at the start of scene 6
constexpr rom_area rom_setup_bg_tiles{0x46122C, 0x31B4};
constexpr rom_area rom_setup_bg0_map{0x4643E0, 0x0904};
constexpr rom_area rom_setup_bg1_map{0x47920C, 0x01F4};
constexpr rom_area rom_scene_2_bg_tiles{0x464CE4, 0x4B00};
constexpr rom_area rom_scene_2_bg0_map{0x4697E4, 0x0688};
constexpr rom_area rom_scene_4_sprite_tiles{0x469E6C, 0x1320};
constexpr rom_area rom_scene_4_bg_tiles{0x46B18C, 0x2EA8};
constexpr rom_area rom_scene_4_bg0_map{0x46E034, 0x0904};
constexpr rom_area rom_scene_6_sprite_tiles{0x47406C, 0x51A0};
constexpr rom_area rom_scene_6_bg_tiles{0x46E938, 0x4E30};
constexpr rom_area rom_scene_6_bg0_map{0x473768, 0x0904};

// ---- the intro: palettes, copied as they are
constexpr rom_area rom_intro_palette{0x45F914, 0xC0};         // both halves at the setup
constexpr rom_area rom_intro_bg_top_palette{0x45F9D4, 0x20};  // background colours 240-255
constexpr rom_area rom_scene_2_palette{0x45F9F4, 0xA0};
constexpr rom_area rom_scene_4_palette{0x45FA94, 0x140};  // both halves
constexpr rom_area rom_scene_6_palette{0x45FBD4, 0xA0};
// The closing scene's cycling sprite colours, one palette every two frames.
constexpr rom_area rom_closing_palettes[4] = {
    {0x45FC74, 0x40}, {0x45FCB4, 0x40}, {0x45FCF4, 0x20}, {0x45FD34, 0x20}};

// ---- the intro: sprite-frame tables
constexpr rom_area rom_cursor_table{0x45F744, 20};
constexpr rom_area rom_zoom_table_a{0x45F758, 38};
constexpr rom_area rom_zoom_table_b{0x45F77E, 56};
constexpr rom_area rom_scene_4_front_table{0x45F7B6, 26};
constexpr rom_area rom_scene_4_back_12_table{0x45F7D0, 74};
constexpr rom_area rom_scene_4_back_24_table{0x45F81A, 146};
constexpr rom_area rom_closing_table{0x45F8AC, 104};

// ---- the intro: the three text scenes, each a code list and a text table
constexpr rom_area rom_scene_0_codes{0x45FD3C, 16};
constexpr rom_area rom_scene_0_text_table{0x45F45C, 104};
constexpr rom_area rom_scene_3_codes{0x45FD4C, 52};
constexpr rom_area rom_scene_3_text_table{0x45F4C4, 326};
constexpr rom_area rom_scene_5_codes{0x45FD80, 50};
constexpr rom_area rom_scene_5_text_table{0x45F60A, 314};
