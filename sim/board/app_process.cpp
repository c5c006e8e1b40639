#include "board/app_process.h"

#include "app/main_loop.h"
#include "board/alloc_census.h"
#include "board/board_namespace.h"
#include "board/sim_platform.h"
#include "devices/board_clock.h"
#include "devices/board_network.h"
#include "devices/board_state.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <filesystem>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

bool application_process; // this process is one of the application's

pid_t running = -1;
int starts = 0;
int given_up_status = -1; // the last wait status, once init has given up
uint32_t waits_at_start;
std::vector<pid_t> ended_groups;
std::deque<uint64_t> own_ends_us; // when starts ended on their own, newest last

void copy_path(char (&dst)[512], const std::string &src) {
    snprintf(dst, sizeof dst, "%s", src.c_str());
}

// The board forgets what the main process was doing when it ended (blocked in a
// wait or between slide frames, say): the next start begins doing neither.
pid_t start_application() {
    board_state()->idle_wait = 0;
    board_state()->in_wait = 0;
    board_state()->in_frame_delay = 0;
    alloc_census_new_start();
    waits_at_start = board_state()->waits.load();
    pid_t pid = fork();
    if (pid < 0) {
        perror("ipslide-sim: starting the application");
        exit(2);
    }
    if (pid > 0) {
        setpgid(pid, pid);
        running = pid;
        starts++;
        return pid;
    }
    application_process = true;
    alloc_census_enter_application();
    setpgid(0, 0);
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    close_range(3, BOARD_FD_BASE - 1, 0);
    board_state()->app_pid = getpid();
    board_namespace_enter();
    platform = sim_platform();
    app_main();
}

// Workers of an ended start come to us (we are the subreaper) once their parent
// is gone; their exits are collected here so they don't stay as zombies.
void reap_ended_groups() {
    for (pid_t group : ended_groups) {
        while (waitpid(-group, nullptr, WNOHANG) > 0) {
        }
    }
}

void log_line(const std::string &line) {
    int fd = board_state()->log_fd;
    if (fd >= 0 && write(fd, line.data(), line.size()) < 0) {
        // The log is for reading afterwards; a full disk must not stop the board.
    }
}

void restart(int status, const char *why) {
    ended_groups.push_back(running);
    printf("ipslide-sim: the application %s%s; init starts it again (start %d)\n",
           describe_wait_status(status).c_str(), why, starts + 1);
    log_line("ipslide-sim: start " + std::to_string(starts + 1) + " of the application\n");
    start_application();
}

bool respawning_too_fast() {
    uint64_t now = monotonic_us();
    own_ends_us.push_back(now);
    while (now - own_ends_us.front() > static_cast<uint64_t>(RESPAWN_WINDOW_MS) * 1000) {
        own_ends_us.pop_front();
    }
    return own_ends_us.size() >= static_cast<size_t>(RESPAWN_LIMIT);
}

} // namespace

// The application's processes are forks of the simulator, so the sanitizer's leak
// check at their exit would scan the simulator's memory, and first take every
// allocator lock, one of which another simulator thread may have held at the fork
// (the runtime takes none around fork): such an exit would never end. The check
// is the simulator's own, at its own exit.
extern "C" int __lsan_is_turned_off() {
    return application_process ? 1 : 0;
}

void boot_prepare(const SimOptions &options) {
    std::filesystem::create_directories(options.out_dir);
    std::string log = std::filesystem::absolute(options.out_dir + "/app.log").string();
    // Opened here, outside the application's namespace, where the path means what the
    // user meant; the application's processes inherit the descriptor.
    board_state()->log_fd = board_descriptor(
        open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0644));
    copy_path(board_state()->log_path, log);
    char pattern[] = "/tmp/ipslide-board.XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
        perror("ipslide-sim: board /tmp");
        exit(2);
    }
    copy_path(board_state()->boot_dir, pattern);
    board_network_prepare(options);
    board_namespace_create();
    alloc_census_init();
}

void boot_cleanup() {
    board_network_cleanup();
    std::error_code ignored;
    std::filesystem::remove_all(board_state()->boot_dir, ignored);
}

pid_t app_launch() {
    return start_application();
}

int app_poll() {
    reap_ended_groups();
    if (running <= 0) {
        return given_up_status;
    }
    int status = 0;
    if (waitpid(running, &status, WNOHANG) != running) {
        return -1;
    }
    if (respawning_too_fast()) {
        fprintf(stderr,
                "ipslide-sim: the application %s; it ended on its own %d times within %d s: "
                "respawning too fast, init gives up\n",
                describe_wait_status(status).c_str(), RESPAWN_LIMIT, RESPAWN_WINDOW_MS / 1000);
        ended_groups.push_back(running);
        running = -1;
        given_up_status = status;
        return status;
    }
    restart(status, "");
    return -1;
}

pid_t app_kill() {
    if (running <= 0) {
        return -1;
    }
    kill(running, SIGKILL);
    int status = 0;
    waitpid(running, &status, 0);
    restart(status, " (kill-app)");
    return running;
}

pid_t app_running() {
    return running;
}

int app_starts() {
    return starts;
}

uint32_t app_frames_since_start() {
    return board_state()->waits.load() - waits_at_start;
}

const std::vector<pid_t> &app_ended_groups() {
    return ended_groups;
}

int app_stop() {
    int status = -1;
    if (running > 0) {
        kill(-running, SIGKILL);
        if (waitpid(running, &status, 0) != running) {
            status = -1;
        }
        ended_groups.push_back(running);
        running = -1;
    }
    // Whatever is left of any start (there should be nothing) goes with the board.
    for (pid_t group : ended_groups) {
        kill(-group, SIGKILL);
    }
    reap_ended_groups();
    return status;
}
