// The failures the application names that the fault walker (tests/walker) cannot
// make, in one table: a call that returns less than it was asked for, two calls
// failing together, a stick or a font file that is wrong rather than unreadable,
// and FreeType's own failures (for real, or through the font's own seam where no
// file can make it fail). Each row arranges the test board, runs the code in a
// child process, and checks the exact standard error (the perror text, ": ", the
// system's message) and the exit status or the abort. Every failure of a single
// platform call is in the walker's reviewed lists instead.
#include "corrupt_font.h"
#include "font/font_discovery.h"
#include "font/font_files.h"
#include "font/freetype_calls.h"
#include "font/glyph_atlas.h"
#include "support/perror_text.h"
#include "support/platform_guard.h"
#include "support/test_board.h"
#include "workers/touch_reader.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// --- the test board with one call cut short or refused -----------------------------

Platform board; // the test board as installed, which the short calls forward to
int short_call; // which read, or which write, of the row comes up with half its bytes
int reads;
int writes;

ssize_t short_read(int fd, void *buf, size_t n) {
    return ++reads == short_call ? static_cast<ssize_t>(n / 2) : board.read(fd, buf, n);
}
ssize_t short_write(int fd, const void *buf, size_t n) {
    return ++writes == short_call ? static_cast<ssize_t>(n / 2) : board.write(fd, buf, n);
}

// The board with read (or write) number `call` cut short.
template <int Call> void read_cut_short() {
    test_board::install();
    board = platform;
    short_call = Call;
    platform.read = short_read;
}
template <int Call> void write_cut_short() {
    test_board::install();
    board = platform;
    short_call = Call;
    platform.write = short_write;
}

int fail_with(int error) {
    errno = error;
    return -1;
}
int regular_file_at(const char *, struct stat *info) {
    memset(info, 0, sizeof *info);
    info->st_mode = S_IFREG | 0644;
    return 0;
}

// The touch pipe's read end in the main process, and its reader process.
void touch_pipe_read() {
    touch_worker_start();
    touch_read_raw();
}
void reader_run() {
    touch_reader_run(71); // the board takes any descriptor
}

std::string broken_font_path;

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
    // The touch pipe, in the main process and in the reader
    {"touch_pipe_short_read_of_x", read_cut_short<1>, touch_pipe_read, ABORTS, SILENT},
    {"touch_pipe_short_read_of_y", read_cut_short<2>, touch_pipe_read, ABORTS, SILENT},
    {"reader_short_read", read_cut_short<1>, reader_run, ABORTS, SILENT},
    {"reader_short_read_in_the_drain", read_cut_short<2>, reader_run, ABORTS, SILENT},
    {"reader_short_write_of_x", write_cut_short<1>, reader_run, ABORTS, SILENT},
    {"reader_short_write_of_y", write_cut_short<2>, reader_run, ABORTS, SILENT},
    // A stale /tmp/touch that cannot be removed: mknod says what is in the way.
    {"mknod_after_a_failed_removal",
     [] {
         test_board::install_restarted();
         platform.unlink = [](const char *) { return fail_with(EACCES); };
         platform.mknod = [](const char *, mode_t, dev_t) { return fail_with(EEXIST); };
     },
     reader_run, 1, "mknod", EEXIST},
    // Font discovery
    {"mkdir_with_a_file_in_the_way",
     [] {
         test_board::install_restarted();
         platform.stat = regular_file_at;
     },
     [] { font_load_from_usb(); }, 1, "mkdir", EEXIST},
    {"no_font_name",
     [] {
         static const char *const names[] = {"concours-48.TTF", "concours-4a.ttf", "notes.txt",
                                             nullptr};
         test_board::install();
         test_board::stick_names = names;
     },
     [] { font_load_from_usb(); }, 1, SILENT},
    {"size_0_found_on_the_stick",
     [] {
         static const char *const names[] = {"concours-0.ttf", "concours-48.ttf", nullptr};
         test_board::install();
         test_board::stick_names = names;
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
    reads = writes = 0;
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
