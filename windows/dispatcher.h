// The receiving end of the UI queue: each record the communication thread sends is
// copied into UI_data and handed to the views that listen to its kind. Runs on the main
// thread.
#pragma once
#include "records/queue_records.h"

// The UI queue's items-in-queue callback: drains the queue, one record at a time, in
// the order written.
void ReadElementFromTSQ_to_UI(int queue, unsigned event, int value, void *callback_data);
// Takes one record into UI_data and hands it to the views listening to its kind.
void DispatchUIRecord(const UIRecord *record);
