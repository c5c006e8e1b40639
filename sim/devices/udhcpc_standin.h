// ipslide-sim udhcpc-standin: the DHCP client the simulated board runs as
// /sbin/udhcpc when BusyBox's is not used (udhcpc_standin.cpp says how).
#pragma once

// argv[0] is "udhcpc-standin"; runs until the board ends it.
int udhcpc_standin_main(int argc, char **argv);
