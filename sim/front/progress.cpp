#include "front/progress.h"

#include <cstdarg>
#include <cstdio>

void progress(uint32_t at_ms, const char *format, ...) {
    char line[1024];
    va_list args;
    va_start(args, format);
    vsnprintf(line, sizeof line, format, args);
    va_end(args);
    printf("ipslide-sim: %6u ms  %s\n", at_ms, line);
}
