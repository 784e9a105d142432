// The console's answers to the alarm dialog's commands: a threshold read back fills the
// dialog, a threshold written and confirmed clears its pending mark on the main panel.
// An answer only reaches a dialog that still shows what was asked for, so a late answer
// to an alarm the user has left changes nothing.
#pragma once

// Listens to the answer kinds 37..79 (at start-up).
void RegisterAlarmReplyListeners();
