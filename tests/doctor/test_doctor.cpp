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
        // Nothing of the doctor's own is left behind: no node, no mount folder.
        EXPECT_FALSE(std::filesystem::exists(fake_board.root + DOCTOR_NODE));
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
}

struct Fault {
    const char *name;
    void (*make)();
    const char *check;
    const char *found_and_fix; // a regex over the FAIL line
};

const Fault FAULTS[] = {
    {"ModeRefused", [] { fake_board.mode_refused = true; }, "screen",
     "runs 240x320 at 16.*fix: on a mini2440, mini2440=3tb"},
    {"DevMemRefused", [] { fake_board.dev_mem_refused = true; }, "registers",
     "/dev/mem: Operation not permitted.*CONFIG_IO_STRICT_DEVMEM, or iomem=relaxed"},
    {"NotTheBoard", [] { fake_board_write("/proc/iomem", "00000000-bfffffff : System RAM\n"); },
     "registers", "0x20000000 is System RAM here: this is not the board, and nothing was mapped"},
    {"NoStick", [] { fake_board.stick_missing = true; }, "stick",
     "no /dev/sda1, and usb-storage is not running.*CONFIG_USB_STORAGE=y"},
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
