// The game's variables: one 27,200-byte block, every variable at the offset
// the game code knows it by. Names like v27100 stand for "the byte at +27100"
// where the game has no better name. Offsets are checked at compile time.
#pragma once

#include <cstddef>
#include <cstdint>

#include "hw/oam.h"

using callback_fn = void (*)();

// The intro's shared record (1752 bytes at +18688).
struct intro_state_record {
    uint8_t scene_index;         // 0x00
    uint8_t code_index;          // 0x01
    uint8_t text_flash_bank;     // 0x02
    uint8_t text_sprites_shown;  // 0x03
    uint16_t cursor_x;           // 0x04
    uint16_t cursor_y;           // 0x06
    uint8_t cursor_bank;         // 0x08
    uint8_t cursor_blink;        // 0x09
    uint8_t phase_counter;       // 0x0A
    uint8_t pad_0b;
    uint16_t scene_timer;        // 0x0C
    uint16_t text_table_length;  // 0x0E: bytes readable at text_table (free room in the record)
    union {
        const uint8_t* text_table;  // 0x10, points into the loaded image
        uint8_t text_table_room[8];
    };
    uint8_t palette_buffer[32];  // 0x18
    uint16_t zoom_angle;         // 0x38
    int16_t zoom_scale;          // 0x3A
    uint8_t pad_3c[5];
    uint8_t anim_counter;        // 0x41
    int16_t zoom_center_x;       // 0x42
    int16_t zoom_center_y;       // 0x44
    uint8_t text_sound_started;  // 0x46
    uint8_t pad_47;
    uint16_t dispcnt_shadow;  // 0x48
    uint16_t bldcnt_shadow;   // 0x4A
    uint8_t unused_tail[1752 - 0x4C];
};
static_assert(sizeof(intro_state_record) == 1752);
static_assert(offsetof(intro_state_record, scene_timer) == 0x0C);
static_assert(offsetof(intro_state_record, text_table_length) == 0x0E);
static_assert(offsetof(intro_state_record, text_table) == 0x10);
static_assert(offsetof(intro_state_record, palette_buffer) == 0x18);
static_assert(offsetof(intro_state_record, zoom_angle) == 0x38);
static_assert(offsetof(intro_state_record, anim_counter) == 0x41);
static_assert(offsetof(intro_state_record, text_sound_started) == 0x46);
static_assert(offsetof(intro_state_record, dispcnt_shadow) == 0x48);
static_assert(offsetof(intro_state_record, bldcnt_shadow) == 0x4A);

// One summary record per save slot (22 bytes at +23264 + 22k). The fields
// are bytes and byte pairs; the two-byte values are little-endian.
struct slot_info_record {
    uint8_t in_use;          // 0
    uint8_t integrity;       // 1
    uint8_t area_shown;      // 2
    uint8_t zero_3;          // 3
    uint8_t value_4[2];      // 4: u16
    uint8_t value_6[2];      // 6: u16
    uint8_t value_8[2];      // 8: u16
    uint8_t value_10[2];     // 10: u16
    uint8_t value_12;        // 12
    uint8_t clock_hours;     // 13
    uint8_t clock_minutes;   // 14
    uint8_t clock_seconds;   // 15
    uint8_t full_save_flag;  // 16
    uint8_t result_bits;     // 17
    uint8_t slot_started;    // 18
    uint8_t option_copy;     // 19
    uint8_t run_category;    // 20
    uint8_t setting_byte;    // 21
};
static_assert(sizeof(slot_info_record) == 22);

