// Thread-safe queues of fixed-size items: the only channel for Station data between the
// communication thread and the user interface. A ring of bytes under one mutex; writers
// and readers wait on condition variables with their time-outs; the items-in-queue
// callback is posted to the event loop of the thread named at install time, one post at
// a time (coalesced), and each queued call re-checks that the callback is still
// installed, so uninstalling and discarding never race with a call in flight.
#include "platform/runtime.h"
#include "platform/thread_context.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// A callback that took no item and left the queue as full as before is called again
// after this pause rather than at once, so it cannot keep its thread busy.
constexpr int kRecallPauseMs = 100;

enum class Notice { idle, posted, delayed };

struct TSQCallback {
    CmtTSQCallbackID id;
    int threshold;
    CmtTSQCallbackPtr fn;
    void *data;
    unsigned thread_id;
    Notice notice = Notice::idle;
    unsigned delay_generation = 0;
};

struct Queue {
    CmtTSQHandle handle = 0;
    size_t item_size = 0;
    int capacity = 0;
    std::mutex mutex;
    std::condition_variable items_arrived;
    std::condition_variable room_made;
    std::condition_variable call_ended;
    std::vector<unsigned char> ring;
    int head = 0;   // first item
    int count = 0;  // items in the ring
    bool discarded = false;
    std::vector<TSQCallback> callbacks;
    std::map<CmtTSQCallbackID, std::thread::id> running;  // calls in flight
    CmtTSQCallbackID next_callback_id = 1;
};

std::mutex queues_mutex;
std::map<CmtTSQHandle, std::shared_ptr<Queue>> queues;  // guarded by queues_mutex
CmtTSQHandle next_handle = 1;                           // guarded by queues_mutex

std::shared_ptr<Queue> Find(CmtTSQHandle handle) {
    std::lock_guard lock(queues_mutex);
    const auto it = queues.find(handle);
    return it == queues.end() ? nullptr : it->second;
}

TSQCallback *FindCallback(Queue &q, CmtTSQCallbackID id) {
    for (TSQCallback &cb : q.callbacks)
        if (cb.id == id) return &cb;
    return nullptr;
}

std::optional<Clock::time_point> Deadline(int timeout_ms) {
    if (timeout_ms < 0) return std::nullopt;
    return Clock::now() + std::chrono::milliseconds(timeout_ms);
}

// Waits on cv until woken or the deadline passes; false when the deadline has passed.
bool WaitUntil(std::condition_variable &cv, std::unique_lock<std::mutex> &lock,
               const std::optional<Clock::time_point> &deadline) {
    if (!deadline) {
        cv.wait(lock);
        return true;
    }
    return cv.wait_until(lock, *deadline) != std::cv_status::timeout ||
           Clock::now() < *deadline;
}

void Dispatch(const std::shared_ptr<Queue> &q, CmtTSQCallbackID id);

// Posts the callback's next call to its thread. Called with q.mutex held.
void PostCall(const std::shared_ptr<Queue> &q, TSQCallback &cb) {
    cb.notice = Notice::posted;
    const CmtTSQCallbackID id = cb.id;
    if (!PostToThread(cb.thread_id, [q, id] { Dispatch(q, id); }))
        cb.notice = Notice::idle;  // the thread has ended: nobody to call
}

// After items arrived: every callback whose threshold is reached and that has no call
// on its way gets one. Called with q.mutex held.
void NotifyCallbacks(const std::shared_ptr<Queue> &q) {
    for (TSQCallback &cb : q->callbacks)
        if (cb.notice != Notice::posted && q->count >= cb.threshold) PostCall(q, cb);
}

void RecallLater(const std::shared_ptr<Queue> &q, TSQCallback &cb) {
    cb.notice = Notice::delayed;
    const unsigned generation = ++cb.delay_generation;
    const CmtTSQCallbackID id = cb.id;
    RunLaterOnThisThread(kRecallPauseMs, [q, id, generation] {
        {
            std::lock_guard lock(q->mutex);
            TSQCallback *c = FindCallback(*q, id);
            if (c == nullptr || c->notice != Notice::delayed || c->delay_generation != generation)
                return;
            c->notice = Notice::posted;
        }
        Dispatch(q, id);
    });
}

