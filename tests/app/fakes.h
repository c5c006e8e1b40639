// Stand-ins for everything the main loop calls, so the loop's own decisions (the
// start-up order, the event wait, the region dispatch, the switching) can be seen
// call by call. Each fake appends its name to the call log.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace fake {

extern std::vector<std::string> calls;
extern int touch_fds[2];   // a real pipe standing in for the touch pipe
extern int address_fds[2]; // a real pipe standing in for the address pipe
extern int32_t next_point[2];
extern int slide_frames; // slide_step returns 1 this many times, then 0
extern int scene1_idle;  // what the puzzle scene render reports

void reset();
void close_pipes();

} // namespace fake
