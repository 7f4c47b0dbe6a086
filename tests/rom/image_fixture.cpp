#include "tests/rom/image_fixture.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>
#include <cstring>
#include <filesystem>

#include "host/openssl/openssl_sha1.h"
#include "rom/rom.h"
#include "rom/rom_test_seam.h"
#include "tools/cartridge/layout.h"

scratch_dir::scratch_dir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "orvalis-test.XXXXXX").string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (!mkdtemp(buffer.data())) ADD_FAILURE() << "mkdtemp failed";
    path_ = buffer.data();
}

scratch_dir::~scratch_dir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

uint8_t image_byte(uint32_t offset) {
    return static_cast<uint8_t>(offset * 7 + (offset >> 8) * 13 + (offset >> 16));
}

std::vector<uint8_t> make_image() {
    // Built once: sanitized builds fill 8 MiB slowly.
    static const std::vector<uint8_t> image = [] {
        std::vector<uint8_t> bytes(rom_expected_size);
        for (uint32_t i = 0; i < rom_expected_size; ++i) bytes[i] = image_byte(i);
        std::memcpy(&bytes[demo::header_title.offset], demo::title_text, demo::header_title.length);
        std::memcpy(&bytes[demo::header_game_code.offset], demo::game_code_text,
                    demo::header_game_code.length);
        return bytes;
    }();
    return image;
}

void write_file(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr) << path;
    if (!bytes.empty()) {
        EXPECT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), file), bytes.size());
    }
    EXPECT_EQ(std::fclose(file), 0);
}

void trust_image(const std::vector<uint8_t>& bytes) {
    uint8_t digest[20];
    ASSERT_EQ(openssl_sha1(bytes.data(), bytes.size(), digest), 1);
    rom_replace_expected_sha1(digest);
}

std::string trusted_image_file(const scratch_dir& dir) {
    const std::vector<uint8_t> image = make_image();
    std::string path = dir.file("image.gba");
    write_file(path, image);
    trust_image(image);
    return path;
}
