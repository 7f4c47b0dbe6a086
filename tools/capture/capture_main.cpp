// orvalis-capture: the real program on the headless back end, recording what
// each presented frame shows.
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "host/headless/headless.h"
#include "host/host.h"
#include "host/openssl/openssl_sha1.h"
#include "hw/iwram_data.h"
#include "hw/regions.h"
#include "hw/registers.h"
#include "rom/rom.h"
#include "rom/rom_test_seam.h"
#include "tools/capture/capture_options.h"
#include "tools/capture/contact_sheet.h"
#include "tools/capture/frame_digest.h"
#include "tools/capture/png_writer.h"

namespace {

struct capture_run {
    const capture_options* options;
    FILE* state_log;
    contact_sheet* sheet;
    int failed;            // a PNG or log line could not be written
    uint32_t intro_ended;  // the first frame after the intro, 0 before it
};

capture_run run;

void on_message(const headless_message& message) {
    std::fprintf(stderr, "message: %s | %s\n", message.caption, message.text);
}

void on_present(uint32_t frame) {
    if (run.options->intro_length && !run.intro_ended && iwram_data.game_mode == 1 &&
        iwram_data.mode_stage == 3) {
        run.intro_ended = frame;
        headless_set_frame_limit(frame);  // this pass is the last
    }
    if (run.state_log) {
        const intro_state_record& intro = iwram_data.intro_state;
        if (std::fprintf(run.state_log, "%" PRIu32 ",%d,%d,%u,%u,0x%04x,%016" PRIx64 "\n", frame,
                         iwram_data.game_mode, iwram_data.mode_stage, intro.scene_index, intro.scene_timer,
                         reg_load16(DISPCNT), frame_buffer_digest()) < 0)
            run.failed = 1;
    }
    const capture_options& options = *run.options;
    if (!options.png_dir.empty() && frame_listed(options.png_frames, frame)) {
        char name[64];
        std::snprintf(name, sizeof name, "/frame-%06" PRIu32 ".png", frame);
        const std::string path = options.png_dir + name;
        if (!write_png_rgb(path.c_str(), frame_buffer, screen_width, screen_height)) {
            std::fprintf(stderr, "orvalis-capture: could not write %s\n", path.c_str());
            run.failed = 1;
        }
    }
    if (run.sheet && run.sheet->wants(frame)) run.sheet->add(frame, frame_buffer);
}

// Makes the loader expect the image's own digest. Files the loader will
// refuse anyway are left to it, so its messages stay those of the program.
void trust_image_file(const std::string& path) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return;
    std::vector<uint8_t> bytes(rom_expected_size);
    const size_t read = std::fread(bytes.data(), 1, bytes.size(), file);
    const bool exact = read == bytes.size() && std::fgetc(file) == EOF;
    std::fclose(file);
    uint8_t digest[20];
    if (exact && openssl_sha1(bytes.data(), bytes.size(), digest)) rom_replace_expected_sha1(digest);
}

}  // namespace

int main(int argc, char** argv) {
    capture_options options;
    std::string error;
    if (!parse_capture_options(argc - 1, argv + 1, options, error)) {
        std::fprintf(stderr, "orvalis-capture: %s\n%s", error.c_str(), capture_usage);
        return 2;
    }

    headless_reset();
    headless_set_rom_path(options.rom.c_str());
    headless_set_frame_limit(options.frames);
    for (const key_hold& hold : options.keys) headless_hold_buttons(hold.first, hold.last, hold.buttons);
    headless_set_message_hook(on_message);
    headless_set_present_hook(on_present);
    if (options.trust_image) trust_image_file(options.rom);

    run.options = &options;
    if (!options.png_dir.empty()) {
        std::error_code failure;
        std::filesystem::create_directories(options.png_dir, failure);
        if (failure) {
            std::fprintf(stderr, "orvalis-capture: cannot create %s: %s\n", options.png_dir.c_str(),
                         failure.message().c_str());
            return 2;
        }
    }
    if (!options.state_log.empty()) {
        run.state_log = std::fopen(options.state_log.c_str(), "w");
        if (!run.state_log) {
            std::fprintf(stderr, "orvalis-capture: cannot write %s: %s\n", options.state_log.c_str(),
                         std::strerror(errno));
            return 2;
        }
        std::fputs("frame,game_mode,mode_stage,scene_index,scene_timer,dispcnt,digest\n", run.state_log);
    }
    contact_sheet sheet(options.frames);
    if (!options.sheet.empty()) run.sheet = &sheet;

    const int exit_code = run_host(nullptr, "", 10);

    if (run.state_log && std::fclose(run.state_log) != 0) run.failed = 1;
    if (run.sheet && !write_png_rgb(options.sheet.c_str(), sheet.pixels(), sheet.width(), sheet.height())) {
        std::fprintf(stderr, "orvalis-capture: could not write %s\n", options.sheet.c_str());
        run.failed = 1;
    }
    if (run.failed) {
        std::fprintf(stderr, "orvalis-capture: some output could not be written\n");
        return exit_code ? exit_code : 2;
    }
    if (options.intro_length) {
        if (!run.intro_ended) {
            std::fprintf(stderr, "orvalis-capture: the intro did not end within %" PRIu32 " frames\n",
                         options.frames);
            return exit_code ? exit_code : 2;
        }
        std::printf("%" PRIu32 "\n", run.intro_ended);
    }
    return exit_code;
}
