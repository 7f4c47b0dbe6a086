// The capture tool's command line.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct key_hold {
    uint32_t first;
    uint32_t last;
    uint16_t buttons;  // active-high, A = 0x001 .. L = 0x200
};

struct frame_range {
    uint32_t first;
    uint32_t last;
};

struct capture_options {
    std::string rom;
    uint32_t frames = 600;
    std::vector<key_hold> keys;
    std::string state_log;
    std::string png_dir;
    std::vector<frame_range> png_frames;
    std::string sheet;
    bool trust_image = false;
    bool intro_length = false;  // print the frame the intro ends on, then quit
};

// "FROM-TO:BUTTONS,..." with BUTTONS a '+'-joined list of a, b, select,
// start, right, left, up, down, r, l. 1 on success, else 0 with a reason.
int parse_key_spec(const std::string& spec, std::vector<key_hold>& holds, std::string& error);

// "25,100-110": single frames and inclusive ranges.
int parse_frame_list(const std::string& list, std::vector<frame_range>& ranges, std::string& error);

// The whole command line (argv[0] excluded). 1 on success, else 0 with a reason.
int parse_capture_options(int argc, const char* const* argv, capture_options& options, std::string& error);

bool frame_listed(const std::vector<frame_range>& ranges, uint32_t frame);

extern const char* const capture_usage;
