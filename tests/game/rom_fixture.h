// A zeroed 8 MiB block held as rom_image, with small tables written at the
// offsets the demo cartridge's layout names; rom_reset_globals (the fixture's tear-down) frees it.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "rom/rom.h"
#include "tests/support/reset.h"
#include "tools/cartridge/layout.h"

struct sprite_words {
    uint16_t attr0, attr1, attr2;
};

class with_rom : public fresh_globals {
protected:
    void SetUp() override {
        fresh_globals::SetUp();
        rom_image = static_cast<uint8_t*>(std::calloc(rom_expected_size, 1));
        ASSERT_NE(rom_image, nullptr);
        rom_size = rom_expected_size;
    }

    static void put16(uint32_t offset, uint16_t value) {
        rom_image[offset] = static_cast<uint8_t>(value);
        rom_image[offset + 1] = static_cast<uint8_t>(value >> 8);
    }

    // A sprite-frame table: the stored count, then the sprites given.
    static void put_table(uint32_t offset, uint16_t stored_count,
                          std::initializer_list<sprite_words> sprites) {
        put16(offset, stored_count);
        uint32_t at = offset + 2;
        for (const sprite_words& s : sprites) {
            put16(at, s.attr0);
            put16(at + 2, s.attr1);
            put16(at + 4, s.attr2);
            at += 6;
        }
    }

    static void put_bytes(uint32_t offset, std::initializer_list<uint8_t> bytes) {
        uint32_t at = offset;
        for (uint8_t b : bytes) rom_image[at++] = b;
    }

    // The same at the start of an area of the demo cartridge's layout.
    static void put_table(const demo::area& area, uint16_t stored_count,
                          std::initializer_list<sprite_words> sprites) {
        put_table(area.offset, stored_count, sprites);
    }
    static void put_bytes(const demo::area& area, std::initializer_list<uint8_t> bytes) {
        put_bytes(area.offset, bytes);
    }
};
