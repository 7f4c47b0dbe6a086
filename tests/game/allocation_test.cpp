// No heap allocation in any frame of the intro: the whole intro on the demo
// cartridge through run_host, counting every malloc-family call and operator
// new from the first presented frame on.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <new>

#include "host/headless/headless.h"
#include "host/host.h"
#include "hw/iwram_data.h"
#include "tests/support/reset.h"

#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(memory_sanitizer)
#define ORVALIS_SANITIZED 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define ORVALIS_SANITIZED 1
#endif

namespace {
volatile int counting;
volatile unsigned long allocations;
[[maybe_unused]] void note_allocation() {
    if (counting) allocations = allocations + 1;
}
}  // namespace

#if !defined(ORVALIS_SANITIZED) && defined(__GLIBC__)
extern "C" {
void* __libc_malloc(size_t);
void* __libc_calloc(size_t, size_t);
void* __libc_realloc(void*, size_t);
void* malloc(size_t size) {
    note_allocation();
    return __libc_malloc(size);
}
void* calloc(size_t count, size_t size) {
    note_allocation();
    return __libc_calloc(count, size);
}
void* realloc(void* pointer, size_t size) {
    note_allocation();
    return __libc_realloc(pointer, size);
}
}
#define ORVALIS_COUNTS_ALLOCATIONS 1
#endif

#if defined(ORVALIS_COUNTS_ALLOCATIONS)
void* operator new(size_t size) {
    note_allocation();
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void* operator new[](size_t size) { return operator new(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t) noexcept { std::free(p); }
#endif

namespace {

uint32_t last_counted;
int16_t last_stage;

[[maybe_unused]] void count_frames(uint32_t frame) {
    if (frame == 1) counting = 1;  // the loader, imports and reset are over
    last_counted = frame;
    last_stage = iwram_data.mode_stage;
}

TEST_F(fresh_globals, intro_frames_allocate_nothing) {
#if !defined(ORVALIS_COUNTS_ALLOCATIONS)
    GTEST_SKIP() << "allocations are counted only in builds without sanitizers";
#else
    if (std::FILE* f = std::fopen(ORVALIS_DEMO_ROM, "rb"))
        std::fclose(f);
    else
        GTEST_SKIP() << "no demo cartridge at " << ORVALIS_DEMO_ROM;
    headless_set_rom_path(ORVALIS_DEMO_ROM);
    headless_set_frame_limit(1200);
    headless_set_present_hook(count_frames);
    allocations = 0;
    const int result = run_host(nullptr, "", 1);
    counting = 0;
    ASSERT_EQ(result, 0);
    ASSERT_EQ(last_counted, 1200u);
    EXPECT_EQ(last_stage, 3) << "the whole intro ran";
    EXPECT_EQ(allocations, 0u);
#endif
}

}  // namespace
