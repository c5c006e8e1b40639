// The platform table of the simulated board: device paths and physical addresses
// reach the simulated devices, everything else the real system.
#pragma once

#include "platform/platform.h"

const Platform &sim_platform();
