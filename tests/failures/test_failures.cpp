// Every failure the application names, in one table: each row makes one call
// fail through the platform table (or FreeType fail for real, or through the
// font's own seam where no file can make it fail), runs the code in a child
// process, and checks the exact standard error (the perror text, ": ", the
// system's message) and the exit status or the abort.
#include "app/event_wait.h"
#include "corrupt_font.h"
#include "display/framebuffer.h"
#include "font/font_discovery.h"
#include "font/font_files.h"
#include "font/freetype_calls.h"
#include "font/glyph_atlas.h"
#include "scenes/puzzle/buzzer_internal.h"
#include "scenes/puzzle/puzzle_board.h"
#include "support/perror_text.h"
#include "support/platform_guard.h"
#include "workers/input_event.h"
#include "workers/net_bringup.h"
#include "workers/net_worker.h"
#include "workers/touch_events.h"
#include "workers/touch_reader.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// --- fakes shared by the rows --------------------------------------------------

int fail_with(int error) {
    errno = error;
    return -1;
}
template <int Error> int fail_pipe(int[2]) {
    return fail_with(Error);
}
pid_t fail_fork() {
    return fail_with(EAGAIN);
}
pid_t parent_side() {
    return 4242;
}
int quiet_close(int) {
    return 0;
}
int ok_usleep(useconds_t) {
    return 0;
}
int nothing_at(const char *, struct stat *) {
    return fail_with(ENOENT);
}

// Descriptors 0..2 stay the test's: net_worker_start's /dev/null opens and closes
// are played, not made.
int null_open(const char *path, int, mode_t) {
    return strcmp(path, "/dev/null") == 0 ? 90 : fail_with(EINVAL);
}

// The worker's side of the fork, its tie to the main process made.
void worker_side_of_the_fork() {
    platform.close = quiet_close;
    platform.open = null_open;
    platform.fork = [] { return pid_t{0}; };
    platform.getppid = [] { return getpid(); };
}

// --- main loop: the event wait ------------------------------------------------

int fail_select_eintr(int, fd_set *, fd_set *, fd_set *, timeval *) {
    return fail_with(EINTR);
}
// The touch pipe made for real, its reader not forked.
int touch_write_end;
void touch_pipe_without_reader() {
    platform.pipe = [](int fds[2]) {
        int result = pipe(fds);
        touch_write_end = fds[1];
        return result;
    };
    platform.fork = parent_side;
    touch_worker_start();
}

// --- framebuffer ----------------------------------------------------------------

constexpr int FB_FD = 77;
int fb_open_ok(const char *path, int, mode_t) {
    return strcmp(path, "/dev/fb0") == 0 ? FB_FD : fail_with(EINVAL);
}
int fb_ioctl_ok(int, unsigned long, void *) {
    return 0;
}

// --- touch reader and the touch pipe ---------------------------------------------

int reader_pipe[2]; // the reader's touch pipe: it writes to [1]
int device_pipe[2]; // what stands in for the panel: the reader reads [0]
int short_at_call;  // which read or write of a row comes up short
int calls_so_far;

// With the panel's end kept open, a drained device reads as empty, not as ended.
void feed_device(const void *bytes, size_t count, bool keep_open) {
    ASSERT_EQ(pipe(device_pipe), 0);
    ASSERT_EQ(pipe(reader_pipe), 0);
    ASSERT_EQ(write(device_pipe[1], bytes, count), static_cast<ssize_t>(count));
    if (!keep_open) {
        close(device_pipe[1]);
    }
}
const InputEventRecord PEN_DOWN = {0, 0, INPUT_EV_KEY, INPUT_BTN_TOUCH, 1};

