// The still renderer of `ipslide-sim render` (sim/still/still.h) built
// like the board binary (same runtime, same flags) and run under QEMU's ARMv4T
// CPU, so that the golden frames prove the board's C library, maths and
// soft-float draw what the simulator draws. It takes the arguments of a line of
// tests/golden/cases.txt and writes the 320x240 screen to --out as raw RGB565 in
// native order: PNG needs a library the board's runtime does not have.
//
// `frame_still --strerror N` prints this C library's text for errno N, for the
// tests that match the board binary's perror messages whole.
#include "still/still.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

bool write_raw(const char *path, const uint16_t *screen, const fb_var_screeninfo &) {
    FILE *out = fopen(path, "wb");
    if (out == nullptr) {
        perror(path);
        return false;
    }
    size_t pixels = 320 * 240;
    bool written = fwrite(screen, sizeof(uint16_t), pixels, out) == pixels;
    return fclose(out) == 0 && written;
}

} // namespace

int main(int argc, char **argv) {
    if (argc == 3 && strcmp(argv[1], "--strerror") == 0) {
        puts(strerror(atoi(argv[2])));
        return 0;
    }
    return still_main("frame_still", argc, argv, write_raw);
}
