// The doctor's report: one line per check, in the order the application meets its
// requirements. "ok   NAME: what was found", or "FAIL NAME: what was found; why
// that stops ipslide; fix: what to change".
#pragma once

void report_ok(const char *check, const char *format, ...) __attribute__((format(printf, 2, 3)));
void report_fail(const char *check, const char *found, const char *why, const char *fix);

// The failures reported since the last reset.
int report_failures();
void report_reset();
