// Ties a worker child to the main process. When the application ends, by a crash
// or a kill, init starts it again in the same boot; a touch reader or DHCP client
// left over from the ended one would then compete with the new one's own. So each
// worker asks the kernel to kill it when its parent dies.
#pragma once

#include <sys/types.h>

// Called in the child right after the fork, with the main process's id taken
// before the fork. The death signal survives the DHCP client's exec. A main
// process that died before the tie was made can no longer send it: the child
// then ends at once (_exit), quietly, with status 0.
void worker_tie_to_parent(pid_t parent);
