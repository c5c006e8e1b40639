// Mounting the stick and picking the font file, with the system calls played by
// fakes in the platform table.
#include "font/font_discovery.h"
#include "support/platform_guard.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>
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
    // Big enough for a name longer than any d_name, as a broken file system could hand out.
    alignas(struct dirent) unsigned char entry[sizeof(struct dirent) + 1024];
};
Stick *stick;
int dir_token;
DIR *const FAKE_DIR = reinterpret_cast<DIR *>(&dir_token);

int fake_mkdir(const char *path, mode_t mode) {
    stick->calls.push_back("mkdir " + std::string(path) + " " + std::to_string(mode));
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

TEST_F(FontDiscovery, WaitsForTheStickThenMountsItReadOnly) {
    state.mount_failures = 3;
    font_mount_stick();
    const std::string mount = "mount /dev/sda1 /tmp/d ext4 1 no-data";
    const std::vector<std::string> expected = {
        "mkdir /tmp/d 493", mount, "usleep 10", mount, "usleep 10", mount, "usleep 10", mount,
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

using FontDiscoveryDeathTest = FontDiscovery;

TEST_F(FontDiscoveryDeathTest, MkdirFailureIsReported) {
    platform.mkdir = [](const char *, mode_t) {
        errno = EEXIST;
        return -1;
    };
    EXPECT_EXIT(font_load_from_usb(), testing::ExitedWithCode(1), "^mkdir: File exists\n$");
}

TEST_F(FontDiscoveryDeathTest, UnreadableStickEndsSilently) {
    state.opendir_fails = true;
    EXPECT_EXIT(font_load_from_usb(), testing::ExitedWithCode(1), "^$");
}

TEST_F(FontDiscoveryDeathTest, StickWithoutFontEndsSilently) {
    state.names = {".", "..", "concours-48.TTF", "notes.txt"};
    EXPECT_EXIT(font_load_from_usb(), testing::ExitedWithCode(1), "^$");
}

TEST_F(FontDiscoveryDeathTest, FontNamedWithSizeZeroEndsSilently) {
    state.names = {"concours-0.ttf", "concours-48.ttf"};
    EXPECT_EXIT(font_load_from_usb(), testing::ExitedWithCode(1), "^$");
}

} // namespace
