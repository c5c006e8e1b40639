// Whether something is mounted on a folder, from the kernel's table of this
// process's mounts. An application started again in the same boot finds the
// stick still mounted by the one before; mounting it once more would stack a
// second mount on the first.
#pragma once

#include <cstddef>

// Reads /proc/self/mountinfo through the platform table. false when the table
// cannot be read, so a board without /proc mounts as it always did.
bool mount_table_has(const char *mount_point);

// The scan over the table's text, fed in chunks of any size: each line's fifth
// field is the mount point ("36 35 98:0 / /tmp/d ro,... - ext4 /dev/sda1 ro").
// The kernel escapes blanks in paths as octal, so a field never holds one.
struct MountScan {
    const char *mount_point;
    int field;     // index of the field being read on the current line
    size_t length; // bytes of it read so far
    bool differs;  // it is already known not to be mount_point
    bool found;
};

MountScan mount_scan_begin(const char *mount_point);
void mount_scan_feed(MountScan *scan, const char *bytes, size_t count);
// Ends the last line (a table without a final line end) and returns the answer.
bool mount_scan_end(MountScan *scan);