// One call of an installed callback, on its thread.
void Dispatch(const std::shared_ptr<Queue> &q, CmtTSQCallbackID id) {
    std::unique_lock lock(q->mutex);
    TSQCallback *cb = FindCallback(*q, id);
    if (cb == nullptr || cb->notice != Notice::posted) return;
    cb->notice = Notice::idle;  // a write from now on posts the next call
    const CmtTSQCallbackPtr fn = cb->fn;
    void *const data = cb->data;
    const int before = q->count;
    q->running[id] = std::this_thread::get_id();
    lock.unlock();
    fn(q->handle, EVENT_TSQ_ITEMS_IN_QUEUE, before, data);
    lock.lock();
    q->running.erase(id);
    q->call_ended.notify_all();
    cb = FindCallback(*q, id);
    if (cb == nullptr || cb->notice != Notice::idle || q->count < cb->threshold) return;
    if (q->count < before)
        PostCall(q, *cb);
    else
        RecallLater(q, *cb);
}

// Waits until no call of callback id runs on another thread. Called with q.mutex held.
void WaitForCall(Queue &q, std::unique_lock<std::mutex> &lock, CmtTSQCallbackID id) {
    q.call_ended.wait(lock, [&] {
        const auto it = q.running.find(id);
        return it == q.running.end() || it->second == std::this_thread::get_id();
    });
}

}  // namespace

int CmtNewTSQ(int capacity, size_t item_size, unsigned options, CmtTSQHandle *queue) {
    (void)options;  // see OPT_TSQ_AUTO_FLUSH_EXACT: a full queue makes writers wait
    if (capacity <= 0 || item_size == 0 || queue == nullptr) return kRtErrArgument;
    auto q = std::make_shared<Queue>();
    q->item_size = item_size;
    q->capacity = capacity;
    q->ring.resize(static_cast<size_t>(capacity) * item_size);
    std::lock_guard lock(queues_mutex);
    q->handle = next_handle++;
    queues[q->handle] = q;
    *queue = q->handle;
    return 0;
}

int CmtDiscardTSQ(CmtTSQHandle queue) {
    std::shared_ptr<Queue> q;
    {
        std::lock_guard lock(queues_mutex);
        const auto it = queues.find(queue);
        if (it == queues.end()) return kRtErrHandle;
        q = it->second;
        queues.erase(it);
    }
    std::unique_lock lock(q->mutex);
    q->discarded = true;
    q->callbacks.clear();
    q->items_arrived.notify_all();
    q->room_made.notify_all();
    // Calls in flight elsewhere finish first; the caller's own call (discarding from
    // inside the callback) cannot be waited for.
    const std::thread::id self = std::this_thread::get_id();
    q->call_ended.wait(lock, [&] {
        for (const auto &[call, thread] : q->running)
            if (thread != self) return false;
        return true;
    });
    return 0;
}

int CmtWriteTSQData(CmtTSQHandle queue, const void *items, int count, int timeout_ms,
                    int *written) {
    if (written != nullptr) *written = 0;
    const std::shared_ptr<Queue> q = Find(queue);
    if (q == nullptr) return kRtErrHandle;
    if (count < 0 || (count > 0 && items == nullptr)) return kRtErrArgument;
    const auto deadline = Deadline(timeout_ms);
    const auto *src = static_cast<const unsigned char *>(items);
    std::unique_lock lock(q->mutex);
    int done = 0;
    while (done < count && !q->discarded) {
        const int room = q->capacity - q->count;
        if (room == 0) {
            if (timeout_ms == 0 || !WaitUntil(q->room_made, lock, deadline)) break;
            continue;
        }
        const int n = std::min(room, count - done);
        for (int i = 0; i < n; ++i) {
            const int slot = (q->head + q->count) % q->capacity;
            memcpy(&q->ring[static_cast<size_t>(slot) * q->item_size],
                   src + static_cast<size_t>(done + i) * q->item_size, q->item_size);
            ++q->count;
        }
        done += n;
        q->items_arrived.notify_all();
        NotifyCallbacks(q);
    }
    if (written != nullptr) *written = done;
    if (q->discarded && done == 0 && count > 0) return kRtErrDiscarded;
    return done;
}

