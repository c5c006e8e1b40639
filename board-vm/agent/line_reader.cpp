#include "line_reader.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace {

void take_whole_lines(LineReader *reader, void (*take)(char *)) {
    char *start = reader->text;
    char *end = reader->text + reader->length;
    for (char *newline; (newline = static_cast<char *>(memchr(start, '\n', end - start)));
         start = newline + 1) {
        *newline = '\0';
        if (reader->skipping) {
            reader->skipping = false;
        } else {
            take(start);
        }
    }
    reader->length = static_cast<size_t>(end - start);
    memmove(reader->text, start, reader->length);
}

} // namespace

int read_lines(int fd, LineReader *reader, void (*take)(char *line), void (*too_long)()) {
    ssize_t n = read(fd, reader->text + reader->length, sizeof reader->text - reader->length);
    if (n <= 0) {
        return n < 0 && (errno == EINTR || errno == EAGAIN) ? 0 : -1;
    }
    reader->length += static_cast<size_t>(n);
    take_whole_lines(reader, take);
    if (reader->length == sizeof reader->text) {
        if (!reader->skipping) {
            too_long();
        }
        reader->skipping = true;
        reader->length = 0;
    }
    return 1;
}
