// The QEMU board's serial console: the kernel's, init's and the application's
// output, copied into OUT/console.log as it comes.
#pragma once

#include <string>

// Takes over the connected socket and copies it into log_path until it closes.
bool guest_console_start(int fd, const std::string &log_path, std::string *error);
void guest_console_stop();

// Whether the console has printed `text` so far.
bool guest_console_has(const std::string &text);
// The last lines, each behind "  | ", for an error message.
std::string guest_console_tail(int lines = 25);
// The first line that tells of a kernel fault (an oops, a BUG, a panic), "" if none.
std::string guest_console_fault();
