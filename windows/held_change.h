// A change cut off by a lost link waits for the same console's return. Meanwhile the
// Station group offers to give it up, so that a user whose console stays away is not
// left with a lamp blinking for a change that may never arrive. Main thread only.
#pragma once
#include "records/queue_records.h"

// Give up (commit): asks the communication thread to drop the waiting change; its
// failure record then ends the blinking.
int GiveUpHeldChange(int panel, int control, int event, void *callback_data, int event_data1,
                     int event_data2);
// True between the user's give-up and the failure record that answers it.
bool HeldChangeGivenUp();

void RegisterHeldChangeCallbacks();
// Listens to the held change (175), its end (173) and the link state (150). Registered
// after the alarm replies, which read HeldChangeGivenUp for the failure's message.
void RegisterHeldChangeListeners();
