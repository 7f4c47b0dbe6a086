#include "image_files.h"

#ifdef ORVALIS_ICON_ZLIB
#include <zlib.h>
#endif

#include <cstdio>

namespace {

void put_be32(std::vector<uint8_t>& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

void put_le16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void put_le32(std::vector<uint8_t>& out, uint32_t v) {
    put_le16(out, v & 0xFFFF);
    put_le16(out, v >> 16);
}

// The CRC-32 of a chunk (below: zlib's, or one of its own).
uint32_t chunk_crc(const uint8_t* data, size_t size);

void put_chunk(std::vector<uint8_t>& out, const char type[4], const std::vector<uint8_t>& body) {
    put_be32(out, static_cast<uint32_t>(body.size()));
    const size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), body.begin(), body.end());
    put_be32(out, chunk_crc(out.data() + start, out.size() - start));
}

#ifdef ORVALIS_ICON_ZLIB
// The image rows as a zlib stream, compressed by zlib itself: the large web
// icons are mostly runs of one colour.
std::vector<uint8_t> zlib_stream(const std::vector<uint8_t>& raw) {
    uLongf length = compressBound(static_cast<uLong>(raw.size()));
    std::vector<uint8_t> out(length);
    if (compress2(out.data(), &length, raw.data(), static_cast<uLong>(raw.size()), Z_BEST_COMPRESSION) !=
        Z_OK)
        return {};
    out.resize(length);
    return out;
}

uint32_t chunk_crc(const uint8_t* data, size_t size) {
    return static_cast<uint32_t>(crc32(0, data, static_cast<uInt>(size)));
}
#else
// Where zlib is missing (a cross build that compiles the tool but never runs
// it): stored deflate blocks, larger but the same picture.

uint32_t adler32_of(const std::vector<uint8_t>& data) {
    uint32_t a = 1, b = 0;
    for (uint8_t byte : data) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    return b << 16 | a;
}

std::vector<uint8_t> zlib_stream(const std::vector<uint8_t>& raw) {
    std::vector<uint8_t> out = {0x78, 0x01};
    size_t at = 0;
    do {
        const size_t length = raw.size() - at < 65535 ? raw.size() - at : 65535;
        const bool last = at + length == raw.size();
        out.push_back(last ? 1 : 0);
        put_le16(out, static_cast<uint32_t>(length));
        put_le16(out, static_cast<uint32_t>(~length & 0xFFFF));
        out.insert(out.end(), raw.begin() + static_cast<long>(at),
                   raw.begin() + static_cast<long>(at + length));
        at += length;
    } while (at < raw.size());
    put_be32(out, adler32_of(raw));
    return out;
}

uint32_t chunk_crc(const uint8_t* data, size_t size) {
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int k = 0; k < 8; ++k) crc = crc & 1 ? 0xEDB88320u ^ (crc >> 1) : crc >> 1;
    }
    return ~crc;
}
#endif

}  // namespace

std::vector<uint8_t> png_bytes(const square_image& image) {
    std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> header;
    put_be32(header, static_cast<uint32_t>(image.size));
    put_be32(header, static_cast<uint32_t>(image.size));
    header.insert(header.end(), {8, 6, 0, 0, 0});  // 8-bit RGBA, deflate, no filter choice, no interlace
    put_chunk(out, "IHDR", header);
    std::vector<uint8_t> raw;
    raw.reserve(static_cast<size_t>(image.size) * (image.size * 4 + 1));
    for (int y = 0; y < image.size; ++y) {
        raw.push_back(0);  // no filter
        for (int x = 0; x < image.size; ++x) {
            const uint32_t p = image.pixels[static_cast<size_t>(y) * image.size + x];
            raw.insert(raw.end(), {static_cast<uint8_t>(p >> 16), static_cast<uint8_t>(p >> 8),
                                   static_cast<uint8_t>(p), static_cast<uint8_t>(p >> 24)});
        }
    }
    put_chunk(out, "IDAT", zlib_stream(raw));
    put_chunk(out, "IEND", {});
    return out;
}

std::vector<uint8_t> ico_bytes(const std::vector<square_image>& images) {
    std::vector<std::vector<uint8_t>> pngs;
    pngs.reserve(images.size());
    for (const square_image& image : images) pngs.push_back(png_bytes(image));
    std::vector<uint8_t> out;
    put_le16(out, 0);  // reserved
    put_le16(out, 1);  // an icon
    put_le16(out, static_cast<uint32_t>(images.size()));
    uint32_t offset = 6 + 16 * static_cast<uint32_t>(images.size());
    for (size_t i = 0; i < images.size(); ++i) {
        const uint8_t side = images[i].size >= 256 ? 0 : static_cast<uint8_t>(images[i].size);  // 0 means 256
        out.insert(out.end(), {side, side, 0, 0});  // width, height, no palette, reserved
        put_le16(out, 1);                           // colour planes
        put_le16(out, 32);                          // bits per pixel
        put_le32(out, static_cast<uint32_t>(pngs[i].size()));
        put_le32(out, offset);
        offset += static_cast<uint32_t>(pngs[i].size());
    }
    for (const auto& png : pngs) out.insert(out.end(), png.begin(), png.end());
    return out;
}

int write_file(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return 0;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written ? 1 : 0;
}
