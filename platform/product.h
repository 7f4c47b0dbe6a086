// The product's own words and sizes: the window's title, class and starting
// size, the chooser's title and filters, and the texts and captions of every
// message the program shows. Every back end, the core and the tests take
// them from here; the build reads this file to fill the web page
// (cmake/product.cmake), and the GUI, Wine and browser tests read it too,
// so keep each one a plain `constexpr char name[] = "...";` (adjacent
// literals are joined) or `constexpr int name = N;`. The page's values
// (title, chooser title, filter name, sizes) stay one literal on one line.
#pragma once

#include <array>
#include <cstddef>

// ---- the window
constexpr char product_window_title[] = "Orvalis PC";
constexpr char product_window_class[] = "ORVPCWindow";
constexpr int product_client_width = 960;  // the client area at start
constexpr int product_client_height = 640;

// ---- the file chooser: the ROM filter first, then every file
constexpr char product_chooser_title[] = "Select your Orvalis ROM";
constexpr char product_rom_filter_name[] = "Game Boy Advance ROMs (*.gba)";
constexpr char product_rom_filter_pattern[] = "*.gba";
constexpr char product_all_filter_name[] = "All Files (*.*)";

// ---- the host's messages
constexpr char product_self_test_caption[] = "ORV PC";
constexpr char product_register_test_failed[] = "Simulated GBA register test FAILED";
constexpr char product_copy_test_failed[] = "DMA copy test failed";
constexpr char product_fill_test_failed[] = "DMA fill test failed";
constexpr char product_no_image_caption[] = "Original game required";
constexpr char product_no_image_text[] =
    "Orvalis PC requires you to provide your own original game ROM.\n\nNo original ROM is included with this "
    "program.";

// ---- the chooser's own message where no dialog program is installed (SDL2)
constexpr char product_no_chooser_caption[] = "ROM loader: NO FILE CHOOSER";
constexpr char product_no_chooser_text_macos[] =
    "No file chooser was found.\n\nosascript (part of macOS) is needed to choose your ROM image.";
constexpr char product_no_chooser_text[] =
    "No file chooser was found.\n\nInstall zenity (or kdialog) to choose your ROM image,\nfor example: sudo "
    "apt-get install zenity";

// ---- the loader's messages (two are formats: the path; the sizes found and expected)
constexpr char product_open_failed_text[] = "fopen() failed.\n\nPath:\n%s";
constexpr char product_open_failed_caption[] = "ROM loader: OPEN FAILED";
constexpr char product_seek_end_failed_text[] = "fseek(SEEK_END) failed.";
constexpr char product_seek_start_failed_text[] = "fseek(SEEK_SET) failed.";
constexpr char product_seek_failed_caption[] = "ROM loader: SEEK FAILED";
constexpr char product_size_failed_text[] = "ftell() failed.";
constexpr char product_size_failed_caption[] = "ROM loader: SIZE FAILED";
constexpr char product_wrong_size_text[] = "Wrong ROM size.\n\nActual: %lld bytes\nExpected: %u bytes";
constexpr char product_wrong_size_caption[] = "ROM loader: WRONG SIZE";
constexpr char product_allocation_failed_text[] = "Could not allocate memory for the ROM.";
constexpr char product_allocation_failed_caption[] = "ROM loader: ALLOCATION FAILED";
constexpr char product_read_failed_text[] = "Could not read the complete ROM.";
constexpr char product_read_failed_caption[] = "ROM loader: READ FAILED";
constexpr char product_header_failed_text[] = "ROM was read successfully, but the GBA header check failed.";
constexpr char product_header_failed_caption[] = "ROM loader: HEADER FAILED";
constexpr char product_sha1_failed_text[] =
    "ROM was read successfully and its header is correct,\nbut SHA-1 validation failed.";
constexpr char product_sha1_failed_caption[] = "ROM loader: SHA-1 FAILED";

// Joins texts at compile time into one NUL-terminated array, so that a back
// end can build its own form of these words (a command-line option, a
// dialog's filter list) without typing them again.
template <size_t... n>
constexpr std::array<char, (n + ...) - sizeof...(n) + 1> join_text(const char (&... parts)[n]) {
    std::array<char, (n + ...) - sizeof...(n) + 1> joined{};
    size_t at = 0;
    const auto append = [&](const char* part, size_t size) {
        for (size_t i = 0; i + 1 < size; ++i) joined[at++] = part[i];
    };
    (append(parts, n), ...);
    joined[at] = '\0';
    return joined;
}
