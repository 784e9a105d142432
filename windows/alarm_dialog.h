// The alarm settings dialog: opened from an alarm bell of the main panel, it asks the
// communication thread for the threshold the station holds, lets the user change it and
// the alarm's on/off state, and sends the change. The change stays marked as pending on
// the main panel until the station confirms it (windows/dispatcher.cpp).
#pragma once

// Prepares set_alarmP for alarm index 0..21 (windows/alarm_table.h); any other
// index leaves everything hidden and dimmed.
void InitSetAlarmPanel(int index);

// OK (commit): sends the change, marks it pending and asks for the alarm flags again.
int SetAlarm(int panel, int control, int event, void *callback_data, int event_data1,
             int event_data2);
// Cancel (commit): closes the dialog, sends nothing.
int AbortSetAlarm(int panel, int control, int event, void *callback_data, int event_data1,
                  int event_data2);

// The opening callbacks of the main panel: a left click, double click or right click.
int ChangeIndoorTempHighAlarm(int panel, int control, int event, void *data, int d1, int d2);
int ChangeIndoorTempLowAlarm(int panel, int control, int event, void *data, int d1, int d2);
int ChangeOutdoorTempHighAlarm(int panel, int control, int event, void *data, int d1, int d2);
int ChangeOutdoorTempLowAlarm(int panel, int control, int event, void *data, int d1, int d2);
int ChangeWindchillHighAlarm(int panel, int control, int event, void *data, int d1, int d2);
int ChangeWindchillLowAlarm(int panel, int control, int event, void *data, int d1, int d2);
int ChangeDewpointHighAlarm(int panel, int control, int event, void *data, int d1, int d2);
int ChangeDewpointLowAlarm(int panel, int control, int event, void *data, int d1, int d2);
int ChangeWindSpeedHighAlarm(int panel, int control, int event, void *data, int d1, int d2);
int ChangeWindSpeedLowAlarm(int panel, int control, int event, void *data, int d1, int d2);
int ChangeWindDirectionAlarm(int panel, int control, int event, void *data, int d1, int d2);
// High or low pressure alarm in the pressure kind the main panel shows.
int ChangeAbsPressureHighAlarm(int panel, int control, int event, void *data, int d1, int d2);
int ChangeAbsPressureLowAlarm(int panel, int control, int event, void *data, int d1, int d2);
int ChangeStormAlarm(int panel, int control, int event, void *data, int d1, int d2);
int ChangeInHumidityHighAlarm(int panel, int control, int event, void *data, int d1, int d2);
int ChangeInHumidityLowAlarm(int panel, int control, int event, void *data, int d1, int d2);
int ChangeOutHumidityHighAlarm(int panel, int control, int event, void *data, int d1, int d2);
int ChangeOutHumidityLowAlarm(int panel, int control, int event, void *data, int d1, int d2);
int Change1hRainAlarm(int panel, int control, int event, void *data, int d1, int d2);
int Change24hRainAlarm(int panel, int control, int event, void *data, int d1, int d2);

// Makes the callbacks above known under their resource-file names.
void RegisterAlarmDialogCallbacks();
