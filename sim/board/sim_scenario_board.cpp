// The simulated board behind the scenario commands that both boards play: its
// devices, its board state and its init, as the window and the tests reach them.
#include "board/app_process.h"
#include "board/sim_board.h"
#include "devices/board_clock.h"
#include "devices/board_network.h"
#include "devices/board_state.h"
#include "devices/buzzer_sound.h"
#include "devices/dm9000.h"
#include "devices/touch_panel.h"

#include <csignal>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr uint64_t STEADY_WAIT_US = 2000000;

// The buzzer's sound is collected while the scenario waits, as the loops of the
// window collect it.
bool sim_running(ScenarioContext &context, std::string *why) {
    buzzer_poll_playback(*context.options);
    int status = app_poll();
    if (status == -1) {
        return true;
    }
    *why = "the application " + describe_wait_status(status);
    return false;
}

bool sim_boot(const SimOptions &, uint64_t *start_us, std::string *) {
    *start_us = monotonic_us();
    app_launch();
    return true;
}

int sim_shutdown(const SimOptions &, int result) {
    app_stop();
    if (app_starts() > 1) {
        printf("ipslide-sim: the application was started %d times in this boot\n", app_starts());
    }
    return result;
}

bool screen_is_steady(const BoardState &board) {
    return board.in_wait.load() != 0 || board.in_frame_delay.load() != 0;
}

// The application writes the screen in place, column by column. Once it has shown a
// frame, the screen is copied while it waits (for events, or between slide frames),
// so a copy never mixes two frames; before its first frame there is nothing to tear.
void sim_screen(uint16_t *pixels) {
    const BoardState &board = *board_state();
    uint64_t give_up = monotonic_us() + STEADY_WAIT_US;
    bool started = board.waits.load() != 0 || board.slide_frames.load() != 0;
    while (started && !screen_is_steady(board) && monotonic_us() < give_up) {
        usleep(200);
    }
    memcpy(pixels, board.screen, sizeof board.screen);
}

uint32_t sim_frames() {
    return board_state()->waits.load();
}

// A wait that began before the last press has not seen that touch yet.
bool sim_idle() {
    const BoardState &board = *board_state();
    return board.idle_wait.load() != 0 && board.wait_begin_us.load() > board.press_us.load();
}

uint32_t sim_slide_frames() {
    return board_state()->slide_frames.load();
}

bool sim_address_read() {
    return board_state()->address_reader == app_running();
}

bool sim_kill_app(std::string *what, std::string *error) {
    pid_t killed = app_running();
    if (killed <= 0) {
        *error = "the application is not running";
        return false;
    }
    uint32_t frames = app_frames_since_start();
    *what = "main process " + std::to_string(killed) + ", " +
            (frames == 0 ? std::string("during start-up")
                         : "running, " + std::to_string(frames) + " frames shown");
    app_kill();
    return true;
}

// Whether process `pid` is udhcpc (BusyBox's, started as "udhcpc") on the board.
bool is_board_client(const char *pid) {
    std::string proc = std::string("/proc/") + pid;
    std::ifstream cmdline(proc + "/cmdline");
    std::string first;
    std::getline(cmdline, first, '\0');
    struct stat ns;
    return first == "udhcpc" && stat((proc + "/ns/net").c_str(), &ns) == 0 &&
           ns.st_ino == board_network_namespace();
}

int sim_dhcp_clients(std::string *error) {
    DIR *proc = opendir("/proc");
    if (proc == nullptr) {
        *error = std::string("/proc: ") + strerror(errno);
        return -1;
    }
    int found = 0;
    for (dirent *entry = readdir(proc); entry != nullptr; entry = readdir(proc)) {
        found +=
            entry->d_name[0] >= '1' && entry->d_name[0] <= '9' && is_board_client(entry->d_name);
    }
    closedir(proc);
    return found;
}

bool sim_signal_dhcp_client(bool renew, std::string *what, std::string *error) {
    pid_t client = board_network_client_pid();
    if (client <= 0 || kill(client, renew ? SIGUSR1 : SIGUSR2) != 0) {
        *error = "no client runs";
        return false;
    }
    *what = "udhcpc " + std::to_string(client);
    return true;
}

long count_descriptors(pid_t pid) {
    DIR *dir = opendir(("/proc/" + std::to_string(pid) + "/fd").c_str());
    if (dir == nullptr) {
        return -1;
    }
    long count = 0;
    for (dirent *entry = readdir(dir); entry != nullptr; entry = readdir(dir)) {
        count += entry->d_name[0] != '.' ? 1 : 0;
    }
    closedir(dir);
    return count;
}

// statm: size, resident, shared, ... in pages.
bool sim_resources(BoardResources *now, std::string *error) {
    pid_t pid = app_running();
    now->descriptors = count_descriptors(pid);
    std::ifstream statm("/proc/" + std::to_string(pid) + "/statm");
    long size = 0, pages = 0;
    if (now->descriptors < 0 || !(statm >> size >> pages)) {
        *error = "cannot read the main process's /proc entries";
        return false;
    }
    now->resident_kb = pages * (sysconf(_SC_PAGESIZE) / 1024);
    return true;
}

const ScenarioBoard SIMULATED = {
    "the simulated board",
    "app.log",
    SIM_BOARD,
    sim_boot,
    sim_shutdown,
    sim_running,
    touch_panel_press_raw,
    touch_panel_release,
    sim_screen,
    sim_frames,
    sim_slide_frames,
    sim_idle,
    sim_address_read,
    dm9000_set_link,
    sim_kill_app,
    board_network_eth0_address,
    sim_dhcp_clients,
    sim_signal_dhcp_client,
    sim_resources,
};

} // namespace

const ScenarioBoard &sim_scenario_board() {
    return SIMULATED;
}
