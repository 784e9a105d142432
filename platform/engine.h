// Bringing the run-time engine up: the application object that panels, timers and
// pop-ups need on the main thread, and whether it has a screen to show them on.
#pragma once

// Creates the application object from the program's argument vector (nullptr-ended)
// unless one exists already (a test program makes its own). Returns 1 on success, 0
// when the engine cannot be brought up. Without a display (or when asked to run
// headless) it comes up on the offscreen platform instead of letting Qt abort.
int InitCVIRTE(void *instance, char *argv[], void *reserved);

// Asks for a run without windows (before InitCVIRTE): panels are loaded but never
// shown, and every message goes to stderr.
void SetHeadless(int headless);
// 1 when the program runs without windows, asked for or because no display was found.
int IsHeadless();
// 1 when a display the windows could be shown on seems reachable: QT_QPA_PLATFORM names
// one, or DISPLAY / WAYLAND_DISPLAY lead to a socket that exists (remote X displays are
// trusted as they are).
int DisplayReachable();

// The program's icon for every window and the desktop's task list; the desktop file's
// name ties windows to the menu entry. A path that does not load leaves Qt's default.
void SetApplicationIcon(const char *svg_path, const char *desktop_file_name);
