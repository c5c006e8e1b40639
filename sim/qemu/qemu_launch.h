// Making and starting the QEMU board: its files in a fresh folder, QEMU in the
// board's network namespace with its NIC bridged to the board's eth0, the
// console and agent lines connected, and the boot awaited.
#pragma once

#include <string>
#include <sys/types.h>

struct SimOptions;

struct QemuMachine {
    std::string work; // the run's folder: sockets, RAM, disks, initramfs
    pid_t qemu = -1;
};

// Everything up to the guest's "sysinit done"; false with *error set (and
// whatever was started stopped again) when the board cannot be made.
bool qemu_boot(const SimOptions &options, QemuMachine *machine, std::string *error);
void qemu_shutdown(QemuMachine *machine);
