// The simulated board's touch panel, DM9000 and DHCP client's exec held to the
// contract of the real devices, driven directly in this process.
#include "devices/board_state.h"
#include "devices/dhcp_client.h"
#include "devices/dm9000.h"
#include "devices/touch_panel.h"
#include "options.h"
#include "workers/input_event.h"
#include "workers/touch_calibration.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

// A board whose /tmp and log are a scratch folder of the build tree, removed at exit.
std::string scratch;

void make_board() {
    if (!scratch.empty()) {
        return;
    }
    std::filesystem::create_directories(IPSLIDE_TEST_OUTPUT);
    std::string pattern = std::string(IPSLIDE_TEST_OUTPUT) + "/sim-devices.XXXXXX";
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    scratch = pattern;
    atexit([] {
        std::error_code ignored;
        std::filesystem::remove_all(scratch, ignored);
    });
    board_state_create();
    snprintf(board_state()->boot_dir, sizeof board_state()->boot_dir, "%s", scratch.c_str());
    snprintf(board_state()->log_path, sizeof board_state()->log_path, "%s/app.log",
             scratch.c_str());
    SimOptions options;
    options.cable = false;
    dm9000_init(options);
    dhcp_init(options);
}

std::vector<InputEventRecord> read_events(int fd, size_t count) {
    std::vector<InputEventRecord> events(count);
    size_t bytes = count * sizeof(InputEventRecord);
    EXPECT_EQ(read(fd, events.data(), bytes), static_cast<ssize_t>(bytes));
    return events;
}

