// LZ77 decode throughput on a stream shaped like the game's packed tiles.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "hw/lz77.h"
#include "hw/regions.h"
#include "tools/cartridge/lz77_compress.h"

namespace {

using bytes = std::vector<uint8_t>;

// 64 KiB of 16-colour tile data: runs of one colour, outlines and repeated
// tiles, with some noise, as packed sprite and background graphics are.
bytes tile_like_data() {
    std::mt19937 rng(2026);
    bytes data;
    while (data.size() < 0x10000) {
        const int kind = static_cast<int>(rng() % 4);
        if (kind == 0 && data.size() >= 32) {  // a tile seen before
            const size_t from = data.size() - 32 * (1 + rng() % 64 % (data.size() / 32));
            for (int i = 0; i < 32; ++i) data.push_back(data[from + i]);
        } else if (kind == 1) {  // a run of one colour
            const auto c = static_cast<uint8_t>((rng() % 16) * 0x11);
            for (int i = 0, n = 4 + static_cast<int>(rng() % 40); i < n; ++i) data.push_back(c);
        } else {  // detail
            for (int i = 0, n = 2 + static_cast<int>(rng() % 10); i < n; ++i)
                data.push_back(static_cast<uint8_t>(rng()));
        }
    }
    data.resize(0x10000);
    return data;
}

void bm_lz77_decode_vram(benchmark::State& state) {
    const bytes plain = tile_like_data();
    const bytes stream = lz77_compress(plain, 1);
    for (auto _ : state) {
        lz77_decompress_vram(stream.data(), static_cast<uint32_t>(stream.size()), vram);
        benchmark::ClobberMemory();
    }
    if (!std::equal(plain.begin(), plain.end(), vram)) state.SkipWithError("decoded bytes differ");
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(plain.size()));
    state.counters["ratio"] = static_cast<double>(stream.size()) / static_cast<double>(plain.size());
}
BENCHMARK(bm_lz77_decode_vram)->Unit(benchmark::kMicrosecond);

}  // namespace
