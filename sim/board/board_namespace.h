// The simulated board's mount table: one private mount namespace whose /tmp is the
// boot's folder, made once per simulated boot and entered by every start of the
// application; also the board's network namespace (see
// devices/board_network.h). Like a real board's, it outlives the application: a
// start after a crash finds the stick still mounted on /tmp/d by the one before.
#pragma once

// Made by the simulator before the first start. A helper process creates the
// namespace (inside a user namespace when not root), the simulator keeps it open
// by descriptors above BOARD_FD_BASE, and the helper ends. Exits with status 2,
// saying why, when no namespace can be made.
void board_namespace_create();

// In a freshly forked process: joins the board's network namespace only (and its
// user namespace when not root), keeping the simulator's mounts; for the QEMU
// board, whose machine is the board and whose NIC sits on the board's network.
void board_namespace_enter_network();

// In a freshly forked application process: joins the board's namespaces and
// closes the descriptors that held them. Ends the process with status 2 on failure.
void board_namespace_enter();
