// The agent's line to the host: a virtio console, one command a line; each is
// answered by its output lines, then "ok" or "error: WHY" on a line of its own,
// so the host knows it took effect.
#pragma once

#include <cstdio>

// Where a command's output lines go.
extern FILE *host;
// What a command returns when it has sent its own "error: WHY".
extern const char ANSWERED[];

bool host_channel_open(const char *path);
int host_channel_fd(); // the descriptor poll watches for commands
// Reads what the host sent and answers each whole line with answer(line), which
// returns nullptr when the command was carried out, else why not. False once the
// host's side has closed.
bool host_channel_serve(const char *(*answer)(const char *line));
