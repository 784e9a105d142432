// Choosing the console's device in the settings dialog: the serial devices present are
// listed beside the port number, and choosing one makes the port's "COMn" link in the
// working folder point at it, so "Setup.cnf" keeps only the port number. The list's first
// entry is the port as it stands, a link to a device that is not there shown as such.
#pragma once

// Fills the device list for the port number the dialog shows.
void FillDeviceList();
// Value-changed callback of the port number: the first entry follows it.
int SettingsPortChanged(int panel, int control, int event, void *callback_data,
                        int event_data1, int event_data2);
// On OK: when a device was chosen, links COM<port> to it. 1 when the link changed (the
// communication thread must start again), 0 when nothing was chosen or it failed (then
// the user is told).
int TakeDeviceChoice(int port);
