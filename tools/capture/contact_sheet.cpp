#include "tools/capture/contact_sheet.h"

#include <algorithm>

#include "hw/regions.h"

namespace {

constexpr int max_cells = 64;
constexpr int columns = 8;
constexpr int thumb_width = screen_width / 2;
constexpr int thumb_height = screen_height / 2;
constexpr int margin = 2;
constexpr int label_height = 9;
constexpr int cell_width = thumb_width + 2 * margin;
constexpr int cell_height = thumb_height + label_height + 2 * margin;
constexpr uint32_t background = 0x202020;
constexpr uint32_t label_colour = 0xE0E0E0;

// 3 x 5 digits, one row of three bits per entry, top row first.
constexpr uint8_t digit_rows[10][5] = {
    {7, 5, 5, 5, 7}, {2, 6, 2, 2, 7}, {7, 1, 7, 4, 7}, {7, 1, 7, 1, 7}, {5, 5, 7, 1, 1},
    {7, 4, 7, 1, 7}, {7, 4, 7, 5, 7}, {7, 1, 1, 1, 1}, {7, 5, 7, 5, 7}, {7, 5, 7, 1, 7},
};

uint32_t average(uint32_t a, uint32_t b, uint32_t c, uint32_t d) {
    uint32_t result = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        const uint32_t sum =
            ((a >> shift) & 0xFF) + ((b >> shift) & 0xFF) + ((c >> shift) & 0xFF) + ((d >> shift) & 0xFF);
        result |= ((sum + 2) / 4) << shift;
    }
    return result;
}

}  // namespace

contact_sheet::contact_sheet(uint32_t frames) {
    const uint32_t cells = std::min<uint32_t>(frames, max_cells);
    for (uint32_t k = 0; k < cells; ++k) {
        const uint64_t frame = cells == 1 ? 1 : 1 + (uint64_t{k} * (frames - 1)) / (cells - 1);
        frames_.push_back(static_cast<uint32_t>(frame));
    }
    const int used_columns = static_cast<int>(std::min<uint32_t>(cells, columns));
    const int rows = static_cast<int>((cells + columns - 1) / columns);
    width_ = std::max(used_columns, 1) * cell_width;
    height_ = std::max(rows, 1) * cell_height;
    pixels_.assign(static_cast<size_t>(width_) * height_, background);
}

bool contact_sheet::wants(uint32_t frame) const {
    return std::binary_search(frames_.begin(), frames_.end(), frame);
}

void contact_sheet::add(uint32_t frame, const uint32_t* source) {
    const auto found = std::lower_bound(frames_.begin(), frames_.end(), frame);
    if (found == frames_.end() || *found != frame) return;
    const int cell = static_cast<int>(found - frames_.begin());
    const int left = (cell % columns) * cell_width + margin;
    const int top = (cell / columns) * cell_height + margin;

    for (int y = 0; y < thumb_height; ++y) {
        const uint32_t* upper = source + static_cast<size_t>(2 * y) * screen_width;
        const uint32_t* lower = upper + screen_width;
        uint32_t* target = &pixels_[static_cast<size_t>(top + y) * width_ + left];
        for (int x = 0; x < thumb_width; ++x)
            target[x] = average(upper[std::ptrdiff_t{2} * x], upper[2 * x + 1], lower[std::ptrdiff_t{2} * x],
                                lower[2 * x + 1]);
    }

    // The frame number, left-aligned under the thumbnail.
    char digits[11];
    int count = 0;
    uint32_t value = frame;
    do {
        digits[count++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value && count < 10);
    const int label_top = top + thumb_height + 2;
    for (int i = 0; i < count; ++i) {
        const uint8_t* glyph = digit_rows[digits[count - 1 - i] - '0'];
        const int glyph_left = left + i * 4;
        for (int row = 0; row < 5; ++row)
            for (int bit = 0; bit < 3; ++bit)
                if (glyph[row] & (4 >> bit))
                    pixels_[static_cast<size_t>(label_top + row) * width_ + glyph_left + bit] = label_colour;
    }
}
