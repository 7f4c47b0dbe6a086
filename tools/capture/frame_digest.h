// The 64-bit FNV-1a digest of a presented frame.
#pragma once

#include <cstddef>
#include <cstdint>

uint64_t fnv1a_64(const void* data, size_t size);

// Over the 153,600 bytes of frame_buffer as they lie in memory.
uint64_t frame_buffer_digest();
