#include "doctor/board_files.h"
#include "doctor/checks.h"
#include "doctor/report.h"
#include "font/font_discovery.h"
#include "font/mount_table.h"
#include "platform/platform.h"
#include "workers/touch_reader.h"

#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace {

constexpr char ETH0_LINE[] = "::sysinit:/sbin/ifconfig eth0 up";
constexpr char RESPAWN_LINE[] = "::respawn:/usr/bin/ipslide";

// Where a whole line equal to `wanted` starts in text, or nullptr.
const char *find_line(const char *text, const char *wanted) {
    size_t length = strlen(wanted);
    for (const char *line = text; line != nullptr && *line != '\0';) {
        if (strncmp(line, wanted, length) == 0 && (line[length] == '\n' || line[length] == '\0')) {
            return line;
        }
        line = strchr(line, '\n');
        line = line != nullptr ? line + 1 : nullptr;
    }
    return nullptr;
}

void check_inittab() {
    static char inittab[8192];
    if (!read_text("/etc/inittab", inittab, sizeof inittab)) {
        report_fail("inittab", "/etc/inittab cannot be read", "init never starts ipslide",
                    "BusyBox init with the two lines of deploy/inittab");
        return;
    }
    const char *eth0 = find_line(inittab, ETH0_LINE);
    const char *respawn = find_line(inittab, RESPAWN_LINE);
    if (respawn == nullptr) {
        report_fail("inittab", "no ::respawn:/usr/bin/ipslide line", "init never starts ipslide",
                    "add the line ::respawn:/usr/bin/ipslide");
    } else if (eth0 == nullptr || eth0 > respawn) {
        report_fail("inittab",
                    eth0 == nullptr ? "no ::sysinit:/sbin/ifconfig eth0 up line"
                                    : "the eth0 line comes after the respawn line",
                    "the DM9000's PHY has no power when ipslide looks for the link: the "
                    "address never comes",
                    "the line ::sysinit:/sbin/ifconfig eth0 up before ::respawn:/usr/bin/ipslide");
    } else {
        report_ok("inittab", "eth0 is opened at sysinit, then ipslide is respawned");
    }
}

void check_tmp() {
    if (platform.mknod(DOCTOR_NODE, S_IFCHR | 0400, makedev(TOUCH_MAJOR, TOUCH_MINOR)) != 0) {
        char found[128];
        snprintf(found, sizeof found, "/tmp takes no device node: %s", error_text());
        report_fail("tmp", found, "the touch reader cannot make /tmp/touch: no touch arrives",
                    "a writable /tmp that allows device nodes (a tmpfs without nodev)");
        return;
    }
    platform.unlink(DOCTOR_NODE);
    report_ok("tmp", "/tmp is writable and takes device nodes");
}

// What a running or an earlier ipslide left, and what a new start does with it.
void check_leftovers() {
    struct stat info;
    bool folder = platform.stat(MOUNT_POINT, &info) == 0;
    if (folder && !S_ISDIR(info.st_mode)) {
        report_fail("leftovers", "/tmp/d is there and is not a folder",
                    "ipslide exits 1 (\"mkdir\") at every start", "remove /tmp/d");
        return;
    }
    bool node = platform.stat(TOUCH_NODE, &info) == 0;
    if (node && S_ISDIR(info.st_mode)) {
        report_fail("leftovers", "/tmp/touch is a folder",
                    "the touch reader cannot replace it with its node (\"mknod\") and ends: "
                    "touches never arrive",
                    "remove /tmp/touch");
        return;
    }
    bool ours = node && S_ISCHR(info.st_mode) && info.st_rdev == makedev(TOUCH_MAJOR, TOUCH_MINOR);
    report_ok("leftovers", "%s; %s",
              mount_table_has(MOUNT_POINT) ? "a stick is mounted on /tmp/d (by ipslide, now or "
                                             "before), which a new start takes as it is"
                                           : "no stick mounted on /tmp/d",
              !node  ? "no /tmp/touch"
              : ours ? "/tmp/touch is 13:64, which a new start keeps"
                     : "/tmp/touch is something else, which a new start replaces");
}

} // namespace

void check_startup() {
    check_inittab();
    check_tmp();
    check_leftovers();
}