void reader_step() {
    TouchReaderState state;
    touch_reader_step(&state, device_pipe[0], reader_pipe[1]);
}
void reader_run() {
    touch_reader_run(reader_pipe[1]);
}
ssize_t short_touch_pipe_read(int fd, void *buf, size_t n) {
    return ++calls_so_far == short_at_call ? 2 : board_platform().read(fd, buf, n);
}
ssize_t short_pipe_write(int fd, const void *buf, size_t n) {
    return ++calls_so_far == short_at_call ? 3 : board_platform().write(fd, buf, n);
}
int ok_mknod(const char *, mode_t, dev_t) {
    return 0;
}
int regular_file_at(const char *, struct stat *info) {
    memset(info, 0, sizeof *info);
    info->st_mode = S_IFREG | 0644;
    return 0;
}

// --- network worker ----------------------------------------------------------------

uint8_t dm9000_ports[8];
constexpr int MEM_FD = 55;
int mem_open_ok(const char *path, int, mode_t) {
    return strcmp(path, "/dev/mem") == 0 ? MEM_FD : fail_with(EINVAL);
}
void *dm9000_mmap_ok(void *, size_t, int, int, int, off_t) {
    return dm9000_ports;
}
uint8_t link_is_up(volatile uint8_t *) {
    return 0x40;
}
void ignore_write8(volatile uint8_t *, uint8_t) {}
int socket_ok(int, int, int) {
    return 66;
}
int failing_request;
int ioctl_failing_at(int, unsigned long, void *) {
    return ++calls_so_far == failing_request ? fail_with(ENODEV) : 0;
}
void network_worker_up_to_the_link() {
    platform.open = mem_open_ok;
    platform.mmap = dm9000_mmap_ok;
    platform.reg_read8 = link_is_up;
    platform.reg_write8 = ignore_write8;
    platform.socket = socket_ok;
    platform.ioctl = ioctl_failing_at;
    platform.close = quiet_close;
    failing_request = 0;
}

// --- font discovery and the atlas --------------------------------------------------

const char *stick_names[4];
struct dirent stick_entry;
int stick_next;
DIR *const STICK_DIR = reinterpret_cast<DIR *>(&stick_next);

struct dirent *stick_readdir(DIR *) {
    const char *name = stick_names[stick_next];
    if (name == nullptr) {
        return nullptr;
    }
    ++stick_next;
    snprintf(stick_entry.d_name, sizeof stick_entry.d_name, "%s", name);
    return &stick_entry;
}
void stick_mounted_fresh() {
    platform.mkdir = [](const char *, mode_t) { return 0; };
    platform.open = [](const char *, int, mode_t) { return fail_with(ENOENT); }; // no /proc
    platform.mount = [](const char *, const char *, const char *, unsigned long, const void *) {
        return 0;
    };
    platform.opendir = [](const char *) { return STICK_DIR; };
    platform.readdir = stick_readdir;
    platform.closedir = [](DIR *) { return 0; };
    stick_next = 0;
}

std::string broken_font_path;

// --- buzzer --------------------------------------------------------------------------

uint32_t soc_block[256];
int mappings_before_failure;
void *soc_mmap(void *, size_t, int, int, int, off_t) {
    if (calls_so_far++ == mappings_before_failure) {
        errno = ENOMEM;
        return MAP_FAILED;
    }
    return soc_block;
}
// Any register access shows on standard error and so breaks the row's exact text.
uint32_t register_read(volatile uint32_t *) {
    fprintf(stderr, "a register was read\n");
    return 0;
}
void register_written(volatile uint32_t *, uint32_t) {
    fprintf(stderr, "a register was written\n");
}
void buzzer_registers_watched() {
    platform.reg_read32 = register_read;
    platform.reg_write32 = register_written;
}

// --- the table -----------------------------------------------------------------------

constexpr int ABORTS = -1;
// Nothing on standard error at all.
constexpr char SILENT[] = "^$";
// The atlas's eleven box lines, written before the releases.
constexpr char ELEVEN_BOXES[] = "^(x -?[0-9]+ y -?[0-9]+ x_max -?[0-9]+ y_max -?[0-9]+\n){11}$";

struct FailureCase {
    const char *name;
    void (*arrange)();
    void (*act)();
    int exit_status; // ABORTS for abort()
    // With error 0, the pattern of the whole standard error; else what perror
    // was given, followed by the system's text for error.
    const char *message;
    int error = 0;
};

