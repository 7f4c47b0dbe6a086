// The boot-time save check on the first-boot path: an empty chip, imported
// constants that are neither all 0x00 nor all 0xFF.
#include <benchmark/benchmark.h>

#include <cstring>

#include "hw/iwram_data.h"
#include "hw/regions.h"
#include "rom/rom.h"
#include "save/boot_check.h"
#include "save/save_memory.h"

namespace {

void fill(uint8_t* p, uint32_t n, uint8_t start) {
    for (uint32_t i = 0; i < n; ++i) p[i] = static_cast<uint8_t>(start + 3 * i);
}

void bm_boot_check_first_boot(benchmark::State& state) {
    fill(test_pattern, 16, 0x21);
    fill(slot_mark_a, 16, 0x41);
    fill(slot_mark_b, 16, 0x61);
    fill(slot_mark_c, 16, 0x81);
    fill(header_signature, 20, 0x11);
    fill(header_defaults, 12, 0xC1);
    fill(last_slot_signature, 32, 0x05);
    fill(flag_signature, 32, 0x07);
    fill(option_signature, 32, 0x09);
    fill(shared_signature, 32, 0x0B);
    for (auto _ : state) {
        // An empty chip and working copy, as at program start.
        std::memset(sram, 0, save_memory_size);
        std::memset(save_image, 0, save_memory_size);
        iwram_data.sram_test_result = 0;
        save_boot_check();
        benchmark::DoNotOptimize(save_image[0]);
        benchmark::ClobberMemory();
    }
    if (iwram_data.saved_option != 2) state.SkipWithError("the first-boot path was not taken");
}
BENCHMARK(bm_boot_check_first_boot)->Unit(benchmark::kMicrosecond);

}  // namespace
