// Builds the demo cartridge: the intro's sprite sheets, tables, palettes and
// compressed streams, the save constants and the imported tables, each at the
// offset the program reads it from.
#include "tools/cartridge/cartridge.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <numbers>
#include <sstream>

#include "hw/oam.h"
#include "tools/cartridge/font_art.h"
#include "tools/cartridge/layout.h"
#include "tools/cartridge/lz77_compress.h"
#include "tools/cartridge/sprite_art.h"

namespace {

[[noreturn]] void fail(const std::string& what) {
    std::fprintf(stderr, "demo cartridge: %s\n", what.c_str());
    std::exit(1);
}

uint16_t rgb(uint32_t hex) {
    uint32_t r = (hex >> 16) & 0xFF, g = (hex >> 8) & 0xFF, b = hex & 0xFF;
    return uint16_t((r >> 3) | ((g >> 3) << 5) | ((b >> 3) << 10));
}

void put16(std::vector<uint8_t>& v, uint16_t x) {
    v.push_back(uint8_t(x));
    v.push_back(uint8_t(x >> 8));
}

// ---------------------------------------------------------------- sheets --

// A sprite tile sheet, 32 tiles wide, as loaded at a given first tile. Pictures
// are packed on shelves so none runs past the end of a sheet row; identical
// pictures share their tiles.
struct tile_sheet {
    int first_tile = 0;
    int rows = 0;                 // tile rows the sheet may use
    std::vector<uint8_t> pixels;  // 256 pixels a row, colour index each
    int shelf_y = 0, shelf_x = 0, shelf_h = 0;
    std::map<std::string, int> known;  // picture bytes and size -> first tile

    tile_sheet(int first, int max_rows)
        : first_tile(first), rows(max_rows), pixels(size_t(256) * max_rows * 8, 0) {}

    int add(const art_grid& g) {
        if (g.width % 8 || g.height % 8 || g.width > 64 || g.height > 64)
            fail("picture size not a sprite size");
        std::string key(g.pixels.begin(), g.pixels.end());
        key.push_back(char(g.width));
        key.push_back(char(g.height));
        if (auto it = known.find(key); it != known.end()) return it->second;
        int tw = g.width / 8, th = g.height / 8;
        if (shelf_x + tw > 32) {
            shelf_y += shelf_h;
            shelf_x = 0;
            shelf_h = 0;
        }
        if (shelf_y + th > rows) fail("sprite sheet full");
        for (int y = 0; y < g.height; ++y)
            for (int x = 0; x < g.width; ++x)
                pixels[size_t(shelf_y * 8 + y) * 256 + size_t(shelf_x * 8 + x)] =
                    g.pixels[size_t(y) * size_t(g.width) + size_t(x)];
        int tile = first_tile + shelf_y * 32 + shelf_x;
        shelf_x += tw;
        if (th > shelf_h) shelf_h = th;
        known[key] = tile;
        return tile;
    }

    int used_rows() const { return shelf_y + shelf_h; }

    // 4 bits a pixel, 32 bytes a tile, tiles in sheet order.
    std::vector<uint8_t> tiles() const {
        std::vector<uint8_t> out;
        for (int ty = 0; ty < used_rows(); ++ty)
            for (int tx = 0; tx < 32; ++tx)
                for (int y = 0; y < 8; ++y)
                    for (int x = 0; x < 8; x += 2) {
                        size_t p = size_t(ty * 8 + y) * 256 + size_t(tx * 8 + x);
                        out.push_back(uint8_t((pixels[p] & 15) | ((pixels[p + 1] & 15) << 4)));
                    }
        return out;
    }
};

art_grid crop(const art_grid& g, int x0, int y0, int w, int h) {
    art_grid out;
    out.width = w;
    out.height = h;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            int sx = x0 + x, sy = y0 + y;
            out.pixels.push_back(
                sx < g.width && sy < g.height ? g.pixels[size_t(sy) * size_t(g.width) + size_t(sx)] : 0);
        }
    return out;
}

art_grid recolour(art_grid g, const std::map<uint8_t, uint8_t>& map) {
    for (auto& p : g.pixels)
        if (auto it = map.find(p); it != map.end()) p = it->second;
    return g;
}

bool blank(const art_grid& g) {
    for (auto p : g.pixels)
        if (p) return false;
    return true;
}

// ------------------------------------------------------------------ font --

