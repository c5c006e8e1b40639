// What the QEMU board boots from: the initramfs (BusyBox, the kernel's modules,
// the guest agent, the board binary and the deployment's files) and the stick's
// disk, written by Debian's tools: bsdtar's newc writer from an mtree list (so
// the device node /dev/console needs no root), dd and sfdisk.
#pragma once

#include <string>

struct InitramfsParts {
    std::string base;        // the tree tools/make-board-vm built
    std::string app;         // the board binary, as /usr/bin/ipslide
    std::string doctor;      // the board check, as /usr/bin/ipslide-doctor
    std::string udhcpc_conf; // deploy/udhcpc.conf, as /etc/udhcpc.conf
    std::string inittab;     // the deployed inittab, after the board's own sysinit line
};

// Writes a newc archive of the parts to `path`, its list beside it; false with
// *error set on failure.
bool write_initramfs(const std::string &path, const InitramfsParts &parts, std::string *error);

// The stick as a USB stick carries it: an MBR whose first partition (Linux, from
// 1 MiB) holds the file system image, so the kernel makes /dev/sda1 of it.
bool write_stick_disk(const std::string &filesystem, const std::string &disk, std::string *error);
