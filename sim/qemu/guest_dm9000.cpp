#include "qemu/guest_dm9000.h"

#include "model/dm9000.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr auto POLL = std::chrono::microseconds(2000);

volatile uint8_t *page = nullptr;
std::atomic<bool> cable{true};
std::atomic<bool> watching{false};
std::thread watcher;

void update_link() {
    uint8_t status = dm9000_nsr(cable.load(), guest_dm9000_word(DM9000_ETH0_OPEN) != 0);
    if (page[DM9000_DATA_PORT] != status) {
        page[DM9000_DATA_PORT] = status;
    }
}

void watch() {
    while (watching.load()) {
        update_link();
        std::this_thread::sleep_for(POLL);
    }
}

} // namespace

bool guest_dm9000_start(const std::string &path, bool plugged, std::string *error) {
    int fd = open(path.c_str(), O_RDWR | O_CLOEXEC);
    void *at = fd < 0 ? MAP_FAILED
                      : mmap(nullptr, DM9000_PAGE_BYTES, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (fd >= 0) {
        close(fd);
    }
    if (at == MAP_FAILED) {
        *error = path + ": " + strerror(errno);
        return false;
    }
    page = static_cast<volatile uint8_t *>(at);
    cable = plugged;
    watching = true;
    watcher = std::thread(watch);
    return true;
}

void guest_dm9000_stop() {
    watching = false;
    if (watcher.joinable()) {
        watcher.join();
    }
}

void guest_dm9000_set_cable(bool plugged) {
    cable = plugged;
}

uint32_t guest_dm9000_word(uint32_t offset) {
    return page == nullptr ? 0 : *reinterpret_cast<const volatile uint32_t *>(page + offset);
}
