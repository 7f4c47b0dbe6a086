#include "tools/capture/png_writer.h"

#include <png.h>

#include <cstdio>
#include <vector>

int write_png_rgb(const char* path, const uint32_t* pixels, int width, int height) {
    FILE* file = std::fopen(path, "wb");
    if (!file) return 0;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info) {
        png_destroy_write_struct(&png, nullptr);
        std::fclose(file);
        return 0;
    }
    std::vector<png_byte> row(static_cast<size_t>(width) * 3);
    // libpng reports its errors by longjmp; nothing with a destructor is
    // created between here and the end.
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        return 0;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y) {
        const uint32_t* source = pixels + static_cast<size_t>(y) * width;
        for (int x = 0; x < width; ++x) {
            row[x * 3 + 0] = static_cast<png_byte>(source[x] >> 16);
            row[x * 3 + 1] = static_cast<png_byte>(source[x] >> 8);
            row[x * 3 + 2] = static_cast<png_byte>(source[x]);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(file) == 0;
}
