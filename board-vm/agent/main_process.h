// What the host asks of the application's main process (the one the trace
// follows) that BusyBox has no applet for, or that must answer at once: the
// fault counts are read while the fanfare keeps the CPU busy.
#pragma once

// "faults MINOR MAJOR": its page faults so far (/proc/PID/stat's fields 10, 12).
const char *main_process_faults();
// Its pages in [start, end) (page-aligned addresses) reclaimed as memory pressure
// would (MADV_PAGEOUT): "pageout PRESENT PAGES", how many are still mapped after.
const char *main_process_page_out(long start, long end);
