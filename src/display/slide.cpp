#include "display/slide.h"

#include "app/time_base.h"

Canvas slide_snapshot[2];
uint32_t slide_start_ms;

// TEMPORARY: cuts between scenes until the slide transition lands.
void slide_prepare() {
    slide_start_ms = now_ms();
}

// TEMPORARY: no transition frames until the slide transition lands.
int slide_step(int) {
    return 0;
}
