// The two queues between the threads and the communication thread's side of them: the
// queues are created when the communication thread starts and discarded when it ends;
// every reading, status change and command reply leaves the thread as one UI record.
#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>

#include "platform/runtime.h"
#include "records/queue_records.h"

// Made by the communication thread when it starts and read by the user-interface
// thread for its writes, hence atomic.
extern std::atomic<CmtTSQHandle> h_TSQ_to_UI;   // communication thread -> user interface
extern std::atomic<CmtTSQHandle> h_TSQ_to_CSM;  // user interface -> communication thread

// Creates both queues and installs their callbacks: the command queue's on the calling
// (communication) thread, the UI queue's on the main thread. 0, or negative on failure
// (then nothing is left half-made).
int CreateTSQs();
// Uninstalls both callbacks and discards both queues; safe when they do not exist.
void DiscardTSQs();

// The communication thread's one UI record buffer: words not set for a kind keep what an
// earlier record left there, as the receiver expects nothing of them.
UIRecord *CommUIRecord();
// Writes kind with `bytes` of payload (at most the 120 payload bytes) to the UI queue.
// timeout_ms -1 waits as long as needed. 0 when written, -1 when the queue is missing
// or stayed full.
int SendUIRecord(int kind, const void *payload, size_t bytes, int timeout_ms = 100);
// Kind 6: the history file in use and its header.
int SendHistoryFileRecord(const char *path, const void *file_header, size_t bytes);
// Kind 150: the state of the link and the device the port resolves to.
int SendLinkStateRecord(const char *device, const LinkStatePayload *state);

// Command-queue callback (communication thread): raises the flags that stop polling.
void GetTSQ_to_CSMStatus(CmtTSQHandle queue, unsigned event, int value, void *callback_data);
// The display hands its UI-queue callback (ReadElementFromTSQ_to_UI) over once at
// start-up; every queue the communication thread creates then gets it, on the main
// thread. Without one the records wait in the queue for whoever reads it (tests).
void SetUIQueueReader(CmtTSQCallbackPtr reader);
