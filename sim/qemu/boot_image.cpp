#include "qemu/boot_image.h"

#include "devices/child_process.h"

#include <fstream>

namespace {

// Our sysinit first, then the deployed inittab's lines as they are.
bool write_inittab(const std::string &deployed, const std::string &path) {
    std::ifstream in(deployed);
    std::ofstream out(path);
    out << "::sysinit:/etc/board-vm/sysinit\n";
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line[0] != '#') {
            out << line << "\n";
        }
    }
    return !in.bad() && in.eof() && static_cast<bool>(out.flush());
}

} // namespace

bool write_initramfs(const std::string &path, const InitramfsParts &parts, std::string *error) {
    std::string inittab = path + ".inittab", listing = path + ".mtree";
    if (!write_inittab(parts.inittab, inittab)) {
        *error = "cannot read " + parts.inittab + " or write " + inittab;
        return false;
    }
    // The base tree as it lies, owned by root; then our files, listed for bsdtar as
    // an mtree with their modes and where their contents are.
    std::ofstream list(listing);
    list << "#mtree\n/set uid=0 gid=0\n"
         << "./dev/console type=char mode=0600 device=native,5,1\n"
         << "./usr/bin/ipslide type=file mode=0755 contents=" << parts.app << "\n"
         << "./usr/bin/ipslide-doctor type=file mode=0755 contents=" << parts.doctor << "\n"
         << "./etc/udhcpc.conf type=file mode=0755 contents=" << parts.udhcpc_conf << "\n"
         << "./etc/inittab type=file mode=0644 contents=" << inittab << "\n";
    if (!list.flush()) {
        *error = "cannot write " + listing;
        return false;
    }
    return run_process({"bsdtar", "--format", "newc", "--uid", "0", "--gid", "0", "-cf", path, "-C",
                        parts.base, ".", "@" + listing},
                       error);
}

// The file system from 1 MiB on, in whole sectors; sfdisk writes the table first,
// before there is a signature in the partition for it to remark on.
bool write_stick_disk(const std::string &filesystem, const std::string &disk, std::string *error) {
    const char *script =
        "truncate -s $(( ($(stat -c %s \"$0\") + 511) / 512 * 512 + 1048576 )) \"$1\""
        " && echo 'start=2048, type=83' | sfdisk --quiet \"$1\""
        " && dd if=\"$0\" of=\"$1\" bs=1M seek=1 conv=notrunc status=none";
    return run_process({"sh", "-c", script, filesystem, disk}, error);
}
