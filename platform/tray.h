// The program's presence on the desktop besides its window: an icon in the system tray
// (where the desktop has one) and desktop notifications. Nothing here waits: a desktop
// without a tray or a notification service simply shows nothing.
#pragma once

// Makes the tray icon with the picture at icon_path; a click on it (not the click that
// opens its menu) calls on_activate on the main thread. Returns 1 when an icon was made, 0 without a tray (or headless).
int TrayIconStart(const char *icon_path, void (*on_activate)());
// The icon's menu: an entry that calls on_show and one that calls on_quit, under the
// texts given (again with new texts after a language change). Nothing without an icon.
void TrayIconSetMenu(const char *show_text, void (*on_show)(), const char *quit_text,
                     void (*on_quit)());
// The text shown when the pointer rests on the tray icon; nothing without an icon.
void TrayIconSetToolTip(const char *text);
// A desktop notification (org.freedesktop.Notifications on the session bus, else the
// tray icon's balloon). Sent without waiting for an answer.
void DesktopNotify(const char *title, const char *message);
