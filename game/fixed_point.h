// 8.8 fixed-point helpers of the affine sprite code (256 stands for 1.0).
#pragma once

#include <cstdint>

// (a * b) / 256, truncated toward zero.
int32_t fixed_mul(int16_t a, int16_t b);
// (a * 256) / b, truncated toward zero; 0 when b is 0.
int32_t fixed_div(int16_t a, int16_t b);
// 65536 / a, truncated toward zero; 0 when a is 0.
int32_t fixed_recip(int16_t a);
