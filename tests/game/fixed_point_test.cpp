// The 8.8 helpers: truncation toward zero and the 16-bit keeping callers do.
#include "game/fixed_point.h"

#include <gtest/gtest.h>

namespace {

struct case3 {
    int16_t a, b;
    int32_t expected;
};

TEST(fixed_point, mul_truncates_toward_zero) {
    const case3 cases[] = {{256, 256, 256}, {-300, 1, -1},     {-255, 1, 0},
                           {255, 1, 0},     {512, -384, -768}, {-32768, -32768, 4194304}};
    for (const case3& c : cases) EXPECT_EQ(fixed_mul(c.a, c.b), c.expected) << c.a << " * " << c.b;
}

TEST(fixed_point, recip_and_its_16_bit_value) {
    EXPECT_EQ(static_cast<int16_t>(fixed_recip(256)), 256);
    EXPECT_EQ(static_cast<int16_t>(fixed_recip(32)), 2048);
    EXPECT_EQ(fixed_recip(1), 65536);
    EXPECT_EQ(static_cast<int16_t>(fixed_recip(1)), 0);
    EXPECT_EQ(fixed_recip(-3), -21845);
    EXPECT_EQ(fixed_recip(0), 0);  // guarded rather than a division by zero
}

TEST(fixed_point, div_truncates_and_guards_zero) {
    EXPECT_EQ(fixed_div(1, 3), 85);
    EXPECT_EQ(fixed_div(-1, 3), -85);
    EXPECT_EQ(fixed_div(512, 256), 512);
    EXPECT_EQ(fixed_div(7, 0), 0);
}

}  // namespace
