// Alarm and min/max display: the blink timer (alarms that went off and changes still
// waiting for the station blink), the general-alarm indicator, the time stamps that the
// clear-min/max dialog asked for, and the confirmations of resets.
#pragma once
#include "records/queue_records.h"

constexpr int kSymbolGrey = 0xC0C0C0;
constexpr int kSymbolRed = 0xFF0000;

int BlinkTimer(int panel, int control, int event, void *callback_data, int event_data1,
               int event_data2);
// UI record kinds 20..30: stamps of a minimum and maximum for the clear-min/max dialog.
void ShowMinMaxStamps(const UIRecord *record);
// UI record kinds 80..93: a reset of the station was done.
void ConfirmReset(int kind);
// The blink phase (0 or 1) of the last tick.
int BlinkPhase();
// The lamp beside the bell of pending slot 0..19: blinking red while a change to that
// alarm waits for the station's confirmation, steady red while the alarm is on and went
// off, dark grey otherwise.
void ShowAlarmSymbol(int slot);
// Cancel of the clear-min/max, clear-general-alarm and history interval dialogs.
int AbortPopup(int panel, int control, int event, void *callback_data, int event_data1,
               int event_data2);

// 1 once a console of identification 1 hid the general-alarm indicator for the run.
int GeneralAlarmHidden();
// Listens to the identification (3), the min/max stamps (20 to 30) and the confirmed
// resets (80 to 93).
void RegisterAlarmDisplayListeners();
