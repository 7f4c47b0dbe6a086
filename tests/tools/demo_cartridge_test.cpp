// The generated demo cartridge: its digest is the default accepted one, and
// its layout is what the program reads; the layout checks reject damaged
// images.
#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <numbers>
#include <string>
#include <vector>

#include "tools/cartridge/cartridge.h"
#include "tools/cartridge/layout.h"

namespace {

std::vector<uint8_t> read_file(const char* path) {
    std::vector<uint8_t> data;
    FILE* f = std::fopen(path, "rb");
    if (!f) return data;
    uint8_t buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) data.insert(data.end(), buf, buf + n);
    std::fclose(f);
    return data;
}

std::string sha1_hex(const std::vector<uint8_t>& data) {
    unsigned char md[EVP_MAX_MD_SIZE];
    unsigned int len = 0;
    EVP_MD_CTX* ctx = EVP_MD_CTX_new();
    bool ok = ctx && EVP_DigestInit_ex(ctx, EVP_sha1(), nullptr) == 1 &&
              EVP_DigestUpdate(ctx, data.data(), data.size()) == 1 && EVP_DigestFinal_ex(ctx, md, &len) == 1;
    EVP_MD_CTX_free(ctx);
    if (!ok) return "";
    std::string hex;
    char two[3];
    for (unsigned i = 0; i < len; ++i) {
        std::snprintf(two, sizeof two, "%02x", md[i]);
        hex += two;
    }
    return hex;
}

uint16_t rd16(const std::vector<uint8_t>& img, uint32_t at) { return uint16_t(img[at] | (img[at + 1] << 8)); }

const demo_cartridge& built() {
    static const demo_cartridge cart = build_demo_cartridge();
    return cart;
}

