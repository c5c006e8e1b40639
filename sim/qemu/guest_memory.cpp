#include "qemu/guest_memory.h"

#include "devices/board_clock.h"
#include "devices/dm9000.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <sys/mman.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr size_t SCREEN_PIXELS = 320 * 240;
// A frame is drawn column by column; one that has held this long is whole. The
// application waits at least 20 ms between two frames, and the scheduler's
// slices, which may cut a frame short, are shorter than this.
constexpr uint64_t SETTLE_US = 10000;
constexpr auto POLL = std::chrono::microseconds(2000);

const volatile char *guest_ram = nullptr;
const volatile uint16_t *screen = nullptr;
volatile uint8_t *page = nullptr;
std::atomic<bool> cable{true};
std::atomic<bool> watching{false};
std::atomic<uint32_t> frames{0};
std::atomic<uint64_t> last_change_us{0};
std::thread watcher;

std::mutex frame_lock;
uint16_t whole_frame[SCREEN_PIXELS]; // under frame_lock
uint16_t seen[SCREEN_PIXELS];        // the watcher's own

void *map_file(const std::string &path, size_t length, int prot, std::string *error) {
    int fd = open(path.c_str(), prot & PROT_WRITE ? O_RDWR : O_RDONLY);
    void *at = fd < 0 ? MAP_FAILED : mmap(nullptr, length, prot, MAP_SHARED, fd, 0);
    if (at == MAP_FAILED) {
        *error = path + ": " + strerror(errno);
    }
    if (fd >= 0) {
        close(fd);
    }
    return at == MAP_FAILED ? nullptr : at;
}

void copy_screen(uint16_t *to) {
    for (size_t i = 0; i < SCREEN_PIXELS; ++i) {
        to[i] = screen[i];
    }
}

void update_link() {
    uint32_t open_word = 0;
    for (int b = 0; b < 4; ++b) {
        open_word |= static_cast<uint32_t>(page[DM9000_ETH0_OPEN + b]) << (8 * b);
    }
    uint8_t status = cable.load() && open_word != 0 ? DM9000_NSR_LINKST : 0;
    if (page[DM9000_DATA_PORT] != status) {
        page[DM9000_DATA_PORT] = status;
    }
}

void watch() {
    bool settling = false;
    uint16_t now[SCREEN_PIXELS];
    while (watching.load()) {
        update_link();
        copy_screen(now);
        uint64_t t = monotonic_us();
        if (memcmp(now, seen, sizeof now) != 0) {
            memcpy(seen, now, sizeof now);
            last_change_us = t;
            settling = true;
        } else if (settling && t - last_change_us.load() >= SETTLE_US) {
            settling = false;
            std::lock_guard<std::mutex> hold(frame_lock);
            memcpy(whole_frame, now, sizeof now);
            frames++;
        }
        std::this_thread::sleep_for(POLL);
    }
}

} // namespace

bool guest_memory_start(const std::string &ram, const std::string &dm9000, bool plugged,
                        std::string *error) {
    void *ram_at = map_file(ram, GUEST_RAM_BYTES, PROT_READ, error);
    void *page_at = map_file(dm9000, DM9000_PAGE_BYTES, PROT_READ | PROT_WRITE, error);
    if (ram_at == nullptr || page_at == nullptr) {
        return false;
    }
    guest_ram = static_cast<const volatile char *>(ram_at);
    screen = reinterpret_cast<const volatile uint16_t *>(guest_ram + GUEST_SCREEN_OFFSET);
    page = static_cast<volatile uint8_t *>(page_at);
    cable = plugged;
    copy_screen(seen);
    memcpy(whole_frame, seen, sizeof seen);
    watching = true;
    watcher = std::thread(watch);
    return true;
}

void guest_memory_stop() {
    watching = false;
    if (watcher.joinable()) {
        watcher.join();
    }
}

void guest_memory_set_cable(bool plugged) {
    cable = plugged;
}

void guest_memory_frame(uint16_t *pixels) {
    std::lock_guard<std::mutex> hold(frame_lock);
    memcpy(pixels, whole_frame, sizeof whole_frame);
}

uint32_t guest_memory_frames() {
    return frames.load();
}

uint32_t guest_memory_word(uint64_t phys) {
    return *reinterpret_cast<const volatile uint32_t *>(guest_ram + (phys - GUEST_RAM_PHYS));
}

uint64_t guest_memory_last_change_us() {
    return last_change_us.load();
}
