// The simulated board's devices, as the simulated platform table reaches them.
// Each device keeps its state in shared memory that it creates in its init
// function, which the simulator calls before the application is forked, so the
// simulator and every application process see one board.
#pragma once

#include <cstddef>
#include <cstdint>
#include <sys/types.h>

struct SimOptions;

// Ethernet controller (index port at byte 0, data port at byte 4 of 0x20000000).
constexpr off_t DM9000_PHYS = 0x20000000;
void dm9000_init(const SimOptions &options);
void *dm9000_map(size_t length);
bool dm9000_owns(volatile void *reg);
uint8_t dm9000_read8(volatile uint8_t *reg);
void dm9000_write8(volatile uint8_t *reg, uint8_t value);
void dm9000_set_link(bool up);
bool dm9000_link();

// GPIO, PWM timer and interrupt controller blocks of the SoC.
void soc_init(const SimOptions &options);
void *soc_map(off_t phys, size_t length);
bool soc_owns(volatile void *reg);
uint32_t soc_read32(volatile uint32_t *reg);
void soc_write32(volatile uint32_t *reg, uint32_t value);
// Collects a finished buzzer playback: writes OUT/victory.wav, plays it in the window
// and checks the interrupt masks came back. The simulator's loops call it often.
// Before the window goes: lets a queued fanfare finish and releases the sound card.
void soc_sound_close();
void soc_poll_playback(const SimOptions &options);

// The USB stick behind mount("/dev/sda1", "/tmp/d", "ext4", MS_RDONLY).
void stick_init(const SimOptions &options);
int stick_mount(const char *source, const char *target, const char *fstype, unsigned long flags,
                const void *data);

// The touch panel behind the node "/tmp/touch".
void touch_panel_init(const SimOptions &options);
int touch_panel_mknod(const char *path, mode_t mode, dev_t dev);

// The network interface requests and the DHCP client started by exec.
void dhcp_init(const SimOptions &options);
int net_ioctl(int fd, unsigned long request, void *arg, bool *handled);
int dhcp_exec(const char *path, char *const argv[]);

// Pen on the panel, in screen pixels as a person sees the LCD (landscape).
void touch_panel_press(int screen_x, int screen_y);
void touch_panel_release();

// One line about the network for the window title: link, fixed address, lease.
const char *net_status();
