#include "dm9000_page.h"

#include "qemu/guest_dm9000.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <net/if.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr size_t MAPPED = 4096;

volatile uint8_t *page = nullptr;
int link_watch = -1;

// eth0 up (IFF_UP); not when there is none (its driver not loaded).
void phy_update() {
    ifreq req{};
    snprintf(req.ifr_name, sizeof req.ifr_name, "eth0");
    int sock = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    bool up = sock >= 0 && ioctl(sock, SIOCGIFFLAGS, &req) == 0 && (req.ifr_flags & IFF_UP) != 0;
    if (sock >= 0) {
        close(sock);
    }
    dm9000_page_write(DM9000_ETH0_OPEN, up ? 1 : 0);
}

} // namespace

bool dm9000_page_map(const char *resource) {
    int fd = open(resource, O_RDWR | O_SYNC | O_CLOEXEC);
    void *at =
        fd < 0 ? MAP_FAILED : mmap(nullptr, MAPPED, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (at == MAP_FAILED) {
        fprintf(stderr, "board-vm-agent: map %s: %s\n", resource, strerror(errno));
    }
    if (fd >= 0) {
        close(fd);
    }
    page = at == MAP_FAILED ? nullptr : static_cast<volatile uint8_t *>(at);
    return page != nullptr;
}

void dm9000_page_write(uint32_t offset, uint32_t value) {
    if (page != nullptr) {
        *reinterpret_cast<volatile uint32_t *>(page + offset) = value;
    }
}

// Every change of a link's flags comes as a message to this group; the socket is
// bound before eth0's state is first read, so no change falls between the two.
int eth0_watch() {
    link_watch = socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC | SOCK_NONBLOCK, NETLINK_ROUTE);
    sockaddr_nl address{};
    address.nl_family = AF_NETLINK;
    address.nl_groups = RTMGRP_LINK;
    if (link_watch >= 0 &&
        bind(link_watch, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
        close(link_watch);
        link_watch = -1;
    }
    if (link_watch < 0) {
        perror("board-vm-agent: netlink");
    }
    phy_update();
    return link_watch;
}

// The messages themselves are not read: whatever changed, eth0's flags are asked
// again. A queue that overflowed (ENOBUFS) needs the same.
void eth0_changed() {
    char buffer[8192];
    for (;;) {
        ssize_t n = recv(link_watch, buffer, sizeof buffer, 0);
        if (n == 0 || (n < 0 && errno != ENOBUFS && errno != EINTR)) {
            break;
        }
    }
    phy_update();
}
