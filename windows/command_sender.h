// The dialogs' one way to the communication thread: a command record written to the
// command queue. A command that cannot be queued (no communication thread, or a queue
// that stayed full) is reported to the user once, so that no dialog marks a change as
// waiting for the station when the station will never hear of it.
#pragma once
#include "records/queue_records.h"

// Writes the record to the command queue (one item, at most 100 ms). 0 when queued, -1
// when not (the caller must not mark anything pending then).
int SendCommandRecord(const CommandRecord *record);
// Tells the user that a command did not reach the communication thread.
void ReportCommandNotSent();
// A record with every field 0 and the given code.
CommandRecord MakeCommandRecord(int code);
