// The board VM's agent, run by the guest's sysinit: the touch panel
// (touch_panel.h), the application's moments (moments.h), the PHY's power
// (dm9000_page.h) and the probes the host reads, on a virtio console
// (host_channel.h):
//
//   press-raw X Y, release     the pen down at raw panel values; up
//   moments                    the shared page's moments made current: every trace
//                              event so far taken in
//   faults, pageout START END  main_process.h
//   anything else              the probes script (BusyBox answers)
//
// Usage: board-vm-agent CHANNEL_DEVICE DM9000_RESOURCE. It returns once the
// touch panel exists, the PHY word holds eth0's state and the trace is open, and
// serves in a child of its own.
#include "dm9000_page.h"
#include "host_channel.h"
#include "main_process.h"
#include "moments.h"
#include "probes.h"
#include "touch_panel.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <sched.h>
#include <unistd.h>

namespace {

// Returns nullptr when the command was carried out, else why not.
const char *run(const char *line) {
    char name[24] = "", word[24] = "";
    long x = 0, y = 0;
    int numbers = sscanf(line, "%23s %ld %ld", name, &x, &y) - 1;
    if (numbers == 2 && strcmp(name, "pageout") == 0) {
        return main_process_page_out(x, y);
    }
    if (numbers == 2 && strcmp(name, "press-raw") == 0) {
        moments_pressed();
        touch_panel_press(x, y);
        return nullptr;
    }
    if (strcmp(line, "release") == 0) {
        touch_panel_release();
        return nullptr;
    }
    if (strcmp(line, "moments") == 0) {
        return moments_report();
    }
    if (strcmp(line, "faults") == 0) {
        return main_process_faults();
    }
    sscanf(line, "%*s %23s", word);
    return numbers < 0 ? "unknown command" : probe_run(name, word);
}

[[noreturn]] void serve(int link_watch, int trace) {
    pollfd watched[3] = {
        {host_channel_fd(), POLLIN, 0}, {trace, POLLIN, 0}, {link_watch, POLLIN, 0}};
    for (;;) {
        if (poll(watched, 3, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            perror("board-vm-agent: poll");
            exit(1);
        }
        if (watched[1].revents != 0) {
            moments_take();
        }
        if (watched[2].revents != 0) {
            eth0_changed();
        }
        if (watched[0].revents != 0 && !host_channel_serve(run)) {
            fprintf(stderr, "board-vm-agent: the host's channel closed\n");
            exit(1);
        }
    }
}

// The guest has one CPU. Were the agent an ordinary task, a question would wait
// until the application's time slice ran out, and what it reads of the application
// (its fault counts at the playback's mask and restore) would be late by as much.
// Above every ordinary task, the host's question wakes it at once.
void answer_at_once() {
    sched_param above_ordinary{};
    above_ordinary.sched_priority = 1;
    if (sched_setscheduler(0, SCHED_FIFO, &above_ordinary) != 0) {
        perror("board-vm-agent: sched_setscheduler");
    }
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: board-vm-agent CHANNEL_DEVICE DM9000_RESOURCE\n");
        return 2;
    }
    if (!touch_panel_make() || !host_channel_open(argv[1])) {
        return 1;
    }
    dm9000_page_map(argv[2]);
    int link_watch = eth0_watch();
    int trace = moments_follow();
    pid_t child = fork();
    if (child < 0) {
        perror("board-vm-agent: fork");
        return 1;
    }
    if (child == 0) {
        setsid();
        answer_at_once();
        serve(link_watch, trace);
    }
    return 0;
}
