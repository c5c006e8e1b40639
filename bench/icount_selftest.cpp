// Regions of known cost, for the test of tools/icount: each pair of regions calls
// the same function with a different count, so the call costs cancel and the
// difference between the two is exactly the work of the loop. ARM only.
#include "icount_markers.h"

namespace {

// n turns of a two-instruction loop (none for n = 0): 2n instructions.
[[gnu::noinline]] void spin(unsigned n) {
    asm volatile("cmp %0, #0\n"
                 "beq 2f\n"
                 "1: subs %0, %0, #1\n"
                 "bne 1b\n"
                 "2:"
                 : "+r"(n)
                 :
                 : "cc");
}

// n turns of load, store, count, branch: 4n instructions, n reads, n writes.
[[gnu::noinline]] void touch(unsigned n, unsigned *word) {
    unsigned value;
    asm volatile("cmp %0, #0\n"
                 "beq 2f\n"
                 "1: ldr %1, [%2]\n"
                 "str %1, [%2]\n"
                 "subs %0, %0, #1\n"
                 "bne 1b\n"
                 "2:"
                 : "+r"(n), "=&r"(value)
                 : "r"(word)
                 : "cc", "memory");
}

unsigned word;

} // namespace

int main() {
    const unsigned spins[] = {0, 1000};
    for (unsigned n : spins) {
        icount_begin();
        spin(n);
        icount_end();
    }
    const unsigned touches[] = {0, 100};
    for (unsigned n : touches) {
        icount_begin();
        touch(n, &word);
        icount_end();
    }
    return 0;
}
