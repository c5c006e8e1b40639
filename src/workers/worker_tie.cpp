#include "workers/worker_tie.h"

#include "platform/platform.h"

#include <csignal>
#include <sys/prctl.h>

// A refused prctl is not reported: the worker then runs untied, as on a first
// start, which is exactly what it did before ties existed. An orphan ends without
// running exit handlers: it has nothing to flush, and whatever the main process
// held at the fork (a lock, a buffer) is not its own to finish.
void worker_tie_to_parent(pid_t parent) {
    platform.prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (platform.getppid() != parent) {
        platform._exit(0);
    }
}
