// What the dialog tests share: the program's panels loaded once with default settings,
// and a command queue the test owns in place of the communication thread, so that every
// command record a dialog sends can be taken and looked at.
#pragma once
#include <vector>

#include "records/setup_record.h"
#include "records/queue_records.h"

// Defaults into `setup` (then adjust(&setup) when given), the program's widgets and
// callbacks registered, every panel loaded. The result of LoadInitAllPanels.
int LoadAppPanelsForTests(void (*adjust)(SetupRecord *) = nullptr);
// Creates h_TSQ_to_CSM as the communication thread would, without a callback. 0 or
// negative.
int OpenCommandQueueForTests();
// Discards it; the dialogs then find no communication thread.
void CloseCommandQueueForTests();
// Every command record written since the last call, in order.
std::vector<CommandRecord> TakeCommandsSent();
