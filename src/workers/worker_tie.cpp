#include "workers/worker_tie.h"

#include "platform/platform.h"

#include <csignal>
#include <cstdlib>
#include <sys/prctl.h>

// A refused prctl is not reported: the worker then runs untied, as on a first
// start, which is exactly what it did before ties existed.
void worker_tie_to_parent(pid_t parent) {
    platform.prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (platform.getppid() != parent) {
        exit(0);
    }
}
