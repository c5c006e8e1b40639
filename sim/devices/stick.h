// The USB stick behind mount("/dev/sda1", "/tmp/d", "ext4", MS_RDONLY): a folder
// or an ext4 image of the simulator's user, or the default stick.
#pragma once

struct SimOptions;

void stick_init(const SimOptions &options);
int stick_mount(const char *source, const char *target, const char *fstype, unsigned long flags,
                const void *data);
