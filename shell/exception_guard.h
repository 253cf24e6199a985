// The structured-exception guard around the run modes.
#pragma once

// Runs a body inside the guard: an exception that the system's unhandled-
// exception filter lets us handle switches the screen-saver-running state
// off, and the result of that becomes the body's result.
int RunInExceptionGuard(int (*body)(const char *), const char *text);
