// The two functions that bracket a measured region. tools/icount finds their
// addresses in the program's symbol table and counts what the CPU executes from
// reaching icount_begin to reaching icount_end; on any other run they do nothing.
#pragma once

extern "C" {
void icount_begin();
void icount_end();
}