// A glyph as a 8 x 24 picture: the text cell is rows 8..15, with one cell
// above and one below. Ink is colour 1, its shadow one pixel down and right
// colour 2, kept inside each 8 x 8 cell.
std::map<char, art_grid> load_font() {
    std::map<char, art_grid> font;
    std::istringstream in(font_art);
    std::string line;
    char current = 0;
    int row = 0;
    while (std::getline(in, line)) {
        if (line.empty()) continue;
        if (line.size() == 3 && line[0] == '[' && line[2] == ']') {
            current = line[1];
            font[current] = art_grid{8, 24, std::vector<uint8_t>(size_t{8} * 24, 0)};
            row = 0;
            continue;
        }
        if (!current || line.size() != 6 || row >= 16) fail("malformed font row \"" + line + "\"");
        for (int x = 0; x < 6; ++x)
            if (line[size_t(x)] == '#') font[current].pixels[size_t(row + 4) * 8 + size_t(x)] = 1;
        ++row;
    }
    for (auto& [c, g] : font) {
        art_grid ink = g;
        for (int y = 0; y < 24; ++y)
            for (int x = 0; x < 8; ++x) {
                if (ink.pixels[size_t(y) * 8 + size_t(x)] != 1) continue;
                int sx = x + 1, sy = y + 1;
                if (sx >= 8 || sy / 8 != y / 8) continue;
                auto& p = g.pixels[size_t(sy) * 8 + size_t(sx)];
                if (p == 0) p = 2;
            }
    }
    return font;
}

// ---------------------------------------------------------------- sprites --

struct sprite_record {
    uint16_t attr0 = 0, attr1 = 0, attr2 = 0;
};

int shape_size(int w, int h, int& size) {
    for (int shape = 0; shape < 3; ++shape)
        for (int s = 0; s < 4; ++s)
            if (sprite_widths[shape * 4 + s] == w && sprite_heights[shape * 4 + s] == h) {
                size = s;
                return shape;
            }
    fail("no sprite shape for " + std::to_string(w) + "x" + std::to_string(h));
}

// A sprite in a table, at a position relative to the placement origin.
sprite_record make_sprite(const art_grid& g, int tile, int x, int y, int bank, bool hflip = false) {
    int size = 0;
    int shape = shape_size(g.width, g.height, size);
    sprite_record s;
    s.attr0 = uint16_t((y & 0xFF) | (shape << 14));
    s.attr1 = uint16_t((x & 0x1FF) | (hflip ? 0x1000 : 0) | (size << 14));
    s.attr2 = uint16_t((tile & 0x3FF) | (bank << 12));
    return s;
}

std::vector<uint8_t> table_bytes(const std::vector<sprite_record>& sprites) {
    std::vector<uint8_t> out;
    put16(out, uint16_t(sprites.size()));
    for (auto& s : sprites) {
        put16(out, s.attr0);
        put16(out, s.attr1);
        put16(out, s.attr2);
    }
    return out;
}

// ------------------------------------------------------------------ text --

struct text_layout {
    std::vector<sprite_record> sprites;  // placed with Y - 128, X + 120
    std::vector<uint8_t> codes;          // the code list, free bytes 0
    std::vector<bool> free_byte;         // bytes whose value may be any 1-sprite code
    std::vector<bool> any_byte;          // bytes after the 5, never read
};

// Lays out lines from the cursor start: each character's cells sit at the
// cursor (the cell above at Y - 8, the one below at Y + 8), and its code
// reveals them there before the cursor moves on.
text_layout lay_out_text(const std::map<char, art_grid>& font, tile_sheet& sheet,
                         const std::vector<std::string>& lines, int x, int y, int margin,
                         size_t list_length) {
    text_layout t;
    for (size_t l = 0; l < lines.size(); ++l) {
        for (size_t i = 0; i < lines[l].size(); ++i) {
            auto it = font.find(lines[l][i]);
            if (it == font.end()) fail(std::string("no glyph for '") + lines[l][i] + "'");
            int cells = 0;
            for (int c = 0; c < 3; ++c) {
                art_grid cell = crop(it->second, 0, c * 8, 8, 8);
                if (blank(cell) && !(c == 1 && lines[l][i] == ' ')) continue;
                int tile = sheet.add(cell);
                t.sprites.push_back(make_sprite(cell, tile, x - 120, y + (c - 1) * 8 + 128, 0));
                ++cells;
            }
            bool line_end = i + 1 == lines[l].size() && l + 1 < lines.size();
            if (cells == 1 && !line_end) {
                t.codes.push_back(0);
                t.free_byte.push_back(true);
            } else if (cells == 2) {
                t.codes.push_back(line_end ? 4 : 3);
                t.free_byte.push_back(false);
            } else {
                fail(std::string("glyph '") + lines[l][i] + "' cannot end a line or has no cells");
            }
            if (line_end) {
                x = margin;
                y += 24;
            } else {
                x += 8;
            }
        }
    }
    t.codes.push_back(5);
    t.free_byte.push_back(false);
    if (t.codes.size() > list_length) fail("text longer than its code list");
    t.any_byte.assign(t.codes.size(), false);
    while (t.codes.size() < list_length) {
        t.codes.push_back(cartridge_filler);
        t.free_byte.push_back(false);
        t.any_byte.push_back(true);
    }
    return t;
}

