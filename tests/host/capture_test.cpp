// The capture tool: its command-line parsing, the frame digest, and a run of
// the executable on a synthetic image.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/product.h"
#include "tests/rom/image_fixture.h"
#include "tools/capture/capture_options.h"
#include "tools/capture/frame_digest.h"

namespace {

TEST(capture_options, key_specs) {
    struct row {
        const char* spec;
        bool valid;
        std::vector<key_hold> holds;
    };
    const row rows[] = {
        {"0-0:l+r", true, {{0, 0, 0x300}}},
        {"1-5:a,10-12:start+select", true, {{1, 5, 0x001}, {10, 12, 0x00C}}},
        {"3:down", true, {{3, 3, 0x080}}},
        {"2-2:a+b+select+start+right+left+up+down+r+l", true, {{2, 2, 0x3FF}}},
        {"5-1:a", false, {}},   // reversed range
        {"1-2:x", false, {}},   // no such button
        {"1-2", false, {}},     // no buttons
        {"1-2:", false, {}},    // empty button
        {"a-2:a", false, {}},   // not a number
        {"-1-2:a", false, {}},  // no sign
        {"1-2:a,", false, {}},  // empty entry
        {"1-99999999999:a", false, {}},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.spec);
        std::vector<key_hold> holds;
        std::string error;
        ASSERT_EQ(parse_key_spec(r.spec, holds, error), r.valid ? 1 : 0);
        if (!r.valid) {
            EXPECT_FALSE(error.empty());
            continue;
        }
        ASSERT_EQ(holds.size(), r.holds.size());
        for (size_t i = 0; i < holds.size(); ++i) {
            EXPECT_EQ(holds[i].first, r.holds[i].first);
            EXPECT_EQ(holds[i].last, r.holds[i].last);
            EXPECT_EQ(holds[i].buttons, r.holds[i].buttons);
        }
    }
}

TEST(capture_options, frame_lists) {
    std::vector<frame_range> ranges;
    std::string error;
    ASSERT_EQ(parse_frame_list("25,100-110", ranges, error), 1);
    EXPECT_TRUE(frame_listed(ranges, 25));
    EXPECT_FALSE(frame_listed(ranges, 26));
    EXPECT_FALSE(frame_listed(ranges, 99));
    EXPECT_TRUE(frame_listed(ranges, 100));
    EXPECT_TRUE(frame_listed(ranges, 110));
    EXPECT_FALSE(frame_listed(ranges, 111));
    for (const char* bad : {"", "1,,2", "3-", "9-8", "x"}) {
        std::vector<frame_range> none;
        EXPECT_EQ(parse_frame_list(bad, none, error), 0) << bad;
    }
}

TEST(capture_options, command_lines) {
    struct row {
        std::vector<const char*> args;
        bool valid;
    };
    const row rows[] = {
        {{"--rom", "x.gba"}, true},
        {{"--rom", "x.gba", "--frames", "10", "--trust-image", "--sheet", "s.png"}, true},
        {{"--rom", "x.gba", "--png-dir", "d", "--png-frames", "1-3"}, true},
        {{"--frames", "10"}, false},                       // no --rom
        {{"--rom"}, false},                                // value missing
        {{"--rom", "x.gba", "--png-dir", "d"}, false},     // without --png-frames
        {{"--rom", "x.gba", "--png-frames", "1"}, false},  // without --png-dir
        {{"--rom", "x.gba", "--frames", "ten"}, false},
        {{"--rom", "x.gba", "--fast"}, false},
        {{"--rom", "x.gba", "--intro-length"}, true},
        {{"--rom", "x.gba", "--intro-length", "--keys", "1-2:a"}, false},  // measures the intro as it plays
    };
    for (const row& r : rows) {
        capture_options options;
        std::string error;
        EXPECT_EQ(parse_capture_options(static_cast<int>(r.args.size()), r.args.data(), options, error),
                  r.valid ? 1 : 0)
            << (r.args.size() > 2 ? r.args[2] : r.args[0]);
    }
    capture_options defaults;
    const char* minimal[] = {"--rom", "x.gba"};
    std::string error;
    ASSERT_EQ(parse_capture_options(2, minimal, defaults, error), 1);
    EXPECT_EQ(defaults.frames, 600u);
    EXPECT_FALSE(defaults.trust_image);
    capture_options measuring;
    const char* intro[] = {"--rom", "x.gba", "--intro-length"};
    ASSERT_EQ(parse_capture_options(3, intro, measuring, error), 1);
    EXPECT_GT(measuring.frames, 600u) << "room for a whole intro";
}

TEST(frame_digest, fnv1a_64_reference_values) {
    EXPECT_EQ(fnv1a_64("", 0), 0xcbf29ce484222325ull);
    EXPECT_EQ(fnv1a_64("a", 1), 0xaf63dc4c8601ec8cull);
    EXPECT_EQ(fnv1a_64("foobar", 6), 0x85944171f73967e8ull);
}

#ifdef ORVALIS_CAPTURE

std::string read_text(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::stringstream stream(text);
    for (std::string line; std::getline(stream, line);) lines.push_back(line);
    return lines;
}

// Width and height from a PNG's IHDR, or 0 x 0 when it is not a PNG.
std::pair<uint32_t, uint32_t> png_size(const std::string& path) {
    const std::string bytes = read_text(path);
    if (bytes.size() < 24 || bytes.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0) return {0, 0};
    auto be32 = [&](size_t at) {
        return (uint32_t(uint8_t(bytes[at])) << 24) | (uint32_t(uint8_t(bytes[at + 1])) << 16) |
               (uint32_t(uint8_t(bytes[at + 2])) << 8) | uint32_t(uint8_t(bytes[at + 3]));
    };
    return {be32(16), be32(20)};
}