void PrintTo(const FailureCase &row, std::ostream *os) {
    *os << row.name;
}

const FailureCase CASES[] = {
    // Start-up and main loop
    {"select",
     [] {
         touch_pipe_without_reader();
         platform.select = fail_select_eintr;
     },
     [] { wait_events(50); }, 1, "select", EINTR},
    // Framebuffer
    {"open_dev_fb0",
     [] { platform.open = [](const char *, int, mode_t) { return fail_with(ENOENT); }; }, fb_open,
     1, "open /dev/fb0", ENOENT},
    {"ioctl_video_mode",
     [] {
         platform.open = fb_open_ok;
         platform.ioctl = [](int, unsigned long, void *) { return fail_with(EINVAL); };
     },
     fb_open, 1, "ioctl", EINVAL},
    {"mmap_dev_fb0",
     [] {
         platform.open = fb_open_ok;
         platform.ioctl = fb_ioctl_ok;
         platform.mmap = [](void *, size_t, int, int, int, off_t) -> void * {
             errno = ENOMEM;
             return MAP_FAILED;
         };
     },
     fb_open, 1, "mmap /dev/fb0", ENOMEM},
    // Touch reader: the main process's side
    {"touch_pipe", [] { platform.pipe = fail_pipe<EMFILE>; }, [] { touch_worker_start(); }, ABORTS,
     SILENT},
    {"touch_fork", [] { platform.fork = fail_fork; }, [] { touch_worker_start(); }, ABORTS, SILENT},
    {"touch_pipe_short_read_of_x",
     [] {
         touch_pipe_without_reader();
         short_at_call = 1;
         platform.read = short_touch_pipe_read;
     },
     [] { touch_read_raw(); }, ABORTS, SILENT},
    {"touch_pipe_short_read_of_y",
     [] {
         touch_pipe_without_reader();
         int32_t x = 500;
         ASSERT_EQ(write(touch_write_end, &x, 4), 4);
         short_at_call = 2;
         platform.read = short_touch_pipe_read;
     },
     [] { touch_read_raw(); }, ABORTS, SILENT},
    // Touch reader: the reader process
    {"mknod",
     [] {
         platform.stat = nothing_at;
         platform.mknod = [](const char *, mode_t, dev_t) { return fail_with(EPERM); };
     },
     reader_run, 1, "mknod", EPERM},
    {"mknod_after_a_failed_removal",
     [] {
         platform.stat = regular_file_at;
         platform.unlink = [](const char *) { return fail_with(EACCES); };
         platform.mknod = [](const char *, mode_t, dev_t) { return fail_with(EEXIST); };
     },
     reader_run, 1, "mknod", EEXIST},
    {"open_touch",
     [] {
         platform.stat = nothing_at;
         platform.mknod = ok_mknod;
         platform.open = [](const char *, int, mode_t) { return fail_with(ENOENT); };
     },
     reader_run, 1, "open touch", ENOENT},
    {"reader_short_read", [] { feed_device(&PEN_DOWN, 8, false); }, // half an event, then the end
     reader_step, ABORTS, SILENT},
    {"reader_short_read_in_the_drain",
     [] {
         const InputEventRecord burst[] = {PEN_DOWN, PEN_DOWN};
         feed_device(burst, sizeof burst, true);
         platform.usleep = ok_usleep;
         short_at_call = 2; // the event after the pen-down
         platform.read = short_touch_pipe_read;
     },
     reader_step, ABORTS, SILENT},
    {"reader_select",
     [] {
         feed_device(&PEN_DOWN, sizeof PEN_DOWN, true);
         platform.usleep = ok_usleep;
         platform.select = fail_select_eintr;
     },
     reader_step, ABORTS, SILENT},
    {"reader_short_write_of_x",
     [] {
         feed_device(&PEN_DOWN, sizeof PEN_DOWN, true);
         platform.usleep = ok_usleep;
         short_at_call = 1;
         platform.write = short_pipe_write;
     },
     reader_step, ABORTS, SILENT},
    {"reader_short_write_of_y",
     [] {
         feed_device(&PEN_DOWN, sizeof PEN_DOWN, true);
         platform.usleep = ok_usleep;
         short_at_call = 2;
         platform.write = short_pipe_write;
     },
     reader_step, ABORTS, SILENT},
    // Network worker: the main process's side
    {"pipe",
     [] {
         platform.close = quiet_close;
         platform.open = null_open;
         platform.pipe = fail_pipe<EMFILE>;
     },
     [] { net_worker_start(); }, 1, "pipe", EMFILE},
    {"fork",
     [] {
         platform.close = quiet_close;
         platform.open = null_open;
         platform.fork = fail_fork;
     },
     [] { net_worker_start(); }, 1, "fork", EAGAIN},
    // Network worker: the worker
    {"dup2",
     [] {
         worker_side_of_the_fork();
         platform.dup2 = [](int, int) { return fail_with(EBADF); };
     },
     [] { net_worker_start(); }, 1, "^dup2: Bad file descriptor\n$"},
    {"fcntl",
     [] {
         worker_side_of_the_fork();
         platform.dup2 = [](int, int to) { return to; };
         platform.fcntl = [](int, int, int) { return fail_with(EBADF); };
     },
     [] { net_worker_start(); }, 1, "^fcntl: Bad file descriptor\n$"},
    {"dev_mem",
     [] {
         network_worker_up_to_the_link();
         platform.open = [](const char *, int, mode_t) { return fail_with(EACCES); };
     },
     net_worker_run, ABORTS, "/dev/mem", EACCES},
    {"mmap",
     [] {
         network_worker_up_to_the_link();
         platform.mmap = [](void *, size_t, int, int, int, off_t) -> void * {
             errno = ENOMEM;
             return MAP_FAILED;
         };
     },
     net_worker_run, ABORTS, "mmap", ENOMEM},
    {"socket",
     [] {
         network_worker_up_to_the_link();
         platform.socket = [](int, int, int) { return fail_with(EAFNOSUPPORT); };
     },
     net_worker_run, 1, "socket", EAFNOSUPPORT},
    {"ioctl_SIOCGIFFLAGS",
     [] {
         network_worker_up_to_the_link();
         failing_request = 1;
     },
     net_worker_run, 1, "ioctl", ENODEV},
    {"ioctl_SIOCSIFFLAGS",
     [] {
         network_worker_up_to_the_link();
         failing_request = 2;
     },
     net_worker_run, 1, "ioctl", ENODEV},
    {"ioctl_SIOCSIFADDR",
     [] {
         network_worker_up_to_the_link();
         failing_request = 3;
     },
     net_worker_run, 1, "ioctl", ENODEV},
    {"execl",
     [] {
         network_worker_up_to_the_link();
         platform.execv = [](const char *, char *const[]) { return fail_with(ENOENT); };
     },
     net_worker_run, 1, "execl", ENOENT},
    // Font discovery
    {"mkdir",
     [] {
         stick_mounted_fresh();
         platform.mkdir = [](const char *, mode_t) { return fail_with(EACCES); };
     },
     [] { font_load_from_usb(); }, 1, "mkdir", EACCES},
    {"mkdir_with_a_file_in_the_way",
     [] {
         stick_mounted_fresh();
         platform.mkdir = [](const char *, mode_t) { return fail_with(EEXIST); };
         platform.stat = regular_file_at;
     },
     [] { font_load_from_usb(); }, 1, "mkdir", EEXIST},
    {"opendir",
     [] {
         stick_mounted_fresh();
         platform.opendir = [](const char *) -> DIR * {
             errno = EIO;
             return nullptr;
         };
     },
     [] { font_load_from_usb(); }, 1, SILENT},
    {"no_font_name",
     [] {
         stick_mounted_fresh();
         stick_names[0] = "concours-48.TTF";
         stick_names[1] = "concours-4a.ttf";
         stick_names[2] = "notes.txt";
     },
     [] { font_load_from_usb(); }, 1, SILENT},
    // Glyph atlas
    {"size_without_a_number", [] {}, [] { glyph_atlas_build("concours-x.ttf", DEJAVU_BOLD); }, 1,
     SILENT},
    {"size_0", [] {}, [] { glyph_atlas_build("concours-0.ttf", DEJAVU_BOLD); }, 1, SILENT},
    {"size_empty", [] {}, [] { glyph_atlas_build("concours-.ttf", DEJAVU_BOLD); }, 1, SILENT},
    {"size_beyond_32_bits", [] {},
     [] { glyph_atlas_build("concours-99999999999.ttf", DEJAVU_BOLD); }, 1, SILENT},
    {"size_wrapping_to_48_in_32_bits", [] {},
     [] { glyph_atlas_build("concours-4294967344.ttf", DEJAVU_BOLD); }, 1, SILENT},
    {"size_301", [] {}, [] { glyph_atlas_build("concours-301.ttf", DEJAVU_BOLD); }, 1, SILENT},
    {"size_0_found_on_the_stick",
     [] {
         stick_mounted_fresh();
         stick_names[0] = "concours-0.ttf";
         stick_names[1] = "concours-48.ttf";
     },
     [] { font_load_from_usb(); }, 1, SILENT},
    {"FT_Init_FreeType",
     [] { freetype.init_freetype = [](FT_Library *) -> FT_Error { return FT_Err_Out_Of_Memory; }; },
     [] { glyph_atlas_build("concours-48.ttf", DEJAVU_BOLD); }, 1, SILENT},
    {"FT_New_Face", [] {}, [] { glyph_atlas_build("concours-48.ttf", "/dev/null"); }, 1, SILENT},
    {"FT_New_Face_missing_file", [] {},
     [] { glyph_atlas_build("concours-48.ttf", "/nonexistent/concours-48.ttf"); }, 1, SILENT},
    {"FT_New_Face_folder", [] {}, [] { glyph_atlas_build("concours-48.ttf", "/usr/share/fonts"); },
     1, SILENT},
    {"FT_Set_Pixel_Sizes", [] {}, [] { glyph_atlas_build("concours-23.ttf", TERMINUS_BOLD); }, 1,
     SILENT},
    {"FT_Load_Char", [] {}, [] { glyph_atlas_build("concours-48.ttf", broken_font_path.c_str()); },
     1, SILENT},
    // The releases fail only for a face or library FreeType does not know; the seam
    // releases for real and reports an error, so nothing is left behind.
    {"FT_Done_Face",
     [] {
         freetype.done_face = [](FT_Face face) -> FT_Error {
             FT_Done_Face(face);
             return FT_Err_Invalid_Face_Handle;
         };
     },
     [] { glyph_atlas_build("concours-48.ttf", DEJAVU_BOLD); }, 1, ELEVEN_BOXES},
    {"FT_Done_FreeType",
     [] {
         freetype.done_freetype = [](FT_Library library) -> FT_Error {
             FT_Done_FreeType(library);
             return FT_Err_Invalid_Library_Handle;
         };
     },
     [] { glyph_atlas_build("concours-48.ttf", DEJAVU_BOLD); }, 1, ELEVEN_BOXES},
    // Puzzle: the time of day that seeds the shuffle
    {"gettimeofday",
     [] { platform.gettimeofday = [](timeval *, void *) { return fail_with(EFAULT); }; },
     puzzle_shuffle, ABORTS, SILENT},
    // Buzzer: both failures come before any register is touched
    {"buzzer_dev_mem",
     [] {
         buzzer_registers_watched();
         platform.open = [](const char *, int, mode_t) { return fail_with(EACCES); };
     },
     buzzer_play, 1, "/dev/mem", EACCES},
    {"buzzer_mmap_gpio",
     [] {
         buzzer_registers_watched();
         platform.open = mem_open_ok;
         platform.mmap = soc_mmap;
         mappings_before_failure = 0;
     },
     buzzer_play, 1, "mmap", ENOMEM},
    {"buzzer_mmap_timer",
     [] {
         buzzer_registers_watched();
         platform.open = mem_open_ok;
         platform.mmap = soc_mmap;
         mappings_before_failure = 1;
     },
     buzzer_play, 1, "mmap", ENOMEM},
    {"buzzer_mmap_interrupt_controller",
     [] {
         buzzer_registers_watched();
         platform.open = mem_open_ok;
         platform.mmap = soc_mmap;
         mappings_before_failure = 2;
     },
     buzzer_play, 1, "mmap", ENOMEM},
};

