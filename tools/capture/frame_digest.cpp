#include "tools/capture/frame_digest.h"

#include "hw/regions.h"

uint64_t fnv1a_64(const void* data, size_t size) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    uint64_t hash = 0xcbf29ce484222325ull;
    for (size_t i = 0; i < size; ++i) {
        hash ^= bytes[i];
        hash *= 0x100000001b3ull;
    }
    return hash;
}

uint64_t frame_buffer_digest() { return fnv1a_64(frame_buffer, frame_bytes); }
