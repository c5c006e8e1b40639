#include "icount_markers.h"

// Never inlined, cloned or folded together: each must stay a distinct address that
// the program really calls. The volatile stores give the two bodies different code
// as well, so no identical-code folding can merge them.
namespace {
volatile int marker_state;
}

extern "C" {
__attribute__((noipa, used)) void icount_begin() {
    marker_state = 1;
}
__attribute__((noipa, used)) void icount_end() {
    marker_state = 2;
}
}
