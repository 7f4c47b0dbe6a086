// run_host's start-up rows: self-tests, window, loader outcomes, boot.
#include <cstring>
#include <string>

#include "host/headless/headless.h"
#include "host/host.h"
#include "host/host_test_seam.h"
#include "hw/regions.h"
#include "hw/registers.h"
#include "platform/product.h"
#include "rom/rom.h"
#include "tests/rom/image_fixture.h"
#include "tests/support/reset.h"
#include "tools/cartridge/layout.h"

namespace {

const char* const notice_text =
    "Orvalis PC requires you to provide your own original game ROM.\n\n"
    "No original ROM is included with this program.";

class start_up : public fresh_globals {
protected:
    void TearDown() override {
        host_self_test_hook = nullptr;
        fresh_globals::TearDown();
    }
    scratch_dir dir;
};

int failing_test = -1;

// Spoils the result of the chosen self-test just before it is checked.
void spoil(int test, uint8_t* destination) {
    if (test != failing_test) return;
    if (test == self_test_register) reg_store16(DISPCNT, 0x1235);
    if (test == self_test_copy) destination[15] ^= 0x01;  // the last word only
    if (test == self_test_fill) destination[0] = 0;       // the first word only
}

TEST_F(start_up, self_test_failures_end_with_their_message_before_the_window) {
    struct row {
        int test;
        const char* text;
        message_kind kind;
    };
    const row rows[] = {
        {self_test_register, product_register_test_failed, message_kind::error},
        {self_test_copy, product_copy_test_failed, message_kind::plain},
        {self_test_fill, product_fill_test_failed, message_kind::plain},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.text);
        reset_all_globals();
        headless_set_rom_path(trusted_image_file(dir).c_str());
        failing_test = r.test;
        host_self_test_hook = spoil;
        frame_buffer[100] = 0xFFFFFF;

        EXPECT_EQ(run_host(nullptr, "", 10), 1);
        ASSERT_EQ(headless_message_count(), 1);
        EXPECT_STREQ(headless_message_at(0).text, r.text);
        EXPECT_STREQ(headless_message_at(0).caption, product_self_test_caption);
        EXPECT_EQ(headless_message_at(0).kind, r.kind);
        EXPECT_EQ(headless_message_at(0).owner, message_owner::none);
        EXPECT_EQ(headless_window_open(), 0);
        EXPECT_EQ(headless_choose_count(), 0u);
        EXPECT_EQ(frame_buffer[100], 0u) << "the frame buffer is cleared first";
    }
}

TEST_F(start_up, passing_self_tests_show_nothing) {
    headless_set_frame_limit(0);
    headless_set_rom_path(trusted_image_file(dir).c_str());
    EXPECT_EQ(run_host(nullptr, "", 10), 0);
    EXPECT_EQ(headless_messages_shown(), 0u);
}

TEST_F(start_up, window_failures_end_with_exit_1_and_no_message) {
    for (window_open_result failure : {window_open_result::class_failed, window_open_result::window_failed}) {
        reset_all_globals();
        headless_set_rom_path(trusted_image_file(dir).c_str());
        headless_fail_window(failure);
        EXPECT_EQ(run_host(nullptr, "", 10), 1);
        EXPECT_EQ(headless_messages_shown(), 0u);
        EXPECT_EQ(headless_choose_count(), 0u);
        EXPECT_EQ(headless_present_count(), 0u);
    }
}

TEST_F(start_up, cancelled_dialog_shows_the_notice_over_the_window_and_exits_0) {
    headless_set_frame_limit(100);
    EXPECT_EQ(run_host(nullptr, "", 3), 0);
    EXPECT_EQ(headless_show_command(), 3);
    ASSERT_EQ(headless_message_count(), 1);
    const headless_message& notice = headless_message_at(0);
    EXPECT_STREQ(notice.text, notice_text);
    EXPECT_STREQ(notice.caption, product_no_image_caption);
    EXPECT_EQ(notice.kind, message_kind::information);
    EXPECT_EQ(notice.owner, message_owner::main_window);
    EXPECT_EQ(headless_window_open(), 0);
    EXPECT_EQ(headless_present_count(), 0u);
    EXPECT_EQ(headless_button_query_count(), 0u) << "no boot poll without an image";
}

TEST_F(start_up, refused_image_shows_the_loader_message_then_the_notice) {
    write_file(dir.file("short.gba"), std::vector<uint8_t>(100));
    headless_set_rom_path(dir.file("short.gba").c_str());
    headless_set_frame_limit(100);
    EXPECT_EQ(run_host(nullptr, "", 10), 0);
    ASSERT_EQ(headless_message_count(), 2);
    EXPECT_STREQ(headless_message_at(0).caption, product_wrong_size_caption);
    EXPECT_EQ(headless_message_at(0).owner, message_owner::none);
    EXPECT_STREQ(headless_message_at(1).text, notice_text);
    EXPECT_EQ(headless_message_at(1).owner, message_owner::main_window);
    EXPECT_EQ(headless_window_open(), 0);
    EXPECT_EQ(headless_present_count(), 0u);
}

TEST_F(start_up, accepted_image_boots_imports_and_runs_the_loop) {
    headless_set_rom_path(trusted_image_file(dir).c_str());
    headless_set_frame_limit(5);
    EXPECT_EQ(run_host(nullptr, "", 10), 0);
    EXPECT_EQ(headless_messages_shown(), 0u);
    EXPECT_EQ(headless_show_command(), 10);
    EXPECT_EQ(headless_window_open(), 1);
    ASSERT_NE(rom_image, nullptr);
    // The imports ran on the accepted image.
    EXPECT_EQ(std::memcmp(sine_table, rom_image + demo::sine_table.offset, sizeof sine_table), 0);
    EXPECT_EQ(std::memcmp(start_position_default, rom_image + demo::start_position_default.offset, 4), 0);
    EXPECT_EQ(run_record_pointers[15], rom_image + demo::run_record_at(15));
    EXPECT_EQ(headless_present_count(), 5u);
    EXPECT_EQ(headless_sleep_count(), 5u);
}

TEST_F(start_up, keys_held_at_start_reach_the_boot_poll) {
    // No loop pass runs, so KEYINPUT is what the single boot poll stored.
    headless_set_rom_path(trusted_image_file(dir).c_str());
    headless_set_frame_limit(0);
    headless_hold_buttons(0, 0, 0x0300);  // L and R
    headless_hold_buttons(1, 5, 0x0001);  // too late for the boot poll
    EXPECT_EQ(run_host(nullptr, "", 10), 0);
    EXPECT_EQ(reg_load16(KEYINPUT), 0x00FF);
    EXPECT_EQ(headless_button_query_count(), 1u);
}

}  // namespace
