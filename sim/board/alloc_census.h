// The census of the application's allocations. A variant of the simulator
// (ipslide-sim-counting) links a counting allocator that reports every malloc,
// calloc, realloc, free and operator new/delete here. Only the application's own
// processes are counted, and in them not the simulated board's code that runs on
// their behalf behind the platform table: the simulator's threads and devices
// allocate as they like.
#pragma once

#include <cstdint>

enum AllocKind {
    ALLOC_MALLOC,
    ALLOC_CALLOC,
    ALLOC_REALLOC,
    ALLOC_ALIGNED, // posix_memalign, aligned_alloc, memalign
    ALLOC_NEW,
    ALLOC_FREE,
    ALLOC_DELETE,
    ALLOC_KINDS,
};

// Shared counters, made before the application is forked.
void alloc_census_init();
// True when a counting allocator is linked into this simulator.
bool alloc_census_counting();
// Called by the counting allocator; safe inside malloc (no allocation, no lock).
void alloc_census_note(AllocKind kind);
// In a freshly forked application process: its calls and its children's count.
void alloc_census_enter_application();
// Each start counts its own start-up: the mark goes back to "starting".
void alloc_census_new_start();
// The main process has mapped the framebuffer: from now on, before the first
// frame is even presented, the application is running and must not allocate.
void alloc_census_running();

// The simulated board's code in an application process, while it runs.
class SimCodeScope {
  public:
    SimCodeScope();
    ~SimCodeScope();
    SimCodeScope(const SimCodeScope &) = delete;
    SimCodeScope &operator=(const SimCodeScope &) = delete;
};

struct AllocCounts {
    uint64_t at_start_up[ALLOC_KINDS];
    uint64_t running[ALLOC_KINDS];
};
AllocCounts alloc_census_counts();
// The allocator calls (frees included) of the running application.
uint64_t alloc_census_running_total(const AllocCounts &counts);
const char *alloc_kind_name(int kind);
