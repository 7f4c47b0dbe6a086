#include "tools/capture/capture_options.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

const char* const capture_usage =
    "usage: orvalis-capture --rom PATH [--frames N] [--keys SPEC] [--state-log FILE]\n"
    "                       [--png-dir DIR --png-frames LIST] [--sheet FILE] [--trust-image]\n"
    "                       [--intro-length]\n"
    "  --frames N        passes of the frame loop to run, then quit (default 600)\n"
    "  --keys SPEC       FROM-TO:BUTTONS,... held on frames FROM..TO; BUTTONS joined by '+'\n"
    "                    from a b select start right left up down r l (frame 0 is the boot poll)\n"
    "  --state-log FILE  CSV per presented frame: frame,game_mode,mode_stage,scene_index,\n"
    "                    scene_timer,dispcnt,digest (FNV-1a 64 of the frame buffer)\n"
    "  --png-dir DIR     where the PNGs of --png-frames LIST (e.g. 25,100-110) go\n"
    "  --sheet FILE      a contact sheet (PNG) of frames spread over the whole run\n"
    "  --trust-image     accept the image whatever its SHA-1\n"
    "  --intro-length    with no keys held: print the frame on which the intro has ended\n"
    "                    (the first frame of the black picture after it) and quit there;\n"
    "                    --frames is then the most frames to wait (default 100000)\n";

namespace {

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        const size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) return parts;
        start = end + 1;
    }
}

// A plain decimal number that fits in 32 bits; no sign, no spaces.
int parse_number(const std::string& text, uint32_t& value) {
    if (text.empty() || text.size() > 10) return 0;
    uint64_t result = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return 0;
        result = result * 10 + static_cast<uint64_t>(c - '0');
    }
    if (result > 0xFFFFFFFFu) return 0;
    value = static_cast<uint32_t>(result);
    return 1;
}

// "N" or "A-B" with A <= B.
int parse_range(const std::string& text, frame_range& range) {
    const size_t dash = text.find('-');
    if (dash == std::string::npos) {
        if (!parse_number(text, range.first)) return 0;
        range.last = range.first;
        return 1;
    }
    if (!parse_number(text.substr(0, dash), range.first)) return 0;
    if (!parse_number(text.substr(dash + 1), range.last)) return 0;
    return range.first <= range.last;
}

struct button_name {
    const char* name;
    uint16_t bit;
};

constexpr button_name button_names[] = {
    {"a", 0x001},    {"b", 0x002},  {"select", 0x004}, {"start", 0x008}, {"right", 0x010},
    {"left", 0x020}, {"up", 0x040}, {"down", 0x080},   {"r", 0x100},     {"l", 0x200},
};

}  // namespace

int parse_key_spec(const std::string& spec, std::vector<key_hold>& holds, std::string& error) {
    for (const std::string& entry : split(spec, ',')) {
        const size_t colon = entry.find(':');
        frame_range range{};
        if (colon == std::string::npos || !parse_range(entry.substr(0, colon), range)) {
            error = "bad --keys entry '" + entry + "' (expected FROM-TO:BUTTONS)";
            return 0;
        }
        key_hold hold{range.first, range.last, 0};
        for (const std::string& name : split(entry.substr(colon + 1), '+')) {
            uint16_t bit = 0;
            for (const button_name& b : button_names)
                if (name == b.name) bit = b.bit;
            if (!bit) {
                error = "unknown button '";
                error += name;
                error += "' in --keys entry '";
                error += entry;
                error += "'";
                return 0;
            }
            hold.buttons = static_cast<uint16_t>(hold.buttons | bit);
        }
        holds.push_back(hold);
    }
    return 1;
}

int parse_frame_list(const std::string& list, std::vector<frame_range>& ranges, std::string& error) {
    for (const std::string& entry : split(list, ',')) {
        frame_range range{};
        if (!parse_range(entry, range)) {
            error = "bad --png-frames entry '" + entry + "' (expected N or FROM-TO)";
            return 0;
        }
        ranges.push_back(range);
    }
    return 1;
}

bool frame_listed(const std::vector<frame_range>& ranges, uint32_t frame) {
    for (const frame_range& range : ranges)
        if (frame >= range.first && frame <= range.last) return true;
    return false;
}

int parse_capture_options(int argc, const char* const* argv, capture_options& options, std::string& error) {
    bool have_png_frames = false;
    bool have_frames = false;
    for (int i = 0; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--trust-image") {
            options.trust_image = true;
            continue;
        }
        if (option == "--intro-length") {
            options.intro_length = true;
            continue;
        }
        const bool takes_value = option == "--rom" || option == "--frames" || option == "--keys" ||
                                 option == "--state-log" || option == "--png-dir" ||
                                 option == "--png-frames" || option == "--sheet";
        if (!takes_value) {
            error = "unknown option '" + option + "'";
            return 0;
        }
        if (i + 1 >= argc) {
            error = option + " needs a value";
            return 0;
        }
        const std::string value = argv[++i];
        if (option == "--rom") {
            options.rom = value;
        } else if (option == "--frames") {
            have_frames = true;
            if (!parse_number(value, options.frames)) {
                error = "bad --frames value '" + value + "'";
                return 0;
            }
        } else if (option == "--keys") {
            if (!parse_key_spec(value, options.keys, error)) return 0;
        } else if (option == "--state-log") {
            options.state_log = value;
        } else if (option == "--png-dir") {
            options.png_dir = value;
        } else if (option == "--png-frames") {
            if (!parse_frame_list(value, options.png_frames, error)) return 0;
            have_png_frames = true;
        } else {
            options.sheet = value;
        }
    }
    if (options.rom.empty()) {
        error = "--rom PATH is required";
        return 0;
    }
    if (have_png_frames != !options.png_dir.empty()) {
        error = "--png-dir and --png-frames go together";
        return 0;
    }
    if (options.intro_length) {
        if (!options.keys.empty()) {
            error = "--intro-length measures the intro as it plays: no --keys";
            return 0;
        }
        if (!have_frames) options.frames = 100000;
    }
    return 1;
}