struct alignas(8) iwram_data_block {
    // Free space (no offset named by the game) holds the shared frame state.
    oam_entry oam_buffer[128];  // 0
    uint8_t oam_count;          // 1024
    uint8_t pad_1025;
    uint16_t keys_held;       // 1026
    uint16_t keys_new;        // 1028
    uint16_t keys_held_copy;  // 1030
    uint8_t frame_counter;    // 1032
    uint8_t pad_1033;
    uint16_t frame_counter_16;  // 1034
    uint8_t in_frame;           // 1036
    uint8_t pad_1037;
    uint16_t vblank_flag;  // 1038
    // The callback slots take 8 bytes each on every target, so that no
    // offset depends on the size of a pointer.
    union {
        callback_fn vblank_callback;  // 1040
        uint8_t vblank_callback_room[8];
    };
    union {
        callback_fn hblank_callback;  // 1048
        uint8_t hblank_callback_room[8];
    };
    union {
        callback_fn vcount_callback;  // 1056
        uint8_t vcount_callback_room[8];
    };
    union {
        callback_fn serial_callback;  // 1064
        uint8_t serial_callback_room[8];
    };
    union {
        callback_fn timer3_callback;  // 1072
        uint8_t timer3_callback_room[8];
    };
    uint8_t pad_1080[1184 - 1080];
    uint8_t v1184;  // 1184
    uint8_t pad_1185[1208 - 1185];
    uint16_t v1208;  // 1208
    uint8_t pad_1210[11612 - 1210];
    uint8_t v11612[4];  // 11612: u32
    uint8_t v11616[2];  // 11616: u16
    uint8_t pad_11618[18688 - 11618];
    intro_state_record intro_state;  // 18688 .. 20439
    uint8_t pad_20440[20448 - 20440];
    uint8_t shared_block[48];  // 20448
    uint8_t v20496[8];         // 20496: receives start_defaults
    uint8_t pad_20504[20644 - 20504];
    uint8_t v20644;  // 20644
    uint8_t pad_20645;
    uint8_t v20646[2];  // 20646: u16
    uint8_t pad_20648[20864 - 20648];
    uint8_t records_20864[5][16];  // 20864: five records, two u32 then 8 bytes
    uint8_t record_20944[8];       // 20944
    uint8_t pad_20952[20960 - 20952];
    uint8_t counter_block[20];  // 20960
    uint8_t pad_20980[20984 - 20980];
    uint8_t v20984[8];        // 20984
    uint8_t v20992[268];      // 20992 .. 21259
    uint8_t record_21260[8];  // 21260
    uint8_t pad_21268[21312 - 21268];
    uint8_t record_21312[32];  // 21312
    uint8_t pad_21344[21358 - 21344];
    // bg_scroll_values, lowest address first: +21358 .. +21372.
    uint16_t bg_scroll_21358;
    uint16_t bg_scroll_21360;
    uint16_t bg_scroll_21362;
    uint16_t bg_scroll_21364;
    uint16_t bg_scroll_21366;
    uint16_t bg_scroll_21368;
    uint16_t bg0_vofs_shadow;  // 21370
    uint16_t bg0_hofs_shadow;  // 21372
    uint16_t evb_shadow;       // 21374
    uint16_t eva_shadow;       // 21376
    uint16_t bldy_shadow;      // 21378
    uint8_t pad_21380[23238 - 21380];
    uint8_t v23238;  // 23238
    uint8_t pad_23239;
    int16_t mode_stage;         // 23240
    int16_t game_mode;          // 23242
    uint8_t start_position[4];  // 23244
    uint8_t pad_23248[23264 - 23248];
    slot_info_record slot_info[3];  // 23264
    uint8_t save_stage;             // 23330
    uint8_t chunk_index;            // 23331
    uint8_t full_save_flag;         // 23332
    uint8_t current_slot;           // 23333 (unsigned: slots 0..2)
    uint8_t start_slot_state;       // 23334
    uint8_t sram_test_result;       // 23335
    uint8_t pad_23336[23386 - 23336];
    uint8_t v23386;  // 23386
    uint8_t v23387;  // 23387
    uint8_t pad_23388[26592 - 23388];
    uint8_t v26592[2];  // 26592: u16
    uint8_t pad_26594[26640 - 26594];
    uint8_t extra_clocks[5][4];  // 26640
    uint8_t pad_26660[26688 - 26660];
    uint8_t best_times[12][4];  // 26688
    uint8_t play_clock[4];      // 26736
    uint8_t v26740;             // 26740
    uint8_t pad_26741;
    uint8_t record_26742[6];  // 26742
    uint8_t pad_26748[27058 - 26748];
    uint8_t v27058;  // 27058
    uint8_t pad_27059[27080 - 27059];
    uint8_t position_counts[8];  // 27080
    uint8_t pair_counts[8];      // 27088
    uint8_t v27096;              // 27096
    uint8_t v27097;              // 27097
    uint8_t pad_27098[2];
    uint8_t v27100;        // 27100
    uint8_t v27101;        // 27101
    uint8_t current_area;  // 27102
    uint8_t pad_27103;
    uint8_t start_flag_bits[4];  // 27104: u32
    uint8_t pad_27108[2];
    uint8_t v27110;  // 27110
    uint8_t pad_27111;
    uint8_t v27112;  // 27112
    uint8_t pad_27113[27118 - 27113];
    uint8_t save_op_active;  // 27118
    uint8_t v27119;          // 27119
    uint8_t pad_27120[27137 - 27120];
    uint8_t setting_byte;  // 27137
    uint8_t v27138;        // 27138
    uint8_t run_category;  // 27139
    uint8_t pad_27140[2];
    uint8_t v27142;  // 27142
    uint8_t pad_27143;
    uint8_t result_bits;   // 27144 (slot_marks: these three bytes)
    uint8_t slot_started;  // 27145
    uint8_t option_copy;   // 27146
    uint8_t saved_option;  // 27147
    uint8_t pad_27148[27152 - 27148];
    uint8_t header_values[12];  // 27152
    uint8_t pad_27164[27178 - 27164];
    uint8_t v27178;      // 27178
    uint8_t saved_flag;  // 27179
    uint8_t pad_27180[3];
    uint8_t v27183;  // 27183
    uint8_t pad_27184[27200 - 27184];
};

