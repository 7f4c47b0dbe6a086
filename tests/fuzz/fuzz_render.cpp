// The sprite-layer renderer over arbitrary OAM, sprite tiles, palette and
// DISPCNT: it must stay inside its areas and paint exactly what the plain
// per-pixel reference renderer of the tests paints.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "hw/regions.h"
#include "hw/registers.h"
#include "render/sprite_layer.h"
// The reference renderer is a test source, not part of a library.
#include "tests/render/reference_renderer.cpp"
#include "tests/support/reset_all.h"

namespace {

// Fills area with the input, repeated, so short inputs still reach every byte.
void fill_from(uint8_t* area, size_t area_size, const uint8_t*& data, size_t& size, size_t take) {
    take = take < size ? take : size;
    if (take == 0) {
        std::memset(area, 0, area_size);
        return;
    }
    for (size_t i = 0; i < area_size; ++i) area[i] = data[i % take];
    data += take;
    size -= take;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    reset_all_globals();
    if (size < 2) return 0;
    reg_store16(DISPCNT, static_cast<uint16_t>(data[0] | data[1] << 8));
    data += 2;
    size -= 2;
    fill_from(oam, oam_size, data, size, oam_size);
    fill_from(palette_ram, palette_ram_size, data, size, 64);
    fill_from(vram + obj_tiles_offset, vram_size - obj_tiles_offset, data, size, size);

    // Frames on the heap, exactly 240 x 160, so a stray write is reported.
    static std::vector<uint32_t> fast(frame_pixels), expected(frame_pixels);
    for (size_t i = 0; i < frame_pixels; ++i) fast[i] = expected[i] = static_cast<uint32_t>(i * 2654435761u);
    render_sprite_layer(fast.data());
    reference_render_sprite_layer(expected.data());
    if (fast != expected) __builtin_trap();
    return 0;
}