class Failure : public testing::TestWithParam<FailureCase> {
  public:
    static void SetUpTestSuite() {
        // One file per test process: ctest runs the rows as parallel processes, and a
        // file rewritten under another process's FreeType mapping faults there (SIGBUS).
        broken_font_path =
            testing::TempDir() + "ipslide-broken-zero-" + std::to_string(getpid()) + ".ttf";
        ASSERT_TRUE(write_font_with_broken_glyph(DEJAVU_BOLD, broken_font_path, '0'));
    }
    static void TearDownTestSuite() { unlink(broken_font_path.c_str()); }

  protected:
    PlatformGuard guard;
};

using FailureDeathTest = Failure;

// The rows run in the child, so nothing a row installs reaches the next one.
void run_row(const FailureCase &row) {
    calls_so_far = 0;
    row.arrange();
    row.act();
    fprintf(stderr, "%s returned\n", row.name);
    _exit(99);
}

TEST_P(FailureDeathTest, EndsWithItsExactMessageAndStatus) {
    const FailureCase &row = GetParam();
    std::string expected = row.error != 0 ? perror_pattern(row.message, row.error) : row.message;
    if (row.exit_status == ABORTS) {
        EXPECT_EXIT(run_row(row), testing::KilledBySignal(SIGABRT), expected);
    } else {
        EXPECT_EXIT(run_row(row), testing::ExitedWithCode(row.exit_status), expected);
    }
}

