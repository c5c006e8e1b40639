#include "qemu/guest_memory.h"

#include "model/lcd.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

namespace {

const volatile char *guest_ram = nullptr;

} // namespace

bool guest_memory_start(const std::string &ram, const std::string &dm9000, bool cable,
                        std::string *error) {
    int fd = open(ram.c_str(), O_RDONLY | O_CLOEXEC);
    void *at = fd < 0 ? MAP_FAILED : mmap(nullptr, GUEST_RAM_BYTES, PROT_READ, MAP_SHARED, fd, 0);
    if (fd >= 0) {
        close(fd);
    }
    if (at == MAP_FAILED) {
        *error = ram + ": " + strerror(errno);
        return false;
    }
    guest_ram = static_cast<const volatile char *>(at);
    return guest_dm9000_start(dm9000, cable, error);
}

void guest_memory_stop() {
    guest_dm9000_stop();
}

void guest_memory_screen(uint16_t *pixels) {
    auto screen = reinterpret_cast<const volatile uint16_t *>(guest_ram + GUEST_SCREEN_OFFSET);
    for (size_t i = 0; i < LCD_PIXELS; ++i) {
        pixels[i] = screen[i];
    }
}

uint32_t guest_memory_word(uint64_t phys) {
    return *reinterpret_cast<const volatile uint32_t *>(guest_ram + (phys - GUEST_RAM_PHYS));
}
