// What the desktop shows of the program outside its window: the tray icon's tooltip with
// the outdoor temperature and humidity, and a notification when an alarm goes off.
#pragma once

// Makes the tray icon (when the desktop has a tray and the program has windows); a click
// on it brings the main window forward.
void StartDesktopNotices();
// Writes the outdoor values of UI_data into the tray tooltip, in the user's units.
void UpdateTrayToolTip();
// Compares the alarms that went off (enabled and set in UI_data) with the last call and
// notifies each alarm once as it goes off; one that clears may notify again later.
void NoteAlarmsThatWentOff();

// Listens to the outdoor values (9, 13) for the tray's tooltip, to the alarm groups (14,
// 15) for the notices, and to the surface redraw.
void RegisterDesktopNoticeListeners();
