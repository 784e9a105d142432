// Bringing the run-time engine up: the application object that panels, timers and
// pop-ups need on the main thread.
#pragma once

// Creates the application object from the program's argument vector (nullptr-ended)
// unless one exists already (a test program makes its own). Returns 1 on success, 0
// when the engine cannot be brought up (no display and no usable platform plugin ends
// the process inside Qt instead; QT_QPA_PLATFORM=offscreen runs without a display).
int InitCVIRTE(void *instance, char *argv[], void *reserved);
