// The fault walker: runs one path of the program on the test board with platform
// call 1 failing, then call 2, 3, ... each run in a forked child with its standard
// error captured, until a run makes no call left to fail. A call added to a path
// without a check then shows as a new line of the walk.
//
// Every entry of the table that can fail on the board is counted and failed, with
// the value its real failure returns (-1, MAP_FAILED for mmap, a null pointer for
// opendir and readdir) and the errno its rule in fault_walker.cpp gives; an entry
// that cannot fail (a load, a store, getpid, _exit) is passed straight to the
// board. The rules are checked against the table's one list when this compiles.
#pragma once

#include <string>
#include <vector>

struct WalkPath {
    const char *name;
    void (*arrange)(); // installs the test board, on which every call succeeds
    void (*run)();     // the path; returning from it ends the run with status 0
    // Lines of standard error the path writes as it goes, not as a failure (the
    // atlas's glyph boxes): those starting so are counted, not quoted. May be null.
    const char *routine_prefix;
};

// One line per run, in order:
//   <N> <entry> <errno> -> <exit S | signal NAME>, "<standard error>"
// and for the last run, in which nothing was failed: <N> none -> ...
// Standard error is quoted with its line ends written as \n, and each run of
// routine lines shown as [<count> lines "<prefix>..."].
std::vector<std::string> walk(const WalkPath &path);