// Chooses the colour-code bytes: colour i of a palette frame sits on bytes
// 2i, 2i+1, some of which are fixed codes; free bytes take the value (a
// 1-sprite code: 0, 2 or 6..255, or anything after the 5) that brings the
// colour closest to the intended one.
void fit_colour_bytes(uint8_t* bytes, const bool* fixed, const bool* anything, const uint16_t* intended,
                      int colours) {
    auto allowed = [](bool any, int v) { return any || v == 0 || v == 2 || v >= 6; };
    auto dist = [](uint16_t a, uint16_t b) {
        int d = 0;
        for (int sh = 0; sh < 15; sh += 5) {
            int x = int((a >> sh) & 31) - int((b >> sh) & 31);
            d += x * x;
        }
        return d;
    };
    for (int c = 0; c < colours; ++c) {
        int best = -1, best_lo = bytes[std::ptrdiff_t{2} * c], best_hi = bytes[2 * c + 1];
        for (int lo = 0; lo < 256; ++lo) {
            if (fixed[std::ptrdiff_t{2} * c] ? lo != bytes[std::ptrdiff_t{2} * c]
                                             : !allowed(anything[std::ptrdiff_t{2} * c], lo))
                continue;
            for (int hi = 0; hi < 256; ++hi) {
                if (fixed[2 * c + 1] ? hi != bytes[2 * c + 1] : !allowed(anything[2 * c + 1], hi)) continue;
                int d = dist(uint16_t(lo | (hi << 8)), intended[c]);
                if (best < 0 || d < best) {
                    best = d;
                    best_lo = lo;
                    best_hi = hi;
                }
            }
        }
        bytes[std::ptrdiff_t{2} * c] = uint8_t(best_lo);
        bytes[2 * c + 1] = uint8_t(best_hi);
    }
}

// --------------------------------------------------------- image builder --

struct builder {
    demo_cartridge cart;

    builder() { cart.image.assign(cartridge_size, cartridge_filler); }

    void place(const demo::area& a, std::vector<uint8_t> bytes) {
        place(a.name, a.offset, a.length, std::move(bytes));
    }

    void place(const std::string& name, uint32_t offset, uint32_t length, std::vector<uint8_t> bytes) {
        if (bytes.size() > length) fail(name + " is longer than its listed length");
        std::memcpy(&cart.image[offset], bytes.data(), bytes.size());
        cart.assets.push_back({name, offset, length, std::move(bytes), {}, 0, false});
    }

    void place_lz77(const demo::area& a, const std::vector<uint8_t>& data, uint32_t room) {
        const std::string name = a.name;
        const uint32_t offset = a.offset, length = a.length;
        std::vector<uint8_t> packed = lz77_compress(data);
        if (packed.size() > length)
            fail(name + ": stream of " + std::to_string(packed.size()) + " bytes exceeds " +
                 std::to_string(length));
        std::memcpy(&cart.image[offset], packed.data(), packed.size());
        cart.assets.push_back({name, offset, length, std::move(packed), data, room, true});
    }
};

std::vector<uint8_t> ascii(const char* s, size_t n) {
    std::vector<uint8_t> v(n, 0);
    std::memcpy(v.data(), s, std::min(n, std::strlen(s)));
    return v;
}

std::vector<uint8_t> palette_bytes(const std::vector<uint16_t>& colours) {
    std::vector<uint8_t> out;
    for (auto c : colours) put16(out, c);
    return out;
}

// A 16-colour bank from hex RGB values; entry 0 is black (transparent).
std::vector<uint16_t> bank(std::initializer_list<uint32_t> hex) {
    std::vector<uint16_t> b(16, 0);
    size_t i = 1;
    for (auto h : hex) b[i++] = rgb(h);
    return b;
}

void append(std::vector<uint16_t>& to, const std::vector<uint16_t>& from) {
    to.insert(to.end(), from.begin(), from.end());
}

// A smooth ramp of n colours from one hex colour to another.
std::vector<uint16_t> ramp(uint32_t from, uint32_t to, size_t n) {
    std::vector<uint16_t> out;
    for (size_t i = 0; i < n; ++i) {
        uint32_t c = 0;
        for (int sh = 0; sh < 24; sh += 8) {
            int a = int((from >> sh) & 0xFF), b = int((to >> sh) & 0xFF);
            c |= uint32_t(a + (b - a) * int(i) / int(n > 1 ? n - 1 : 1)) << sh;
        }
        out.push_back(rgb(c));
    }
    return out;
}

