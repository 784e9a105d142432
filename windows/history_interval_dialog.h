// The history interval dialog: how often the station stores a history data set, and
// when it stores the next one. Round intervals put the next data set on the next whole
// boundary of the station's clock by themselves; the user may set the next time instead.
#pragma once
#include <cstdint>

// History panel button (commit): fills the dialog from the station's history header.
int OpenChangeHistorySettings(int panel, int control, int event, void *callback_data,
                              int event_data1, int event_data2);
// Interval hours and minutes (value changed).
int CB_HistoryPeriodSettingChanged(int panel, int control, int event, void *callback_data,
                                   int event_data1, int event_data2);
// Next-data-set hours and minutes (value changed, left double click).
int CB_HistoryNextSettingChanged(int panel, int control, int event, void *callback_data,
                                 int event_data1, int event_data2);
// OK (commit): sends the interval and the countdown to the station.
int SetHistorySettings(int panel, int control, int event, void *callback_data,
                       int event_data1, int event_data2);

// Shows the time to the next data set (show_all 1: while the dialog is up). -1 when no
// history header of the station has arrived yet (nothing shown, OK dimmed), else 0.
int RefreshNextDataSetDisplay(int show_all);
// The same at a given local time (tests).
int RefreshNextDataSetDisplayAt(int show_all, uint32_t now);

void RegisterHistoryIntervalCallbacks();
