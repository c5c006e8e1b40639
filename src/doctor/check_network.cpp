#include "doctor/board_files.h"
#include "doctor/checks.h"
#include "doctor/report.h"
#include "platform/platform.h"
#include "workers/net_bringup.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <net/if.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/socket.h>

namespace {

constexpr char NO_ADDRESS[] = "the address never comes";

void check_eth0() {
    int sock = platform.socket(AF_INET, SOCK_DGRAM, 0);
    ifreq request{};
    snprintf(request.ifr_name, sizeof request.ifr_name, "eth0");
    bool known = sock >= 0 && platform.ioctl(sock, SIOCGIFFLAGS, &request) == 0;
    if (sock >= 0) {
        platform.close(sock);
    }
    if (!known) {
        report_fail("eth0", "there is no eth0", NO_ADDRESS,
                    "the DM9000's driver built in (CONFIG_DM9000=y) and the board's chip-select "
                    "set-up (on a mini2440, the board file does it)");
    } else if ((request.ifr_flags & IFF_UP) == 0) {
        report_fail("eth0", "eth0 is down, so the DM9000's PHY has no power and no link shows",
                    NO_ADDRESS, "the line ::sysinit:/sbin/ifconfig eth0 up in /etc/inittab");
    } else {
        report_ok("eth0", "eth0 is up, so the DM9000's PHY has power");
    }
}

// The status register read as the network worker reads it: the index port is
// the only register written.
void report_link(bool registers_mapped) {
    if (!registers_mapped) {
        report_ok("link", "not read: the DM9000's page could not be mapped (see registers)");
        return;
    }
    int mem = platform.open("/dev/mem", DEV_MEM_FLAGS, 0);
    void *ports = mem < 0 ? MAP_FAILED
                          : platform.mmap(nullptr, DM9000_WINDOW, PROT_READ | PROT_WRITE,
                                          MAP_SHARED, mem, DM9000_BASE);
    if (mem >= 0) {
        platform.close(mem);
    }
    if (ports == MAP_FAILED) {
        report_ok("link", "not read: %s", error_text());
        return;
    }
    uint8_t nsr = dm9000_read_nsr(static_cast<volatile uint8_t *>(ports));
    platform.munmap(ports, DM9000_WINDOW);
    report_ok("link", "the DM9000's status register reads 0x%02X: the link is %s", nsr,
              nsr & DM9000_NSR_LINK ? "up" : "down (no cable, or the PHY has no power)");
}

void check_packet_socket() {
    int sock = platform.socket(AF_PACKET, SOCK_RAW, 0);
    if (sock < 0) {
        char found[96];
        snprintf(found, sizeof found, "no packet socket: %s", error_text());
        report_fail("packet", found, "udhcpc cannot send its requests: the address never comes",
                    "CONFIG_PACKET=y");
        return;
    }
    platform.close(sock);
    report_ok("packet", "packet sockets work (udhcpc sends its requests through one)");
}

void check_client_files() {
    if (!is_executable_file(UDHCPC_PATH)) {
        report_fail("udhcpc", "/sbin/udhcpc is missing or not executable", NO_ADDRESS,
                    "BusyBox with udhcpc, linked as /sbin/udhcpc");
    } else {
        report_ok("udhcpc", "/sbin/udhcpc is there");
    }
    static char script[8192];
    if (!is_executable_file(UDHCPC_SCRIPT) || !read_text(UDHCPC_SCRIPT, script, sizeof script)) {
        report_fail("script", "/etc/udhcpc.conf is missing or not executable",
                    "udhcpc has no script to hand the address on: it never reaches the screen",
                    "install deploy/udhcpc.conf as /etc/udhcpc.conf, mode 0755");
    } else if (strstr(script, ">&9") == nullptr) {
        report_fail("script", "/etc/udhcpc.conf does not write to descriptor 9",
                    "it is not ipslide's script: the address never reaches the screen",
                    "install deploy/udhcpc.conf as /etc/udhcpc.conf");
    } else {
        report_ok("script", "/etc/udhcpc.conf hands the address on descriptor 9");
    }
}

} // namespace

void check_network(bool registers_mapped) {
    check_eth0();
    report_link(registers_mapped);
    check_packet_socket();
    check_client_files();
    check_dhcp_clients();
}
