// The main process's only wait: select over the touch pipe and, until the address
// has arrived, the address pipe.
#pragma once

#include <sys/types.h>

constexpr int EVENT_TOUCH = 1;
constexpr int EVENT_ADDRESS = 2;

// Waits at most limit_ms (50), or without a limit (-1); returns the event bits, 0 on
// a timeout. A failing select ends the process with status 1.
int wait_events(int limit_ms);

// The pause between two frames of a slide: 50 frames a second at most.
constexpr useconds_t SLIDE_FRAME_PAUSE_US = 20000;
void frame_delay();
