// Checks a built demo cartridge the way the program will read it: offsets and
// lengths, shared bytes, sprite tables and their placement on screen, the
// text code lists, the compressed streams (through the program's own
// decoder) and the imported constants.
#include <cmath>
#include <cstring>
#include <map>
#include <numbers>

#include "hw/lz77.h"
#include "hw/oam.h"
#include "tools/cartridge/cartridge.h"
#include "tools/cartridge/layout.h"

namespace {

uint16_t rd16(const std::vector<uint8_t>& img, uint32_t at) { return uint16_t(img[at] | (img[at + 1] << 8)); }

struct checker {
    const demo_cartridge& cart;
    std::vector<std::string>& errors;
    void expect(bool ok, const std::string& what) {
        if (!ok) errors.push_back(what);
    }
    const cartridge_asset* find(const std::string& name) const {
        for (auto& a : cart.assets)
            if (a.name == name) return &a;
        return nullptr;
    }
};

// Pairs of assets that share bytes on purpose.
bool may_share(const std::string& a, const std::string& b) {
    auto pair = [&](const char* x, const char* y) { return (a == x && b == y) || (a == y && b == x); };
    return pair("palette frame 6", "obj half height") || pair("palette frame 6", "code list scene 0") ||
           pair("palette frame 6", "code list scene 3");
}

bool all_same(const uint8_t* p, size_t n, uint8_t v) {
    for (size_t i = 0; i < n; ++i)
        if (p[i] != v) return false;
    return true;
}

}  // namespace

