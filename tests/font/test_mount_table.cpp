// The scan of the kernel's mount table for a mount point: only the fifth field of
// a line counts, whole, however the text is cut into reads.
#include "font/mount_table.h"

#include <gtest/gtest.h>

#include <string>

namespace {

bool scan_in_pieces(const std::string &table, size_t piece) {
    MountScan scan = mount_scan_begin("/tmp/d");
    for (size_t at = 0; at < table.size(); at += piece) {
        mount_scan_feed(&scan, table.data() + at, std::min(piece, table.size() - at));
    }
    return mount_scan_end(&scan);
}

bool has_tmp_d(const std::string &table) {
    bool whole = scan_in_pieces(table, table.size() + 1);
    for (size_t piece = 1; piece <= 9; ++piece) {
        EXPECT_EQ(scan_in_pieces(table, piece), whole) << "pieces of " << piece;
    }
    return whole;
}

TEST(MountTable, TheMountPointFieldMatchesWhole) {
    EXPECT_TRUE(has_tmp_d("43 22 8:17 / /tmp/d ro,relatime - ext4 /dev/sda1 ro\n"));
    EXPECT_TRUE(has_tmp_d("1 0 8:1 / / rw - ext4 /dev/vda rw\n"
                          "43 22 8:17 / /tmp/d ro - ext4 /dev/sda1 ro\n"
                          "44 22 0:5 / /dev rw - devtmpfs udev rw\n"));
    // The last line of a table without a final line end.
    EXPECT_TRUE(has_tmp_d("43 22 8:17 / /tmp/d ro - ext4 /dev/sda1 ro"));
    EXPECT_TRUE(has_tmp_d("43 22 8:17 / /tmp/d"));
}

TEST(MountTable, NeighboursOfTheMountPointDoNotMatch) {
    EXPECT_FALSE(has_tmp_d(""));
    EXPECT_FALSE(has_tmp_d("41 22 0:36 / /tmp/dd rw - tmpfs tmpfs rw\n"));
    EXPECT_FALSE(has_tmp_d("42 22 0:37 / /tmp/d/inner rw - tmpfs tmpfs rw\n"));
    EXPECT_FALSE(has_tmp_d("42 22 0:37 / /tmp/ rw - tmpfs tmpfs rw\n"));
    EXPECT_FALSE(has_tmp_d("43 22 8:17 / /tmp/d\\040x ro - ext4 /dev/sda1 ro\n"));
    // /tmp/d in the root field, the source field or a short line.
    EXPECT_FALSE(has_tmp_d("40 22 0:35 /tmp/d /srv rw - tmpfs /tmp/d rw\n"));
    EXPECT_FALSE(has_tmp_d("/tmp/d /tmp/d /tmp/d /tmp/d\n/tmp/d\n"));
}

TEST(MountTable, AVeryLongLineBeforeItIsReadThrough) {
    std::string root(5000, 'r');
    EXPECT_TRUE(has_tmp_d("40 22 0:35 /" + root + " /srv rw - tmpfs tmpfs rw\n" +
                          "43 22 8:17 / /tmp/d ro - ext4 /dev/sda1 ro\n"));
    EXPECT_FALSE(has_tmp_d("40 22 0:35 / /tmp/d" + root + " rw - tmpfs tmpfs rw\n"));
}

} // namespace