// The text banks: plain, first flash, second flash (the cursor blinks through
// the same three). Colour 1 ink, 2 shadow, 3 cursor glow.
std::vector<uint16_t> text_banks() {
    std::vector<uint16_t> p;
    append(p, bank({0xF0EEE0, 0x303858, 0x90B8E8}));
    append(p, bank({0xB0E8F8, 0x284868, 0xD0F4FF}));
    append(p, bank({0xF8D860, 0x584020, 0xFFF0A8}));
    return p;
}

// Background content: never on screen, but real tiles and maps. A small
// deterministic generator draws a star field and a tiled ground.
uint32_t lcg(uint32_t& s) {
    s = s * 1664525u + 1013904223u;
    return s >> 8;
}

std::vector<uint8_t> background_tiles(size_t count, uint32_t seed) {
    std::vector<uint8_t> out(count * 32, 0);
    for (size_t t = 1; t < count; ++t) {
        uint8_t* tile = &out[t * 32];
        if (t % 4 == 0) {  // brick
            for (int y = 0; y < 8; ++y)
                for (int x = 0; x < 8; x += 2) {
                    uint8_t a = (y == 7 || x == ((y < 4) ? 0 : 4)) ? 1 : uint8_t(2 + (t / 4) % 3);
                    tile[y * 4 + x / 2] = uint8_t(a | (a << 4));
                }
        } else {  // a few stars
            int stars = 1 + int(lcg(seed) % 3);
            for (int k = 0; k < stars; ++k) {
                int x = int(lcg(seed) % 8), y = int(lcg(seed) % 8);
                uint8_t c = uint8_t(5 + lcg(seed) % 10);
                uint8_t& b = tile[y * 4 + x / 2];
                b = uint8_t(x & 1 ? (b & 0x0F) | (c << 4) : (b & 0xF0) | c);
            }
        }
    }
    return out;
}

std::vector<uint8_t> background_map(size_t entries, size_t tiles, int palette, uint32_t seed) {
    std::vector<uint8_t> out;
    for (size_t i = 0; i < entries; ++i) {
        size_t row = (i / 32) % 32;
        uint16_t tile = row >= 24 ? uint16_t(4 * (1 + (i + row) % ((tiles - 1) / 4)))
                                  : (lcg(seed) % 5 == 0 ? uint16_t(1 + lcg(seed) % (tiles - 1)) : 0);
        uint16_t hflip = (lcg(seed) & 1) ? 0x0400 : 0;
        put16(out, uint16_t(tile | (row >= 24 ? 0 : hflip) | (palette << 12)));
    }
    return out;
}

}  // namespace

// ---------------------------------------------------------------- layout --

