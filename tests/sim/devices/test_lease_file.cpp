// The lease line of the simulator is told by the DHCP server's own lease file:
// udhcpd's binary records, written as BusyBox lays them out, and dnsmasq's lines.
#include "devices/board_network.h"

#include <arpa/inet.h>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

struct Lease {
    uint32_t seconds_left;
    const char *address;
};

// udhcpd's file: when it was written (64 bits, big-endian), then per lease the
// seconds left and the address (network order), the MAC, a host name of 20 and 2
// bytes of padding. `cut` drops that many bytes from the end, as a read racing
// udhcpd's rewrite would see it.
std::string udhcpd_file(const std::string &name, const std::vector<Lease> &leases, size_t cut = 0) {
    std::string bytes(8, '\0');
    bytes[7] = 0x42;
    for (const Lease &lease : leases) {
        uint32_t left = htonl(lease.seconds_left), address = 0;
        inet_pton(AF_INET, lease.address, &address);
        char record[36] = {};
        memcpy(record, &left, 4);
        memcpy(record + 4, &address, 4);
        memcpy(record + 8, "\x52\x54\x00\x12\x34\x56", 6);
        memcpy(record + 14, "board", 5);
        bytes.append(record, sizeof record);
    }
    std::string path = std::string(IPSLIDE_TEST_OUTPUT) + "/lease-file/" + name;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << bytes.substr(0, bytes.size() - cut);
    return path;
}

std::string read_lease(const std::string &path, bool *readable) {
    std::string lease = "stale";
    *readable = lease_file_lease(path, &lease);
    return lease;
}

TEST(SimLeaseFile, UdhcpdsRecordsGiveTheAddressStillLeasedAndDnsmasqsLinesTheirs) {
    bool readable = false;
    EXPECT_EQ(read_lease(udhcpd_file("held", {{3600, "10.9.8.7"}}), &readable), "10.9.8.7");
    EXPECT_TRUE(readable);
    // Released (udhcpd keeps the record with no time left), then leased again.
    EXPECT_EQ(read_lease(udhcpd_file("released", {{0, "10.9.8.7"}}), &readable), "");
    EXPECT_TRUE(readable);
    EXPECT_EQ(read_lease(udhcpd_file("two", {{0, "10.9.8.7"}, {60, "10.9.8.8"}}), &readable),
              "10.9.8.8");
    EXPECT_EQ(read_lease(udhcpd_file("none", {}), &readable), "");
    EXPECT_TRUE(readable);
    // Caught inside udhcpd's rewrite before the time was written: nothing to tell.
    read_lease(udhcpd_file("truncated", {}, 3), &readable);
    EXPECT_FALSE(readable);
    read_lease(std::string(IPSLIDE_TEST_OUTPUT) + "/lease-file/missing", &readable);
    EXPECT_FALSE(readable);

    std::string dnsmasq = std::string(IPSLIDE_TEST_OUTPUT) + "/lease-file/dnsmasq.leases";
    std::ofstream(dnsmasq) << "1765300000 52:54:00:12:34:56 10.9.8.50 * 01:52:54:00:12:34:56\n";
    EXPECT_EQ(read_lease(dnsmasq, &readable), "10.9.8.50");
    std::ofstream(dnsmasq).close(); // released: dnsmasq drops the line
    EXPECT_EQ(read_lease(dnsmasq, &readable), "");
    EXPECT_TRUE(readable);
}

} // namespace
