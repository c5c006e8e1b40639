// The board the fault walker runs its paths on: every platform call succeeds, as
// on a board with its devices in place. A fake /dev/fb0 maps a static screen, the
// stick is mounted and lists one font name (DejaVu Sans Bold stands behind it),
// the DM9000 reports its link up, the touch panel plays one pen-down with its
// coordinates, forks return on the parent's side, and the SoC's registers and the
// clocks are the puzzle tests' fakes.
#pragma once

// Installs the whole board in the platform table and the font's FreeType seam.
void walk_board_install();

// The board as a start after an earlier one in the same boot finds it: the
// stick's folder made and mounted, and a stale file where the touch node goes.
void walk_board_install_restarted();

// The board as a worker sees it: forks return on the child's side.
void walk_board_install_child_side();

// Two calls end a run with status 0, as a completed path: the network worker's
// exec (the process has become the DHCP client) and a read of the panel once its
// events are all played (the touch reader would wait there for ever).
