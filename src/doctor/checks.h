// The doctor's checks, in the order the application meets what it needs: init's
// lines and /tmp, the network worker's registers and client, the stick, the touch
// panel, the screen, and the fanfare at the first victory. Each prints
// its lines through report.h and changes nothing on the board.
#pragma once

#include <cstdint>

// The stick is mounted read-only here for the check, then unmounted.
constexpr char DOCTOR_STICK_DIR[] = "/tmp/ipslide-doctor";
// A device node is made and removed here to try /tmp and the panel's ranges.
constexpr char DOCTOR_NODE[] = "/tmp/ipslide-doctor-node";

void check_screen();
void check_touch();
// Returns whether every register page was mapped: the link is read only then.
bool check_registers();
void check_network(bool registers_mapped);
// No DHCP client on eth0 but the one the application started.
void check_dhcp_clients();
void check_stick(const char *mount_dir);
// Why there is no /dev/sda1, as the stick's FAIL line.
void report_no_stick_device();
void check_startup();

// The playback's bit period on this CPU, measured without masking anything.
struct FanfareTiming {
    double bit_us;
    double playback_s;
    double semitones; // the pitch against the sample's nominal bit rate
};
FanfareTiming fanfare_measure();
void check_fanfare();

// Every check in order, the stick mounted on stick_dir; prints a closing line and
// returns the exit status: 0 when every check passed, else 1.
int doctor_run(const char *stick_dir);
