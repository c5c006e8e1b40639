// The USB stick in the board's socket. The application mounts "/dev/sda1" on
// "/tmp/d" inside its private mount namespace; we make that a real read-only mount
// there, so its opendir/readdir and FreeType's open read real files:
// - a folder (--stick DIR, or the default stick holding DejaVu Sans Condensed Bold as
//   concours-48.ttf) is bind-mounted read-only;
// - an ext4 image (--stick FILE, root only) is attached to a read-only loop device
//   and mounted as ext4, as the board's kernel would mount the stick;
// - with --stick none every mount fails with ENODEV, as on a board with an empty
//   socket, and the application stays in its mount loop.
// stick_init runs in the simulator before the application is forked; stick_mount
// runs in the application's process, after it entered its own namespace, and uses
// only what stick_init left in this process's memory.
#include "devices/stick.h"
#include "devices/board_state.h"
#include "devices/child_process.h"
#include "font/font_discovery.h"
#include "options.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <linux/loop.h>
#include <string>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// Condensed, because at 48 pixels its eleven glyphs fit the atlas's 320 rows (316)
// and an address such as 192.168.1.42 fits across the screen (318 of 320 columns);
// the wider DejaVu Sans Bold would push the point glyph out of the atlas.
constexpr char DEFAULT_FONT[] = IPSLIDE_DEFAULT_FONT;
constexpr char DEFAULT_FONT_NAME[] = "concours-48.ttf";
// Inside the boot folder, which the application sees as /tmp.
constexpr char STICK_FOLDER[] = "usb-stick";
// A refused mount takes this long, so an application waiting for a stick polls
// a few hundred times a second instead of spinning a whole core.
constexpr useconds_t REFUSAL_US = 2000;

enum class StickKind { EMPTY_SOCKET, FOLDER, IMAGE };

StickKind kind = StickKind::EMPTY_SOCKET;
char folder_path[512]; // the folder as the application's namespace sees it
int image_fd = -1;     // the image, opened here and inherited by the application
int report_fd = -1;    // the simulator's standard error, for the application's side
bool reported;         // one explanation per run is enough; the loop retries for ever

[[noreturn]] void bad_stick(const char *format, ...) {
    va_list args;
    va_start(args, format);
    fprintf(stderr, "ipslide-sim: ");
    vfprintf(stderr, format, args);
    fprintf(stderr, "\n");
    va_end(args);
    exit(2);
}

// Written from the application's process to the simulator's terminal (its own
// standard error goes to app.log by then).
void report_once(const char *format, ...) {
    if (reported || report_fd < 0) {
        return;
    }
    reported = true;
    va_list args;
    va_start(args, format);
    vdprintf(report_fd, format, args);
    va_end(args);
}

int refuse(int error) {
    usleep(REFUSAL_US);
    errno = error;
    return -1;
}

void set_folder_path(const std::string &path) {
    if (path.size() >= sizeof folder_path) {
        bad_stick("--stick %s: path too long", path.c_str());
    }
    snprintf(folder_path, sizeof folder_path, "%s", path.c_str());
}

std::string stick_copy_dir() {
    return std::string(board_state()->boot_dir) + "/" + STICK_FOLDER;
}

void prepare_default_stick() {
    std::error_code error;
    fs::create_directory(stick_copy_dir(), error);
    fs::copy_file(DEFAULT_FONT, stick_copy_dir() + "/" + DEFAULT_FONT_NAME, error);
    if (error) {
        bad_stick("the default stick needs %s (%s); install fonts-dejavu-extra "
                  "(tools/setup-deps) or give --stick DIR",
                  DEFAULT_FONT, error.message().c_str());
    }
    set_folder_path(std::string("/tmp/") + STICK_FOLDER);
}

std::string canonical_or_die(const std::string &path) {
    std::error_code error;
    std::string canonical = fs::canonical(path, error).string();
    if (error) {
        bad_stick("--stick: %s: %s", path.c_str(), error.message().c_str());
    }
    return canonical;
}

bool lies_under(const std::string &path, const std::string &dir) {
    return path == dir || path.rfind(dir + "/", 0) == 0;
}

// The application's /tmp is the boot folder, so a folder under the host's /tmp is
// out of its sight: such a stick is copied into the boot folder first.
void prepare_folder_stick(const std::string &option) {
    std::string path = canonical_or_die(option);
    std::string tmp = canonical_or_die("/tmp");
    std::string boot = canonical_or_die(board_state()->boot_dir);
    std::error_code error;
    if (lies_under(path, boot)) {
        set_folder_path("/tmp" + path.substr(boot.size()));
    } else if (lies_under(path, tmp)) {
        fs::copy(path, stick_copy_dir(), fs::copy_options::recursive, error);
        if (error) {
            bad_stick("--stick %s: copying it: %s", option.c_str(), error.message().c_str());
        }
        set_folder_path(std::string("/tmp/") + STICK_FOLDER);
    } else {
        set_folder_path(path);
    }
}

void prepare_image_stick(const std::string &option) {
    if (geteuid() != 0) {
        bad_stick("--stick %s: an ext4 image is loop-mounted, which needs root; run as "
                  "root or give the folder the image was made from",
                  option.c_str());
    }
    image_fd = board_descriptor(open(option.c_str(), O_RDONLY | O_CLOEXEC));
    if (image_fd < 0) {
        bad_stick("--stick %s: %s", option.c_str(), strerror(errno));
    }
}

