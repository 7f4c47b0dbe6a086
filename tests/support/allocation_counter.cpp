#include "tests/support/allocation_counter.h"

#include <cstdlib>
#include <new>

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

// The sanitizers bring allocators of their own; elsewhere glibc's entry
// points are wrapped so that C allocations count too.
#if !defined(ORVALIS_SANITIZED) && defined(__GLIBC__)
#define ORVALIS_COUNTS_ALLOCATIONS 1
extern "C" {
// glibc's own allocator, which the counting replacements forward to.
void* __libc_malloc(size_t);          // NOLINT(bugprone-reserved-identifier): glibc's name
void* __libc_calloc(size_t, size_t);  // NOLINT(bugprone-reserved-identifier): glibc's name
void* __libc_realloc(void*, size_t);  // NOLINT(bugprone-reserved-identifier): glibc's name
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

bool allocation_counting_available() {
#if defined(ORVALIS_COUNTS_ALLOCATIONS)
    return true;
#else
    return false;
#endif
}

void set_allocation_counting(bool on) { counting = on ? 1 : 0; }
unsigned long allocation_count() { return allocations; }
void reset_allocation_count() { allocations = 0; }
