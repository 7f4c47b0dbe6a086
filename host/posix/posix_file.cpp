// Opening the chosen cartridge image on POSIX systems (Linux, macOS, the
// browser's file system), shared by the back ends of those hosts.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "platform/platform.h"

// The type is taken from the opened file itself, and the open does not wait,
// so a FIFO cannot block it and nothing swapped in after a check is read.
FILE* platform_open_regular_file(const char* path) {
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return nullptr;
    struct stat info;
    const int flags = fcntl(fd, F_GETFL);
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || flags < 0 ||
        fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        close(fd);
        return nullptr;
    }
    FILE* file = fdopen(fd, "rb");
    if (!file) close(fd);
    return file;
}
