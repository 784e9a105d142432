// Start and stop of the communication thread, and the preparation and release of
// everything it owns: the serial port, its timer panel, its records and queues.
#pragma once
#include <cstdint>

#include "platform/runtime.h"

// Handed to the communication thread. thread_status is informational only.
struct CommThreadRecord {
    int32_t thread_status;  // THREAD_* below
    int32_t port;           // serial port number
};
static_assert(sizeof(CommThreadRecord) == 8);

constexpr int32_t THREAD_SCHEDULED = 0;
constexpr int32_t THREAD_RUNNING = 3;
constexpr int32_t THREAD_RELEASED = 4;

extern CommThreadRecord comm_thread_record;
extern CmtThreadFunctionID comm_thread_function_id;

// Main thread. Starts the communication thread on port; returns the result of
// CmtScheduleThreadPoolFunction (0 or negative).
int StateMaschineConstructor(int port);
// Main thread. Asks the communication thread to end, wakes it and waits for it while
// processing events; returns the result of CmtWaitForThreadPoolFunctionCompletion.
int StateMaschineDestructor();

// Communication thread. Prepares records, timer panel and queues (the port is opened by
// the thread's link loop, see station/comm/link_watch.h). 0 on success, 1 when the
// history file could not be prepared (the thread runs on), -2 when the timer panel
// cannot be loaded.
int InitStateMaschine(CommThreadRecord *record);
// Communication thread. Releases what InitStateMaschine prepared; returns 0.
int ClearStateMaschine(CommThreadRecord *record);

// The link part of the preparation, also used on their own by tests and benches that
// run the link on a thread of their own: load the timer panel (0, -1 failed) ...
int LoadLinkTimers();
// ... or open the port and load the timer panel (0, -1 port failed, -2 panel failed and
// port closed again) ...
int OpenStationLink(int port);
// ... empty both mailboxes and put the state machine at rest ...
void ResetStationLink();
// ... and stop the data poll, empty the mailboxes, close the port, discard the panel.
void CloseStationLink();
