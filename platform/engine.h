// Bringing the run-time engine up: the application object that panels, timers and
// pop-ups need on the main thread, and whether it has a screen to show them on.
#pragma once
#include <string>

// Creates the application object from the program's argument vector (nullptr-ended)
// unless one exists already (a test program makes its own). Returns 1 on success, 0
// when the engine cannot be brought up. Unless the user chose a platform (-platform or
// QT_QPA_PLATFORM), Qt tries the real ones (wayland when its plugin is there and
// WAYLAND_DISPLAY is set, xcb when DISPLAY or -display is) and falls back to offscreen
// when none connects: the run is then headless, and one line on stderr says why.
int InitCVIRTE(void *instance, char *argv[], void *reserved);

// Chooses how threads other than the main one wait for events (before the application
// object exists; InitCVIRTE calls it): with the plain Unix dispatcher, which costs the
// communication thread, waking for every byte on the line, less than GLib's. The main
// thread keeps GLib's, which desktop integrations rely on. A choice already made in the
// environment stands.
void ChooseThreadEventDispatcher();

// Asks for a run without windows (before InitCVIRTE): panels are loaded but never
// shown, and every message goes to stderr.
void SetHeadless(int headless);
// 1 when the program runs without windows, asked for or because no display was found.
int IsHeadless();
// 1 when windows are seen by someone: not headless and not on a platform that only
// draws into memory (offscreen, minimal).
int ScreenShown();
// The platform list handed to Qt when the user chose none: the real platforms worth
// trying for these DISPLAY / WAYLAND_DISPLAY values (either may be null), offscreen last.
// wayland_plugin says whether Qt's Wayland platform plugin is installed.
std::string PlatformsToTry(const char *display, const char *wayland_display, int wayland_plugin);

// The program's icon for every window and the desktop's task list; the desktop file's
// name ties windows to the menu entry. A path that does not load leaves Qt's default.
void SetApplicationIcon(const char *svg_path, const char *desktop_file_name);