TEST(SimTouchPanel, EveryScreenPixelComesBackThroughTheApplicationsCalibration) {
    make_board();
    std::string node = std::string(board_state()->boot_dir) + "/touch";
    ASSERT_EQ(mkfifo(node.c_str(), 0600), 0);
    int reader = open(node.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    for (int sy = 0; sy < 240; ++sy) {
        for (int sx = 0; sx < 320; ++sx) {
            touch_panel_press(sx, sy);
            std::vector<InputEventRecord> e = read_events(reader, 4);
            ASSERT_EQ(e[0].type, INPUT_EV_KEY);
            ASSERT_EQ(e[0].code, INPUT_BTN_TOUCH);
            ASSERT_EQ(e[0].value, 1);
            ASSERT_EQ(e[1].type, INPUT_EV_ABS);
            ASSERT_EQ(e[1].code, INPUT_ABS_X);
            ASSERT_EQ(e[2].type, INPUT_EV_ABS);
            ASSERT_EQ(e[2].code, INPUT_ABS_Y);
            ASSERT_EQ(e[3].type, INPUT_EV_SYN);
            ASSERT_EQ(e[3].code, INPUT_SYN_REPORT);
            int32_t point[2];
            touch_calibrate_raw(e[1].value, e[2].value, point);
            // The LCD shows the Canvas turned: screen (sx, sy) is Canvas (239 - sy, sx).
            ASSERT_EQ(point[0], 239 - sy) << "screen " << sx << "," << sy;
            ASSERT_EQ(point[1], sx) << "screen " << sx << "," << sy;
        }
    }
    touch_panel_release();
    std::vector<InputEventRecord> up = read_events(reader, 2);
    EXPECT_EQ(up[0].type, INPUT_EV_KEY);
    EXPECT_EQ(up[0].code, INPUT_BTN_TOUCH);
    EXPECT_EQ(up[0].value, 0);
    EXPECT_EQ(up[1].type, INPUT_EV_SYN);
    close(reader);
    unlink(node.c_str());
}

TEST(SimTouchPanel, RefusesAnyNodeButTheFirstEventDevice) {
    make_board();
    const struct {
        const char *path;
        mode_t mode;
        dev_t dev;
    } wrong[] = {
        {"/tmp/touch2", S_IFCHR | 0400, makedev(13, 64)},
        {"/tmp/touch", S_IFCHR | 0600, makedev(13, 64)},
        {"/tmp/touch", S_IFBLK | 0400, makedev(13, 64)},
        {"/tmp/touch", S_IFCHR | 0400, makedev(13, 65)},
        {"/tmp/touch", S_IFCHR | 0400, makedev(14, 64)},
    };
    for (const auto &w : wrong) {
        errno = 0;
        EXPECT_EQ(touch_panel_mknod(w.path, w.mode, w.dev), -1) << w.path << " " << w.mode;
        EXPECT_EQ(errno, EINVAL);
    }
}

// The window and its two ports; the link bit of register 1 follows the cable.
TEST(SimDm9000, StatusRegisterShowsTheCableThroughTheIndexAndDataPorts) {
    make_board();
    EXPECT_EQ(dm9000_map(2048), nullptr);
    auto *ports = static_cast<volatile uint8_t *>(dm9000_map(1024));
    ASSERT_NE(ports, nullptr);
    EXPECT_TRUE(dm9000_owns(ports));
    EXPECT_TRUE(dm9000_owns(ports + 1023));
    EXPECT_FALSE(dm9000_owns(ports + 1024));
    EXPECT_FALSE(dm9000_owns(ports - 1));

    dm9000_set_link(false);
    dm9000_write8(ports, 1);
    EXPECT_EQ(dm9000_read8(ports), 1);
    EXPECT_EQ(dm9000_read8(ports + 4), 0x00);
    dm9000_set_link(true);
    EXPECT_TRUE(dm9000_link());
    EXPECT_EQ(dm9000_read8(ports + 4), 0x40);
    dm9000_write8(ports, 2); // another register: no link bit there
    EXPECT_EQ(dm9000_read8(ports + 4), 0x00);
    dm9000_write8(ports, 1);
    dm9000_set_link(false);
    EXPECT_FALSE(dm9000_link());
    EXPECT_EQ(dm9000_read8(ports + 4), 0x00);
}

// The chip's rule as every board plays it: NSR alone shows the link bit, and only
// while the cable is plugged and the PHY has power; no other offset is a port.
TEST(Dm9000Model, TheLinkBitNeedsTheCableAndThePhysPowerTogether) {
    Dm9000Model chip{};
    uint8_t value = 0xAA;
    ASSERT_TRUE(dm9000_model_write(&chip, DM9000_INDEX_PORT, DM9000_NSR));
    const uint8_t want[2][2] = {{0, 0}, {0, DM9000_NSR_LINK}};
    for (int cable = 0; cable < 2; ++cable) {
        for (int power = 0; power < 2; ++power) {
            ASSERT_TRUE(dm9000_model_read(chip, DM9000_DATA_PORT, cable, power, &value));
            EXPECT_EQ(value, want[cable][power]) << "cable " << cable << " power " << power;
        }
    }
    EXPECT_FALSE(dm9000_model_read(chip, 8, true, true, &value));
    EXPECT_FALSE(dm9000_model_write(&chip, 1, 5));
    EXPECT_TRUE(dm9000_model_write(&chip, DM9000_DATA_PORT, 5));
    EXPECT_EQ(chip.index, DM9000_NSR);
}

// Only the register accessors reach the ports; a plain load faults (under ASan
// as a reported SEGV, otherwise by the signal itself).
TEST(SimDm9000DeathTest, TheWindowFaultsOnDirectAccess) {
    board_state_create();
    dm9000_init(SimOptions());
    auto *ports = static_cast<volatile uint8_t *>(dm9000_map(1024));
    ASSERT_NE(ports, nullptr);
    EXPECT_DEATH((void)*(ports + 4), "");
}

// The window's title line: the cable as the DM9000 shows it, then eth0 and the
// lease as the board's network has them (none here: no namespace was made).
TEST(SimNetwork, TheStatusLineFollowsTheCable) {
    make_board();
    dm9000_set_link(false);
    EXPECT_EQ(std::string(net_status()), "link down \u00b7 eth0 unconfigured \u00b7 no lease");
    dm9000_set_link(true);
    EXPECT_EQ(std::string(net_status()), "link up \u00b7 eth0 unconfigured \u00b7 no lease");
}

TEST(SimNetwork, OnlyTheBoardsExactDhcpCommandLineIsExecuted) {
    make_board();
    // Without -f (the client would go to the background), an extra word, another
    // interface: refused.
    const char *background[] = {
        "/sbin/udhcpc",         "-i",   "eth0", "-s", "/etc/udhcpc.conf", "-p",
        "/tmp/udhcpc.eth0.pid", nullptr};
    const char *long_argv[] = {
        "/sbin/udhcpc",         "-f", "-i",   "eth0", "-s", "/etc/udhcpc.conf", "-p",
        "/tmp/udhcpc.eth0.pid", "-q", nullptr};
    const char *other_if[] = {
        "/sbin/udhcpc",         "-f",   "-i", "eth1", "-s", "/etc/udhcpc.conf", "-p",
        "/tmp/udhcpc.eth0.pid", nullptr};
    for (const char **argv : {background, long_argv, other_if}) {
        errno = 0;
        EXPECT_EQ(dhcp_exec("/sbin/udhcpc", const_cast<char *const *>(argv)), -1);
        EXPECT_EQ(errno, ENOEXEC);
    }
    const char *exact[] = {
        "/sbin/udhcpc",         "-f",   "-i", "eth0", "-s", "/etc/udhcpc.conf", "-p",
        "/tmp/udhcpc.eth0.pid", nullptr};
    EXPECT_EQ(dhcp_exec("/sbin/dhclient", const_cast<char *const *>(exact)), -1);
    EXPECT_EQ(errno, ENOENT);
}

} // namespace
