#include "doctor/board_files.h"

#include "platform/platform.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>

bool read_text(const char *path, char *text, size_t size) {
    int fd = platform.open(path, O_RDONLY, 0);
    if (fd < 0) {
        return false;
    }
    size_t length = 0;
    ssize_t got = 0;
    while (length + 1 < size && (got = platform.read(fd, text + length, size - 1 - length)) > 0) {
        length += static_cast<size_t>(got);
    }
    text[length] = '\0';
    platform.close(fd);
    return got >= 0;
}

bool path_exists(const char *path) {
    struct stat info;
    return platform.stat(path, &info) == 0;
}

bool is_executable_file(const char *path) {
    struct stat info;
    return platform.stat(path, &info) == 0 && S_ISREG(info.st_mode) && (info.st_mode & S_IXUSR);
}

const char *error_text() {
    return strerror(errno);
}
