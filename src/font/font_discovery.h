// Finds the digit font on the USB stick: mounts it on /tmp/d (waiting as long as
// it takes) and builds the glyph atlas from the first "concours-N.ttf" in it.
#pragma once

// Returns glyph_atlas_build's result (0); every failure ends the process.
int font_load_from_usb();