INSTANTIATE_TEST_SUITE_P(EveryNamedFailure, FailureDeathTest, testing::ValuesIn(CASES),
                         [](const testing::TestParamInfo<FailureCase> &info) {
                             return std::string(info.param.name);
                         });

// The rows that make FreeType fail for real all end the same silent way, so the
// files they use are checked here to fail at the call their row names, and only
// there.
enum FreeTypeStep { INIT, NEW_FACE, SET_SIZE, LOAD_ZERO, ALL_PASSED };

FreeTypeStep first_failing_step(const char *path, FT_UInt size) {
    FT_Library library;
    FT_Face face;
    if (FT_Init_FreeType(&library) != 0) {
        return INIT;
    }
    FreeTypeStep failed = ALL_PASSED;
    if (FT_New_Face(library, path, 0, &face) != 0) {
        failed = NEW_FACE;
    } else {
        if (FT_Set_Pixel_Sizes(face, size, 0) != 0) {
            failed = SET_SIZE;
        } else if (FT_Load_Char(face, '0', FT_LOAD_RENDER) != 0) {
            failed = LOAD_ZERO;
        }
        FT_Done_Face(face);
    }
    FT_Done_FreeType(library);
    return failed;
}

TEST_F(Failure, EachFontFailsAtTheCallItsRowNames) {
    EXPECT_EQ(first_failing_step(DEJAVU_BOLD, 48), ALL_PASSED);
    EXPECT_EQ(first_failing_step("/dev/null", 48), NEW_FACE);
    EXPECT_EQ(first_failing_step(TERMINUS_BOLD, 23), SET_SIZE);
    EXPECT_EQ(first_failing_step(TERMINUS_BOLD, 24), ALL_PASSED); // one of its strikes
    EXPECT_EQ(first_failing_step(broken_font_path.c_str(), 48), LOAD_ZERO);
}

} // namespace
