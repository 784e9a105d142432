// What the desktop shows of the program outside its window: the tray icon's tooltip with
// the outdoor temperature and humidity, and a notification when an alarm goes off.
#pragma once
#include <string>

// Makes the tray icon (when the desktop has a tray and the program has windows); a click
// on it brings the main window forward.
void StartDesktopNotices();
// Writes the outdoor values of UI_data into the tray tooltip, in the user's units; a
// value never read or no longer live shows the marker, and while the console is not
// connected the tooltip says so.
void UpdateTrayToolTip();
std::string TrayToolTipText();
// The words of an alarm's notice: what it watches, its reading now, and whether the low
// or the high threshold was crossed, with that threshold as the console holds it (the
// marker when the console could not be asked).
std::string AlarmNoticeText(int flag);
// Compares the alarms that went off (enabled and set in UI_data) with the last call and
// notifies each alarm once as it goes off; one that clears may notify again later. An
// alarm whose threshold is not known yet asks the console for it and is notified with
// the answer (without it when none comes within two alarm-state readings).
void NoteAlarmsThatWentOff();

// Listens to the outdoor values (9, 13) for the tray's tooltip, to the alarm groups (14,
// 15) for the notices, and to the surface redraw.
void RegisterDesktopNoticeListeners();
