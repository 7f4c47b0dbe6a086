#include "tools/cartridge/lz77_compress.h"

#include <algorithm>
#include <stdexcept>

namespace {

constexpr unsigned max_length = 18;
constexpr unsigned min_length = 3;
constexpr unsigned window = 4096;
constexpr unsigned hash_size = 1u << 14;
constexpr unsigned max_chain = 512;

unsigned hash3(const uint8_t* p) { return ((p[0] << 6) ^ (p[1] << 3) ^ p[2]) & (hash_size - 1); }

}  // namespace

std::vector<uint8_t> lz77_compress(const std::vector<uint8_t>& data, unsigned min_distance) {
    if (data.size() > 0xFFFFFF) throw std::length_error("lz77_compress: input above 16 MiB");
    if (min_distance < 1) min_distance = 1;
    const size_t n = data.size();
    std::vector<uint8_t> out = {0x10, uint8_t(n), uint8_t(n >> 8), uint8_t(n >> 16)};
    // Hash chains over 3-byte prefixes: head per hash, prev per position.
    std::vector<int32_t> head(hash_size, -1);
    std::vector<int32_t> prev(n, -1);
    auto insert = [&](size_t pos) {
        if (pos + min_length > n) return;
        unsigned h = hash3(&data[pos]);
        prev[pos] = head[h];
        head[h] = int32_t(pos);
    };

    size_t i = 0;
    while (i < n) {
        size_t flag_at = out.size();
        out.push_back(0);
        for (int bit = 7; bit >= 0 && i < n; --bit) {
            unsigned best_len = 0, best_dist = 0;
            if (i + min_length <= n) {
                unsigned limit = unsigned(std::min<size_t>(max_length, n - i));
                unsigned steps = 0;
                for (int32_t c = head[hash3(&data[i])]; c >= 0 && steps < max_chain; c = prev[c], ++steps) {
                    size_t dist = i - size_t(c);
                    if (dist > window) break;
                    if (dist < min_distance) continue;
                    unsigned len = 0;
                    while (len < limit && data[size_t(c) + len] == data[i + len]) ++len;
                    if (len > best_len) {
                        best_len = len;
                        best_dist = unsigned(dist);
                        if (len == limit) break;
                    }
                }
                // Distances below min_distance never enter the chain walk above, but
                // short distances still matter for runs: try them directly.
                for (unsigned d = min_distance; d < 4 && d <= i; ++d) {
                    unsigned len = 0;
                    while (len < limit && data[i - d + len] == data[i + len]) ++len;
                    if (len > best_len) {
                        best_len = len;
                        best_dist = d;
                    }
                }
            }
            if (best_len >= min_length) {
                out[flag_at] |= uint8_t(1u << bit);
                unsigned l = best_len - min_length, d = best_dist - 1;
                out.push_back(uint8_t((l << 4) | (d >> 8)));
                out.push_back(uint8_t(d & 0xFF));
                for (unsigned k = 0; k < best_len; ++k) insert(i + k);
                i += best_len;
            } else {
                out.push_back(data[i]);
                insert(i);
                ++i;
            }
        }
    }
    return out;
}
