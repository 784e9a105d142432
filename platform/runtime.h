// The run-time services the system calls by the names it was written against: thread
// pool functions, event processing and sleep policies, delays and thread-safe queues.
// Implemented on Qt; nothing outside platform/ needs to know that.
#pragma once
#include <cstddef>
#include <cstdint>

// Negative results of this module, one per kind of failure.
constexpr int kRtErrArgument = -1;   // argument out of range (size, count, policy, pointer)
constexpr int kRtErrHandle = -2;     // no such queue, callback or thread function
constexpr int kRtErrThread = -3;     // the thread cannot be started, or is the wrong one
constexpr int kRtErrDiscarded = -4;  // the queue was discarded while the caller waited

// ---- Threads --------------------------------------------------------------------------
constexpr int DEFAULT_THREAD_POOL_HANDLE = 1;
constexpr int OPT_TP_PROCESS_EVENTS_WHILE_WAITING = 1;

using ThreadFunctionPtr = int (*)(void *data);
using CmtThreadFunctionID = int;

// Runs fn(data) on a new thread with its own event loop, so that timers, the serial port
// and queue callbacks created there are delivered on it. 0 on success, negative on failure.
int CmtScheduleThreadPoolFunction(int pool, ThreadFunctionPtr fn, void *data,
                                  CmtThreadFunctionID *id);
// Waits until the function returned (or left through CmtExitThreadPoolThread); with
// OPT_TP_PROCESS_EVENTS_WHILE_WAITING the caller's events are processed meanwhile.
// 0 on success, negative when the id is unknown.
int CmtWaitForThreadPoolFunctionCompletion(int pool, CmtThreadFunctionID id, int options);
// The function's return value once it has completed.
int CmtGetThreadPoolFunctionReturnValue(CmtThreadFunctionID id);
// Leaves the calling thread-pool function at once with the given value. It unwinds the
// function's own frames (an exception caught by the pool), so call it from the function
// itself, not from inside a callback that Qt is delivering.
[[noreturn]] void CmtExitThreadPoolThread(int value);
// The heartbeat of a running pool function: how often its thread has processed its
// events (every wait for a reply does). A count that stops moving means a stuck thread.
// 0 with *rounds set, kRtErrHandle when the id is unknown or the function has ended.
int ThreadFunctionEventRounds(CmtThreadFunctionID id, uint64_t *rounds);
unsigned CmtGetMainThreadID();
unsigned CmtGetCurrentThreadID();

// ---- Events ---------------------------------------------------------------------------
constexpr int VAL_SLEEP_NONE = 1;
constexpr int VAL_SLEEP_SOME = 2;
constexpr int VAL_SLEEP_MORE = 3;
// Processes the calling thread's pending events: timers, serial arrivals, queue callbacks
// and calls posted to it. When none is pending it waits for the next one, at most 100 ms
// under VAL_SLEEP_MORE and 10 ms under VAL_SLEEP_SOME (so that polled flags are still
// seen); VAL_SLEEP_NONE does not wait. Any event ends the wait at once. Returns 0.
int ProcessSystemEvents();
// The same, waiting at most bound_ms for the next event whatever the policy: for a loop
// whose checks of the clock need no finer rhythm, so that it wakes less often when idle.
int ProcessSystemEventsWithin(int bound_ms);
// The policy belongs to the calling thread; a new thread starts with VAL_SLEEP_SOME.
int SetSleepPolicy(int policy);
int GetSleepPolicy();
// Wakes a thread that waits inside ProcessSystemEvents (for example after flag_quit).
void WakeThread(unsigned thread_id);
void Delay(double seconds);  // sleeps; processes no events
double Timer();  // seconds on a monotonic clock, counted from the first call

// ---- Thread-safe queues ---------------------------------------------------------------
using CmtTSQHandle = int;
using CmtTSQCallbackID = int;
constexpr int TSQ_INFINITE_TIMEOUT = -1;
constexpr int ATTR_TSQ_ITEMS_IN_QUEUE = 1;
constexpr int ATTR_TSQ_QUEUE_SIZE = 2;
constexpr int ATTR_TSQ_ITEM_SIZE = 3;
constexpr unsigned EVENT_TSQ_ITEMS_IN_QUEUE = 1;
// Creation option the queues are made with. It is accepted, but a full queue never drops
// items already in it: a writer waits up to its time-out and learns how many went in.
constexpr unsigned OPT_TSQ_AUTO_FLUSH_EXACT = 4;

using CmtTSQCallbackPtr = void (*)(CmtTSQHandle queue, unsigned event, int value,
                                   void *callback_data);

int CmtNewTSQ(int capacity, size_t item_size, unsigned options, CmtTSQHandle *queue);
int CmtDiscardTSQ(CmtTSQHandle queue);
// Whole items only, in the order written. Each call moves as many items as it can and
// waits up to timeout_ms (-1: without end, 0: not at all) for room or for more items.
// Returns the number of items written or read, fewer than count after a time-out;
// negative for a bad handle or argument, kRtErrDiscarded when the queue went away while
// waiting and nothing was moved. Any thread may read and write.
int CmtWriteTSQData(CmtTSQHandle queue, const void *items, int count, int timeout_ms,
                    int *written);
int CmtReadTSQData(CmtTSQHandle queue, void *items, int count, int timeout_ms,
                   unsigned options);
int CmtGetTSQAttribute(CmtTSQHandle queue, int attribute, void *value);
// The callback runs on thread_id's event loop (while that thread processes its events)
// when the queue holds at least threshold items; value is the item count. Notifications
// are coalesced: one call covers every write before it. When items remain after it
// returns, it runs again: at once if it took some, else after 100 ms (and at once when
// more arrive), so a callback that only raises a flag is not called in a tight loop.
// Only EVENT_TSQ_ITEMS_IN_QUEUE is supported.
int CmtInstallTSQCallback(CmtTSQHandle queue, unsigned event, int threshold,
                          CmtTSQCallbackPtr callback, void *callback_data, unsigned thread_id,
                          CmtTSQCallbackID *id);
// After uninstalling (or discarding) no call of the callback starts any more; a call
// running on another thread is waited for. Safe from inside the callback itself.
int CmtUninstallTSQCallback(CmtTSQHandle queue, CmtTSQCallbackID id);
