// Programs that live inside ipslide-sim besides the simulator itself (stills on
// demand), chosen by the first argument; the table is in subcommands.cpp.
#pragma once

// Runs the subcommand named by argv[1], if there is one; returns false otherwise.
bool run_subcommand(int argc, char **argv, int *status);

void print_subcommands();