// Bind mounts keep the flags that the source's mount locks (nosuid, nodev, ... when
// we run in a user namespace): a read-only remount must repeat them or it fails.
unsigned long locked_flags(const char *path) {
    struct statvfs fs_info;
    if (statvfs(path, &fs_info) != 0) {
        return 0;
    }
    unsigned long flags = 0;
    flags |= (fs_info.f_flag & ST_NOSUID) ? MS_NOSUID : 0;
    flags |= (fs_info.f_flag & ST_NODEV) ? MS_NODEV : 0;
    flags |= (fs_info.f_flag & ST_NOEXEC) ? MS_NOEXEC : 0;
    flags |= (fs_info.f_flag & ST_NOATIME) ? MS_NOATIME : 0;
    flags |= (fs_info.f_flag & ST_NODIRATIME) ? MS_NODIRATIME : 0;
    flags |= (fs_info.f_flag & ST_RELATIME) ? MS_RELATIME : 0;
    return flags;
}

int mount_folder(const char *target) {
    if (mount(folder_path, target, nullptr, MS_BIND, nullptr) != 0) {
        return -1;
    }
    unsigned long flags = MS_REMOUNT | MS_BIND | MS_RDONLY | locked_flags(folder_path);
    if (mount(nullptr, target, nullptr, flags, nullptr) != 0) {
        int error = errno;
        umount2(target, MNT_DETACH);
        errno = error;
        return -1;
    }
    return 0;
}

// A free loop device bound read-only to the image; it lets go of the image by itself
// once the mount is gone (the application's namespace ends with it).
int attach_loop_device(char (&device)[64]) {
    int control = open("/dev/loop-control", O_RDWR | O_CLOEXEC);
    if (control < 0) {
        return -1;
    }
    for (int attempt = 0; attempt < 16; ++attempt) {
        int n = ioctl(control, LOOP_CTL_GET_FREE);
        if (n < 0) {
            break;
        }
        snprintf(device, sizeof device, "/dev/loop%d", n);
        int loop = open(device, O_RDONLY | O_CLOEXEC);
        if (loop < 0) {
            break;
        }
        struct loop_config config = {};
        config.fd = static_cast<uint32_t>(image_fd);
        config.info.lo_flags = LO_FLAGS_READ_ONLY | LO_FLAGS_AUTOCLEAR;
        if (ioctl(loop, LOOP_CONFIGURE, &config) == 0) {
            close(control);
            return loop;
        }
        int error = errno;
        close(loop);
        errno = error;
        if (error != EBUSY) {
            break;
        }
        // Another process took this device since we asked: ask for the next free one.
    }
    int error = errno;
    close(control);
    errno = error;
    return -1;
}

int mount_image(const char *target, const char *fstype, unsigned long flags) {
    char device[64];
    int loop = attach_loop_device(device);
    if (loop < 0) {
        return -1;
    }
    int result = mount(device, target, fstype, flags, nullptr);
    int error = errno;
    close(loop);
    errno = error;
    return result;
}

bool board_arguments(const char *source, const char *target, const char *fstype,
                     unsigned long flags, const void *data) {
    return source != nullptr && strcmp(source, STICK_DEVICE) == 0 && target != nullptr &&
           strcmp(target, MOUNT_POINT) == 0 && fstype != nullptr && strcmp(fstype, "ext4") == 0 &&
           flags == MS_RDONLY && data == nullptr;
}

} // namespace

void stick_init(const SimOptions &options) {
    report_fd = fcntl(2, F_DUPFD_CLOEXEC, 3);
    const std::string &option = options.stick;
    if (option == "none") {
        kind = StickKind::EMPTY_SOCKET;
        return;
    }
    if (option.empty()) {
        kind = StickKind::FOLDER;
        prepare_default_stick();
        return;
    }
    struct stat info;
    if (stat(option.c_str(), &info) != 0) {
        bad_stick("--stick %s: %s", option.c_str(), strerror(errno));
    }
    if (S_ISDIR(info.st_mode)) {
        kind = StickKind::FOLDER;
        prepare_folder_stick(option);
    } else if (S_ISREG(info.st_mode)) {
        kind = StickKind::IMAGE;
        prepare_image_stick(option);
    } else {
        bad_stick("--stick %s: neither a folder nor an ext4 image", option.c_str());
    }
}

int stick_mount(const char *source, const char *target, const char *fstype, unsigned long flags,
                const void *data) {
    if (!board_arguments(source, target, fstype, flags, data)) {
        report_once("ipslide-sim: mount(%s, %s, %s, %#lx) refused: the board's stick is "
                    "/dev/sda1, mounted on /tmp/d as ext4, read-only, without data\n",
                    source ? source : "NULL", target ? target : "NULL", fstype ? fstype : "NULL",
                    flags);
        return refuse(EINVAL);
    }
    if (kind == StickKind::EMPTY_SOCKET) {
        report_once("ipslide-sim: no USB stick in the socket: the application waits in its "
                    "mount loop\n");
        return refuse(ENODEV);
    }
    int result =
        kind == StickKind::FOLDER ? mount_folder(target) : mount_image(target, fstype, flags);
    if (result != 0) {
        int error = errno;
        report_once("ipslide-sim: the USB stick cannot be mounted on /tmp/d (%s): the "
                    "application waits in its mount loop\n",
                    strerror(error));
        return refuse(error);
    }
    return 0;
}
