// orvalis-make-icons DIR: writes the application icon, drawn from its text
// art, as orvalis-pc-N.png for N = 16, 32, 48, 64, 128, 256 (these six also
// in orvalis-pc.ico), 192 and 512 (the web page's), and as
// orvalis-pc-maskable-512.png, the art in the middle 75 % of a tile of its
// sky's colour, inside the safe zone of a maskable icon. Every size is a
// whole multiple of the art, so each art pixel becomes a square block.
#include <cstdio>
#include <string>
#include <vector>

#include "icon_art.h"
#include "image_files.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: orvalis-make-icons DIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    std::vector<square_image> images;
    const auto write_png = [&](const square_image& image, const std::string& name) {
        const std::string path = dir + "/" + name;
        if (write_file(path, png_bytes(image))) return true;
        std::fprintf(stderr, "orvalis-make-icons: cannot write %s\n", path.c_str());
        return false;
    };
    // The first six are the desktop's and the .ico's; 192 and 512 the web page's.
    constexpr int ico_sizes = 6;
    const int sizes[] = {16, 32, 48, 64, 128, 256, 192, 512};
    for (int n = 0; n < static_cast<int>(sizeof sizes / sizeof sizes[0]); ++n) {
        const int size = sizes[n];
        square_image image;
        image.size = size;
        const int scale = size / icon_art_size;
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) image.pixels.push_back(icon_art_pixel(x / scale, y / scale));
        if (!write_png(image, "orvalis-pc-" + std::to_string(size) + ".png")) return 1;
        if (n < ico_sizes) images.push_back(image);
    }
    {
        square_image maskable;
        maskable.size = 512;
        const int scale = 24;  // 384 of 512 pixels: the art within the middle 80 %
        const int margin = (512 - icon_art_size * scale) / 2;
        const uint32_t sky = icon_art_pixel(2, 1);  // the night sky inside the rim
        for (int y = 0; y < 512; ++y)
            for (int x = 0; x < 512; ++x) {
                const int ax = (x - margin) / scale, ay = (y - margin) / scale;
                const bool art = x >= margin && y >= margin && ax < icon_art_size && ay < icon_art_size;
                const uint32_t pixel = art ? icon_art_pixel(ax, ay) : 0;
                maskable.pixels.push_back((pixel >> 24) ? pixel : sky);  // transparent corners take the sky
            }
        if (!write_png(maskable, "orvalis-pc-maskable-512.png")) return 1;
    }
    if (!write_file(dir + "/orvalis-pc.ico", ico_bytes(images))) {
        std::fprintf(stderr, "orvalis-make-icons: cannot write %s/orvalis-pc.ico\n", dir.c_str());
        return 1;
    }
    return 0;
}
