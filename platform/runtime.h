// The run-time services the system calls by the names it was written against: thread
// pool functions, event processing and sleep policies, delays and thread-safe queues.
// Implemented on Qt; nothing outside platform/ needs to know that.
#pragma once
#include <cstddef>
#include <cstdint>

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
// Leaves the calling thread-pool function at once with the given value.
[[noreturn]] void CmtExitThreadPoolThread(int value);
unsigned CmtGetMainThreadID();
unsigned CmtGetCurrentThreadID();

// ---- Events ---------------------------------------------------------------------------
constexpr int VAL_SLEEP_NONE = 1;
constexpr int VAL_SLEEP_SOME = 2;
constexpr int VAL_SLEEP_MORE = 3;
// Processes the calling thread's pending events. Under VAL_SLEEP_MORE it waits for the
// next event when none is pending (bounded, so that polled flags are still seen).
int ProcessSystemEvents();
int SetSleepPolicy(int policy);
int GetSleepPolicy();
// Wakes a thread that waits inside ProcessSystemEvents (for example after flag_quit).
void WakeThread(unsigned thread_id);
void Delay(double seconds);
double Timer();  // seconds on a monotonic clock

// ---- Thread-safe queues ---------------------------------------------------------------
using CmtTSQHandle = int;
using CmtTSQCallbackID = int;
constexpr int TSQ_INFINITE_TIMEOUT = -1;
constexpr int ATTR_TSQ_ITEMS_IN_QUEUE = 1;
constexpr int ATTR_TSQ_QUEUE_SIZE = 2;
constexpr int ATTR_TSQ_ITEM_SIZE = 3;
constexpr unsigned EVENT_TSQ_ITEMS_IN_QUEUE = 1;
constexpr unsigned OPT_TSQ_AUTO_FLUSH_EXACT = 4;  // creation option the queues are made with

using CmtTSQCallbackPtr = void (*)(CmtTSQHandle queue, unsigned event, int value,
                                   void *callback_data);

int CmtNewTSQ(int capacity, size_t item_size, unsigned options, CmtTSQHandle *queue);
int CmtDiscardTSQ(CmtTSQHandle queue);
// Whole items only. Returns the number of items written or read (0 on time-out when the
// queue stays full or empty), negative for a bad handle. timeout_ms -1 waits without end.
int CmtWriteTSQData(CmtTSQHandle queue, const void *items, int count, int timeout_ms,
                    int *written);
int CmtReadTSQData(CmtTSQHandle queue, void *items, int count, int timeout_ms,
                   unsigned options);
int CmtGetTSQAttribute(CmtTSQHandle queue, int attribute, void *value);
// The callback runs on thread_id's event loop while the queue holds at least threshold
// items; notifications are coalesced, so a callback must drain what it wants to see.
int CmtInstallTSQCallback(CmtTSQHandle queue, unsigned event, int threshold,
                          CmtTSQCallbackPtr callback, void *callback_data, unsigned thread_id,
                          CmtTSQCallbackID *id);
int CmtUninstallTSQCallback(CmtTSQHandle queue, CmtTSQCallbackID id);
