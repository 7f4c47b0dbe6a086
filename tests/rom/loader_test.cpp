// load_rom: acceptance, every refusal with its text and caption, and the
// release of a previous image.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "host/headless/headless.h"
#include "host/host.h"
#include "hw/iwram_data.h"
#include "platform/product.h"
#include "rom/rom.h"
#include "tests/rom/image_fixture.h"
#include "tests/support/reset.h"

namespace {

class loader : public fresh_globals {
protected:
    scratch_dir dir;

    // Runs the program on the file and expects this error box from the
    // loader, then the notice, exit code 0 and no image afterwards.
    void expect_refused(const std::string& path, const std::string& text, const std::string& caption) {
        headless_set_rom_path(path.c_str());
        const uint32_t shown_before = headless_messages_shown();
        EXPECT_EQ(run_host(nullptr, "", 10), 0);
        EXPECT_EQ(rom_image, nullptr);
        EXPECT_EQ(rom_size, 0u);
        ASSERT_EQ(headless_messages_shown() - shown_before, 2u);
        const headless_message& shown = headless_message_at(headless_message_count() - 2);
        EXPECT_EQ(shown.text, text);
        EXPECT_EQ(shown.caption, caption);
        EXPECT_EQ(shown.kind, message_kind::error);
        EXPECT_EQ(shown.owner, message_owner::none);
        const headless_message& notice = headless_message_at(headless_message_count() - 1);
        EXPECT_STREQ(notice.caption, product_no_image_caption);
        EXPECT_EQ(notice.owner, message_owner::main_window);
        EXPECT_EQ(headless_present_count(), 0u);
    }
};

const char* const wrong_size_caption = product_wrong_size_caption;
const char* const header_text = product_header_failed_text;
const char* const header_caption = product_header_failed_caption;
const char* const sha1_text = product_sha1_failed_text;
const char* const sha1_caption = product_sha1_failed_caption;

// The wrong-size message as the loader must fill it: the size found, then 8388608.
std::string wrong_size_text(const char* actual) {
    char text[1024];
    std::snprintf(text, sizeof text, product_wrong_size_text, std::atoll(actual), 8388608u);
    return text;
}

std::string open_failed_text(const std::string& path) {
    char text[1024];
    std::snprintf(text, sizeof text, product_open_failed_text, path.c_str());
    return text;
}

TEST_F(loader, accepts_the_expected_image_unchanged) {
    const std::vector<uint8_t> image = make_image();
    write_file(dir.file("good.gba"), image);
    trust_image(image);
    headless_set_rom_path(dir.file("good.gba").c_str());

    ASSERT_EQ(load_rom(), 1);
    EXPECT_EQ(headless_message_count(), 0);
    ASSERT_NE(rom_image, nullptr);
    EXPECT_EQ(rom_size, 0x800000u);
    EXPECT_EQ(std::memcmp(rom_image, image.data(), image.size()), 0);
}

TEST_F(loader, cancelled_dialog_shows_nothing) {
    EXPECT_EQ(load_rom(), 0);
    EXPECT_EQ(headless_choose_count(), 1u);
    EXPECT_EQ(headless_messages_shown(), 0u);
    EXPECT_EQ(rom_image, nullptr);
}

TEST_F(loader, the_configured_digest_refuses_other_images) {
    // No replaced digest: the program's own check applies to the synthetic image.
    write_file(dir.file("other.gba"), make_image());
    expect_refused(dir.file("other.gba"), sha1_text, sha1_caption);
}

TEST_F(loader, missing_file_names_its_path) {
    const std::string path = dir.file("no such file.gba");
    expect_refused(path, open_failed_text(path), product_open_failed_caption);
}

TEST_F(loader, wrong_sizes_report_the_true_size) {
    struct row {
        size_t size;
        const char* shown;
    };
    const row rows[] = {{0, "0"}, {1, "1"}, {0x7FFFFF, "8388607"}, {0x800001, "8388609"}};
    for (const row& r : rows) {
        SCOPED_TRACE(r.size);
        reset_all_globals();
        std::vector<uint8_t> bytes = make_image();
        bytes.resize(r.size);
        write_file(dir.file("sized.gba"), bytes);
        trust_image(bytes);
        expect_refused(dir.file("sized.gba"), wrong_size_text(r.shown), wrong_size_caption);
    }
}

TEST_F(loader, sparse_file_past_4_gib_is_refused_with_its_size) {
    // 4 GiB + 8 MiB narrows to exactly 8 MiB in 32 bits; it must not pass.
    const std::string path = dir.file("huge.gba");
    const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    const off_t size = (off_t{1} << 32) + 0x800000;
    const int truncated = ::ftruncate(fd, size);
    ::close(fd);
    if (truncated != 0) GTEST_SKIP() << "this file system cannot hold a sparse 4 GiB file";
    expect_refused(path, wrong_size_text("4303355904"), wrong_size_caption);
}

// Anything that is not a regular file is refused as unopenable: a directory
// (which glibc would open and measure as an absurd size) and a FIFO (whose
// open would wait for a writer for ever). A regular file beside them is still
// measured.
TEST_F(loader, only_regular_files_open) {
    const std::string folder = dir.file("folder.gba");
    ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
    const std::string fifo = dir.file("pipe.gba");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    write_file(dir.file("small.gba"), std::vector<uint8_t>(3));

    struct row {
        std::string path;
        std::string text;
        const char* caption;
    };
    const row rows[] = {
        {folder, open_failed_text(folder), product_open_failed_caption},
        {fifo, open_failed_text(fifo), product_open_failed_caption},
        {dir.file("small.gba"), wrong_size_text("3"), wrong_size_caption},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.path);
        reset_all_globals();
        // The refusal runs on a worker so that a blocked open fails the test
        // after a time limit instead of hanging it.
        std::promise<void> finished;
        std::future<void> done = finished.get_future();
        std::thread worker([&] {
            expect_refused(r.path, r.text, r.caption);
            finished.set_value();
        });
        if (done.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
            ADD_FAILURE() << "the loader blocked on " << r.path;
            // A writer releases an open waiting on the FIFO, so the worker can end.
            const int fd = ::open(r.path.c_str(), O_WRONLY | O_NONBLOCK);
            done.wait();
            if (fd >= 0) ::close(fd);
        }
        worker.join();
    }
}

