// The include that closes the cycle the layer check must name.
#include "high/player.h"
#include "low/clock.h"
