// The counting allocator of ipslide-sim-counting: malloc, calloc, realloc, free
// and operator new/delete are defined here, in the program itself, so every
// library's calls (FreeType's, the C++ library's) come here first. Each call is
// reported to the allocation census and handed on to the allocator that would
// have served it otherwise (the sanitizer's in the host build, the C library's
// elsewhere), found with dlsym(RTLD_NEXT). dlsym may itself allocate before that
// allocator is known: such calls are served from a small static arena.
#include "board/alloc_census.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <dlfcn.h>
#include <new>

extern bool alloc_census_linked;

namespace {

using MallocFn = void *(*)(size_t);
using CallocFn = void *(*)(size_t, size_t);
using ReallocFn = void *(*)(void *, size_t);
using FreeFn = void (*)(void *);
using MemalignFn = int (*)(void **, size_t, size_t);
using AlignedAllocFn = void *(*)(size_t, size_t);

struct NextAllocator {
    MallocFn malloc;
    CallocFn calloc;
    ReallocFn realloc;
    FreeFn free;
    MemalignFn posix_memalign;
    AlignedAllocFn aligned_alloc;
    AlignedAllocFn memalign;
};

NextAllocator next;
bool resolving;

// Bump allocation with each block's size in front of it, for realloc; never freed.
alignas(16) unsigned char arena[64 * 1024];
size_t arena_used;

bool in_arena(const void *p) {
    auto *b = static_cast<const unsigned char *>(p);
    return b >= arena && b < arena + sizeof arena;
}

// Blocks keep malloc's 16-byte alignment; the size sits in the 16 bytes before.
constexpr size_t ARENA_HEADER = 16;

void *arena_alloc(size_t n) {
    if (n > sizeof arena) {
        return nullptr;
    }
    size_t need = ARENA_HEADER + ((n + 15) & ~static_cast<size_t>(15));
    if (arena_used + need > sizeof arena) {
        return nullptr;
    }
    unsigned char *block = arena + arena_used;
    arena_used += need;
    memcpy(block, &n, sizeof n);
    return block + ARENA_HEADER;
}

size_t arena_size(const void *p) {
    size_t n;
    memcpy(&n, static_cast<const unsigned char *>(p) - ARENA_HEADER, sizeof n);
    return n;
}

template <typename Fn> Fn find(const char *name) {
    return reinterpret_cast<Fn>(dlsym(RTLD_NEXT, name));
}

bool ready() {
    if (next.free != nullptr) {
        return true;
    }
    if (resolving) {
        return false;
    }
    resolving = true;
    NextAllocator found;
    found.malloc = find<MallocFn>("malloc");
    found.calloc = find<CallocFn>("calloc");
    found.realloc = find<ReallocFn>("realloc");
    found.posix_memalign = find<MemalignFn>("posix_memalign");
    found.aligned_alloc = find<AlignedAllocFn>("aligned_alloc");
    found.memalign = find<AlignedAllocFn>("memalign");
    found.free = find<FreeFn>("free");
    next = found;
    resolving = false;
    return next.free != nullptr;
}

void *allocate(size_t n) {
    return ready() ? next.malloc(n) : arena_alloc(n);
}

void release(void *p) {
    if (p != nullptr && !in_arena(p) && ready()) {
        next.free(p);
    }
}

void *allocate_aligned(size_t alignment, size_t n) {
    void *p = nullptr;
    if (ready() && next.posix_memalign(&p, alignment, n) != 0) {
        p = nullptr;
    }
    return p;
}

__attribute__((constructor)) void announce() {
    alloc_census_linked = true;
}

} // namespace

extern "C" {

void *malloc(size_t n) {
    alloc_census_note(ALLOC_MALLOC);
    return allocate(n);
}

void *calloc(size_t count, size_t size) {
    alloc_census_note(ALLOC_CALLOC);
    if (ready()) {
        return next.calloc(count, size);
    }
    if (size != 0 && count > SIZE_MAX / size) {
        return nullptr;
    }
    return arena_alloc(count * size); // the arena is zeroed static memory, never reused
}

void *realloc(void *p, size_t n) {
    alloc_census_note(p == nullptr ? ALLOC_MALLOC : ALLOC_REALLOC);
    if (p != nullptr && in_arena(p)) {
        void *moved = allocate(n);
        if (moved != nullptr) {
            size_t old = arena_size(p);
            memcpy(moved, p, old < n ? old : n);
        }
        return moved;
    }
    return ready() ? next.realloc(p, n) : arena_alloc(n);
}

void free(void *p) {
    if (p != nullptr) {
        alloc_census_note(ALLOC_FREE);
    }
    release(p);
}

int posix_memalign(void **out, size_t alignment, size_t n) {
    alloc_census_note(ALLOC_ALIGNED);
    return ready() ? next.posix_memalign(out, alignment, n) : 12; // ENOMEM
}

void *aligned_alloc(size_t alignment, size_t n) {
    alloc_census_note(ALLOC_ALIGNED);
    return ready() ? next.aligned_alloc(alignment, n) : nullptr;
}

void *memalign(size_t alignment, size_t n) {
    alloc_census_note(ALLOC_ALIGNED);
    return ready() ? next.memalign(alignment, n) : nullptr;
}

} // extern "C"

void *operator new(size_t n) {
    alloc_census_note(ALLOC_NEW);
    void *p = allocate(n == 0 ? 1 : n);
    if (p == nullptr) {
        throw std::bad_alloc();
    }
    return p;
}

void *operator new[](size_t n) {
    return operator new(n);
}

void *operator new(size_t n, const std::nothrow_t &) noexcept {
    alloc_census_note(ALLOC_NEW);
    return allocate(n == 0 ? 1 : n);
}

void *operator new[](size_t n, const std::nothrow_t &tag) noexcept {
    return operator new(n, tag);
}

void *operator new(size_t n, std::align_val_t alignment) {
    alloc_census_note(ALLOC_NEW);
    void *p = allocate_aligned(static_cast<size_t>(alignment), n == 0 ? 1 : n);
    if (p == nullptr) {
        throw std::bad_alloc();
    }
    return p;
}

void *operator new[](size_t n, std::align_val_t alignment) {
    return operator new(n, alignment);
}

void operator delete(void *p) noexcept {
    if (p != nullptr) {
        alloc_census_note(ALLOC_DELETE);
    }
    release(p);
}

void operator delete[](void *p) noexcept {
    operator delete(p);
}

void operator delete(void *p, size_t) noexcept {
    operator delete(p);
}

void operator delete[](void *p, size_t) noexcept {
    operator delete(p);
}

void operator delete(void *p, std::align_val_t) noexcept {
    operator delete(p);
}

void operator delete[](void *p, std::align_val_t) noexcept {
    operator delete(p);
}

void operator delete(void *p, size_t, std::align_val_t) noexcept {
    operator delete(p);
}

void operator delete[](void *p, size_t, std::align_val_t) noexcept {
    operator delete(p);
}
