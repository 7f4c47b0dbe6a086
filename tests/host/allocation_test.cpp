// No heap allocation while the frame loop runs: 10,000 passes on the
// headless back end, counting every malloc-family call and operator new.
#include <cstdlib>
#include <new>

#include "host/headless/headless.h"
#include "host/host.h"
#include "tests/rom/image_fixture.h"
#include "tests/support/reset.h"

#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(memory_sanitizer)
#define ORVALIS_SANITIZED 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define ORVALIS_SANITIZED 1
#endif

#if !defined(ORVALIS_SANITIZED) && defined(__GLIBC__)
namespace {
volatile int counting;
volatile unsigned long allocations;
void note_allocation() {
    if (counting) allocations = allocations + 1;
}
}  // namespace

// The sanitizers bring allocators of their own; elsewhere glibc's entry
// points are wrapped so that C allocations count too.
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

#if defined(ORVALIS_COUNTS_ALLOCATIONS)
void start_counting(uint32_t frame) {
    // Boot (loader, imports, reset) is over once the first pass presents.
    if (frame == 1) counting = 1;
}
#endif

TEST_F(fresh_globals, frame_loop_allocates_nothing_in_10000_passes) {
#if !defined(ORVALIS_COUNTS_ALLOCATIONS)
    GTEST_SKIP() << "allocations are counted only in builds without sanitizers";
#else
    scratch_dir dir;
    headless_set_rom_path(trusted_image_file(dir).c_str());
    headless_set_frame_limit(10000);
    headless_hold_buttons(100, 400, 0x0008);  // Start, to take the game through its modes
    headless_hold_buttons(2000, 2100, 0x0003);
    headless_set_present_hook(start_counting);
    allocations = 0;

    // The counter itself must see allocations, or zero would prove nothing.
    counting = 1;
    void* probe = std::malloc(16);
    std::free(probe);
    counting = 0;
    ASSERT_EQ(allocations, 1u);
    allocations = 0;

    const int exit_code = run_host(nullptr, "", 10);
    counting = 0;
    EXPECT_EQ(exit_code, 0);
    EXPECT_EQ(headless_present_count(), 10000u);
    EXPECT_EQ(allocations, 0u);
#endif
}

}  // namespace
