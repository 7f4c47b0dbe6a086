#include "hw/transfer.h"

#include <gtest/gtest.h>

#include <cstring>

#include "hw/iwram_data.h"
#include "hw/regions.h"
#include "tests/support/reset.h"

namespace {

using transfers = fresh_globals;

// Each fill runs on a 16-byte area of 0xAA bytes; the expected bytes follow.
TEST_F(transfers, fills_store_whole_units_only) {
    enum kind { dma, fill16, fill32 };
    struct {
        kind k;
        uint32_t value, size;
        uint8_t unit_bits;
        uint8_t expect[12];
    } const cases[] = {
        {dma, 0x1234, 7, 16, {0x34, 0x12, 0x34, 0x12, 0x34, 0x12, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA}},
        {dma, 0x12345678, 4, 16, {0x78, 0x56, 0x78, 0x56, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA}},
        {dma, 0xFF, 3, 32, {0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA}},
        {dma, 0xFF, 9, 32, {0xFF, 0, 0, 0, 0xFF, 0, 0, 0, 0xAA, 0xAA, 0xAA, 0xAA}},
        {dma, 0xBEEF, 5, 8, {0xEF, 0xBE, 0xEF, 0xBE, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA}},
        {dma, 0xBEEF, 4, 0, {0xEF, 0xBE, 0xEF, 0xBE, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA}},
        {dma, 0x1234, 1, 16, {0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA}},
        {fill16, 0xFFFF0000, 6, 0, {0, 0, 0, 0, 0, 0, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA}},
        {fill32, 0xCAFEBABE, 11, 0, {0xBE, 0xBA, 0xFE, 0xCA, 0xBE, 0xBA, 0xFE, 0xCA, 0xAA, 0xAA, 0xAA, 0xAA}},
        {fill32, 0xCAFEBABE, 0, 0, {0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA}},
    };
    for (const auto& c : cases) {
        uint8_t area[16];
        std::memset(area, 0xAA, sizeof area);
        // Start at an odd address: nothing may assume alignment.
        uint8_t* dst = area + 1;
        if (c.k == dma) dma_fill(3, c.value, dst, c.size, c.unit_bits);
        if (c.k == fill16) cpu_fill16(c.value, dst, c.size);
        if (c.k == fill32) cpu_fill32(c.value, dst, c.size);
        EXPECT_EQ(area[0], 0xAA);
        for (int i = 0; i < 12; ++i)
            EXPECT_EQ(dst[i], c.expect[i]) << "case value " << std::hex << c.value << " size " << std::dec
                                           << c.size << " bits " << int(c.unit_bits) << " byte " << i;
    }
}

TEST_F(transfers, copies) {
    uint8_t buf[96];
    for (int i = 0; i < 96; ++i) buf[i] = static_cast<uint8_t>(i);
    // Overlapping forward: as if the source were read out first.
    dma_copy(3, buf, buf + 16, 64, 16);
    for (int i = 0; i < 64; ++i) ASSERT_EQ(buf[16 + i], i);
    for (int i = 0; i < 16; ++i) ASSERT_EQ(buf[i], i);
    EXPECT_EQ(buf[80], 80);
    // Overlapping backward.
    for (int i = 0; i < 96; ++i) buf[i] = static_cast<uint8_t>(i);
    dma_copy(0, buf + 16, buf, 64, 32);
    for (int i = 0; i < 64; ++i) ASSERT_EQ(buf[i], 16 + i);
    EXPECT_EQ(buf[64], 64);

    uint8_t src[7] = {1, 2, 3, 4, 5, 6, 7}, dst[8] = {};
    cpu_copy(src, dst, 7);
    EXPECT_EQ(0, std::memcmp(src, dst, 7));
    EXPECT_EQ(dst[7], 0);
    cpu_copy(src, dst + 1, 0);
    EXPECT_EQ(dst[1], 2);
}

TEST_F(transfers, reset_display_memory_clears_and_hides) {
    std::memset(vram, 0x5A, vram_size);
    std::memset(palette_ram, 0x5A, palette_ram_size);
    std::memset(oam, 0x5A, oam_size);
    ewram[0] = 0x5A;
    reset_display_memory();
    for (uint32_t i = 0; i < vram_size; ++i) ASSERT_EQ(vram[i], 0) << i;
    for (uint32_t i = 0; i < palette_ram_size; ++i) ASSERT_EQ(palette_ram[i], 0) << i;
    for (uint32_t i = 0; i < oam_size; i += 4) {
        ASSERT_EQ(oam[i], 0xFF) << i;
        ASSERT_EQ(oam[i + 1] | oam[i + 2] | oam[i + 3], 0) << i;
    }
    EXPECT_EQ(ewram[0], 0x5A);
}

TEST_F(transfers, hide_leftover_oam_from_count) {
    struct {
        int count;
        int first_hidden;  // 128: none
    } const cases[] = {{0, 0}, {5, 5}, {127, 127}, {128, 128}, {200, 128}, {255, 128}};
    for (const auto& c : cases) {
        for (int e = 0; e < 128; ++e) iwram_data.oam_buffer[e] = {0x1234, 0x5678, 0x9ABC, 0xDEF0};
        iwram_data.oam_count = static_cast<uint8_t>(c.count);
        hide_leftover_oam();
        EXPECT_EQ(iwram_data.oam_count, c.count);
        for (int e = 0; e < 128; ++e) {
            const oam_entry& o = iwram_data.oam_buffer[e];
            const bool hidden = e >= c.first_hidden;
            EXPECT_EQ(o.attr0, hidden ? 0x00FF : 0x1234) << "count " << c.count << " entry " << e;
            EXPECT_EQ(o.attr1, hidden ? 0x00FF : 0x5678) << "count " << c.count << " entry " << e;
            EXPECT_EQ(o.attr2, hidden ? 0x0000 : 0x9ABC) << "count " << c.count << " entry " << e;
            EXPECT_EQ(o.attr3, 0xDEF0) << "count " << c.count << " entry " << e;
        }
    }
    // hide_leftover_oam works on oam_buffer only.
    for (uint32_t i = 0; i < oam_size; ++i) ASSERT_EQ(oam[i], 0);
}

}  // namespace
