// Where each alarm lives on the main panel: the bell (or switch) that shows an alarm
// flag, the symbol beside it that marks a change waiting for the station, and the field
// of each min/max record. The display, the blink timer and the alarm dialog share them.
#pragma once

constexpr int kAlarmFlagCount = 22;
constexpr int kAlarmPendingSlots = 20;
constexpr int kMinMaxPendingSlots = 13;

// Main-panel control showing alarm flag `flag` (1 and 3..21), 0 for the others.
int AlarmBellControl(int flag);
// Symbol of pending slot 0..19 (alarm_change_pending), 0 outside.
int AlarmSymbolControl(int slot);
// Alarm flag (1 and 3..21) of pending slot 0..19, 0 outside.
int AlarmFlagOfSlot(int slot);
// Field of minmax_clear_pending slot 0..12, 0 outside.
int MinMaxFieldControl(int slot);
