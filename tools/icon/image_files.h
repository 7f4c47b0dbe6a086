// PNG and ICO files from 32-bit pixels, without outside libraries.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A square RGBA picture, pixels as 0xAARRGGBB, row by row from the top.
struct square_image {
    int size = 0;
    std::vector<uint32_t> pixels;
};

// The bytes of a PNG file (8-bit RGBA, stored without compression).
std::vector<uint8_t> png_bytes(const square_image& image);

// The bytes of an ICO file holding each picture as a PNG entry (sizes up to 256).
std::vector<uint8_t> ico_bytes(const std::vector<square_image>& images);

// Writes the bytes; 1 on success.
int write_file(const std::string& path, const std::vector<uint8_t>& bytes);
