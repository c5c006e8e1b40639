#include "workers/net_bringup.h"

#include "platform/platform.h"

#include <arpa/inet.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/socket.h>

namespace {

constexpr short ETH0_FLAGS = IFF_UP | IFF_BROADCAST | IFF_RUNNING | IFF_MULTICAST;
static_assert(ETH0_FLAGS == 0x1043, "up, broadcast, running, multicast");
constexpr uint32_t ETH0_FIXED_ADDRESS = 0xC0A801E6; // 192.168.1.230

volatile uint8_t *map_controller() {
    int mem = platform.open("/dev/mem", DEV_MEM_FLAGS, 0);
    if (mem == -1) {
        perror("/dev/mem");
        abort();
    }
    void *window =
        platform.mmap(nullptr, DM9000_WINDOW, PROT_READ | PROT_WRITE, MAP_SHARED, mem, DM9000_BASE);
    if (window == MAP_FAILED) {
        perror("mmap");
        abort();
    }
    return static_cast<volatile uint8_t *>(window);
}

void interface_request(int sock, unsigned long request, ifreq *req) {
    if (platform.ioctl(sock, request, req) != 0) {
        perror("ioctl");
        exit(1);
    }
}

// In the foreground (-f): the client stays this process, so the tie to the main
// process holds and nobody has to reap a parent it left behind.
[[noreturn]] void become_dhcp_client() {
    char *const argv[] = {
        const_cast<char *>(UDHCPC_PATH),
        const_cast<char *>("-f"),
        const_cast<char *>("-i"),
        const_cast<char *>("eth0"),
        const_cast<char *>("-s"),
        const_cast<char *>(UDHCPC_SCRIPT),
        const_cast<char *>("-p"),
        const_cast<char *>("/tmp/udhcpc.eth0.pid"),
        nullptr,
    };
    platform.execv(UDHCPC_PATH, argv);
    perror("execl");
    exit(1);
}

} // namespace

uint8_t dm9000_read_nsr(volatile uint8_t *ports) {
    platform.reg_write8(ports, DM9000_NSR);
    return platform.reg_read8(ports + 4);
}

void link_wait(volatile uint8_t *ports) {
    while ((dm9000_read_nsr(ports) & DM9000_NSR_LINK) == 0) {
    }
}

// The flags and the address travel in one request: the address overwrites the
// flags' place in the request's union once they have been applied.
void interface_configure() {
    int sock = platform.socket(AF_INET, SOCK_DGRAM, 0);
    if (sock == -1) {
        perror("socket");
        exit(1);
    }
    ifreq req;
    memset(&req, 0, sizeof req);
    memcpy(req.ifr_name, "eth0", sizeof "eth0");
    interface_request(sock, SIOCGIFFLAGS, &req);
    req.ifr_flags = static_cast<short>(req.ifr_flags | ETH0_FLAGS);
    interface_request(sock, SIOCSIFFLAGS, &req);
    sockaddr_in address;
    memset(&address, 0, sizeof address);
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(ETH0_FIXED_ADDRESS);
    memcpy(&req.ifr_addr, &address, sizeof address);
    interface_request(sock, SIOCSIFADDR, &req);
    platform.close(sock);
}

void net_worker_run() {
    link_wait(map_controller());
    interface_configure();
    become_dhcp_client();
}
