// The receiving end of the UI queue: each record the communication thread sends is
// copied into UI_data and redrawn on the panels it concerns. Runs on the main thread.
#pragma once
#include "records/queue_records.h"

// The UI queue's items-in-queue callback: drains the queue, one record at a time, in
// the order written.
void ReadElementFromTSQ_to_UI(int queue, unsigned event, int value, void *callback_data);
// Acts on one record by its kind; kinds the display has no use for are dropped.
void DispatchUIRecord(const UIRecord *record);

// 1 once a console of identification 1 hid the general-alarm indicator for the run.
int GeneralAlarmHidden();
