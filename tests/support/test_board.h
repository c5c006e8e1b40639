// The tests' fake board: the still renderer's own pieces. Everything goes
// through the platform table; a PlatformGuard (platform_guard.h) around the use
// puts the table back.
#pragma once

#include "front/render/still_board.h"

namespace test_board {

// The hand clock, the screen, the address delivery and the quiet standard error:
// the pieces the stills are made on, played the same way here.
using namespace still;

} // namespace test_board
