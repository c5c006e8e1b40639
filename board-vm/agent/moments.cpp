#include "moments.h"

#include "dm9000_page.h"
#include "line_reader.h"
#include "qemu/guest_dm9000.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <unistd.h>

namespace {

// The sysinit's trace instance; its clock is CLOCK_MONOTONIC, the agent's own, so
// a wait can be ordered with a press.
constexpr char TRACE_PIPE[] = "/sys/kernel/tracing/instances/ipslide/trace_pipe";

struct Moments {
    int main_pid = 0;
    uint32_t waits_begun = 0;
    uint32_t waits_ended = 0;
    uint32_t pauses_begun = 0;
    uint32_t pauses_ended = 0;
    bool framed = false; // this start has shown a frame
    bool idle = false;
    bool pipe_read = false;
    bool address_read = false;
};

Moments now;
uint64_t press_us = 0;
int trace_fd = -1;
LineReader trace;

void publish() {
    dm9000_page_write(MOMENT_WAITS_BEGUN, now.waits_begun);
    dm9000_page_write(MOMENT_WAITS_ENDED, now.waits_ended);
    dm9000_page_write(MOMENT_IDLE, now.idle ? 1 : 0);
    dm9000_page_write(MOMENT_ADDRESS_READ, now.address_read ? 1 : 0);
    dm9000_page_write(MOMENT_PAUSES_BEGUN, now.pauses_begun);
    dm9000_page_write(MOMENT_PAUSES_ENDED, now.pauses_ended);
}

// A start: the frames and pauses go on counting, the rest is the new process's
// own. A killed start may never have ended its wait or its pause.
void new_start(int pid) {
    Moments before = now;
    now = Moments{};
    now.main_pid = pid;
    now.waits_begun = now.waits_ended = before.waits_begun;
    now.pauses_begun = now.pauses_ended = before.pauses_begun;
}

void wait_begins(uint64_t at_us, bool without_limit) {
    now.framed = true;
    now.waits_begun++;
    now.idle = without_limit && at_us > press_us;
}

// A line of the trace: "ipslide-PID [CPU] FLAGS SECONDS.MICROS: EVENT...", with
// "sys_NAME(ARG: HEX, ...)" for a call's entry and "sys_NAME -> HEX" for its end.
void take_event(char *line) {
    const char *bracket = strstr(line, "] ");
    unsigned long seconds = 0, micros = 0;
    char event[32];
    if (bracket == nullptr ||
        sscanf(bracket + 2, "%*s %lu.%lu: %31[a-z0-9_]", &seconds, &micros, event) != 3) {
        return;
    }
    const char *rest = strstr(bracket, event) + strlen(event);
    const char *exec_pid = strstr(rest, " pid=");
    if (strcmp(event, "sched_process_exec") == 0 && exec_pid != nullptr) {
        new_start(atoi(exec_pid + 5));
        return;
    }
    int pid = 0;
    if (sscanf(line, " ipslide-%d", &pid) != 1 || pid != now.main_pid) {
        return;
    }
    bool entry = *rest == '(';
    if (strcmp(event, "sys_select") == 0 && entry) {
        wait_begins(seconds * 1000000 + micros, strstr(rest, "tvp: 0)") != nullptr);
    } else if (strcmp(event, "sys_select") == 0) {
        now.waits_ended = now.waits_begun;
        now.idle = false;
    } else if (strcmp(event, "sys_nanosleep_time32") == 0 && now.framed && entry) {
        now.pauses_begun++; // after its first frame, it sleeps only after a slide's frames
    } else if (strcmp(event, "sys_nanosleep_time32") == 0 && now.framed) {
        now.pauses_ended = now.pauses_begun;
    } else if (strcmp(event, "sys_read") == 0) {
        now.pipe_read = true;
    } else if (strcmp(event, "sys_close") == 0) {
        now.address_read = now.pipe_read;
    }
}

void lost_line() {
    fprintf(stderr, "board-vm-agent: a trace line too long\n");
}

} // namespace

int moments_follow() {
    trace_fd = open(TRACE_PIPE, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (trace_fd < 0) {
        fprintf(stderr, "board-vm-agent: open %s: %s\n", TRACE_PIPE, strerror(errno));
    }
    publish();
    return trace_fd;
}

void moments_take() {
    while (trace_fd >= 0 && read_lines(trace_fd, &trace, take_event, lost_line) > 0) {
    }
    publish();
}

void moments_pressed() {
    moments_take();
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    press_us = static_cast<uint64_t>(t.tv_sec) * 1000000 + static_cast<uint64_t>(t.tv_nsec) / 1000;
    now.idle = false;
    publish();
}

int moments_main_pid() {
    return now.main_pid;
}

const char *moments_report() {
    moments_take();
    return trace_fd < 0 ? "the application's system calls are not traced" : nullptr;
}
