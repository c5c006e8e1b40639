// Every scenario command in one table: its name, how many words it takes, the
// usage line --help prints, and the function that runs it. A new command is a
// row here and a function in one of the *_commands.cpp files; the rows are in
// the order --help lists them. It sits above sim/'s folders: it names the
// commands of scenario/ and each board's own (board/, qemu/).
#include "board/sim_board.h"
#include "qemu/qemu_board.h"
#include "scenario/commands.h"

#include <iterator>

namespace {

const CommandSpec COMMANDS[] = {
    {"shot", 1, 1, "shot NAME   (writes OUT/NAME.png)", BOTH_BOARDS, run_shot},
    {"end", 0, 0, "end", BOTH_BOARDS, run_end},
    {"wait-sound", 0, 1, "wait-sound [TIMEOUT_MS]   (until the buzzer has played)", SIM_BOARD,
     run_wait_sound},
    {"expect-no-allocation", 0, 0,
     "expect-no-allocation   (the application called no allocator since its framebuffer "
     "was mapped; ipslide-sim-counting)",
     SIM_BOARD, run_expect_no_allocation},
    {"resources-mark", 0, 0, "resources-mark   (notes the main process's descriptors and memory)",
     BOTH_BOARDS, run_resources_mark},
    {"expect-resources-steady", 0, 0,
     "expect-resources-steady   (descriptors as marked, resident memory not above the mark)",
     BOTH_BOARDS, run_expect_resources_steady},
    {"wait-address", 0, 1,
     "wait-address [TIMEOUT_MS]   (until the running start has read the leased address)",
     BOTH_BOARDS, run_wait_address},
    {"dhcp-server", 1, 2,
     "dhcp-server pause|resume|renumber IP   (the server stops or resumes answering, or "
     "dnsmasq takes over leasing IP and refuses the old lease)",
     BOTH_BOARDS, run_dhcp_server},
    {"dhcp-client", 1, 1, "dhcp-client renew|release   (udhcpc's SIGUSR1 or SIGUSR2)", BOTH_BOARDS,
     run_dhcp_client},
    {"wait-eth0", 1, 2, "wait-eth0 ADDRESS [TIMEOUT_MS]   (until the board's eth0 has ADDRESS)",
     BOTH_BOARDS, run_wait_eth0},
    {"expect-dhcp-clients", 1, 1, "expect-dhcp-clients N   (udhcpc processes on the board)",
     BOTH_BOARDS, run_expect_dhcp_clients},
    {"fill-address-pipe", 0, 0,
     "fill-address-pipe   (fills the address pipe through the client's descriptor 9)", SIM_BOARD,
     run_fill_address_pipe},
    {"link", 1, 1, "link up|down   (plugs or unplugs the cable)", BOTH_BOARDS, run_link},
    {"kill-app", 0, 0, "kill-app   (SIGKILL to the main process; init starts it again)",
     BOTH_BOARDS, run_kill_app},
    {"expect-stick-mounts", 1, 1,
     "expect-stick-mounts N   (mounts on /tmp/d, counted in the application's mountinfo)",
     SIM_BOARD, run_expect_stick_mounts},
    {"expect-no-leftovers", 0, 1,
     "expect-no-leftovers [TIMEOUT_MS]   (no process of an ended start still runs)", SIM_BOARD,
     run_expect_no_leftovers},
    {"measure-startup", 0, 0, "measure-startup   (ms from start to the first frame)", SIM_BOARD,
     run_measure_startup},
    {"measure-frames", 2, 2, "measure-frames MS NAME   (frames a second over MS)", SIM_BOARD,
     run_measure_frames},
    {"measure-touch", 2, 2, "measure-touch X Y   (ms from the press to the first screen change)",
     SIM_BOARD, run_measure_touch},
    {"measure-memory", 0, 0, "measure-memory   (resident memory of the main process)", SIM_BOARD,
     run_measure_memory},
    {"record", 1, 2, "record NAME [FPS]   (animates the screen into OUT/NAME.png)", BOTH_BOARDS,
     run_record},
    {"record-stop", 0, 0, "record-stop", BOTH_BOARDS, run_record_stop},
    {"tap", 2, 2, "tap X Y   (screen pixel; press, release 50 ms later)", BOTH_BOARDS, run_tap},
    {"tap-raw", 2, 2, "tap-raw RX RY   (raw panel values)", BOTH_BOARDS, run_tap_raw},
    {"press", 2, 2, "press X Y   (screen pixel; pen stays down)", BOTH_BOARDS, run_press},
    {"release", 0, 0, "release   (lifts the pen)", BOTH_BOARDS, run_release},
    {"wait-touch-read", 0, 1,
     "wait-touch-read [TIMEOUT_MS]   (until the touch reader has read every event sent)", SIM_BOARD,
     run_wait_touch_read},
    {"wait-idle", 0, 1, "wait-idle [TIMEOUT_MS]   (until the shown scene is still)", BOTH_BOARDS,
     run_wait_idle},
    {"wait-frames", 1, 2, "wait-frames N [TIMEOUT_MS]   (until N more frames were shown)",
     BOTH_BOARDS, run_wait_frames},
    {"wait-slide", 0, 1, "wait-slide [TIMEOUT_MS]   (until a frame of a slide is shown)",
     BOTH_BOARDS, run_wait_slide},
    {"wait-log", 1, 32, "wait-log TEXT...   (until the application's log holds TEXT)", SIM_BOARD,
     run_wait_log},
    {"inspect", 1, 1,
     "inspect NAME   (OUT/NAME.txt: the application's processes, mounts on /tmp/d, nodes in "
     "/tmp; QEMU board)",
     QEMU_BOARD, run_inspect},
    {"expect-no-zombies", 0, 0, "expect-no-zombies   (no zombie process on the board; QEMU board)",
     QEMU_BOARD, run_expect_no_zombies},
    {"pageout", 1, 1,
     "pageout SYMBOL   (the board binary's SYMBOL out of the main process's memory, from its "
     "second page on; QEMU board)",
     QEMU_BOARD, run_pageout},
    {"watch-masked-faults", 0, 0,
     "watch-masked-faults   (reads the main process's page faults when the next playback "
     "masks every interrupt and when it restores them; QEMU board)",
     QEMU_BOARD, run_watch_masked_faults},
    {"expect-no-masked-faults", 0, 1,
     "expect-no-masked-faults [TIMEOUT_MS]   (the watched playback ended without a page "
     "fault; QEMU board)",
     QEMU_BOARD, run_expect_no_masked_faults},
    {"wait-console", 1, 32,
     "wait-console TEXT...   (until the serial console has printed TEXT; QEMU board)", QEMU_BOARD,
     run_wait_console},
};

} // namespace

CommandTable all_commands() {
    return {std::begin(COMMANDS), std::end(COMMANDS)};
}
