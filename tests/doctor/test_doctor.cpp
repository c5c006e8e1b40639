// The board check on the fake board: as shipped every check passes; each fault
// fails exactly its own check, says what it found and names its fix, and nothing
// on the board is left changed.
#include "doctor/checks.h"
#include "fake_board.h"
#include "support/platform_guard.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <regex>
#include <sstream>

namespace {

struct Report {
    int status;
    std::vector<std::string> lines;
};

Report run_doctor() {
    testing::internal::CaptureStdout();
    int status = doctor_run((fake_board.root + "/stick").c_str());
    std::istringstream out(testing::internal::GetCapturedStdout());
    Report run{status, {}};
    for (std::string line; std::getline(out, line);) {
        run.lines.push_back(line);
    }
    return run;
}

std::vector<std::string> failed(const Report &run) {
    std::vector<std::string> lines;
    for (const std::string &line : run.lines) {
        if (line.rfind("FAIL ", 0) == 0) {
            lines.push_back(line);
        }
    }
    return lines;
}

class Doctor : public testing::Test {
  protected:
    void SetUp() override { fake_board_install(); }
    void TearDown() override {
        // Nothing is left changed: no node or mount folder of the doctor's own, no
        // mode set, no register written but the DM9000's index port, the stick
        // mounted read-only and unmounted, the watchdog never opened.
        EXPECT_FALSE(std::filesystem::exists(fake_board.root + DOCTOR_NODE));
        EXPECT_FALSE(std::filesystem::exists(fake_board.root + DOCTOR_STICK_DIR));
        EXPECT_EQ(board_touches.modes_set, 0);
        EXPECT_EQ(board_touches.registers_written, 0);
        EXPECT_EQ(board_touches.writable_mounts, 0);
        EXPECT_EQ(board_touches.unmounts, board_touches.mounts);
        EXPECT_EQ(board_touches.watchdog_opens, 0);
        fake_board_remove();
    }
    PlatformGuard guard;
};

TEST_F(Doctor, TheShippedBoardPassesEveryCheckInTheApplicationsOrder) {
    Report run = run_doctor();
    EXPECT_EQ(run.status, 0);
    std::string names;
    for (const std::string &line : run.lines) {
        EXPECT_EQ(line.rfind("FAIL", 0), std::string::npos) << line;
        names += line.substr(0, line.find(':')) + ",";
    }
    EXPECT_EQ(names, "ok   inittab,ok   tmp,ok   leftovers,ok   registers,ok   eth0,ok   link,"
                     "ok   packet,ok   udhcpc,ok   script,ok   clients,ok   stick,ok   touch,"
                     "ok   screen,ok   fanfare,ipslide-doctor,");
    std::string all;
    for (const std::string &line : run.lines) {
        all += line + "\n";
    }
    EXPECT_NE(all.find("link is up"), std::string::npos);
    EXPECT_NE(all.find("concours-48.ttf: size 48, atlas 240x320"), std::string::npos);
    EXPECT_NE(all.find("\"s3c2410 TouchScreen\", a touch screen with X 50..980"),
              std::string::npos);
    // The four pages tried, then the DM9000's again for the link, read the
    // worker's way; the stick mounted once.
    EXPECT_EQ(board_touches.mem_maps, 5);
    EXPECT_EQ(board_touches.index_writes, 1);
    EXPECT_EQ(board_touches.mounts, 1);
}

// On a PC, physical 0x20000000 is RAM: the doctor says so and maps nothing.
TEST_F(Doctor, OnAMachineWhoseRamHoldsTheAddressesNothingIsMapped) {
    fake_board_write("/proc/iomem", "00000000-00000fff : Reserved\n"
                                    "00001000-bfffffff : System RAM\n");
    Report run = run_doctor();
    std::vector<std::string> lines = failed(run);
    ASSERT_EQ(lines.size(), 1u) << testing::PrintToString(run.lines);
    EXPECT_EQ(lines[0], "FAIL registers: 0x20000000 is System RAM here: this is not the board, "
                        "and nothing was mapped; without them the network worker aborts (no "
                        "address ever comes) and the first victory ends ipslide; fix: run "
                        "ipslide-doctor on the S3C24xx board itself");
    EXPECT_EQ(board_touches.mem_maps, 0);
    EXPECT_EQ(board_touches.index_writes, 0);
}

struct Fault {
    const char *name;
    void (*make)();
    const char *check;
    const char *found_and_fix; // a regex over the FAIL line
};

const Fault FAULTS[] = {
    {"ModeRefused", [] { fake_board.mode_refused = true; }, "screen",
     "board-vm fb refuses 320x240 at 16 bits per pixel; it runs 240x320 at 16;.*"
     "fix: a 320x240 16-bit mode in the display driver's table"},
    {"ModeRefusedOnAnS3C24xx",
     [] {
         fake_board.mode_refused = true;
         fake_board.fb_id = "s3c2410fb";
         fake_board_write("/proc/cmdline", "mini2440=0tb console=ttySAC0,115200\n");
     },
     "screen",
     "s3c2410fb refuses 320x240 .* it runs 240x320 at 16, and the command line has "
     "mini2440=0tb;.*fix: mini2440=3tb on the kernel command line"},
    {"DevMemRefused", [] { fake_board.dev_mem_refused = true; }, "registers",
     "/dev/mem: Operation not permitted.*CONFIG_IO_STRICT_DEVMEM, or iomem=relaxed"},
    {"NoStick", [] { fake_board.stick_missing = true; }, "stick",
     "no /dev/sda1: no stick is plugged in.*fix: plug the stick into the USB host port"},
    {"UsbStorageAModuleNothingLoaded",
     [] {
         fake_board.stick_missing = true;
         std::filesystem::remove(fake_board.root + "/sys/bus/usb/drivers/usb-storage");
         fake_board_write("/proc/sys/kernel/osrelease", "6.1.187\n");
         fake_board_write("/lib/modules/6.1.187/kernel/drivers/usb/storage/usb-storage.ko.xz", "");
     },
     "stick",
     "no /dev/sda1: usb-storage is a module that nothing loaded;.*"
     "fix: load it at start-up \\(::sysinit:/sbin/modprobe usb-storage"},
    {"PartitionWithoutNode",
     [] {
         fake_board.stick_missing = true;
         fake_board_write("/sys/class/block/sda1/size", "7812500\n");
     },
     "stick", "though the kernel has the partition sda1;.*CONFIG_DEVTMPFS_MOUNT=y"},
    {"EmptyFont", [] { fake_board_write("/stick/concours-48.ttf", ""); }, "stick",
     "concours-48.ttf is empty \\(0 bytes\\)"},
    {"WatchdogShorterThanThePlayback",
     [] {
         fake_board.clock_step_s = 1; // 4000 bits in a second: 250 us a bit
         fake_board_write("/sys/class/watchdog/watchdog0/state", "active\n");
         fake_board_write("/sys/class/watchdog/watchdog0/timeout", "15\n");
     },
     "fanfare", "timeout is 15 s, the masked playback lasts 30.5 s.*tmr_margin"},
    {"PowerButtonFirst",
     [] {
         fake_board_write("/sys/class/input/event0/device/name", "gpio-keys\n");
         fake_board_write("/sys/class/input/event0/device/capabilities/abs", "0\n");
     },
     "touch",
     "13:64 is \"gpio-keys\", not a touch screen; no input device is a touch screen.*"
     "CONFIG_KEYBOARD_GPIO unset"},
    {"NoEth0Line", [] { fake_board_write("/etc/inittab", "::respawn:/usr/bin/ipslide\n"); },
     "inittab", "no ::sysinit:/sbin/ifconfig eth0 up line.*before ::respawn:/usr/bin/ipslide"},
    {"TouchNodeIsAFolder", [] { fake_board_write("/tmp/touch/x", ""); }, "leftovers",
     "/tmp/touch is a folder;.*fix: remove /tmp/touch"},
    {"Eth0Down", [] { fake_board.eth0_down = true; }, "eth0",
     "eth0 is down.*fix: the line ::sysinit:/sbin/ifconfig eth0 up"},
    {"SecondClient",
     [] {
         fake_board_write("/proc/1/stat", "1 (init) S 0 1 1");
         fake_board_write("/proc/77/stat", "77 (udhcpc) S 1 77 77");
     },
     "clients", "another DHCP client runs: udhcpc, pid 77.*BR2_SYSTEM_DHCP"},
};

class DoctorFault : public Doctor, public testing::WithParamInterface<Fault> {};

TEST_P(DoctorFault, FailsExactlyItsOwnCheckAndNamesTheFix) {
    GetParam().make();
    Report run = run_doctor();
    EXPECT_EQ(run.status, 1);
    std::vector<std::string> lines = failed(run);
    ASSERT_EQ(lines.size(), 1u) << testing::PrintToString(run.lines);
    EXPECT_EQ(lines[0].rfind(std::string("FAIL ") + GetParam().check + ": ", 0), 0u) << lines[0];
    EXPECT_TRUE(std::regex_search(lines[0], std::regex(GetParam().found_and_fix))) << lines[0];
}

INSTANTIATE_TEST_SUITE_P(Faults, DoctorFault, testing::ValuesIn(FAULTS),
                         [](const auto &info) { return std::string(info.param.name); });

} // namespace