std::string lower(std::string s) {
    for (auto& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

}  // namespace

TEST(DemoCartridge, GeneratedImageHasTheDefaultDigestAndIsDeterministic) {
    std::vector<uint8_t> file = read_file(ORVALIS_DEMO_ROM);
    ASSERT_EQ(file.size(), cartridge_size) << ORVALIS_DEMO_ROM;
    EXPECT_EQ(sha1_hex(file), lower(ORVALIS_DEMO_SHA1))
        << "the artwork changed: run scripts/update-demo-digest";
    EXPECT_TRUE(file == built().image) << "a fresh build gives other bytes than the build step wrote";
    EXPECT_TRUE(build_demo_cartridge().image == built().image);
}

TEST(DemoCartridge, SizeHeaderAndFiller) {
    const auto& img = built().image;
    ASSERT_EQ(img.size(), 8388608u);
    EXPECT_EQ(std::memcmp(&img[demo::header_title.offset], demo::title_text, demo::header_title.length), 0);
    EXPECT_EQ(
        std::memcmp(&img[demo::header_game_code.offset], demo::game_code_text, demo::header_game_code.length),
        0);
    // Bytes far from every asset are filler.
    for (uint32_t at : {0x0u, 0x9Fu, 0xB0u, 0x100000u, 0x500000u, 0x7FFFFFu})
        EXPECT_EQ(img[at], cartridge_filler) << at;
}

TEST(DemoCartridge, LayoutChecksPass) {
    std::vector<std::string> errors;
    EXPECT_TRUE(verify_demo_cartridge(built(), errors));
    for (auto& e : errors) ADD_FAILURE() << e;
}

TEST(DemoCartridge, SpriteTablesHoldTheStatedCounts) {
    const auto& img = built().image;
    const std::pair<const demo::area&, uint16_t> tables[] = {
        {demo::text_table_0, 17}, {demo::text_table_3, 54},    {demo::text_table_5, 52},
        {demo::cursor_table, 3},  {demo::zoom_table_a, 6},     {demo::zoom_table_b, 9},
        {demo::scene_4_front, 4}, {demo::scene_4_back_12, 12}, {demo::scene_4_back_24, 24},
        {demo::scene_7_table, 17}};
    for (auto& [table, count] : tables) {
        EXPECT_EQ(rd16(img, table.offset), count) << table.name;
        EXPECT_EQ(table.length, 2u + 6u * count) << table.name;
    }
}

TEST(DemoCartridge, CodeListsRevealExactlyTheirTables) {
    const auto& img = built().image;
    const int reveals[6] = {1, 2, 1, 2, 2, 0};
    for (const demo::text_scene& s : demo::text_scenes) {
        int shown = 0, five_at = -1;
        for (uint32_t i = 0; i < s.codes->length; ++i) {
            uint8_t code = img[s.codes->offset + i];
            if (code == 5) {
                five_at = int(i);
                break;
            }
            shown += reveals[code > 5 ? 0 : code];
        }
        EXPECT_GE(five_at, 0) << s.codes->name;
        EXPECT_EQ(shown, int(s.count)) << s.codes->name;
    }
}

TEST(DemoCartridge, ImportedTablesHoldTrueValues) {
    const auto& img = built().image;
    const auto sine = [&](uint32_t a) { return int16_t(rd16(img, demo::sine_table.offset + 2 * a)); };
    for (uint32_t a = 0; a < 320; ++a) {
        int16_t v = sine(a);
        ASSERT_EQ(v, int16_t(std::lround(256.0 * std::sin(2.0 * std::numbers::pi * a / 256.0)))) << a;
    }
    EXPECT_EQ(sine(64), 256);  // cosine of 0
    EXPECT_EQ(sine(192), -256);
    const uint8_t half_w[12] = {4, 8, 16, 32, 8, 16, 16, 32, 4, 4, 8, 16};
    const uint8_t half_h[12] = {4, 8, 16, 32, 4, 4, 8, 16, 8, 16, 16, 32};
    EXPECT_EQ(std::memcmp(&img[demo::obj_half_width.offset], half_w, 12), 0);
    EXPECT_EQ(std::memcmp(&img[demo::obj_half_height.offset], half_h, 12), 0);
    for (uint32_t k = 0; k < 12; ++k)
        EXPECT_NE(img[demo::completion_divisors.offset + k], 0) << "divisor " << k;
    for (int i = 0; i < demo::run_record_count; ++i)
        EXPECT_EQ(std::memcmp(&img[demo::run_record_at(i) + 568], "ATRUNEND", 8), 0) << i;
}

// Writes a byte into a copy of the image and into every asset that claims
// it, so that only the layout itself is wrong.
void poke(demo_cartridge& c, uint32_t at, uint8_t v) {
    c.image[at] = v;
    for (auto& a : c.assets)
        if (at >= a.offset && at - a.offset < a.bytes.size()) a.bytes[at - a.offset] = v;
}

uint32_t first_code(const demo_cartridge& c, const demo::area& list, uint8_t code) {
    for (uint32_t i = 0; i < list.length; ++i)
        if (c.image[list.offset + i] == code) return list.offset + i;
    return list.offset;
}

// Changes the bits of mask in the byte at offset `at` into an area.
void flip(demo_cartridge& c, const demo::area& a, uint32_t at, uint8_t mask) {
    poke(c, a.offset + at, uint8_t(c.image[a.offset + at] ^ mask));
}
void set_bits(demo_cartridge& c, const demo::area& a, uint32_t at, uint8_t bits) {
    poke(c, a.offset + at, uint8_t(c.image[a.offset + at] | bits));
}

// Damaged copies of the image: the layout checks must reject each one.
TEST(DemoCartridge, LayoutChecksRejectDamagedImages) {
    struct fault {
        const char* what;
        void (*damage)(demo_cartridge&);
    };
    const fault faults[] = {
        {"text count off by one", [](demo_cartridge& c) { poke(c, demo::text_table_0.offset, 18); }},
        {"code list without its 5",
         [](demo_cartridge& c) { poke(c, first_code(c, demo::code_list_5, 5), 0); }},
        {"code revealing two where one was meant",
         [](demo_cartridge& c) { poke(c, first_code(c, demo::code_list_5, 0), 1); }},
        {"text sprite moved off its cursor cell",
         [](demo_cartridge& c) {
             const uint32_t at = demo::text_table_3.offset + 2 + 6 * 5 + 2;
             poke(c, at, uint8_t(c.image[at] + 3));
         }},
        {"cursor sprite made affine", [](demo_cartridge& c) { set_bits(c, demo::cursor_table, 3, 0x01); }},
        {"scene 7 sprite moved off screen",
         [](demo_cartridge& c) { poke(c, demo::scene_7_table.offset + 2, 0x50); }},
        {"sprite wider than its sheet row",
         [](demo_cartridge& c) { set_bits(c, demo::scene_7_table, 2 + 4, 0x1F); }},
        {"sprite set stream size changed", [](demo_cartridge& c) { flip(c, demo::sprite_set_1, 1, 0x40); }},
        {"background map unpacking past its area",
         [](demo_cartridge& c) { poke(c, demo::setup_bg1_map.offset + 3, 0x01); }},
        {"boat's sail colour black",
         [](demo_cartridge& c) {
             poke(c, demo::palette_160.offset + (4 * 16 + 2) * 2, 0);
             poke(c, demo::palette_160.offset + (4 * 16 + 2) * 2 + 1, 0);
         }},
        {"closing sprite outside bank 0",
         [](demo_cartridge& c) { set_bits(c, demo::scene_7_table, 2 + 5, 0x10); }},
        {"sine entry changed", [](demo_cartridge& c) { flip(c, demo::sine_table, 10, 1); }},
        {"half height changed", [](demo_cartridge& c) { poke(c, demo::obj_half_height.offset, 5); }},
        {"divisor zero", [](demo_cartridge& c) { poke(c, demo::completion_divisors.offset + 5, 0); }},
        {"run-end marker damaged", [](demo_cartridge& c) { poke(c, demo::run_record_at(3) + 570, 'x'); }},
        {"stray byte in the filler", [](demo_cartridge& c) { poke(c, 0x600000, 0); }},
        {"image byte differing from its asset",
         [](demo_cartridge& c) { c.image[demo::cursor_table.offset + 2] ^= 1; }},
        {"asset overlapping its neighbour",
         [](demo_cartridge& c) {
             for (auto& a : c.assets)
                 if (a.name == demo::cursor_table.name) a.length += 2;
         }},
        {"shared byte claimed differently",
         [](demo_cartridge& c) {
             for (auto& a : c.assets)
                 if (a.name == demo::palette_frames[3].name) a.bytes[9] ^= 0x80;
         }},
    };
    for (const auto& f : faults) {
        demo_cartridge copy = built();
        f.damage(copy);
        std::vector<std::string> errors;
        EXPECT_FALSE(verify_demo_cartridge(copy, errors)) << f.what;
        EXPECT_FALSE(errors.empty()) << f.what;
    }
}