bool verify_demo_cartridge(const demo_cartridge& cart, std::vector<std::string>& errors) {
    checker c{cart, errors};
    const auto& img = cart.image;
    const size_t before = errors.size();
    c.expect(img.size() == cartridge_size, "image is not 8 MiB");
    if (img.size() != cartridge_size) return false;
    c.expect(std::memcmp(&img[demo::header_title.offset], demo::title_text, demo::header_title.length) == 0,
             demo::header_title.name);
    c.expect(std::memcmp(&img[demo::header_game_code.offset], demo::game_code_text,
                         demo::header_game_code.length) == 0,
             demo::header_game_code.name);

    // Every asset within its listed length, written as claimed; bytes no asset
    // claims hold the filler.
    std::vector<int> owner(img.size(), -1);
    for (size_t i = 0; i < cart.assets.size(); ++i) {
        const auto& a = cart.assets[i];
        bool inside = a.offset <= cartridge_size && a.length <= cartridge_size - a.offset;
        c.expect(inside, a.name + " lies outside the image");
        if (!inside) continue;
        c.expect(a.bytes.size() <= a.length, a.name + " runs past its listed length");
        c.expect(
            a.bytes.size() <= a.length && std::memcmp(&img[a.offset], a.bytes.data(), a.bytes.size()) == 0,
            a.name + " differs in the image");
        for (uint32_t k = 0; k < a.length; ++k) {
            int& o = owner[a.offset + k];
            if (o >= 0 && !may_share(cart.assets[size_t(o)].name, a.name)) {
                errors.push_back(a.name + " overlaps " + cart.assets[size_t(o)].name);
                break;
            }
            if (o >= 0 && k < a.bytes.size()) {
                const auto& other = cart.assets[size_t(o)];
                uint32_t ko = a.offset + k - other.offset;
                if (ko < other.bytes.size() && other.bytes[ko] != a.bytes[k]) {
                    errors.push_back(a.name + " and " + other.name + " disagree on a shared byte");
                    break;
                }
            }
            if (o < 0) o = int(i);
        }
    }
    size_t stray = 0;
    for (size_t k = 0; k < img.size(); ++k)
        if (owner[k] < 0 && img[k] != cartridge_filler) ++stray;
    for (auto& a : cart.assets)  // the unused tail of a listed area keeps the filler too
        for (size_t k = a.bytes.size(); k < a.length; ++k)
            if (owner[a.offset + k] == int(&a - cart.assets.data()) && img[a.offset + k] != cartridge_filler)
                ++stray;
    c.expect(stray == 0, std::to_string(stray) + " bytes outside the assets are not filler");

    // The compressed streams, through the program's decoder, bounded by the
    // listed length and the destination area.
    std::map<std::string, std::vector<uint8_t>> unpacked;
    for (auto& a : cart.assets) {
        if (!a.lz77) continue;
        c.expect(img[a.offset] == 0x10, a.name + ": not an LZ77 stream");
        uint32_t size = uint32_t(img[a.offset + 1] | (img[a.offset + 2] << 8) | (img[a.offset + 3] << 16));
        c.expect(size <= a.destination_room, a.name + ": unpacks past its destination");
        std::vector<uint8_t> out(a.destination_room, 0xEE);
        uint32_t n = lz77_decompress(&img[a.offset], a.length, out.data(), a.destination_room);
        out.resize(n);
        c.expect(n == size && out == a.unpacked, a.name + ": does not unpack to the intended bytes");
        unpacked[a.name] = out;
    }
    auto tiles_in = [&](const char* set) -> uint32_t { return uint32_t(unpacked[set].size() / 32); };

    // Sprite tables: counts, shapes, colour mode, sheet rows and screen.
    auto sheet_limit = [&](const demo::table_use& t, int tile, int last_tile) {
        if (t.sheet_first == 64) {
            bool in4 = tile >= 64 && uint32_t(last_tile - 64) < tiles_in(demo::sprite_set_4.name);
            bool in1 = last_tile < 64 && uint32_t(last_tile) < tiles_in(demo::sprite_set_1.name);
            return in4 || in1;
        }
        const char* set = t.table == &demo::scene_7_table ? demo::sprite_set_7.name : demo::sprite_set_1.name;
        return uint32_t(last_tile) < tiles_in(set);
    };
    auto on_screen = [](int x, int y, int w, int h) { return x < 240 && x + w > 0 && y < 160 && y + h > 0; };
    auto place = [](int stored, int offset, int bits) {
        int v = (stored + offset) & ((1 << bits) - 1);
        return v >= (1 << (bits - 1)) ? v - (1 << bits) : v;
    };

    // Cursor positions the text engine reaches, for the cursor's placement.
    std::vector<std::pair<int, int>> cursor_spots;

    for (const demo::text_scene& s : demo::text_scenes) {
        uint32_t count = rd16(img, s.table->offset);
        int cx = s.cursor_x, cy = s.cursor_y;
        uint32_t shown = 0;
        bool ended = false;
        for (uint32_t i = 0; i < s.codes->length && !ended; ++i) {
            uint8_t code = img[s.codes->offset + i];
            if (code > 5) code = 0;
            static const int reveals[6] = {1, 2, 1, 2, 2, 0};
            cursor_spots.push_back({cx, cy});
            for (int r = 0; r < reveals[code]; ++r, ++shown) {
                if (shown >= count) break;
                uint32_t at = s.table->offset + 2 + 6 * shown;
                int y = place(rd16(img, at) & 0xFF, -128, 8), x = place(rd16(img, at + 2) & 0x1FF, 120, 9);
                c.expect(x == cx && (y == cy - 8 || y == cy || y == cy + 8),
                         "text sprite " + std::to_string(shown) + " of the " + s.codes->name +
                             " is not where the cursor stood");
            }
            if (code == 5) ended = true;
            if (code == 4) {
                cy += 24;
                cx = s.margin;
            } else if (code != 1) {
                cx += 8;
            }
            cursor_spots.push_back({cx, cy});
        }
        c.expect(ended, std::string(s.codes->name) + " has no 5");
        c.expect(shown == count && count == s.count, std::string(s.codes->name) + " reveals " +
                                                         std::to_string(shown) + " of " +
                                                         std::to_string(count) + " sprites");
    }

    for (const demo::table_use& t : demo::intro_tables) {
        const std::string name = t.table->name;
        const cartridge_asset* a = c.find(name);
        c.expect(a && a->offset == t.table->offset && a->length == 2 + 6 * t.count,
                 name + ": not placed as listed");
        uint32_t count = rd16(img, t.table->offset);
        c.expect(count == t.count, name + ": count " + std::to_string(count));
        if (count != t.count) continue;
        for (uint32_t k = 0; k < count; ++k) {
            uint32_t at = t.table->offset + 2 + 6 * k;
            uint16_t a0 = rd16(img, at), a1 = rd16(img, at + 2), a2 = rd16(img, at + 4);
            int shape = a0 >> 14, size = a1 >> 14;
            std::string who = name + " sprite " + std::to_string(k);
            c.expect(shape <= 2, who + ": shape 3");
            if (shape > 2) continue;
            int w = sprite_widths[shape * 4 + size], h = sprite_heights[shape * 4 + size];
            bool deep = a0 & 0x2000;
            int unit = deep ? 2 : 1;
            int tile = a2 & 0x3FF;
            c.expect(tile % 32 + (w / 8) * unit <= 32, who + ": runs past its sheet row");
            c.expect(sheet_limit(t, tile, tile + (h / 8 - 1) * 32 + (w / 8) * unit - 1),
                     who + ": tiles outside its set");
            if (!t.visible) continue;
            c.expect(!(a0 & 0x0300), who + ": affine or hidden");
            if (t.text) c.expect(!deep, who + ": not 16 colours");
            std::vector<std::pair<int, int>> offsets;
            if (t.table == &demo::cursor_table)
                for (auto& p : cursor_spots) offsets.push_back({p.second, p.first});
            else
                offsets = {{t.y_offset[0], t.x_offset[0]}, {t.y_offset[1], t.x_offset[1]}};
            for (auto& [yo, xo] : offsets) {
                int y = place(a0 & 0xFF, yo, 8), x = place(a1 & 0x1FF, xo, 9);
                if (!on_screen(x, y, w, h)) {
                    errors.push_back(who + ": off screen");
                    break;
                }
            }
            if (deep) continue;
            // Every ink pixel shows a colour in each palette and bank it is
            // drawn with (the text engine's banks 0-2 for text and cursor,
            // bank 0 under the four closing frames, else the stored bank).
            const bool closing = t.table == &demo::scene_7_table;
            const bool cursor_table = t.table == &demo::cursor_table;
            std::vector<std::pair<uint32_t, int>> banks;  // colour 0 of the palette, bank
            if (t.text) {
                for (int bk = 0; bk < 3; ++bk) {
                    if (t.table != &demo::text_table_5) banks.push_back({demo::palette_96.offset, bk});
                    if (t.table == &demo::text_table_5 || cursor_table)
                        banks.push_back({demo::palette_160.offset, bk});
                }
            } else if (closing) {
                c.expect((a2 >> 12) == 0, who + ": not in bank 0, which the palette frames fill");
                for (const demo::area& f : demo::palette_frames) banks.push_back({f.offset, 0});
            } else {
                banks.push_back({demo::palette_160.offset, a2 >> 12});
            }
            const char* set = closing ? demo::sprite_set_7.name : demo::sprite_set_1.name;
            bool dark = false;
            for (int py = 0; py < h && !dark; ++py)
                for (int px = 0; px < w && !dark; ++px) {
                    int tn = tile + (py / 8) * 32 + px / 8;
                    const std::vector<uint8_t>& bytes =
                        unpacked[tn >= 64 && t.sheet_first == 64 ? demo::sprite_set_4.name : set];
                    size_t at = size_t(tn >= 64 && t.sheet_first == 64 ? tn - 64 : tn) * 32 +
                                size_t((py % 8) * 8 + px % 8) / 2;
                    if (at >= bytes.size()) continue;  // reported above
                    int nibble = (px & 1) ? bytes[at] >> 4 : bytes[at] & 15;
                    if (!nibble) continue;
                    for (auto& [base, bk] : banks)
                        if ((rd16(img, base + uint32_t(bk * 16 + nibble) * 2) & 0x7FFF) == 0) dark = true;
                }
            c.expect(!dark, who + ": draws an ink pixel in black");
        }
    }

    // Imported constants.
    for (int a = 0; a < 320; ++a) {
        int16_t want = int16_t(std::lround(256.0 * std::sin(2.0 * std::numbers::pi * a / 256.0)));
        if (int16_t(rd16(img, demo::sine_table.offset + 2 * uint32_t(a))) != want) {
            errors.push_back("sine table entry " + std::to_string(a));
            break;
        }
    }
    const uint8_t half_w[12] = {4, 8, 16, 32, 8, 16, 16, 32, 4, 4, 8, 16};
    const uint8_t half_h[12] = {4, 8, 16, 32, 4, 4, 8, 16, 8, 16, 16, 32};
    c.expect(std::memcmp(&img[demo::obj_half_width.offset], half_w, 12) == 0, demo::obj_half_width.name);
    c.expect(std::memcmp(&img[demo::obj_half_height.offset], half_h, 12) == 0, demo::obj_half_height.name);
    for (const demo::area* a : demo::save_constants)
        c.expect(!all_same(&img[a->offset], a->length, 0x00) && !all_same(&img[a->offset], a->length, 0xFF),
                 std::string(a->name) + " is all 0x00 or all 0xFF");
    for (uint32_t k = 0; k < demo::completion_divisors.length; ++k)
        c.expect(img[demo::completion_divisors.offset + k] != 0, "a completion divisor is 0");
    c.expect(img[demo::start_position_default.offset] < 8, "start area above 7");
    {
        uint32_t at = demo::area_records_begin;
        for (int k = 0; k < 7; ++k)
            for (int r = 0; r < demo::area_record_counts[k]; ++r, at += demo::area_record_size)
                c.expect(img[at + 53] < 32 && img[at + 54] < 32, "area record outside its mask");
        c.expect(at == demo::area_records_last_table +
                           uint32_t(demo::area_record_counts[6]) * demo::area_record_size,
                 "area record tables do not end where the last one ends");
    }
    for (int i = 0; i < demo::run_record_count; ++i) {
        uint32_t at = demo::run_record_at(i);
        c.expect(img[at] < 8 && img[at + 2] == 0xFF && img[at + 3] == 0xFF && img[at + 4 + 11] == 0xFF &&
                     std::memcmp(&img[at + 568], "ATRUNEND", 8) == 0 && all_same(&img[at + 577], 63, 0xFF),
                 "run record " + std::to_string(i) + " is not laid out like the run-end record");
    }
    int flags = 0;
    for (uint32_t i = 0; i < 32; ++i) flags += img[demo::start_flag_records.offset + 8 * i] != 0;
    c.expect(flags > 0 && flags < 32, "start-flag records all alike");
    return errors.size() == before;
}
