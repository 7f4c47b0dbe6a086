// load_rom: choose, read and validate the cartridge image.
#include <fcntl.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#ifndef _WIN32
#include <unistd.h>
#endif

#include "platform/platform.h"
#include "platform/product.h"
#include "hw/iwram_data.h"
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

// Opens the path for reading only when it names a regular file. A directory
// would open on some systems and measure as an absurd size; a FIFO would block
// until a writer came. The type is taken from the opened file itself, and the
// open does not wait, so nothing swapped in after a check can block it.
FILE* open_regular_file(const char* path) {
#ifdef _WIN32
    struct _stat64 info;
    if (_stat64(path, &info) != 0 || (info.st_mode & _S_IFMT) != _S_IFREG) return nullptr;
    return std::fopen(path, "rb");
#else
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return nullptr;
    struct stat info;
    const int flags = fcntl(fd, F_GETFL);
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || flags < 0 ||
        fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        close(fd);
        return nullptr;
    }
    FILE* file = fdopen(fd, "rb");
    if (!file) close(fd);
    return file;
#endif
}

void show_error(const char* text, const char* caption) {
    platform_message_box(message_owner::none, text, caption, message_kind::error);
}

void show_wrong_size(long long size) {
    char text[1024];
    std::snprintf(text, sizeof text, product_wrong_size_text, size,
                  static_cast<unsigned>(rom_expected_size));
    show_error(text, product_wrong_size_caption);
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
           std::memcmp(block + rom_header_game_code.offset, rom_expected_game_code, rom_header_game_code.length) == 0;
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

    FILE* file = open_regular_file(path);
    if (!file) {
        char text[1024];
        // A long path is cut short to fit the message.
        if (std::snprintf(text, sizeof text, product_open_failed_text, path) < 0) text[0] = '\0';
        show_error(text, product_open_failed_caption);
        return 0;
    }
    if (seek_to(file, 0, SEEK_END) != 0) {
        std::fclose(file);
        show_error(product_seek_end_failed_text, product_seek_failed_caption);
        return 0;
    }
    const long long size = position_of(file);
    if (size < 0) {
        std::fclose(file);
        show_error(product_size_failed_text, product_size_failed_caption);
        return 0;
    }
    if (size != static_cast<long long>(rom_expected_size)) {
        std::fclose(file);
        show_wrong_size(size);
        return 0;
    }
    if (seek_to(file, 0, SEEK_SET) != 0) {
        std::fclose(file);
        show_error(product_seek_start_failed_text, product_seek_failed_caption);
        return 0;
    }
    uint8_t* block = static_cast<uint8_t*>(std::malloc(rom_expected_size));
    if (!block) {
        std::fclose(file);
        show_error(product_allocation_failed_text, product_allocation_failed_caption);
        return 0;
    }
    if (std::fread(block, 1, rom_expected_size, file) != rom_expected_size) {
        std::free(block);
        std::fclose(file);
        show_error(product_read_failed_text, product_read_failed_caption);
        return 0;
    }
    // A file that grew after it was measured is longer than an image can be.
    if (std::fgetc(file) != EOF) {
        const long long true_size = size_of_longer_file(file);
        std::free(block);
        std::fclose(file);
        show_wrong_size(true_size);
        return 0;
    }
    std::fclose(file);

    if (!header_matches(block)) {
        std::free(block);
        show_error(product_header_failed_text, product_header_failed_caption);
        return 0;
    }

    uint8_t digest[20];
    if (!platform_sha1(block, rom_expected_size, digest) || std::memcmp(digest, expected_sha1, 20) != 0) {
        std::free(block);
        show_error(product_sha1_failed_text, product_sha1_failed_caption);
        return 0;
    }

    rom_image = block;
    rom_size = rom_expected_size;
    return 1;
}