int run_capture(const std::string& arguments, const std::string& error_file) {
    const std::string command = std::string(ORVALIS_CAPTURE) + " " + arguments + " 2>" + error_file;
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The intro's length as the capture tool reports it: the first frame of the
// state log whose intro has ended, with the one before it still playing.
TEST(capture_tool, intro_length_is_the_first_frame_after_the_intro) {
    scratch_dir dir;
    const std::string& out = dir.path();
    const std::string length_file = out + "/length.txt";
    ASSERT_EQ(run_capture("--rom " ORVALIS_DEMO_ROM " --trust-image --intro-length >" + length_file,
                          out + "/stderr.txt"),
              0)
        << read_text(out + "/stderr.txt");
    const unsigned long length = std::strtoul(read_text(length_file).c_str(), nullptr, 10);
    ASSERT_GT(length, 100u);

    ASSERT_EQ(run_capture("--rom " ORVALIS_DEMO_ROM " --trust-image --frames " + std::to_string(length + 2) +
                              " --state-log " + out + "/log.csv",
                          out + "/stderr.txt"),
              0);
    const std::vector<std::string> lines = lines_of(read_text(out + "/log.csv"));
    ASSERT_EQ(lines.size(), length + 3);
    const auto mode_and_stage = [](const std::string& line) { return line.substr(line.find(',') + 1, 3); };
    EXPECT_EQ(mode_and_stage(lines[length - 1]), "1,2") << "the intro still plays";
    EXPECT_EQ(mode_and_stage(lines[length]), "1,3") << "the intro has ended";

    // A run too short for the intro says so.
    EXPECT_EQ(
        run_capture("--rom " ORVALIS_DEMO_ROM " --trust-image --intro-length --frames 50 >" + length_file,
                    out + "/stderr.txt"),
        2);
    EXPECT_NE(read_text(out + "/stderr.txt").find("did not end within 50 frames"), std::string::npos);
}

TEST(capture_tool, trusted_synthetic_image_writes_log_pngs_and_sheet) {
    scratch_dir dir;
    write_file(dir.file("image.gba"), make_image());
    const std::string& out = dir.path();
    const int exit_code = run_capture("--rom " + out +
                                          "/image.gba --frames 30 --keys 0-0:l+r,5-9:start --trust-image"
                                          " --state-log " +
                                          out + "/log.csv --png-dir " + out +
                                          "/png --png-frames 1,20-22"
                                          " --sheet " +
                                          out + "/sheet.png",
                                      out + "/stderr.txt");
    EXPECT_EQ(exit_code, 0) << read_text(out + "/stderr.txt");
    EXPECT_EQ(read_text(out + "/stderr.txt"), "") << "no message box";

    const std::vector<std::string> lines = lines_of(read_text(out + "/log.csv"));
    ASSERT_EQ(lines.size(), 31u);
    EXPECT_EQ(lines[0], "frame,game_mode,mode_stage,scene_index,scene_timer,dispcnt,digest");
    for (size_t f = 1; f <= 30; ++f) {
        const std::string& line = lines[f];
        EXPECT_EQ(line.substr(0, line.find(',')), std::to_string(f));
        const std::string digest = line.substr(line.rfind(',') + 1);
        EXPECT_EQ(digest.size(), 16u) << line;
        EXPECT_EQ(digest.find_first_not_of("0123456789abcdef"), std::string::npos) << line;
    }
    for (const char* name :
         {"frame-000001.png", "frame-000020.png", "frame-000021.png", "frame-000022.png"}) {
        EXPECT_EQ(png_size(out + "/png/" + name), std::make_pair(240u, 160u)) << name;
    }
    EXPECT_EQ(png_size(out + "/png/frame-000002.png"), std::make_pair(0u, 0u)) << "not listed";
    const auto sheet = png_size(out + "/sheet.png");
    EXPECT_GT(sheet.first, 0u);
    EXPECT_GT(sheet.second, 0u);
}

TEST(capture_tool, untrusted_image_gets_the_loaders_messages) {
    scratch_dir dir;
    write_file(dir.file("image.gba"), make_image());
    const std::string& out = dir.path();
    EXPECT_EQ(run_capture("--rom " + out + "/image.gba --frames 3 --state-log " + out + "/log.csv",
                          out + "/stderr.txt"),
              0);
    const std::string errors = read_text(out + "/stderr.txt");
    EXPECT_NE(errors.find(std::string("message: ") + product_sha1_failed_caption + " | " +
                          product_sha1_failed_text + "\n"),
              std::string::npos)
        << errors;
    EXPECT_NE(
        errors.find(std::string("message: ") + product_no_image_caption + " | " + product_no_image_text),
        std::string::npos);
    EXPECT_EQ(lines_of(read_text(out + "/log.csv")).size(), 1u) << "only the header: no frame ran";
}

TEST(capture_tool, bad_command_line_is_a_usage_error) {
    scratch_dir dir;
    EXPECT_EQ(run_capture("--frames 3", dir.file("stderr.txt")), 2);
    EXPECT_NE(read_text(dir.file("stderr.txt")).find("usage: orvalis-capture"), std::string::npos);
}

#endif

}  // namespace
