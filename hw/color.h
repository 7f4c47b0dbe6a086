// A 15-bit palette colour widened to a 0x00RRGGBB pixel.
#pragma once

#include <cstdint>

constexpr uint32_t widen_channel(uint32_t v) { return (v << 3) | (v >> 2); }

constexpr uint32_t color_to_pixel(uint16_t c) {
    return widen_channel(c & 31) << 16 | widen_channel((c >> 5) & 31) << 8 | widen_channel((c >> 10) & 31);
}
