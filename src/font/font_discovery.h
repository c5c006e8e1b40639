// Finds the digit font on the USB stick: mounts it on /tmp/d (waiting as long as
// it takes) and builds the glyph atlas from the first "concours-N.ttf" in it.
#pragma once

constexpr int FONT_PATH_SIZE = 512;
// The stick's first partition, and where the application mounts it.
constexpr char STICK_DEVICE[] = "/dev/sda1";
constexpr char MOUNT_POINT[] = "/tmp/d";

// Returns glyph_atlas_build's result (0); every failure ends the process.
int font_load_from_usb();

// The steps of font_load_from_usb, apart so each can be tried alone.
// Creates /tmp/d ("mkdir" reported and exit 1 on failure), then mounts the stick
// there read-only, retrying every 10 microseconds until the mount succeeds. A
// start after an earlier one in the same boot takes the folder and the mount
// that one left.
void font_mount_stick();
// Walks the top folder of the mounted stick in readdir order; on the first font
// name, fills path with "/tmp/d/<name>" and returns the name inside path. Returns
// nullptr when the folder cannot be opened or holds no font name.
const char *font_find_on_stick(char (&path)[FONT_PATH_SIZE]);
