// The probes the agent leaves to BusyBox (board-vm/agent/probes, installed as
// /etc/board-vm/probes): their lines go to the host as they come.
#pragma once

// Runs probe NAME with the main process's pid and WORD (or none): nullptr when
// it answered, ANSWERED when it refused with its own "error: WHY", else why not.
const char *probe_run(const char *name, const char *word);
