// The program's start-up and frame loop, written once over the platform seam.
#include "host/host.h"

#include <cstring>

#include "game/game.h"
#include "host/host_test_seam.h"
#include "hw/interrupts.h"
#include "hw/iwram_data.h"
#include "hw/keys.h"
#include "hw/regions.h"
#include "hw/registers.h"
#include "hw/transfer.h"
#include "platform/platform.h"
#include "platform/product.h"
#include "render/sprite_layer.h"
#include "rom/rom.h"

void (*host_self_test_hook)(int test, uint8_t* destination) = nullptr;

void host_reset_globals() { host_self_test_hook = nullptr; }

namespace {

uint32_t word_at(const uint8_t* bytes, int index) {
    uint32_t value;
    std::memcpy(&value, bytes + static_cast<std::ptrdiff_t>(index) * 4, 4);
    return value;
}

void run_self_test_hook(int test, uint8_t* destination) {
    if (host_self_test_hook) host_self_test_hook(test, destination);
}

// The three checks that the simulated handheld behaves as the game expects.
// Returns 1 when all pass; otherwise shows the failing test's message.
int run_self_tests() {
    reg_store16(DISPCNT, 0x1234);
    run_self_test_hook(self_test_register, nullptr);
    if (reg_load16(DISPCNT) != 0x1234) {
        platform_message_box(message_owner::none, product_register_test_failed, product_self_test_caption,
                             message_kind::error);
        return 0;
    }

    static const uint32_t words[4] = {0x11223344, 0x55667788, 0x99AABBCC, 0xDDEEFF00};
    uint8_t source[16];
    uint8_t destination[16] = {};
    std::memcpy(source, words, sizeof source);
    cpu_copy(source, destination, 16);
    run_self_test_hook(self_test_copy, destination);
    for (int i = 0; i < 4; ++i) {
        if (word_at(destination, i) != words[i]) {
            platform_message_box(message_owner::none, product_copy_test_failed, product_self_test_caption,
                                 message_kind::plain);
            return 0;
        }
    }

    cpu_fill32(0xCAFEBABE, destination, 16);
    run_self_test_hook(self_test_fill, destination);
    for (int i = 0; i < 4; ++i) {
        if (word_at(destination, i) != 0xCAFEBABE) {
            platform_message_box(message_owner::none, product_fill_test_failed, product_self_test_caption,
                                 message_kind::plain);
            return 0;
        }
    }
    return 1;
}

void run_imports() {
    import_sprite_half_sizes();
    import_run_record_pointers();
    import_completion_constants();
    import_save_constants();
    import_sine_table();
}

// One pass per frame until the window system asks to quit.
int frame_loop() {
    for (;;) {
        if (!platform_drain_messages()) return 0;
        poll_keyboard();
        update_key_state();
        check_soft_reset();
        ++iwram_data.frame_counter;
        ++iwram_data.frame_counter_16;
        game_mode_step();
        iwram_data.in_frame = 1;
        iwram_data.vblank_flag = 0;
        vblank_step();
        std::memset(frame_buffer, 0, frame_bytes);
        render_sprite_layer(frame_buffer);
        platform_present();
        iwram_data.in_frame = 0;
        platform_sleep_frame();
    }
}

}  // namespace

int run_host(void* instance, const char*, int show_command) {
    std::memset(frame_buffer, 0, frame_bytes);
    if (!run_self_tests()) return 1;

    if (platform_open_window(instance) != window_open_result::ok) return 1;
    platform_show_window(show_command);

    if (!load_rom()) {
        platform_message_box(message_owner::main_window, product_no_image_text, product_no_image_caption,
                             message_kind::information);
        platform_destroy_window();
        return 0;
    }

    run_imports();
    poll_keyboard();
    game_reset();
    return frame_loop();
}
