// Measurement shim, loaded with LD_PRELOAD: timestamps the start and end of
// every SDL_RenderPresent of the program and writes them (nanoseconds, "start
// end" a line) to the file named by ORVALIS_PRESENT_LOG when the process
// ends. Not part of the program.
#include <dlfcn.h>
#include <time.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

struct SDL_Renderer;

namespace {
constexpr int capacity = 1 << 16;
int64_t starts[capacity];
int64_t ends[capacity];
int count;

void write_log() {
    const char* path = std::getenv("ORVALIS_PRESENT_LOG");
    if (!path) return;
    FILE* out = std::fopen(path, "w");
    if (!out) return;
    for (int i = 0; i < count; ++i)
        std::fprintf(out, "%lld %lld\n", static_cast<long long>(starts[i]), static_cast<long long>(ends[i]));
    std::fclose(out);
}

int64_t now_ns() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

struct log_at_exit {
    ~log_at_exit() { write_log(); }
} at_exit;
}  // namespace

extern "C" void SDL_RenderPresent(SDL_Renderer* renderer) {
    using present_fn = void (*)(SDL_Renderer*);
    static present_fn real = reinterpret_cast<present_fn>(dlsym(RTLD_NEXT, "SDL_RenderPresent"));
    const int64_t start = now_ns();
    if (real) real(renderer);
    if (count < capacity) {
        starts[count] = start;
        ends[count++] = now_ns();
    }
}
