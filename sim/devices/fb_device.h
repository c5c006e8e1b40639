// The simulated /dev/fb0: the driver accepts exactly the panel's one mode.
#pragma once

#include <linux/fb.h>
#include <string>

// Empty when the mode is the panel's; otherwise the first field that differs.
std::string fb_mode_mismatch(const fb_var_screeninfo &mode);
