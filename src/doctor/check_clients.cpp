#include "doctor/board_files.h"
#include "doctor/checks.h"
#include "doctor/report.h"
#include "platform/platform.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>

namespace {

constexpr char APP_NAME[] = "ipslide";
const char *const CLIENT_NAMES[] = {"udhcpc", "dhclient", "dhcpcd"};

struct Process {
    long pid = 0;
    long ppid = 0;
    char name[32] = "";
};

// /proc/PID/stat: "PID (NAME) STATE PPID ...".
bool read_process(long pid, Process *process) {
    char path[48], stat[512];
    snprintf(path, sizeof path, "/proc/%ld/stat", pid);
    if (!read_text(path, stat, sizeof stat)) {
        return false;
    }
    const char *open = strchr(stat, '(');
    const char *close = strrchr(stat, ')');
    if (open == nullptr || close == nullptr || close < open) {
        return false;
    }
    size_t n = static_cast<size_t>(close - open - 1);
    n = n < sizeof process->name - 1 ? n : sizeof process->name - 1;
    memcpy(process->name, open + 1, n);
    process->name[n] = '\0';
    process->pid = pid;
    process->ppid = strtol(close + 4, nullptr, 10);
    return true;
}

bool is_dhcp_client(const Process &process) {
    for (const char *name : CLIENT_NAMES) {
        if (strcmp(process.name, name) == 0) {
            return true;
        }
    }
    return false;
}

// The application's own client is its network worker, exec'd: its parent is the
// main process, which init started.
bool is_applications(const Process &client) {
    Process parent;
    return read_process(client.ppid, &parent) && strcmp(parent.name, APP_NAME) == 0;
}

} // namespace

void check_dhcp_clients() {
    DIR *proc = platform.opendir("/proc");
    int own = 0;
    char found[160] = "";
    for (dirent *entry = proc != nullptr ? platform.readdir(proc) : nullptr; entry != nullptr;
         entry = platform.readdir(proc)) {
        Process process;
        long pid = strtol(entry->d_name, nullptr, 10);
        if (pid <= 0 || !read_process(pid, &process) || !is_dhcp_client(process)) {
            continue;
        }
        if (is_applications(process)) {
            own++;
        } else if (found[0] == '\0') {
            snprintf(found, sizeof found, "another DHCP client runs: %s, pid %ld", process.name,
                     process.pid);
        }
    }
    if (proc != nullptr) {
        platform.closedir(proc);
    }
    if (found[0] != '\0') {
        report_fail("clients", found,
                    "two clients take turns at eth0's address, and the one shown may be stale",
                    "no DHCP of the image's own on eth0 (Buildroot: BR2_SYSTEM_DHCP=\"\"; no "
                    "'iface eth0 inet dhcp' in /etc/network/interfaces)");
        return;
    }
    report_ok("clients", "%s",
              own > 0 ? "one DHCP client, ipslide's own"
                      : "no DHCP client runs yet (ipslide starts its own)");
}