demo_cartridge build_demo_cartridge() {
    builder b;

    // Header.
    b.place(demo::header_title, ascii(demo::title_text, demo::header_title.length));
    b.place(demo::header_game_code, ascii(demo::game_code_text, demo::header_game_code.length));

    // Sine table: 320 entries of round(256 sin(2 pi a / 256)).
    {
        std::vector<uint8_t> t;
        for (int a = 0; a < 320; ++a)
            put16(t, uint16_t(int16_t(std::lround(256.0 * std::sin(2.0 * std::numbers::pi * a / 256.0)))));
        b.place(demo::sine_table, t);
    }

    // Save-memory constants.
    b.place(demo::test_pattern, ascii("OrvalisPC test\x5A\xA5", 16));
    b.place(demo::slot_mark_a, ascii("ORVPC slot mk A", 16));
    b.place(demo::slot_mark_b, ascii("ORVPC slot mk B", 16));
    b.place(demo::slot_mark_c, ascii("ORVPC slot mk C", 16));
    b.place(demo::header_signature, ascii("ORVALIS PC SAVEDATA", 20));
    b.place(demo::header_defaults, {0x01, 0x00, 0x03, 0x00, 0x02, 0x05, 0x10, 0x00, 0x3C, 0x00, 0x00, 0x00});
    b.place(demo::last_slot_signature, ascii("ORVALIS PC last slot record", 32));
    b.place(demo::flag_signature, ascii("ORVALIS PC flag record", 32));
    b.place(demo::option_signature, ascii("ORVALIS PC option record", 32));
    b.place(demo::shared_signature, ascii("ORVALIS PC shared record", 32));
    b.place(demo::start_defaults, {0x01, 0x00, 0x02, 0x00, 0x03, 0x00, 0x00, 0x01});
    b.place(demo::clock_default, {0x00, 0x00, 0x00, 0x01});
    b.place(demo::best_time_default, {99, 59, 59, 0x01});
    b.place(demo::start_position_default, {0x00, 0x30, 0x40, uint8_t(1 | (2 << 1))});

    // Completion constants: the counters' targets and the per-category divisors.
    {
        std::vector<uint8_t> block(32);
        for (int i = 0; i < 28; ++i) block[size_t(i)] = uint8_t(0x10 + i);
        block[28] = 12;
        block[29] = 8;
        block[30] = 4;
        block[31] = 2;
        b.place(demo::completion_block, block);
        b.place(demo::completion_divisors, {1, 1, 1, 1, 2, 2, 1, 1, 4, 4, 2, 2});
    }

    // Area record tables: seven tables of 60-byte records; bytes 53 and 54
    // place the record's cells inside the area's 32 x 32 mask.
    {
        constexpr int n = int(demo::area_record_size);
        uint32_t at = demo::area_records_begin;
        for (int k = 0; k < 7; ++k) {
            std::vector<uint8_t> t;
            for (int r = 0; r < demo::area_record_counts[k]; ++r) {
                for (int i = 0; i < n; ++i) t.push_back(uint8_t((k * 16 + r + i * 3) & 0x7F));
                t[t.size() - n] = uint8_t(r);
                t[t.size() - n + 53] = uint8_t((r * 7 + k) % 24);
                t[t.size() - n + 54] = uint8_t((r * 5 + k * 3) % 20);
            }
            b.place("area record table " + std::to_string(k), at, uint32_t(t.size()), t);
            at += uint32_t(t.size());
        }
    }

    // Start-flag records: 32 of 8 bytes; byte 0 set marks a starting flag.
    {
        std::vector<uint8_t> t;
        for (int i = 0; i < 32; ++i) {
            uint8_t rec[8] = {
                uint8_t(i % 3 == 0 ? 0 : 1), uint8_t(i), uint8_t(i % 8), 0, uint8_t(2 + i % 5), 0, 0, 0};
            t.insert(t.end(), rec, rec + 8);
        }
        b.place(demo::start_flag_records, t);
    }

    // Run records: sixteen 640-byte records laid out like the run-end record.
    for (int i = 0; i < demo::run_record_count; ++i) {
        std::vector<uint8_t> r(demo::run_record_size, 0xFF);
        r[0] = uint8_t(i % 8);
        r[1] = uint8_t(i);
        uint32_t s = 0x5EED0000u + uint32_t(i);
        for (int k = 4; k < 408; ++k) r[size_t(k)] = uint8_t(lcg(s) % 100);
        r[4 + 11] = 0xFF;  // block byte 11 is never written
        r[4 + 30] = r[4 + 31] = 0;
        r[4 + 39] = 0;
        r[4 + 337] = r[4 + 341] = r[4 + 342] = r[4 + 343] = 0;
        for (int k = 0; k < 5; ++k)
            for (int z = 8; z < 12; ++z) r[4 + 344 + size_t(k) * 12 + size_t(z)] = 0;
        for (int k = 408; k < 568; ++k) r[size_t(k)] = uint8_t((i * 13 + k) % 64);
        std::memcpy(&r[568], "ATRUNEND", 8);
        r[576] = uint8_t(i + 1);
        b.place("run record " + std::to_string(i), demo::run_record_at(i), demo::run_record_size, r);
    }

    // -------------------------------------------------------------- intro --
    const auto font = load_font();

    // The first sprite set (tile 0): text, cursor, zoom sprites.
    tile_sheet set1(0, 32);
    const char* text0[] = {"*Orvalis PC*"};
    const char* text3[] = {"A small program that", "plays the opening."};
    const char* text5[] = {"The art is all read", "from your cartridge."};
    text_layout t0 = lay_out_text(font, set1, {text0[0]}, 56, 96, 56, 16);
    text_layout t3 = lay_out_text(font, set1, {text3[0], text3[1]}, 24, 80, 8, 52);
    text_layout t5 = lay_out_text(font, set1, {text5[0], text5[1]}, 24, 80, 32, 50);

    std::vector<sprite_record> cursor;
    {
        int y = -8;
        for (const char* part : {"cursor_top", "cursor_mid", "cursor_bottom"}) {
            const art_grid& g = sprite_art(part);
            cursor.push_back(make_sprite(g, set1.add(g), 0, y, 0));
            y += 8;
        }
    }

    // Zoom sprites: a ring of stars about the centre (affine, never drawn).
    std::vector<sprite_record> zoom_a, zoom_b;
    {
        art_grid star = recolour(sprite_art("star"), {{15, 3}});
        art_grid spark = recolour(sprite_art("spark"), {{15, 2}});
        art_grid wave = sprite_art("wave_short");
        art_grid tall = crop(font.at('!'), 0, 0, 8, 16);
        int ts = set1.add(star), tp = set1.add(spark), tw = set1.add(wave), tt = set1.add(tall);
        for (int k = 0; k < 6; ++k) {
            double a = 2.0 * std::numbers::pi * k / 6.0;
            zoom_a.push_back(make_sprite(star, ts, int(std::lround(20 * std::cos(a))) - 4,
                                         int(std::lround(20 * std::sin(a))) - 4, 3));
        }
        for (int k = 0; k < 7; ++k) {
            double a = 2.0 * std::numbers::pi * k / 7.0;
            zoom_b.push_back(make_sprite(spark, tp, int(std::lround(28 * std::cos(a))) - 4,
                                         int(std::lround(28 * std::sin(a))) - 4, 4));
        }
        zoom_b.push_back(make_sprite(wave, tw, -8, -4, 5));
        zoom_b.push_back(make_sprite(tall, tt, -4, -8, 3));
    }

    // Scene 4: a lighthouse island with waves, a sailing boat in front.
    tile_sheet set4(64, 30);
    std::vector<sprite_record> front, back12, back24;
    {
        const int ox = 128, oy = 96;  // the back picture's placement origin
        auto add4 = [&](const art_grid& g) { return set4.add(g); };
        const art_grid& island = sprite_art("island");
        const art_grid& tower = sprite_art("tower");
        const art_grid& lamp = sprite_art("lamp_lit");
        const art_grid& beam = sprite_art("beam");
        const art_grid& wl = sprite_art("wave_long");
        const art_grid& ws = sprite_art("wave_short");
        int ti = add4(island), tt = add4(tower), tl = add4(lamp), tb = add4(beam), twl = add4(wl),
            tws = add4(ws);
        const int ix = 120, iy = 84, tx = ix + 15, ty = iy - 25;
        for (auto* f : {&back12, &back24}) {
            f->push_back(make_sprite(island, ti, ix - ox, iy - oy, 3));
            f->push_back(make_sprite(tower, tt, tx - ox, ty - oy, 3));
        }
        for (int k = 0; k < 10; ++k)
            back12.push_back(
                make_sprite(wl, twl, (k % 5) * 48 + (k < 5 ? 4 : 28) - ox, (k < 5 ? 108 : 120) - oy, 3));
        back24.push_back(make_sprite(lamp, tl, tx - ox, ty + 2 - oy, 3));
        back24.push_back(make_sprite(beam, tb, tx + 4 - ox, ty - 3 - oy, 3));
        back24.push_back(make_sprite(beam, tb, tx - 20 - ox, ty - 3 - oy, 3, true));
        for (int k = 0; k < 19; ++k)
            back24.push_back(make_sprite(ws, tws, (k < 10 ? k * 24 + 12 : (k - 10) * 26 + 2) - ox,
                                         (k < 10 ? 108 : 120) - oy, 3));

        const int fx = 128, fy = 95;  // the boat's placement origin
        const art_grid& flag = sprite_art("flag");
        const art_grid& sail = sprite_art("sail_main");
        const art_grid& jib = sprite_art("sail_jib");
        const art_grid& hull = sprite_art("hull");
        const int bx = 36, by = 88;
        front.push_back(make_sprite(flag, add4(flag), bx + 14 - fx, by - 7 - fy, 4));
        front.push_back(make_sprite(sail, add4(sail), bx + 8 - fx, by - fy, 4));
        front.push_back(make_sprite(jib, add4(jib), bx + 8 - fx, by - fy, 4));
        front.push_back(make_sprite(hull, add4(hull), bx - fx, by + 16 - fy, 4));
    }

    // Scene 7: the title under a night sky; its colours cycle.
    tile_sheet set7(0, 32);
    std::vector<sprite_record> closing;
    {
        const int ox = 128, oy = -128;  // stored = screen - origin (placed Y - 128, X + 128)
        art_grid moon = recolour(sprite_art("moon"), {{2, 1}, {3, 13}});
        const char* title = "ORVALIS";
        const uint8_t star_index[8] = {4, 5, 6, 7, 9, 10, 11, 12};
        const int star_xy[9][2] = {{16, 20},  {52, 8},    {96, 30},   {140, 12}, {214, 60},
                                   {28, 112}, {200, 104}, {112, 118}, {70, 100}};
        closing.push_back(make_sprite(moon, set7.add(moon), 180 - ox, 14 - oy, 0));
        for (int i = 0; i < 7; ++i) {
            // Each capital doubled to 16 x 32: rows shade from light to deep gold,
            // the shadow in the outline colour.
            const art_grid& glyph = font.at(title[i]);
            art_grid big{16, 32, std::vector<uint8_t>(size_t{16} * 32, 0)};
            for (int y = 0; y < 32; ++y)
                for (int x = 0; x < 16; ++x) {
                    uint8_t p = glyph.pixels[size_t(y / 2 + 2) * 8 + size_t(x / 2)];
                    big.pixels[size_t(y) * 16 + size_t(x)] = p == 1   ? uint8_t(y < 18 ? 14 : 8)
                                                             : p == 2 ? 3
                                                                      : 0;
                }
            closing.push_back(make_sprite(big, set7.add(big), 64 + 16 * i - ox, 56 - oy, 0));
        }
        for (int s = 0; s < 9; ++s) {
            art_grid star = recolour(sprite_art(s % 3 == 2 ? "spark" : "star"), {{15, star_index[s % 8]}});
            closing.push_back(make_sprite(star, set7.add(star), star_xy[s][0] - ox, star_xy[s][1] - oy, 0));
        }
    }

    // Palettes.
    std::vector<uint16_t> pal96 = text_banks();
    append(pal96, bank({0x102040, 0x6080C0, 0xE0E8FF}));              // zoom
    append(pal96, bank({0x201030, 0x8060C0, 0xF0D0FF}));              // zoom
    append(pal96, bank({0x103020, 0x50A070, 0xC0F0D0}));              // zoom
    std::vector<uint16_t> pal_bg_top = ramp(0x000008, 0x304070, 16);  // colours 240-255
    std::vector<uint16_t> pal_scene2 = ramp(0x080010, 0x6040A0, 80);
    std::vector<uint16_t> pal_scene6 = ramp(0x000010, 0x2060A0, 80);
    std::vector<uint16_t> pal160 = text_banks();
    // Bank 3: the lighthouse island. 1 outline, 2-3 rock, 4-5 foam and sea,
    // 6-9 the tower, a-c the light, d-e the waves.
    append(pal160, bank({0x101820, 0x485060, 0x7888A0, 0xE0F0FF, 0x2050A0, 0xB03028, 0x602018, 0xF8F0A0,
                         0xF0F0E8, 0xF8E070, 0xFFF0A0, 0xFFFFE0, 0x2868C0, 0x80C0F0}));
    // Bank 4: the boat. 1 mast, 2 sails, 3 flag, 4-5 hull.
    append(pal160, bank({0x403020, 0xF8F4E8, 0xE04030, 0x503018, 0xA06830}));
    for (int k = 5; k < 10; ++k) append(pal160, ramp(0x000000, 0x204060 + uint32_t(k) * 0x080808, 16));

    // The closing picture's four palette frames. 1-3 are dark outline colours
    // (fixed by the sprite half heights that share the bytes of the last
    // frame); 4-7 and 9-12 the stars, which twinkle; 8 and 14 the title, whose
    // gold pulses; 13 the moon.
    uint16_t frames[4][16];
    {
        const uint32_t star_levels[4] = {0x304880, 0x7890D0, 0xE8F0FF, 0xF8E890};
        const uint32_t gold_hi[4] = {0xF8D870, 0xFFE890, 0xFFF4C0, 0xFFE890};
        const uint32_t gold_lo[4] = {0xB07820, 0xC89030, 0xE0B050, 0xC89030};
        const int stars[8] = {4, 5, 6, 7, 9, 10, 11, 12};
        for (int f = 0; f < 4; ++f) {
            for (int i = 0; i < 16; ++i) frames[f][i] = 0;
            frames[f][1] = 0x1008;  // = half heights 8, 16 as bytes
            frames[f][2] = 0x1008;
            frames[f][3] = 0x2010;
            for (int s = 0; s < 8; ++s) frames[f][stars[s]] = rgb(star_levels[(s * 3 + f) % 4]);
            frames[f][8] = rgb(gold_lo[f]);
            frames[f][14] = rgb(gold_hi[f]);
            frames[f][13] = rgb(0xF8F0C8);
            frames[f][15] = rgb(0x1840A0);
        }
    }

    // Palette frame 6 shares its bytes with the sprite half heights (bytes
    // 0-7), the whole scene 0 code list (8-23) and the start of the scene 3
    // code list (24-31).
    uint8_t half_w[12] = {4, 8, 16, 32, 8, 16, 16, 32, 4, 4, 8, 16};
    uint8_t half_h[12] = {4, 8, 16, 32, 4, 4, 8, 16, 8, 16, 16, 32};
    uint8_t f6[32];
    bool f6_fixed[32], f6_any[32];
    for (int i = 0; i < 8; ++i) {
        f6[i] = half_h[4 + i];
        f6_fixed[i] = true;
        f6_any[i] = false;
    }
    for (int i = 0; i < 16; ++i) {
        f6[8 + i] = t0.codes[size_t(i)];
        f6_fixed[8 + i] = !t0.free_byte[size_t(i)] && !t0.any_byte[size_t(i)];
        f6_any[8 + i] = t0.any_byte[size_t(i)];
    }
    for (int i = 0; i < 8; ++i) {
        f6[24 + i] = t3.codes[size_t(i)];
        f6_fixed[24 + i] = !t3.free_byte[size_t(i)] && !t3.any_byte[size_t(i)];
        f6_any[24 + i] = t3.any_byte[size_t(i)];
    }
    fit_colour_bytes(f6, f6_fixed, f6_any, frames[3], 16);
    for (int i = 0; i < 16; ++i) t0.codes[size_t(i)] = f6[8 + i];
    for (int i = 0; i < 8; ++i) t3.codes[size_t(i)] = f6[24 + i];
    for (int i = 0; i < 4; ++i) half_h[4 + i] = f6[i];  // unchanged: the bytes were fixed

    // Place the intro assets, back to back from the first text table.
    b.place(demo::text_table_0, table_bytes(t0.sprites));
    b.place(demo::text_table_3, table_bytes(t3.sprites));
    b.place(demo::text_table_5, table_bytes(t5.sprites));
    b.place(demo::cursor_table, table_bytes(cursor));
    b.place(demo::zoom_table_a, table_bytes(zoom_a));
    b.place(demo::zoom_table_b, table_bytes(zoom_b));
    b.place(demo::scene_4_front, table_bytes(front));
    b.place(demo::scene_4_back_12, table_bytes(back12));
    b.place(demo::scene_4_back_24, table_bytes(back24));
    b.place(demo::scene_7_table, table_bytes(closing));
    b.place(demo::palette_96, palette_bytes(pal96));
    b.place(demo::palette_bg_240, palette_bytes(pal_bg_top));
    b.place(demo::palette_scene_2, palette_bytes(pal_scene2));
    b.place(demo::palette_160, palette_bytes(pal160));
    b.place(demo::palette_scene_6, palette_bytes(pal_scene6));
    b.place(demo::palette_frames[0], palette_bytes(std::vector<uint16_t>(frames[0], frames[0] + 16)));
    b.place(demo::palette_frames[1], palette_bytes(std::vector<uint16_t>(frames[1], frames[1] + 16)));
    b.place(demo::palette_frames[2], palette_bytes(std::vector<uint16_t>(frames[2], frames[2] + 16)));
    b.place(demo::obj_half_width, std::vector<uint8_t>(half_w, half_w + 12));
    b.place(demo::obj_half_height, std::vector<uint8_t>(half_h, half_h + 12));
    b.place(demo::palette_frames[3], std::vector<uint8_t>(f6, f6 + 32));
    b.place(demo::code_list_0, t0.codes);
    b.place(demo::code_list_3, t3.codes);
    b.place(demo::code_list_5, t5.codes);

    const uint32_t obj_room = 0x8000, bg_room = 0x10000;
    b.place_lz77(demo::sprite_set_1, set1.tiles(), obj_room);
    b.place_lz77(demo::setup_bg_tiles, background_tiles(512, 11), bg_room);
    b.place_lz77(demo::setup_bg0_map, background_map(1024, 512, 0, 12), 0x8000);
    b.place_lz77(demo::scene_2_bg_tiles, background_tiles(640, 21), bg_room);
    b.place_lz77(demo::scene_2_bg0_map, background_map(1024, 640, 1, 22), 0x8000);
    b.place_lz77(demo::sprite_set_4, set4.tiles(), obj_room - 0x800);
    b.place_lz77(demo::scene_4_bg_tiles, background_tiles(448, 41), bg_room);
    b.place_lz77(demo::scene_4_bg0_map, background_map(1024, 448, 2, 42), 0x8000);
    b.place_lz77(demo::scene_6_bg_tiles, background_tiles(640, 61), bg_room);
    b.place_lz77(demo::scene_6_bg0_map, background_map(1024, 640, 3, 62), 0x8000);
    b.place_lz77(demo::sprite_set_7, set7.tiles(), obj_room);
    b.place_lz77(demo::setup_bg1_map, background_map(256, 2, 4, 72), 0x7000);
    return b.cart;
}