int CmtReadTSQData(CmtTSQHandle queue, void *items, int count, int timeout_ms,
                   unsigned options) {
    (void)options;  // no read options are used
    const std::shared_ptr<Queue> q = Find(queue);
    if (q == nullptr) return kRtErrHandle;
    if (count < 0 || (count > 0 && items == nullptr)) return kRtErrArgument;
    const auto deadline = Deadline(timeout_ms);
    auto *dst = static_cast<unsigned char *>(items);
    std::unique_lock lock(q->mutex);
    int done = 0;
    while (done < count && !q->discarded) {
        if (q->count == 0) {
            if (timeout_ms == 0 || !WaitUntil(q->items_arrived, lock, deadline)) break;
            continue;
        }
        const int n = std::min(q->count, count - done);
        for (int i = 0; i < n; ++i) {
            memcpy(dst + static_cast<size_t>(done + i) * q->item_size,
                   &q->ring[static_cast<size_t>(q->head) * q->item_size], q->item_size);
            q->head = (q->head + 1) % q->capacity;
            --q->count;
        }
        done += n;
        q->room_made.notify_all();
    }
    if (q->discarded && done == 0 && count > 0) return kRtErrDiscarded;
    return done;
}

int CmtGetTSQAttribute(CmtTSQHandle queue, int attribute, void *value) {
    const std::shared_ptr<Queue> q = Find(queue);
    if (q == nullptr) return kRtErrHandle;
    if (value == nullptr) return kRtErrArgument;
    std::lock_guard lock(q->mutex);
    int result = 0;
    switch (attribute) {
    case ATTR_TSQ_ITEMS_IN_QUEUE: result = q->count; break;
    case ATTR_TSQ_QUEUE_SIZE: result = q->capacity; break;
    case ATTR_TSQ_ITEM_SIZE: result = static_cast<int>(q->item_size); break;
    default: return kRtErrArgument;
    }
    *static_cast<int *>(value) = result;
    return 0;
}

int CmtInstallTSQCallback(CmtTSQHandle queue, unsigned event, int threshold,
                          CmtTSQCallbackPtr callback, void *callback_data, unsigned thread_id,
                          CmtTSQCallbackID *id) {
    const std::shared_ptr<Queue> q = Find(queue);
    if (q == nullptr) return kRtErrHandle;
    if (event != EVENT_TSQ_ITEMS_IN_QUEUE || callback == nullptr) return kRtErrArgument;
    if (!ThreadAlive(thread_id)) return kRtErrThread;
    std::lock_guard lock(q->mutex);
    TSQCallback cb{q->next_callback_id++, std::max(threshold, 1), callback, callback_data,
                   thread_id};
    q->callbacks.push_back(cb);
    if (id != nullptr) *id = cb.id;
    // Items written before the install are announced like new ones.
    if (q->count >= cb.threshold) PostCall(q, q->callbacks.back());
    return 0;
}

int CmtUninstallTSQCallback(CmtTSQHandle queue, CmtTSQCallbackID id) {
    const std::shared_ptr<Queue> q = Find(queue);
    if (q == nullptr) return kRtErrHandle;
    std::unique_lock lock(q->mutex);
    const auto it = std::find_if(q->callbacks.begin(), q->callbacks.end(),
                                 [id](const TSQCallback &cb) { return cb.id == id; });
    if (it == q->callbacks.end()) return kRtErrHandle;
    q->callbacks.erase(it);
    WaitForCall(*q, lock, id);
    return 0;
}
