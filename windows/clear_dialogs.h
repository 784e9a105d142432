// The clear-min/max and clear-general-alarm dialogs: a minimum, maximum or rain counter
// of the main panel is shown with the times the station recorded, and on OK the station
// is told to reset it. The main panel's field stays dimmed and blinks until the station
// confirms (windows/alarm_display.h, ConfirmReset).
#pragma once

// Min/max and rain fields of the main panel: a left click, double click or right click opens
// the dialog for the field.
int LoadClearMinMax(int panel, int control, int event, void *callback_data, int event_data1,
                    int event_data2);
// Shows (1) or hides (0) the dialog's minimum, maximum and single-value groups.
void ViewMinMaxObjects(int min_group, int max_group, int single_group);
// OK of the clear-min/max dialog (commit).
int ClearMinMax(int panel, int control, int event, void *callback_data, int event_data1,
                int event_data2);
// The general-alarm indicator: a left click, double click or right click opens the dialog.
int LoadClearGeneralAlarm(int panel, int control, int event, void *callback_data,
                          int event_data1, int event_data2);
// OK of the clear-general-alarm dialog (commit).
int ClearGeneralAlarm(int panel, int control, int event, void *callback_data, int event_data1,
                      int event_data2);

void RegisterClearDialogCallbacks();
