// Mounting the stick and picking the font file, with the system calls played by
// fakes in the platform table; a start after an earlier one in the same boot.
#include "font/font_discovery.h"
#include "font/mount_table.h"
#include "support/platform_guard.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

// What the fakes saw, in order, and what they answer.
struct Stick {
    std::vector<std::string> calls;
    int mount_failures = 0;
    std::vector<std::string> names;
    size_t next = 0;
    int readdir_calls = 0;
    int closedir_calls = 0;
    bool opendir_fails = false;
    int mkdir_error = 0;       // errno of a failing mkdir, 0: it succeeds
    mode_t at_mount_point = 0; // what stat finds at /tmp/d, 0: nothing
    std::string mountinfo;     // the kernel's mount table, read in small pieces
    size_t mountinfo_read = 0;
    bool mountinfo_missing = false;
    // Big enough for a name longer than any d_name, as a broken file system could hand out.
    alignas(struct dirent) unsigned char entry[sizeof(struct dirent) + 1024];
};
Stick *stick;
int dir_token;
DIR *const FAKE_DIR = reinterpret_cast<DIR *>(&dir_token);

int fake_mkdir(const char *path, mode_t mode) {
    stick->calls.push_back("mkdir " + std::string(path) + " " + std::to_string(mode));
    errno = stick->mkdir_error;
    return stick->mkdir_error == 0 ? 0 : -1;
}

int fake_stat(const char *path, struct stat *info) {
    stick->calls.push_back("stat " + std::string(path));
    memset(info, 0, sizeof *info);
    info->st_mode = stick->at_mount_point;
    errno = ENOENT;
    return stick->at_mount_point == 0 || strcmp(path, "/tmp/d") != 0 ? -1 : 0;
}

constexpr int MOUNTINFO_FD = 57;

int fake_open(const char *path, int flags, mode_t) {
    stick->calls.push_back("open " + std::string(path));
    EXPECT_EQ(flags, O_RDONLY);
    if (stick->mountinfo_missing || strcmp(path, "/proc/self/mountinfo") != 0) {
        errno = ENOENT;
        return -1;
    }
    stick->mountinfo_read = 0;
    return MOUNTINFO_FD;
}

// At most 7 bytes a read, so lines and the mount point field span several reads.
ssize_t fake_read(int fd, void *buf, size_t n) {
    EXPECT_EQ(fd, MOUNTINFO_FD);
    size_t left = stick->mountinfo.size() - stick->mountinfo_read;
    size_t take = std::min({n, left, size_t{7}});
    memcpy(buf, stick->mountinfo.data() + stick->mountinfo_read, take);
    stick->mountinfo_read += take;
    return static_cast<ssize_t>(take);
}

int fake_close(int fd) {
    EXPECT_EQ(fd, MOUNTINFO_FD);
    stick->calls.push_back("close mountinfo");
    return 0;
}

int fake_mount(const char *source, const char *target, const char *type, unsigned long flags,
               const void *data) {
    stick->calls.push_back("mount " + std::string(source) + " " + target + " " + type + " " +
                           std::to_string(flags) + (data == nullptr ? " no-data" : " data"));
    if (stick->mount_failures > 0) {
        --stick->mount_failures;
        errno = ENODEV;
        return -1;
    }
    return 0;
}

int fake_usleep(useconds_t us) {
    stick->calls.push_back("usleep " + std::to_string(us));
    return 0;
}

DIR *fake_opendir(const char *path) {
    stick->calls.push_back("opendir " + std::string(path));
    if (stick->opendir_fails) {
        errno = ENOENT;
        return nullptr;
    }
    return FAKE_DIR;
}

struct dirent *fake_readdir(DIR *dir) {
    EXPECT_EQ(dir, FAKE_DIR);
    ++stick->readdir_calls;
    if (stick->next == stick->names.size()) {
        return nullptr;
    }
    auto *entry = reinterpret_cast<struct dirent *>(stick->entry);
    const std::string &name = stick->names[stick->next++];
    memcpy(entry->d_name, name.c_str(), name.size() + 1);
    return entry;
}

int fake_closedir(DIR *dir) {
    EXPECT_EQ(dir, FAKE_DIR);
    ++stick->closedir_calls;
    return 0;
}

class FontDiscovery : public testing::Test {
  protected:
    void SetUp() override {
        stick = &state;
        platform.mkdir = fake_mkdir;
        platform.stat = fake_stat;
        platform.open = fake_open;
        platform.read = fake_read;
        platform.close = fake_close;
        platform.mount = fake_mount;
        platform.usleep = fake_usleep;
        platform.opendir = fake_opendir;
        platform.readdir = fake_readdir;
        platform.closedir = fake_closedir;
    }
    void TearDown() override { stick = nullptr; }

    const char *find(std::vector<std::string> names) {
        state.names = std::move(names);
        state.next = 0;
        return font_find_on_stick(path);
    }

    PlatformGuard guard;
    Stick state;
    char path[FONT_PATH_SIZE] = {};
};

