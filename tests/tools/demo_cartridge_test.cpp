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
    EXPECT_EQ(std::memcmp(&img[0xA0], "ORVALISQUEST", 12), 0);
    EXPECT_EQ(std::memcmp(&img[0xAC], "AORV", 4), 0);
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
    const std::pair<uint32_t, uint16_t> tables[] = {
        {0x45F45C, 17}, {0x45F4C4, 54}, {0x45F60A, 52}, {0x45F744, 3},  {0x45F758, 6},
        {0x45F77E, 9},  {0x45F7B6, 4},  {0x45F7D0, 12}, {0x45F81A, 24}, {0x45F8AC, 17}};
    for (auto& [at, count] : tables) EXPECT_EQ(rd16(img, at), count) << std::hex << at;
}

TEST(DemoCartridge, CodeListsRevealExactlyTheirTables) {
    const auto& img = built().image;
    const int reveals[6] = {1, 2, 1, 2, 2, 0};
    for (const auto& s : text_scenes) {
        int shown = 0, five_at = -1;
        for (uint32_t i = 0; i < s.codes_length; ++i) {
            uint8_t code = img[s.codes + i];
            if (code == 5) {
                five_at = int(i);
                break;
            }
            shown += reveals[code > 5 ? 0 : code];
        }
        EXPECT_GE(five_at, 0) << std::hex << s.codes;
        EXPECT_EQ(shown, int(s.count)) << std::hex << s.codes;
    }
}

TEST(DemoCartridge, ImportedTablesHoldTrueValues) {
    const auto& img = built().image;
    for (int a = 0; a < 320; ++a) {
        int16_t v = int16_t(rd16(img, 0x8C71C + 2 * a));
        ASSERT_EQ(v, int16_t(std::lround(256.0 * std::sin(2.0 * std::numbers::pi * a / 256.0)))) << a;
    }
    EXPECT_EQ(int16_t(rd16(img, 0x8C71C + 2 * 64)), 256);  // cosine of 0
    EXPECT_EQ(int16_t(rd16(img, 0x8C71C + 2 * 192)), -256);
    const uint8_t half_w[12] = {4, 8, 16, 32, 8, 16, 16, 32, 4, 4, 8, 16};
    const uint8_t half_h[12] = {4, 8, 16, 32, 4, 4, 8, 16, 8, 16, 16, 32};
    EXPECT_EQ(std::memcmp(&img[0x45FD24], half_w, 12), 0);
    EXPECT_EQ(std::memcmp(&img[0x45FD30], half_h, 12), 0);
    for (int k = 0; k < 12; ++k) EXPECT_NE(img[0x3459C4 + k], 0) << "divisor " << k;
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(std::memcmp(&img[0x3613E8 + i * 640 + 568], "ATRUNEND", 8), 0) << i;
}

// Writes a byte into a copy of the image and into every asset that claims
// it, so that only the layout itself is wrong.
void poke(demo_cartridge& c, uint32_t at, uint8_t v) {
    c.image[at] = v;
    for (auto& a : c.assets)
        if (at >= a.offset && at - a.offset < a.bytes.size()) a.bytes[at - a.offset] = v;
}

uint32_t first_code(const demo_cartridge& c, uint32_t list, uint32_t length, uint8_t code) {
    for (uint32_t i = 0; i < length; ++i)
        if (c.image[list + i] == code) return list + i;
    return list;
}

// Damaged copies of the image: the layout checks must reject each one.
TEST(DemoCartridge, LayoutChecksRejectDamagedImages) {
    struct fault {
        const char* what;
        void (*damage)(demo_cartridge&);
    };
    const fault faults[] = {
        {"text count off by one", [](demo_cartridge& c) { poke(c, 0x45F45C, 18); }},
        {"code list without its 5", [](demo_cartridge& c) { poke(c, first_code(c, 0x45FD80, 50, 5), 0); }},
        {"code revealing two where one was meant",
         [](demo_cartridge& c) { poke(c, first_code(c, 0x45FD80, 50, 0), 1); }},
        {"text sprite moved off its cursor cell",
         [](demo_cartridge& c) {
             poke(c, 0x45F4C4 + 2 + 6 * 5 + 2, uint8_t(c.image[0x45F4C4 + 2 + 6 * 5 + 2] + 3));
         }},
        {"cursor sprite made affine",
         [](demo_cartridge& c) { poke(c, 0x45F744 + 3, uint8_t(c.image[0x45F744 + 3] | 0x01)); }},
        {"scene 7 sprite moved off screen", [](demo_cartridge& c) { poke(c, 0x45F8AC + 2, 0x50); }},
        {"sprite wider than its sheet row",
         [](demo_cartridge& c) { poke(c, 0x45F8AC + 2 + 4, uint8_t(c.image[0x45F8AC + 2 + 4] | 0x1F)); }},
        {"sprite set stream size changed",
         [](demo_cartridge& c) { poke(c, 0x45FDB4 + 1, uint8_t(c.image[0x45FDB4 + 1] ^ 0x40)); }},
        {"background map unpacking past its area", [](demo_cartridge& c) { poke(c, 0x47920C + 3, 0x01); }},
        {"boat's sail colour black",
         [](demo_cartridge& c) {
             poke(c, 0x45FA94 + (4 * 16 + 2) * 2, 0);
             poke(c, 0x45FA94 + (4 * 16 + 2) * 2 + 1, 0);
         }},
        {"closing sprite outside bank 0",
         [](demo_cartridge& c) { poke(c, 0x45F8AC + 2 + 5, uint8_t(c.image[0x45F8AC + 2 + 5] | 0x10)); }},
        {"sine entry changed",
         [](demo_cartridge& c) { poke(c, 0x8C71C + 10, uint8_t(c.image[0x8C71C + 10] ^ 1)); }},
        {"half height changed", [](demo_cartridge& c) { poke(c, 0x45FD30, 5); }},
        {"divisor zero", [](demo_cartridge& c) { poke(c, 0x3459C4 + 5, 0); }},
        {"run-end marker damaged", [](demo_cartridge& c) { poke(c, 0x3613E8 + 3 * 640 + 570, 'x'); }},
        {"stray byte in the filler", [](demo_cartridge& c) { poke(c, 0x600000, 0); }},
        {"image byte differing from its asset", [](demo_cartridge& c) { c.image[0x45F744 + 2] ^= 1; }},
        {"asset overlapping its neighbour",
         [](demo_cartridge& c) {
             for (auto& a : c.assets)
                 if (a.name == "cursor table") a.length += 2;
         }},
        {"shared byte claimed differently",
         [](demo_cartridge& c) {
             for (auto& a : c.assets)
                 if (a.name == "palette frame 6") a.bytes[9] ^= 0x80;
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
