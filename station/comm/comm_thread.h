// The communication thread: it alone talks to the console. It prepares its resources,
// identifies the console until two readings agree, then processes its events until it
// is told to quit, and releases everything on the way out.
// The thread's modules (life cycle, preparation, polling cycle, commands, link watch,
// older data sets) call each other as the steps of one loop on one thread; they stay in
// this folder together.
#pragma once
#include <atomic>
#include <cstdint>

#include "records/kor_data.h"

// Thread id of the running communication thread (for WakeThread), 0 while none runs.
extern std::atomic<unsigned> comm_thread_id;

// The thread function; data is the CommThreadRecord handed over by
// StateMaschineConstructor. Returns 0; a failed preparation leaves the thread with
// CmtExitThreadPoolThread(1).
int StateMaschineMain(void *data);

// The communication thread's own measured-values record; only that thread touches it.
KORData *CommRecord();
