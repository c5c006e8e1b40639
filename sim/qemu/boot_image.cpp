#include "qemu/boot_image.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Archive {
    std::string data;
    unsigned next_inode = 1;

    void pad() { data.append((4 - data.size() % 4) % 4, '\0'); }

    // One newc member: a header of thirteen 8-digit hex fields, the name, the body.
    void add(const std::string &name, unsigned mode, const std::string &body = "", dev_t rdev = 0) {
        const unsigned fields[] = {next_inode++,
                                   mode,
                                   0,
                                   0,
                                   1,
                                   0,
                                   static_cast<unsigned>(body.size()),
                                   0,
                                   0,
                                   major(rdev),
                                   minor(rdev),
                                   static_cast<unsigned>(name.size() + 1),
                                   0};
        data += "070701";
        for (unsigned field : fields) {
            char hex[9];
            snprintf(hex, sizeof hex, "%08X", field);
            data += hex;
        }
        data += name;
        data += '\0';
        pad();
        data += body;
        pad();
    }
};

bool read_file(const std::string &path, std::string *body) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    *body = all.str();
    return static_cast<bool>(in);
}

// The tree in a fixed order, so the same inputs make the same archive.
bool add_tree(Archive *archive, const fs::path &top, std::string *error) {
    std::error_code failed;
    std::vector<fs::path> entries;
    for (fs::recursive_directory_iterator it(top, failed), end; !failed && it != end;
         it.increment(failed)) {
        entries.push_back(it->path());
    }
    if (failed) {
        *error = top.string() + ": " + failed.message();
        return false;
    }
    std::sort(entries.begin(), entries.end());
    for (const fs::path &path : entries) {
        std::string name = path.lexically_relative(top).string();
        struct stat info;
        std::string body;
        if (lstat(path.c_str(), &info) != 0) {
            *error = path.string() + ": " + strerror(errno);
            return false;
        }
        if (S_ISLNK(info.st_mode)) {
            body = fs::read_symlink(path).string();
        } else if (S_ISREG(info.st_mode) && !read_file(path, &body)) {
            *error = "cannot read " + path.string();
            return false;
        }
        archive->add(name, info.st_mode, body);
    }
    return true;
}

// Our sysinit first, then the deployed inittab's lines as they are.
std::string inittab(const std::string &deployed) {
    std::istringstream lines(deployed);
    std::string out = "::sysinit:/etc/board-vm/sysinit\n";
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line[0] != '#') {
            out += line + "\n";
        }
    }
    return out;
}

} // namespace

bool write_initramfs(const std::string &path, const InitramfsParts &parts, std::string *error) {
    Archive archive;
    std::string app, doctor, conf, tab;
    if (!read_file(parts.app, &app) || !read_file(parts.doctor, &doctor) ||
        !read_file(parts.udhcpc_conf, &conf) || !read_file(parts.inittab, &tab)) {
        *error = "cannot read " + parts.app + ", " + parts.doctor + ", " + parts.udhcpc_conf +
                 " or " + parts.inittab;
        return false;
    }
    if (!add_tree(&archive, parts.base, error)) {
        return false;
    }
    archive.add("dev/console", S_IFCHR | 0600, "", makedev(5, 1));
    archive.add("usr/bin/ipslide", S_IFREG | 0755, app);
    archive.add("usr/bin/ipslide-doctor", S_IFREG | 0755, doctor);
    archive.add("etc/udhcpc.conf", S_IFREG | 0755, conf);
    archive.add("etc/inittab", S_IFREG | 0644, inittab(tab));
    archive.add("TRAILER!!!", 0);
    std::ofstream out(path, std::ios::binary);
    out << archive.data;
    if (!out.flush()) {
        *error = "cannot write " + path;
        return false;
    }
    return true;
}

bool write_stick_disk(const std::string &filesystem, const std::string &disk, std::string *error) {
    constexpr uint32_t SECTOR = 512, START = 2048;
    std::string body;
    if (!read_file(filesystem, &body)) {
        *error = "cannot read " + filesystem;
        return false;
    }
    body.append((SECTOR - body.size() % SECTOR) % SECTOR, '\0');
    std::string mbr(START * SECTOR, '\0');
    // One partition entry: not bootable, CHS fields saying "use LBA", type 0x83.
    const uint32_t lba[2] = {START, static_cast<uint32_t>(body.size() / SECTOR)};
    const unsigned char entry[8] = {0x00, 0xfe, 0xff, 0xff, 0x83, 0xfe, 0xff, 0xff};
    memcpy(&mbr[446], entry, sizeof entry);
    for (int i = 0; i < 2; ++i) {
        for (int b = 0; b < 4; ++b) {
            mbr[454 + 4 * i + b] = static_cast<char>(lba[i] >> (8 * b));
        }
    }
    mbr[510] = '\x55';
    mbr[511] = '\xaa';
    std::ofstream out(disk, std::ios::binary);
    out << mbr << body;
    if (!out.flush()) {
        *error = "cannot write " + disk;
        return false;
    }
    return true;
}
