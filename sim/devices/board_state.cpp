#include "devices/board_state.h"

#include <cstdio>
#include <cstdlib>
#include <new>
#include <sys/mman.h>

namespace {
BoardState *state;
}

BoardState *board_state() {
    return state;
}

void board_state_create() {
    void *mem = mmap(nullptr, sizeof(BoardState), PROT_READ | PROT_WRITE,
                     MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (mem == MAP_FAILED) {
        perror("ipslide-sim: shared board memory");
        exit(2);
    }
    state = new (mem) BoardState();
}
