#include "board/alloc_census.h"

#include <cstdio>
#include <cstdlib>
#include <new>
#include <sys/mman.h>

bool alloc_census_linked; // set by the counting allocator's constructor

namespace {

// Plain integers under the compiler's atomic built-ins: the counting allocator
// calls in here before the sanitizer runtime has started, so nothing here may be
// instrumented or call out (this file is built without sanitizers).
struct Census {
    uint64_t at_start_up[ALLOC_KINDS];
    uint64_t running[ALLOC_KINDS];
    int32_t is_running;
};

Census *census;
bool application_process; // this process is one of the application's
int sim_code_depth;       // > 0 while the simulated board's code runs here

} // namespace

void alloc_census_init() {
    void *mem =
        mmap(nullptr, sizeof(Census), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (mem == MAP_FAILED) {
        perror("ipslide-sim: allocation census");
        exit(2);
    }
    census = new (mem) Census();
}

bool alloc_census_counting() {
    return alloc_census_linked;
}

void alloc_census_note(AllocKind kind) {
    if (census == nullptr || !application_process || sim_code_depth > 0) {
        return;
    }
    uint64_t *counters = __atomic_load_n(&census->is_running, __ATOMIC_ACQUIRE) != 0
                             ? census->running
                             : census->at_start_up;
    __atomic_fetch_add(&counters[kind], 1, __ATOMIC_RELAXED);
}

void alloc_census_enter_application() {
    application_process = true;
}

void alloc_census_new_start() {
    if (census != nullptr) {
        __atomic_store_n(&census->is_running, 0, __ATOMIC_RELEASE);
    }
}

void alloc_census_running() {
    if (census != nullptr) {
        __atomic_store_n(&census->is_running, 1, __ATOMIC_RELEASE);
    }
}

SimCodeScope::SimCodeScope() {
    ++sim_code_depth;
}

SimCodeScope::~SimCodeScope() {
    --sim_code_depth;
}

AllocCounts alloc_census_counts() {
    AllocCounts counts = {};
    for (int k = 0; census != nullptr && k < ALLOC_KINDS; ++k) {
        counts.at_start_up[k] = __atomic_load_n(&census->at_start_up[k], __ATOMIC_RELAXED);
        counts.running[k] = __atomic_load_n(&census->running[k], __ATOMIC_RELAXED);
    }
    return counts;
}

uint64_t alloc_census_running_total(const AllocCounts &counts) {
    uint64_t total = 0;
    for (uint64_t n : counts.running) {
        total += n;
    }
    return total;
}

const char *alloc_kind_name(int kind) {
    static const char *const NAMES[ALLOC_KINDS] = {
        "malloc", "calloc", "realloc", "aligned", "new", "free", "delete",
    };
    return kind >= 0 && kind < ALLOC_KINDS ? NAMES[kind] : "?";
}
