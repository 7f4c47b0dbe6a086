// The file chooser: an installed dialog program (zenity or kdialog on Linux,
// osascript on macOS) run as a child process without a shell; its standard
// output is the chosen path.
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "host/sdl/sdl_backend.h"
#include "platform/platform.h"
#include "platform/product.h"

extern char** environ;

namespace {
constexpr size_t answer_capacity = 4096;
constexpr size_t program_path_capacity = 4096;

struct chooser {
    const char* program;
    const char* const* arguments;  // argv, program name first, null-terminated
};

#ifdef __APPLE__
constexpr auto osascript_script =
    join_text("POSIX path of (choose file with prompt \"", product_chooser_title, "\")");
constexpr const char* osascript_arguments[] = {"osascript", "-e", osascript_script.data(), nullptr};
constexpr chooser choosers[] = {{"osascript", osascript_arguments}};
constexpr const char* install_hint = product_no_chooser_text_macos;
#else
// zenity opens in its recent files unless given a folder: it gets the working
// directory, as kdialog does with ".", and the last slot holds that option.
char zenity_start_folder[4096 + 16];
constexpr auto zenity_title = join_text("--title=", product_chooser_title);
constexpr auto zenity_rom_filter =
    join_text("--file-filter=", product_rom_filter_name, " | ", product_rom_filter_pattern);
constexpr auto zenity_all_filter = join_text("--file-filter=", product_all_filter_name, " | *");
const char* zenity_arguments[] = {"zenity",
                                  "--file-selection",
                                  zenity_title.data(),
                                  zenity_rom_filter.data(),
                                  zenity_all_filter.data(),
                                  nullptr,
                                  nullptr};

void set_zenity_start_folder() {
    constexpr char option[] = "--filename=";
    constexpr size_t option_length = sizeof option - 1;
    char* folder = zenity_start_folder + option_length;
    const size_t room = sizeof zenity_start_folder - option_length - 1;  // keeps space for the '/'
    zenity_arguments[5] = nullptr;
    if (!getcwd(folder, room)) return;
    std::memcpy(zenity_start_folder, option, option_length);
    const size_t length = std::strlen(folder);
    if (length == 0 || folder[length - 1] != '/') {
        folder[length] = '/';  // a trailing slash names the folder itself, with no file chosen
        folder[length + 1] = '\0';
    }
    zenity_arguments[5] = zenity_start_folder;
}
// kdialog's filter: one "pattern|name" line per filter.
constexpr auto kdialog_filters =
    join_text(product_rom_filter_pattern, "|", product_rom_filter_name, "\n*|", product_all_filter_name);
constexpr const char* kdialog_arguments[] = {
    "kdialog", "--title", product_chooser_title, "--getopenfilename", ".", kdialog_filters.data(), nullptr};
const chooser choosers[] = {{"zenity", zenity_arguments}, {"kdialog", kdialog_arguments}};
constexpr const char* install_hint = product_no_chooser_text;
#endif

// Finds an executable named `name` on PATH; 1 with its full path in `found`.
int find_program(const char* name, char* found, size_t capacity) {
    const char* path = std::getenv("PATH");
    if (!path) path = "/usr/bin:/bin";
    const size_t name_length = std::strlen(name);
    while (true) {
        const char* end = std::strchr(path, ':');
        const size_t dir_length = end ? static_cast<size_t>(end - path) : std::strlen(path);
        // An empty entry is the current directory.
        const char* dir = dir_length ? path : ".";
        const size_t used = dir_length ? dir_length : 1;
        if (used + 1 + name_length < capacity) {
            std::memcpy(found, dir, used);
            found[used] = '/';
            std::memcpy(found + used + 1, name, name_length + 1);
            if (access(found, X_OK) == 0) return 1;
        }
        if (!end) return 0;
        path = end + 1;
    }
}

// Runs the chooser and collects its standard output; 1 when it exited with
// status 0. `answer` is NUL-terminated; an answer too long for it is refused.
int run_chooser(const char* program_path, const char* const* arguments, char* answer, size_t capacity) {
    int pipe_ends[2];
    if (pipe(pipe_ends) != 0) return 0;
    fcntl(pipe_ends[0], F_SETFD, FD_CLOEXEC);
    fcntl(pipe_ends[1], F_SETFD, FD_CLOEXEC);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipe_ends[1], STDOUT_FILENO);
    pid_t child = 0;
    const int spawned =
        posix_spawn(&child, program_path, &actions, nullptr, const_cast<char* const*>(arguments), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipe_ends[1]);
    if (spawned != 0) {
        close(pipe_ends[0]);
        return 0;
    }

    // Read until the child closes its output, repainting the window meanwhile.
    size_t length = 0;
    int overflow = 0;
    while (true) {
        pollfd readable{pipe_ends[0], POLLIN, 0};
        const int ready = poll(&readable, 1, 50);
        if (ready < 0 && errno != EINTR) break;
        if (ready <= 0) {
            sdl_service_exposures();
            continue;
        }
        char chunk[512];
        const ssize_t got = read(pipe_ends[0], chunk, sizeof(chunk));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        const size_t count = static_cast<size_t>(got);
        if (length + count < capacity) {
            std::memcpy(answer + length, chunk, count);
            length += count;
        } else {
            overflow = 1;  // keep draining so the child can finish
        }
    }
    close(pipe_ends[0]);
    answer[length] = '\0';

    int status = 0;
    pid_t waited;
    do {
        waited = waitpid(child, &status, 0);
    } while (waited < 0 && errno == EINTR);
    return waited == child && WIFEXITED(status) && WEXITSTATUS(status) == 0 && !overflow;
}
}  // namespace

int platform_choose_file(char* path, size_t capacity) {
    if (!path || capacity == 0) return 0;
    char program_path[program_path_capacity];
    const chooser* found = nullptr;
    for (const chooser& c : choosers) {
        if (find_program(c.program, program_path, sizeof(program_path))) {
            found = &c;
            break;
        }
    }
    if (!found) {
        platform_message_box(message_owner::none, install_hint, product_no_chooser_caption,
                             message_kind::error);
        return 0;
    }

#ifndef __APPLE__
    if (found->arguments == zenity_arguments) set_zenity_start_folder();
#endif
    char answer[answer_capacity];
    if (!run_chooser(program_path, found->arguments, answer, sizeof(answer))) return 0;
    size_t length = std::strlen(answer);
    if (length > 0 && answer[length - 1] == '\n') --length;
    if (length > 0 && answer[length - 1] == '\r') --length;
    // An empty answer is a cancel; a path the caller cannot hold whole is refused.
    if (length == 0 || length >= capacity) return 0;
    std::memcpy(path, answer, length);
    path[length] = '\0';
    return 1;
}
