// The board with the real DHCP client: the program's network worker, BusyBox
// udhcpc running the shipped script on the board's eth0, and BusyBox udhcpd on the
// far end of the veth pair, in namespaces the simulator makes for each run.
#include "support/sim_run.h"

#include <gtest/gtest.h>
#include <string>

namespace {

const std::string BUSYBOX = "--lease 10.9.8.7 ";

TEST(SimBusyBoxDhcp, TheFirstLeaseReachesTheApplication) {
    SimRun run = run_sim(IPSLIDE_SIM_BINARY, "busybox_lease",
                         "at 100 wait-address\n"
                         "at 200 wait-eth0 10.9.8.7\n"
                         "at 300 expect-dhcp-clients 1\n"
                         "at 400 end\n",
                         BUSYBOX + "--cable on");
    ASSERT_EQ(run.status, 0) << run.said << run.log;
    EXPECT_TRUE(has(run.said, "the application read the address 10.9.8.7\n")) << run.said;
    EXPECT_TRUE(has(run.log, "udhcpc: lease of 10.9.8.7 obtained from 10.9.8.1")) << run.log;
}

// Without an answer, and after a lease is given back, eth0 keeps or gets back the
// worker's fixed address. udhcpc runs its "deconfig" before its first discover, so
// once that is in the log the script has had its chance to clear the address.
// Leases bound after the application has read its address write into a pipe
// nobody reads any more: the client carries on.
TEST(SimBusyBoxDhcp, WithoutALeaseEth0HasTheFixedAddressAndLateLeasesDoNotStopTheClient) {
    SimRun run = run_sim(IPSLIDE_SIM_BINARY, "busybox_no_lease",
                         "at 0 dhcp-server pause\n"
                         "at 100 wait-log udhcpc: broadcasting discover\n"
                         "at 200 wait-eth0 192.168.1.230\n"
                         "at 300 dhcp-server resume\n"
                         "at 400 wait-address 30000\n"
                         "at 500 dhcp-client release\n"
                         "at 600 wait-eth0 192.168.1.230\n"
                         "at 700 dhcp-client renew\n"
                         "at 800 wait-eth0 10.9.8.7\n"
                         "at 1300 dhcp-server pause\n"
                         "at 1400 dhcp-client release\n"
                         "at 1500 wait-eth0 192.168.1.230\n"
                         "at 1600 expect-dhcp-clients 1\n"
                         "at 1700 end\n",
                         BUSYBOX);
    ASSERT_EQ(run.status, 0) << run.said << run.log;
}

// The server refuses the lease the application has read (dnsmasq takes over and
// answers the renewal with a NAK): eth0 falls back to the fixed address until the
// new lease, whose write into the read pipe must not stop the client either.
TEST(SimBusyBoxDhcp, ANakThenANewLeaseNeverBlockTheClient) {
    SimRun run = run_sim(IPSLIDE_SIM_BINARY, "busybox_nak",
                         "at 100 wait-address\n"
                         "at 200 dhcp-server renumber 10.9.8.50\n"
                         "at 300 wait-log dnsmasq-dhcp: DHCP, IP range\n"
                         "at 400 dhcp-client renew\n"
                         "at 500 wait-log udhcpc: received DHCP NAK\n"
                         "at 600 wait-eth0 192.168.1.230\n"
                         "at 700 wait-eth0 10.9.8.50 30000\n"
                         "at 800 dhcp-server pause\n"
                         "at 900 dhcp-client release\n"
                         "at 1000 wait-eth0 192.168.1.230\n"
                         "at 1100 end\n",
                         BUSYBOX);
    ASSERT_EQ(run.status, 0) << run.said << run.log;
    EXPECT_TRUE(has(run.said, "the application read the address 10.9.8.7\n")) << run.said;
    EXPECT_FALSE(has(run.said, "the application read the address 10.9.8.50")) << run.said;
}

// The application never reads (no stick holds its start-up), the pipe is full,
// and a new lease is bound: its write must fail rather than hold the client,
// which then still obeys the release that follows.
TEST(SimBusyBoxDhcp, AFullAddressPipeCannotBlockTheClient) {
    SimRun run = run_sim(IPSLIDE_SIM_BINARY, "busybox_full_pipe",
                         "at 100 wait-eth0 10.9.8.7\n"
                         "at 200 fill-address-pipe\n"
                         "at 300 dhcp-client release\n"
                         "at 400 wait-eth0 192.168.1.230\n"
                         "at 500 dhcp-client renew\n"
                         "at 600 wait-eth0 10.9.8.7\n"
                         "at 700 dhcp-server pause\n"
                         "at 800 dhcp-client release\n"
                         "at 900 wait-eth0 192.168.1.230\n"
                         "at 1000 end\n",
                         BUSYBOX + "--stick none");
    ASSERT_EQ(run.status, 0) << run.said << run.log;
}

// Each start's worker is the client for its whole life and ends with its main
// process: after any number of restarts one client runs, and the start running
// gets its address.
TEST(SimBusyBoxDhcp, AfterRepeatedRestartsOneClientRunsAndTheAddressArrives) {
    SimRun run = run_sim(IPSLIDE_SIM_BINARY, "busybox_restarts",
                         "at 100 wait-address\n"
                         "at 200 kill-app\n"
                         "at 300 kill-app\n"
                         "at 400 wait-address\n"
                         "at 500 kill-app\n"
                         "at 600 wait-frames 1\n"
                         "at 700 kill-app\n"
                         "at 800 wait-address\n"
                         "at 900 expect-dhcp-clients 1\n"
                         "at 1000 end\n",
                         BUSYBOX);
    ASSERT_EQ(run.status, 0) << run.said << run.log;
    EXPECT_TRUE(has(run.said, "start 5")) << run.said;
}

} // namespace
