// The demo cartridge: builds the 8 MiB image from the project's own art and
// tables, and checks the finished image against the layout the program reads.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

constexpr uint32_t cartridge_size = 0x800000;
constexpr uint8_t cartridge_filler = 0xFF;

// One placed asset: where it lies, how much room the reader gives it, and
// (for LZ77 streams) the bytes it must unpack to and the room at its
// destination.
struct cartridge_asset {
    std::string name;
    uint32_t offset = 0;
    uint32_t length = 0;            // the listed length
    std::vector<uint8_t> bytes;     // what was written at offset
    std::vector<uint8_t> unpacked;  // LZ77 streams: the intended output
    uint32_t destination_room = 0;  // LZ77 streams: bytes the destination holds
    bool lz77 = false;
};

struct demo_cartridge {
    std::vector<uint8_t> image;
    std::vector<cartridge_asset> assets;
};

// Builds the image. Deterministic: every call gives the same bytes.
demo_cartridge build_demo_cartridge();

// Checks a built image; appends one line per fault to errors and returns
// true when there is none.
bool verify_demo_cartridge(const demo_cartridge& cart, std::vector<std::string>& errors);
