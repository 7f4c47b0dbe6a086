// load_rom plus the five imports on an 8 MiB image: reading, header check,
// SHA-1 and the boot-time copies.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "host/headless/headless.h"
#include "host/openssl/openssl_sha1.h"
#include "rom/rom.h"
#include "rom/rom_test_seam.h"

namespace {

// A synthetic image in a temporary file, trusted by the loader.
struct image_file {
    std::string path;
    image_file() {
        char name[] = "/tmp/orvalis-bench-XXXXXX";
        const int fd = mkstemp(name);
        if (fd < 0) return;
        path = name;
        std::vector<uint8_t> bytes(rom_expected_size);
        for (uint32_t i = 0; i < rom_expected_size; ++i) bytes[i] = static_cast<uint8_t>(i * 7 + (i >> 9));
        std::memcpy(&bytes[0xA0], "ORVALISQUEST", 12);
        std::memcpy(&bytes[0xAC], "AORV", 4);
        FILE* file = fdopen(fd, "wb");
        if (!file || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) path.clear();
        if (file) std::fclose(file);
        uint8_t digest[20];
        if (openssl_sha1(bytes.data(), bytes.size(), digest)) rom_replace_expected_sha1(digest);
    }
    ~image_file() {
        if (!path.empty()) unlink(path.c_str());
    }
};

void load_and_import(benchmark::State& state) {
    image_file image;
    if (image.path.empty()) {
        state.SkipWithError("could not write the image");
        return;
    }
    headless_reset();
    headless_set_rom_path(image.path.c_str());
    for (auto _ : state) {
        if (!load_rom()) {
            state.SkipWithError("the image was refused");
            return;
        }
        import_sprite_half_sizes();
        import_run_record_pointers();
        import_completion_constants();
        import_save_constants();
        import_sine_table();
        benchmark::DoNotOptimize(sine_table[0]);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * rom_expected_size);
    rom_reset_globals();
}

}  // namespace

BENCHMARK(load_and_import)->Unit(benchmark::kMillisecond);
