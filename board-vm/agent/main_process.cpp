#include "main_process.h"

#include "host_channel.h"
#include "moments.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <sys/uio.h>
#include <unistd.h>

namespace {

constexpr long PAGE_BYTES = 4096;
constexpr char NOT_RUNNING[] = "no application process is running";

// Bit 63 of a pagemap entry: the page is mapped in this process.
long present_pages(long pid, unsigned long start, unsigned long end) {
    char path[64];
    snprintf(path, sizeof path, "/proc/%ld/pagemap", pid);
    int fd = open(path, O_RDONLY | O_CLOEXEC);
    long present = 0;
    for (unsigned long page = start; fd >= 0 && page < end; page += PAGE_BYTES) {
        uint64_t entry = 0;
        off_t at = static_cast<off_t>(page / PAGE_BYTES * sizeof entry);
        if (pread(fd, &entry, sizeof entry, at) != sizeof entry) {
            present = -1;
            break;
        }
        present += static_cast<long>(entry >> 63);
    }
    if (fd >= 0) {
        close(fd);
    }
    return fd < 0 ? -1 : present;
}

} // namespace

const char *main_process_faults() {
    char path[64], line[512];
    snprintf(path, sizeof path, "/proc/%d/stat", moments_main_pid());
    FILE *f = fopen(path, "r");
    bool ok = f != nullptr && fgets(line, sizeof line, f) != nullptr;
    if (f != nullptr) {
        fclose(f);
    }
    const char *after_comm = ok ? strrchr(line, ')') : nullptr;
    unsigned long minor = 0, major = 0;
    if (after_comm == nullptr ||
        sscanf(after_comm + 2, "%*c %*d %*d %*d %*d %*d %*u %lu %*u %lu", &minor, &major) != 2) {
        return NOT_RUNNING;
    }
    fprintf(host, "faults %lu %lu\n", minor, major);
    return nullptr;
}

// Reclaim as the kernel would under memory pressure: the clean file pages leave
// the page cache, so the next touch reads them from the disk again. A page another
// process also maps is skipped by the kernel, hence the count afterwards.
const char *main_process_page_out(long start, long end) {
    long pid = moments_main_pid();
    if (pid == 0) {
        return NOT_RUNNING;
    }
    if (start < 0 || end <= start || start % PAGE_BYTES != 0 || end % PAGE_BYTES != 0) {
        return "pageout wants page-aligned START < END";
    }
    int pidfd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
    iovec range = {reinterpret_cast<void *>(start), static_cast<size_t>(end - start)};
    long done = pidfd < 0 ? -1 : syscall(SYS_process_madvise, pidfd, &range, 1, MADV_PAGEOUT, 0);
    if (pidfd >= 0) {
        close(pidfd);
    }
    if (done < 0) {
        return strerror(errno);
    }
    long present =
        present_pages(pid, static_cast<unsigned long>(start), static_cast<unsigned long>(end));
    fprintf(host, "pageout %ld %ld\n", present, (end - start) / PAGE_BYTES);
    return nullptr;
}
