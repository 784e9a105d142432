// The console's answers to the alarm dialog's commands: a threshold read back fills the
// dialog, a threshold written and confirmed clears its pending mark on the main panel.
// An answer only reaches a dialog that still shows what was asked for, so a late answer
// to an alarm the user has left changes nothing.
#pragma once

// Listens to the answer kinds 37..79 (at start-up).
void RegisterAlarmReplyListeners();

// The alarm_values entry a read-back answer of this kind fills, -1 for other kinds.
int AlarmReadBackEntry(int kind);
// The pending slot a written-and-confirmed answer of this kind clears, -1 for other kinds.
int AlarmWrittenSlot(int kind);
