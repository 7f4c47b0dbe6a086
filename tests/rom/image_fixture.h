// Synthetic cartridge images in a scratch folder, for the loader and host tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A folder under the system's temporary directory, removed with its files.
class scratch_dir {
public:
    scratch_dir();
    ~scratch_dir();
    scratch_dir(const scratch_dir&) = delete;
    scratch_dir& operator=(const scratch_dir&) = delete;
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// 8 MiB with the right title and game code; every other byte depends on its
// offset, so that misplaced reads show.
std::vector<uint8_t> make_image();
uint8_t image_byte(uint32_t offset);

void write_file(const std::string& path, const std::vector<uint8_t>& bytes);

// Makes the loader accept exactly these bytes (their SHA-1 becomes the
// expected digest).
void trust_image(const std::vector<uint8_t>& bytes);

// Writes a trusted synthetic image into the folder and returns its path.
std::string trusted_image_file(const scratch_dir& dir);
