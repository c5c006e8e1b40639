#include "doctor/board_files.h"
#include "doctor/checks.h"
#include "doctor/report.h"
#include "platform/platform.h"
#include "scenes/puzzle/buzzer_internal.h"
#include "workers/net_bringup.h"

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/mman.h>

namespace {

constexpr char CHECK[] = "registers";
constexpr size_t IOMEM_BYTES = 16384;

struct Page {
    uint32_t phys;
    size_t bytes;
    const char *name;
};
const Page PAGES[] = {{DM9000_BASE, DM9000_WINDOW, "the DM9000"},
                      {GPIO_PHYS, REG_BLOCK_BYTES, "GPIO"},
                      {TIMER_PHYS, REG_BLOCK_BYTES, "the PWM timers"},
                      {INTC_PHYS, REG_BLOCK_BYTES, "the interrupt controller"}};

// Whether a top-level "System RAM" range of /proc/iomem holds the address.
bool in_system_ram(const char *iomem, uint32_t phys) {
    for (const char *line = iomem; *line != '\0';) {
        const char *end = strchr(line, '\n');
        size_t length = end != nullptr ? static_cast<size_t>(end - line) : strlen(line);
        char *after = nullptr;
        unsigned long long first = strtoull(line, &after, 16);
        unsigned long long last = *after == '-' ? strtoull(after + 1, &after, 16) : 0;
        const char *name = strstr(line, " : ");
        if (line[0] != ' ' && name != nullptr && name < line + length &&
            strncmp(name + 3, "System RAM", 10) == 0 && phys >= first && phys <= last) {
            return true;
        }
        line += length + (end != nullptr ? 1 : 0);
    }
    return false;
}

// Maps and releases one page as the application maps it; false with *found set.
bool page_maps(int mem, const Page &page, char *found, size_t size) {
    void *window = platform.mmap(nullptr, page.bytes, PROT_READ | PROT_WRITE, MAP_SHARED, mem,
                                 static_cast<off_t>(page.phys));
    if (window == MAP_FAILED) {
        snprintf(found, size, "/dev/mem refuses %s's page at 0x%08" PRIX32 ": %s", page.name,
                 page.phys, error_text());
        return false;
    }
    platform.munmap(window, page.bytes);
    return true;
}

constexpr char WHY[] = "without them the network worker aborts (no address ever comes) and the "
                       "first victory ends ipslide";
constexpr char FIX[] = "CONFIG_DEVMEM=y without CONFIG_STRICT_DEVMEM and CONFIG_IO_STRICT_DEVMEM, "
                       "or iomem=relaxed on the kernel command line";

bool none_is_ram(char *found, size_t size) {
    static char iomem[IOMEM_BYTES];
    if (!read_text("/proc/iomem", iomem, sizeof iomem)) {
        snprintf(found, size, "/proc/iomem cannot be read (%s), so nothing was mapped",
                 error_text());
        return false;
    }
    for (const Page &page : PAGES) {
        if (in_system_ram(iomem, page.phys)) {
            snprintf(found, size,
                     "0x%08" PRIX32 " is System RAM here: this is not the board, and nothing "
                     "was mapped",
                     page.phys);
            return false;
        }
    }
    return true;
}

} // namespace

bool check_registers() {
    char found[192];
    if (!none_is_ram(found, sizeof found)) {
        report_fail(CHECK, found, WHY, "run ipslide-doctor on the S3C24xx board itself");
        return false;
    }
    int mem = platform.open("/dev/mem", DEV_MEM_FLAGS, 0);
    bool mapped = mem >= 0;
    if (!mapped) {
        snprintf(found, sizeof found, "/dev/mem: %s", error_text());
    }
    for (const Page &page : PAGES) {
        mapped = mapped && page_maps(mem, page, found, sizeof found);
    }
    if (mem >= 0) {
        platform.close(mem);
    }
    if (!mapped) {
        report_fail(CHECK, found, WHY, FIX);
        return false;
    }
    report_ok(CHECK, "/dev/mem maps the DM9000 (0x20000000), GPIO (0x56000000), the PWM timers "
                     "(0x51000000) and the interrupt controller (0x4A000000)");
    return true;
}
