#include "font/mount_table.h"

#include "platform/platform.h"

#include <fcntl.h>

namespace {

constexpr int MOUNT_POINT_FIELD = 4;

// Byte by byte, so no line buffer limits how long a line may be.
void end_field(MountScan *scan) {
    if (scan->field == MOUNT_POINT_FIELD && !scan->differs &&
        scan->mount_point[scan->length] == '\0') {
        scan->found = true;
    }
    scan->field++;
    scan->length = 0;
    scan->differs = false;
}

void field_byte(MountScan *scan, char ch) {
    if (scan->field != MOUNT_POINT_FIELD || scan->differs) {
        return;
    }
    if (scan->mount_point[scan->length] != ch) {
        scan->differs = true;
        return;
    }
    scan->length++;
}

} // namespace

MountScan mount_scan_begin(const char *mount_point) {
    return {mount_point, 0, 0, false, false};
}

void mount_scan_feed(MountScan *scan, const char *bytes, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        char ch = bytes[i];
        if (ch == ' ' || ch == '\n') {
            end_field(scan);
            if (ch == '\n') {
                scan->field = 0;
            }
        } else {
            field_byte(scan, ch);
        }
    }
}

bool mount_scan_end(MountScan *scan) {
    end_field(scan);
    scan->field = 0;
    return scan->found;
}

bool mount_table_has(const char *mount_point) {
    int fd = platform.open("/proc/self/mountinfo", O_RDONLY, 0);
    if (fd == -1) {
        return false;
    }
    MountScan scan = mount_scan_begin(mount_point);
    char chunk[512];
    ssize_t n;
    while ((n = platform.read(fd, chunk, sizeof chunk)) > 0) {
        mount_scan_feed(&scan, chunk, static_cast<size_t>(n));
    }
    platform.close(fd);
    return mount_scan_end(&scan);
}
