// The settings dialog: units, pressure kind, date and time style, decimal separator,
// tooltips, serial port, language and history file, on five tab pages. OK applies the
// choices, saves "Setup.cnf" and restarts the communication thread when the port or the
// history file changed; cancel leaves every setting as it was (a language picked, shown
// at once as a preview, is taken back).
#pragma once

// Main panel's settings command (commit): fills the dialog from setup and shows it.
int Settings(int panel, int control, int event, void *callback_data, int event_data1,
             int event_data2);
// Fills the dialog's controls from setup.
void InitSettings();
// OK (commit).
int SettigsOK(int panel, int control, int event, void *callback_data, int event_data1,
              int event_data2);
// Cancel (commit), also the window's close: closes the dialog; a history file chosen in
// it is dropped and a language previewed is taken back.
int SettingsAbort(int panel, int control, int event, void *callback_data, int event_data1,
                  int event_data2);
// The dialog's history file button (commit): the choice is shown in the dialog and taken
// over by OK.
int SettingsPChangeHistoryFile(int panel, int control, int event, void *callback_data,
                               int event_data1, int event_data2);

void RegisterSettingsDialogCallbacks();
