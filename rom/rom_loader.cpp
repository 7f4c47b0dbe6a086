// load_rom: choose, read and validate the cartridge image.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "hw/iwram_data.h"
#include "platform/platform.h"
#include "platform/product.h"
#include "rom/cartridge_map.h"
#include "rom/rom.h"
#include "rom/rom_internal.h"
#include "rom/rom_test_seam.h"

namespace {

const uint8_t* expected_sha1 = rom_expected_sha1;
uint8_t replaced_sha1[20];

// Sizes and positions as 64-bit values, so that files of 2 GiB and more are
// measured truly rather than narrowed.
int seek_to(FILE* file, long long offset, int whence) {
#ifdef _WIN32
    return _fseeki64(file, offset, whence);
#else
    return fseeko(file, static_cast<off_t>(offset), whence);
#endif
}

long long position_of(FILE* file) {
#ifdef _WIN32
    return _ftelli64(file);
#else
    return static_cast<long long>(ftello(file));
#endif
}

// What one attempt holds: the open file and the allocated block, each null
// when not held.
struct attempt {
    FILE* file = nullptr;
    uint8_t* block = nullptr;
};

// The one way out of a refused attempt. The block is freed before the file
// is closed (the file was closed before any block existed, or is closed
// after it is freed), and both are gone before the message shows.
int refuse(attempt& a, const char* text, const char* caption) {
    std::free(a.block);
    a.block = nullptr;
    if (a.file) std::fclose(a.file);
    a.file = nullptr;
    platform_message_box(message_owner::none, text, caption, message_kind::error);
    return 0;
}

int refuse_wrong_size(attempt& a, long long size) {
    char text[1024];
    std::snprintf(text, sizeof text, product_wrong_size_text, size, static_cast<unsigned>(rom_expected_size));
    return refuse(a, text, product_wrong_size_caption);
}

// The size of a file that turned out longer than its measured size: measured
// again, and at least one byte more than expected.
long long size_of_longer_file(FILE* file) {
    long long size = -1;
    if (seek_to(file, 0, SEEK_END) == 0) size = position_of(file);
    const long long at_least = static_cast<long long>(rom_expected_size) + 1;
    return size < at_least ? at_least : size;
}

int header_matches(const uint8_t* block) {
    return std::memcmp(block + rom_header_title.offset, rom_expected_title, rom_header_title.length) == 0 &&
           std::memcmp(block + rom_header_game_code.offset, rom_expected_game_code,
                       rom_header_game_code.length) == 0;
}

}  // namespace

void rom_replace_expected_sha1(const uint8_t digest[20]) {
    std::memcpy(replaced_sha1, digest, sizeof replaced_sha1);
    expected_sha1 = replaced_sha1;
}

void rom_restore_expected_sha1() { expected_sha1 = rom_expected_sha1; }

void release_rom_image() {
    std::free(rom_image);
    rom_image = nullptr;
    rom_size = 0;
    // Nothing may keep pointing into the freed block.
    for (const uint8_t*& pointer : run_record_pointers) pointer = nullptr;
    iwram_data.intro_state.text_table = nullptr;
}

int load_rom() {
    release_rom_image();

    static char path[4096];
    std::memset(path, 0, sizeof path);
    if (!platform_choose_file(path, sizeof path)) return 0;
    path[sizeof path - 1] = '\0';

    attempt a;
    a.file = platform_open_regular_file(path);
    if (!a.file) {
        char text[1024];
        // A long path is cut short to fit the message.
        if (std::snprintf(text, sizeof text, product_open_failed_text, path) < 0) text[0] = '\0';
        return refuse(a, text, product_open_failed_caption);
    }
    if (seek_to(a.file, 0, SEEK_END) != 0)
        return refuse(a, product_seek_end_failed_text, product_seek_failed_caption);
    const long long size = position_of(a.file);
    if (size < 0) return refuse(a, product_size_failed_text, product_size_failed_caption);
    if (size != static_cast<long long>(rom_expected_size)) return refuse_wrong_size(a, size);
    if (seek_to(a.file, 0, SEEK_SET) != 0)
        return refuse(a, product_seek_start_failed_text, product_seek_failed_caption);
    a.block = static_cast<uint8_t*>(std::malloc(rom_expected_size));
    if (!a.block) return refuse(a, product_allocation_failed_text, product_allocation_failed_caption);
    if (std::fread(a.block, 1, rom_expected_size, a.file) != rom_expected_size)
        return refuse(a, product_read_failed_text, product_read_failed_caption);
    // A file that grew after it was measured is longer than an image can be.
    if (std::fgetc(a.file) != EOF) return refuse_wrong_size(a, size_of_longer_file(a.file));
    std::fclose(a.file);
    a.file = nullptr;

    if (!header_matches(a.block)) return refuse(a, product_header_failed_text, product_header_failed_caption);

    // platform_sha1 releases its own hash and provider before it returns.
    uint8_t digest[20];
    if (!platform_sha1(a.block, rom_expected_size, digest) || std::memcmp(digest, expected_sha1, 20) != 0)
        return refuse(a, product_sha1_failed_text, product_sha1_failed_caption);

    rom_image = a.block;
    rom_size = rom_expected_size;
    return 1;
}
