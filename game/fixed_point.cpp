#include "game/fixed_point.h"

int32_t fixed_mul(int16_t a, int16_t b) { return (int32_t{a} * int32_t{b}) / 256; }

int32_t fixed_div(int16_t a, int16_t b) {
    if (b == 0) return 0;
    return (int32_t{a} * 256) / int32_t{b};
}

int32_t fixed_recip(int16_t a) {
    if (a == 0) return 0;
    return 65536 / int32_t{a};
}
