// A contact sheet: up to 64 frames spread evenly over a run, each shrunk to
// half size with its frame number below it, in rows of eight.
#pragma once

#include <cstdint>
#include <vector>

class contact_sheet {
public:
    // Plans the frames of a run of `frames` passes (1..frames).
    explicit contact_sheet(uint32_t frames);

    // True when this pass is one of the sheet's frames.
    bool wants(uint32_t frame) const;

    // Adds the frame buffer as the thumbnail of this pass.
    void add(uint32_t frame, const uint32_t* pixels);

    int width() const { return width_; }
    int height() const { return height_; }
    const uint32_t* pixels() const { return pixels_.data(); }
    const std::vector<uint32_t>& frames() const { return frames_; }

private:
    std::vector<uint32_t> frames_;
    std::vector<uint32_t> pixels_;
    int width_ = 0;
    int height_ = 0;
};