TEST_F(loader, header_fields_are_checked) {
    struct row {
        uint32_t offset;
        const char* replacement;
    };
    // First and last byte of the title, of the game code, and lower case.
    const row rows[] = {{0xA0, "X"}, {0xAB, "X"}, {0xAC, "B"}, {0xAF, "W"}, {0xA0, "orvalisquest"}};
    for (const row& r : rows) {
        SCOPED_TRACE(r.offset);
        reset_all_globals();
        std::vector<uint8_t> bytes = make_image();
        std::memcpy(&bytes[r.offset], r.replacement, std::strlen(r.replacement));
        write_file(dir.file("header.gba"), bytes);
        trust_image(bytes);
        expect_refused(dir.file("header.gba"), header_text, header_caption);
    }
}

TEST_F(loader, header_failure_computes_no_digest) {
    std::vector<uint8_t> bytes = make_image();
    bytes[0xAC] = 'B';
    write_file(dir.file("header.gba"), bytes);
    expect_refused(dir.file("header.gba"), header_text, header_caption);
    EXPECT_EQ(headless_sha1_count(), 0u);
}

TEST_F(loader, any_changed_byte_fails_the_digest) {
    const std::vector<uint8_t> original = make_image();
    trust_image(original);
    for (uint32_t offset : {0u, 0x400000u, 0x7FFFFFu}) {
        SCOPED_TRACE(offset);
        std::vector<uint8_t> bytes = original;
        bytes[offset] ^= 0x01;
        write_file(dir.file("changed.gba"), bytes);
        headless_reset();
        expect_refused(dir.file("changed.gba"), sha1_text, sha1_caption);
    }
}

TEST_F(loader, failing_digest_service_refuses) {
    const std::string path = trusted_image_file(dir);
    headless_fail_sha1(1);
    expect_refused(path, sha1_text, sha1_caption);
}

TEST_F(loader, second_call_releases_the_first_image) {
    const std::string path = trusted_image_file(dir);
    headless_set_rom_path(path.c_str());
    ASSERT_EQ(load_rom(), 1);
    import_run_record_pointers();
    ASSERT_NE(run_record_pointers[0], nullptr);
    iwram_data.intro_state.text_table = rom_ptr(0x1000, 16);

    headless_set_rom_path(nullptr);  // the second dialog is cancelled
    EXPECT_EQ(load_rom(), 0);
    EXPECT_EQ(rom_image, nullptr);
    EXPECT_EQ(rom_size, 0u);
    for (const uint8_t* pointer : run_record_pointers) EXPECT_EQ(pointer, nullptr);
    EXPECT_EQ(iwram_data.intro_state.text_table, nullptr);
    EXPECT_EQ(headless_messages_shown(), 0u);
}

TEST_F(loader, second_call_with_a_refused_file_leaves_no_image) {
    const std::string path = trusted_image_file(dir);
    headless_set_rom_path(path.c_str());
    ASSERT_EQ(load_rom(), 1);
    write_file(dir.file("empty.gba"), {});
    expect_refused(dir.file("empty.gba"), wrong_size_text("0"), wrong_size_caption);
}

TEST_F(loader, second_call_can_accept_again) {
    const std::string path = trusted_image_file(dir);
    headless_set_rom_path(path.c_str());
    ASSERT_EQ(load_rom(), 1);
    ASSERT_EQ(load_rom(), 1);
    EXPECT_EQ(rom_size, 0x800000u);
    EXPECT_EQ(rom_image[0x1234], image_byte(0x1234));
}

TEST_F(loader, reset_restores_the_configured_digest) {
    const std::string path = trusted_image_file(dir);
    reset_all_globals();
    expect_refused(path, sha1_text, sha1_caption);
}

}  // namespace
