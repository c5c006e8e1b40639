// Why there is no /dev/sda1: the node, the SCSI disk driver, usb-storage, or no
// stick at all. The stick reaches the kernel through usb-storage, which makes a
// SCSI host when a stick is plugged in, and the SCSI disk driver, which makes
// sda and its partitions; devtmpfs or mdev makes the node.
#include "doctor/board_files.h"
#include "doctor/checks.h"
#include "doctor/report.h"
#include "platform/platform.h"

#include <cstdio>
#include <cstring>
#include <dirent.h>

namespace {

constexpr char CHECK[] = "stick";
constexpr char WAITS[] = "ipslide waits for the stick for ever, before the screen opens";

struct Driver {
    const char *name;
    const char *registered; // its folder in sysfs while it runs, built in or loaded
    const char *module;     // its file under /lib/modules/RELEASE/kernel/
    const char *option;
};
const Driver SCSI_DISK = {"sd_mod", "/sys/bus/scsi/drivers/sd", "drivers/scsi/sd_mod.ko",
                          "CONFIG_BLK_DEV_SD=y"};
const Driver USB_STORAGE = {"usb-storage", "/sys/bus/usb/drivers/usb-storage",
                            "drivers/usb/storage/usb-storage.ko",
                            "CONFIG_USB_STORAGE=y (and CONFIG_USB_OHCI_HCD=y, the host port)"};

// A module's file, as built or compressed by the kernel's install.
const char *const MODULE_SUFFIXES[] = {"", ".xz", ".gz", ".zst"};

// Whether the kernel's module tree holds the driver, compressed or not.
bool is_module(const Driver &driver) {
    char release[96], path[256];
    if (!read_text("/proc/sys/kernel/osrelease", release, sizeof release)) {
        return false;
    }
    release[strcspn(release, "\n")] = '\0';
    for (const char *suffix : MODULE_SUFFIXES) {
        snprintf(path, sizeof path, "/lib/modules/%s/kernel/%s%s", release, driver.module, suffix);
        if (path_exists(path)) {
            return true;
        }
    }
    return false;
}

void driver_missing(const Driver &driver) {
    char found[128], fix[224];
    if (is_module(driver)) {
        snprintf(found, sizeof found, "no /dev/sda1: %s is a module that nothing loaded",
                 driver.name);
        snprintf(fix, sizeof fix,
                 "load it at start-up (::sysinit:/sbin/modprobe %s before the respawn line), or "
                 "build it in: %s",
                 driver.name, driver.option);
    } else {
        snprintf(found, sizeof found, "no /dev/sda1: %s is not in this kernel", driver.name);
        snprintf(fix, sizeof fix, "%s", driver.option);
    }
    report_fail(CHECK, found, WAITS, fix);
}

bool any_scsi_host() {
    DIR *hosts = platform.opendir("/sys/class/scsi_host");
    bool found = false;
    for (dirent *entry = hosts != nullptr ? platform.readdir(hosts) : nullptr;
         entry != nullptr && !found; entry = platform.readdir(hosts)) {
        found = entry->d_name[0] != '.';
    }
    if (hosts != nullptr) {
        platform.closedir(hosts);
    }
    return found;
}

} // namespace

void report_no_stick_device() {
    if (path_exists("/sys/class/block/sda1")) {
        report_fail(CHECK, "no /dev/sda1, though the kernel has the partition sda1", WAITS,
                    "device nodes made by the kernel (CONFIG_DEVTMPFS=y, CONFIG_DEVTMPFS_MOUNT=y) "
                    "or by mdev -s at start-up");
    } else if (!path_exists(SCSI_DISK.registered)) {
        driver_missing(SCSI_DISK);
    } else if (!any_scsi_host() && !path_exists(USB_STORAGE.registered)) {
        driver_missing(USB_STORAGE);
    } else if (path_exists("/sys/class/block/sda")) {
        report_fail(CHECK, "no /dev/sda1: the stick sda has no partition", WAITS,
                    "an ext4 first partition on the stick (tools/make-stick)");
    } else {
        report_fail(CHECK, "no /dev/sda1: no stick is plugged in (the kernel sees no disk)", WAITS,
                    "plug the stick into the USB host port; its first partition must be ext4 "
                    "(tools/make-stick)");
    }
}
