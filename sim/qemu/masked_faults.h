// The main process's page faults while the buzzer has every interrupt masked, as
// the QEMU board sees them from outside. On a board the masked CPU cannot finish a
// fault that waits on a disk, so there must be none. The SoC's register blocks are
// RAM holes the guest's kernel leaves alone, so the host reads INTMSK in the
// guest's RAM while the agent reads the fault counters the kernel keeps.
#pragma once

#include <cstdint>
#include <string>

struct MaskedFaults {
    unsigned long minor = 0;
    unsigned long major = 0;
};

// Starts watching INTMSK for the next playback: the counters are read when the
// mask-all value appears and again when it is gone. The first reading comes a
// few milliseconds after the mask, so a fault in those first moments is not
// counted; the probes that need it look further into the sample.
bool masked_faults_watch(std::string *error);

// Whether the watch still waits for its playback to begin or to end.
bool masked_faults_pending();

// The watched playback's faults, once it is no longer pending; false with *error
// set when there was no watch or the agent could not be read.
bool masked_faults_result(MaskedFaults *faults, std::string *error);

// Stops a watch that is still waiting; before the guest's memory goes.
void masked_faults_stop();
