// The DHCP client of the simulated board. The network worker's exec of
// "/sbin/udhcpc" lands here (see dhcp_client.cpp): like udhcpc it writes its pid
// file, runs its script with "deconfig", and after the exchange (--lease-delay)
// runs it with "bound" and the variables udhcpc sets, then stays alive. Where
// BusyBox is installed the board runs the real client instead (--dhcp busybox). The
// script is the real deploy/udhcpc.conf; the commands it uses to configure the
// network are stubs that only write their arguments into the application's log,
// so the host's network is never touched.
#include "devices/udhcpc_standin.h"

#include "devices/child_process.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

// Inside the board's /tmp, next to the pid file.
constexpr char STUB_DIR[] = "/tmp/udhcpc-stubs";
const char *const STUB_COMMANDS[] = {"ip", "ifconfig", "route"};

struct Standin {
    std::string lease = "192.168.1.42";
    long delay_ms = 1000;
    std::string conf;
    std::string interface = "eth0";
    std::string pidfile;
    int tell_fd = -1; // where the simulator hears of the lease
};

bool parse(int argc, char **argv, Standin *s) {
    int i = 1;
    for (; i + 1 < argc && strcmp(argv[i], "--") != 0; i += 2) {
        std::string flag = argv[i], value = argv[i + 1];
        if (flag == "--lease") {
            s->lease = value;
        } else if (flag == "--lease-delay") {
            s->delay_ms = strtol(value.c_str(), nullptr, 10);
        } else if (flag == "--conf") {
            s->conf = value;
        } else if (flag == "--tell") {
            s->tell_fd = atoi(value.c_str());
        } else {
            return false;
        }
    }
    // udhcpc's own options follow "--"; -s names the board's script, which the
    // simulator replaces by the source tree's copy given with --conf.
    for (++i; i < argc; ++i) {
        if (strcmp(argv[i], "-i") == 0 && i + 1 < argc) {
            s->interface = argv[++i];
        } else if (strcmp(argv[i], "-p") == 0 && i + 1 < argc) {
            s->pidfile = argv[++i];
        }
    }
    return !s->conf.empty();
}

// Standard error is the application's log.
void note(const std::string &line) {
    fprintf(stderr, "udhcpc: %s\n", line.c_str());
    fflush(stderr);
}

bool write_text(const std::string &path, const std::string &text, mode_t mode) {
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
    if (fd < 0) {
        return false;
    }
    bool ok = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    return close(fd) == 0 && ok;
}

// The board starts without a default route, so "route del" fails as it would
// there; every other call succeeds.
std::string stub_body(const char *name) {
    std::string body = std::string("#!/bin/sh\n# Stand-in for the board's ") + name +
                       ": records the call, touches nothing.\n"
                       "printf '%s\\n' \"udhcpc.conf: ${0##*/} $*\" "
                       ">&2\n";
    if (strcmp(name, "route") == 0) {
        body += "[ \"$1\" != del ]\n";
    }
    return body;
}

void make_stubs() {
    mkdir(STUB_DIR, 0755);
    for (const char *name : STUB_COMMANDS) {
        if (!write_text(std::string(STUB_DIR) + "/" + name, stub_body(name), 0755)) {
            note(std::string("cannot make the stub ") + name);
        }
    }
}

// The lease as udhcpc hands it to its script: a /24 whose .1 is router and DNS.
std::vector<std::string> lease_environment(const Standin &s) {
    in_addr ip{};
    inet_pton(AF_INET, s.lease.c_str(), &ip);
    uint32_t host = ntohl(ip.s_addr);
    auto dotted = [](uint32_t value) {
        in_addr a;
        a.s_addr = htonl(value);
        return std::string(inet_ntoa(a));
    };
    std::string gateway = dotted((host & 0xFFFFFF00u) | 1);
    return {"ip=" + s.lease,
            "subnet=255.255.255.0",
            "mask=24",
            "broadcast=" + dotted(host | 0xFFu),
            "router=" + gateway,
            "dns=" + gateway,
            "serverid=" + gateway,
            "domain=board.lan",
            "lease=3600"};
}

int run_script(const Standin &s, const char *event) {
    std::vector<std::string> env = {
        std::string("PATH=") + STUB_DIR + ":/usr/sbin:/usr/bin:/sbin:/bin",
        "interface=" + s.interface,
        "RESOLV_CONF=/tmp/resolv.conf",
    };
    if (strcmp(event, "deconfig") != 0) {
        for (const std::string &v : lease_environment(s)) {
            env.push_back(v);
        }
    }
    std::vector<char *> envp;
    for (std::string &v : env) {
        envp.push_back(v.data());
    }
    envp.push_back(nullptr);
    // Descriptor 9, the address pipe's write end, is inherited as it is.
    ChildSetup setup;
    setup.die_with_parent = false;
    setup.before_exec = [&envp] { environ = envp.data(); };
    int status = reap_process(start_process({"/bin/sh", s.conf, event}, setup), true);
    if (status == -1) {
        return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

std::string descriptor_target(int fd) {
    char target[64];
    std::string link = "/proc/self/fd/" + std::to_string(fd);
    ssize_t n = readlink(link.c_str(), target, sizeof target - 1);
    return n > 0 ? std::string(target, static_cast<size_t>(n)) : std::string();
}

// The worker hands the address pipe's write end over on descriptor 9. The pipe is
// named in the log ("pipe:[N]") for whoever reads it.
void check_address_pipe() {
    std::string write_end = descriptor_target(9);
    if (write_end.rfind("pipe:", 0) != 0) {
        note("descriptor 9 is not the address pipe; the address cannot reach the application");
        return;
    }
    note("address pipe " + write_end + " on descriptor 9");
}

} // namespace

int udhcpc_standin_main(int argc, char **argv) {
    Standin s;
    if (!parse(argc, argv, &s)) {
        fprintf(stderr, "usage: ipslide-sim udhcpc-standin --conf SCRIPT [--lease IP] "
                        "[--lease-delay MS] [--tell FD] -- [-i IF] [-p PIDFILE]\n");
        return 2;
    }
    // A real client outlives its starter; this one goes with the simulated board.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (!s.pidfile.empty()) {
        write_text(s.pidfile, std::to_string(getpid()) + "\n", 0644);
    }
    make_stubs();
    check_address_pipe();
    note("started on " + s.interface + ", script " + s.conf);
    int status = run_script(s, "deconfig");
    std::this_thread::sleep_for(std::chrono::milliseconds(s.delay_ms));
    if (status == 0) {
        status = run_script(s, "bound");
    }
    if (status == 0) {
        note("lease " + s.lease + " obtained");
        dprintf(s.tell_fd, "%-16s", s.lease.c_str());
    } else {
        note("the script failed with status " + std::to_string(status));
    }
    for (;;) {
        pause();
    }
}