// A table as the kernel writes it, with /tmp/d where it would stand in other
// fields (the mounted root, a path under it) and a longer mount point beginning
// with it.
const std::string OTHER_MOUNTS = "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/vda rw\n"
                                 "40 22 0:35 /tmp/d /srv rw - tmpfs tmpfs rw\n"
                                 "41 22 0:36 / /tmp/dd rw - tmpfs tmpfs rw\n"
                                 "42 22 0:37 / /tmp/d/inner rw - tmpfs tmpfs rw\n";
const std::string STICK_MOUNT = "43 22 8:17 / /tmp/d ro,relatime - ext4 /dev/sda1 ro\n";

const std::vector<std::string> FIRST_LOOK = {
    "mkdir /tmp/d 493",
    "open /proc/self/mountinfo",
    "close mountinfo",
};

TEST_F(FontDiscovery, WaitsForTheStickThenMountsItReadOnly) {
    state.mountinfo = OTHER_MOUNTS;
    state.mount_failures = 3;
    font_mount_stick();
    const std::string mount = "mount /dev/sda1 /tmp/d ext4 1 no-data";
    std::vector<std::string> expected = FIRST_LOOK;
    for (const std::string &call :
         {mount, std::string("usleep 10"), mount, std::string("usleep 10"), mount,
          std::string("usleep 10"), mount}) {
        expected.push_back(call);
    }
    EXPECT_EQ(state.calls, expected);
}

TEST_F(FontDiscovery, ALaterStartTakesTheFolderAndTheMountItFinds) {
    state.mkdir_error = EEXIST;
    state.at_mount_point = S_IFDIR | 0755;
    state.mountinfo = OTHER_MOUNTS + STICK_MOUNT;
    font_mount_stick();
    const std::vector<std::string> expected = {
        "mkdir /tmp/d 493",
        "stat /tmp/d",
        "open /proc/self/mountinfo",
        "close mountinfo",
    };
    EXPECT_EQ(state.calls, expected);
}

TEST_F(FontDiscovery, ALaterStartWhoseMountIsGoneMountsAgain) {
    state.mkdir_error = EEXIST;
    state.at_mount_point = S_IFDIR | 0755;
    state.mountinfo = OTHER_MOUNTS;
    font_mount_stick();
    EXPECT_EQ(state.calls.back(), "mount /dev/sda1 /tmp/d ext4 1 no-data");
    EXPECT_EQ(std::count(state.calls.begin(), state.calls.end(), state.calls.back()), 1);
}

TEST_F(FontDiscovery, WithoutAMountTableTheStickIsMountedAsAlways) {
    state.mountinfo_missing = true;
    font_mount_stick();
    const std::vector<std::string> expected = {
        "mkdir /tmp/d 493",
        "open /proc/self/mountinfo",
        "mount /dev/sda1 /tmp/d ext4 1 no-data",
    };
    EXPECT_EQ(state.calls, expected);
}

TEST_F(FontDiscovery, FirstFontNameInDirectoryOrderWins) {
    const char *name = find({".", "..", "lost+found", "concours-.ttf", "Concours-48.ttf",
                             "concours-48.ttf.bak", "concours-007.ttf", "concours-48.ttf"});
    ASSERT_NE(name, nullptr);
    EXPECT_STREQ(name, "concours-007.ttf");
    EXPECT_STREQ(path, "/tmp/d/concours-007.ttf");
    EXPECT_EQ(name, path + 7);
    EXPECT_EQ(state.readdir_calls, 7);
    EXPECT_EQ(state.closedir_calls, 1);
    EXPECT_EQ(state.calls, std::vector<std::string>{"opendir /tmp/d"});
}

TEST_F(FontDiscovery, NameWithAnImpossibleSizeIsStillChosen) {
    // The size is not looked at here: the build then refuses it.
    EXPECT_STREQ(find({"concours-0.ttf", "concours-48.ttf"}), "concours-0.ttf");
}

TEST_F(FontDiscovery, NameTooLongForThePathIsPassedOver) {
    // One byte more than "/tmp/d/" + name + terminator can hold.
    std::string huge = "concours-" + std::string(FONT_PATH_SIZE - 7 - 13, '1') + ".ttf";
    const char *name = find({huge, "concours-48.ttf"});
    ASSERT_NE(name, nullptr);
    EXPECT_STREQ(name, "concours-48.ttf");
    // A name that exactly fills the buffer is kept whole.
    std::string fits = "concours-" + std::string(FONT_PATH_SIZE - 1 - 7 - 13, '2') + ".ttf";
    EXPECT_EQ(find({fits}), path + 7);
    EXPECT_EQ(std::string(path), "/tmp/d/" + fits);
    EXPECT_EQ(state.closedir_calls, 2);
}

TEST_F(FontDiscovery, NoFontNameFindsNothing) {
    EXPECT_EQ(find({".", "..", "concours-48.TTF", "concours-4a.ttf", "concours-48-bold.ttf"}),
              nullptr);
    EXPECT_EQ(state.readdir_calls, 6);
    EXPECT_EQ(state.closedir_calls, 1);
}

} // namespace