#define IWRAM_AT(field, offset) \
    static_assert(offsetof(iwram_data_block, field) == (offset), #field " misplaced")
static_assert(sizeof(iwram_data_block) == 27200);
IWRAM_AT(oam_count, 1024);
IWRAM_AT(vblank_callback, 1040);
IWRAM_AT(hblank_callback, 1048);
IWRAM_AT(vcount_callback, 1056);
IWRAM_AT(serial_callback, 1064);
IWRAM_AT(timer3_callback, 1072);
IWRAM_AT(v1184, 1184);
IWRAM_AT(v1208, 1208);
IWRAM_AT(v11612, 11612);
IWRAM_AT(v11616, 11616);
IWRAM_AT(intro_state, 18688);
IWRAM_AT(shared_block, 20448);
IWRAM_AT(v20496, 20496);
IWRAM_AT(v20644, 20644);
IWRAM_AT(v20646, 20646);
IWRAM_AT(records_20864, 20864);
IWRAM_AT(record_20944, 20944);
IWRAM_AT(counter_block, 20960);
IWRAM_AT(v20984, 20984);
IWRAM_AT(v20992, 20992);
IWRAM_AT(record_21260, 21260);
IWRAM_AT(record_21312, 21312);
IWRAM_AT(bg_scroll_21358, 21358);
IWRAM_AT(bg0_vofs_shadow, 21370);
IWRAM_AT(bg0_hofs_shadow, 21372);
IWRAM_AT(evb_shadow, 21374);
IWRAM_AT(eva_shadow, 21376);
IWRAM_AT(bldy_shadow, 21378);
IWRAM_AT(v23238, 23238);
IWRAM_AT(mode_stage, 23240);
IWRAM_AT(game_mode, 23242);
IWRAM_AT(start_position, 23244);
IWRAM_AT(slot_info, 23264);
IWRAM_AT(save_stage, 23330);
IWRAM_AT(chunk_index, 23331);
IWRAM_AT(full_save_flag, 23332);
IWRAM_AT(current_slot, 23333);
IWRAM_AT(start_slot_state, 23334);
IWRAM_AT(sram_test_result, 23335);
IWRAM_AT(v23386, 23386);
IWRAM_AT(v23387, 23387);
IWRAM_AT(v26592, 26592);
IWRAM_AT(extra_clocks, 26640);
IWRAM_AT(best_times, 26688);
IWRAM_AT(play_clock, 26736);
IWRAM_AT(v26740, 26740);
IWRAM_AT(record_26742, 26742);
IWRAM_AT(v27058, 27058);
IWRAM_AT(position_counts, 27080);
IWRAM_AT(pair_counts, 27088);
IWRAM_AT(v27096, 27096);
IWRAM_AT(v27097, 27097);
IWRAM_AT(v27100, 27100);
IWRAM_AT(v27101, 27101);
IWRAM_AT(current_area, 27102);
IWRAM_AT(start_flag_bits, 27104);
IWRAM_AT(v27110, 27110);
IWRAM_AT(v27112, 27112);
IWRAM_AT(save_op_active, 27118);
IWRAM_AT(v27119, 27119);
IWRAM_AT(setting_byte, 27137);
IWRAM_AT(v27138, 27138);
IWRAM_AT(run_category, 27139);
IWRAM_AT(v27142, 27142);
IWRAM_AT(result_bits, 27144);
IWRAM_AT(slot_started, 27145);
IWRAM_AT(option_copy, 27146);
IWRAM_AT(saved_option, 27147);
IWRAM_AT(header_values, 27152);
IWRAM_AT(v27178, 27178);
IWRAM_AT(saved_flag, 27179);
IWRAM_AT(v27183, 27183);
#undef IWRAM_AT

extern iwram_data_block iwram_data;
