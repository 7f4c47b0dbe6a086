// orvalis-make-icons DIR: writes the application icon, drawn from its text
// art, as orvalis-pc-N.png for N = 16, 32, 48, 64, 128 and 256 and as
// orvalis-pc.ico holding all six. Every size is a whole multiple of the art,
// so each art pixel becomes a square block: crisp at every size.
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
    for (int size : {16, 32, 48, 64, 128, 256}) {
        square_image image;
        image.size = size;
        const int scale = size / icon_art_size;
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) image.pixels.push_back(icon_art_pixel(x / scale, y / scale));
        const std::string path = dir + "/orvalis-pc-" + std::to_string(size) + ".png";
        if (!write_file(path, png_bytes(image))) {
            std::fprintf(stderr, "orvalis-make-icons: cannot write %s\n", path.c_str());
            return 1;
        }
        images.push_back(image);
    }
    if (!write_file(dir + "/orvalis-pc.ico", ico_bytes(images))) {
        std::fprintf(stderr, "orvalis-make-icons: cannot write %s/orvalis-pc.ico\n", dir.c_str());
        return 1;
    }
    return 0;
}
