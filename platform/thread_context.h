// Inside platform/ only: how the modules of this layer reach a thread by its id. Queue
// callbacks, wake-ups, queued pop-ups and the owner checks of ports and panels all need
// "run this on thread n" and "is thread n still there"; this is the one place that knows
// how a thread id maps onto Qt's event loops.
#pragma once
#include <cstdint>
#include <functional>

// Id of the calling thread; the first call from a thread registers it. Ids start at 1.
unsigned CurrentThreadID();
// Id of the application's main thread (registered on first use from any thread).
unsigned MainThreadID();
bool OnMainThread();
// True while the thread with that id is registered (it has not ended).
bool ThreadAlive(unsigned thread_id);

// How often that thread has processed its events so far. false when the id is unknown.
bool ThreadEventRounds(unsigned thread_id, uint64_t *rounds);

// Runs fn on that thread when it next processes its events. false when the id is unknown
// (the thread never registered or has ended); fn is then dropped.
bool PostToThread(unsigned thread_id, std::function<void()> fn);
// Runs fn on the calling thread after ms milliseconds, while it processes its events.
void RunLaterOnThisThread(int ms, std::function<void()> fn);

// Processes the calling thread's events, waiting at most bound_ms for the first one when
// none is pending (0: no waiting). Independent of the sleep policy.
void ProcessEventsFor(int bound_ms);

// Unregisters the calling thread; a pool thread calls it as its function ends.
void ReleaseCurrentThread();
