// The thread pool the system knows: each scheduled function gets a QThread of its own,
// so that the timers, the serial port and the queue callbacks it creates are delivered
// on it whenever it processes its events. The function itself loops; nothing here runs
// an event loop for it.
#include "platform/runtime.h"
#include "platform/thread_context.h"

#include <QThread>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace {

// Thrown by CmtExitThreadPoolThread, caught by the pool thread around the function.
struct ThreadExit {
    int value;
};

struct PoolFunction {
    std::unique_ptr<QThread> thread;  // until the first completed wait joins it
    unsigned thread_id = 0;           // 0 until the thread has registered
    bool done = false;
    int result = 0;
    std::vector<unsigned> waiters;    // threads to wake when the function ends
};

std::mutex pool_mutex;
std::condition_variable pool_done;  // signalled whenever a function ends
std::map<CmtThreadFunctionID, std::shared_ptr<PoolFunction>> functions;  // guarded
CmtThreadFunctionID next_function_id = 1;                                 // guarded

class PoolThread : public QThread {
public:
    PoolThread(ThreadFunctionPtr fn, void *data, std::shared_ptr<PoolFunction> record)
        : fn_(fn), data_(data), record_(std::move(record)) {}

protected:
    void run() override {
        {
            std::lock_guard lock(pool_mutex);
            record_->thread_id = CurrentThreadID();
        }
        int result = 0;
        try {
            result = fn_(data_);
        } catch (const ThreadExit &exit) {
            result = exit.value;
        }
        ReleaseCurrentThread();
        std::vector<unsigned> waiters;
        {
            std::lock_guard lock(pool_mutex);
            record_->result = result;
            record_->done = true;
            waiters.swap(record_->waiters);
        }
        pool_done.notify_all();
        for (unsigned id : waiters) WakeThread(id);
    }

private:
    ThreadFunctionPtr fn_;
    void *data_;
    std::shared_ptr<PoolFunction> record_;
};

std::shared_ptr<PoolFunction> Find(CmtThreadFunctionID id) {
    std::lock_guard lock(pool_mutex);
    const auto it = functions.find(id);
    return it == functions.end() ? nullptr : it->second;
}

bool Done(const PoolFunction &record) {
    std::lock_guard lock(pool_mutex);
    return record.done;
}

void WaitDone(const PoolFunction &record) {
    std::unique_lock lock(pool_mutex);
    pool_done.wait(lock, [&] { return record.done; });
}

}  // namespace

int CmtScheduleThreadPoolFunction(int pool, ThreadFunctionPtr fn, void *data,
                                  CmtThreadFunctionID *id) {
    (void)pool;  // one pool: every function gets a thread of its own
    if (fn == nullptr) return kRtErrArgument;
    auto record = std::make_shared<PoolFunction>();
    record->thread = std::make_unique<PoolThread>(fn, data, record);
    CmtThreadFunctionID new_id = 0;
    {
        std::lock_guard lock(pool_mutex);
        new_id = next_function_id++;
        functions[new_id] = record;
    }
    if (id != nullptr) *id = new_id;
    record->thread->start();
    return 0;
}

int CmtWaitForThreadPoolFunctionCompletion(int pool, CmtThreadFunctionID id, int options) {
    (void)pool;
    const std::shared_ptr<PoolFunction> record = Find(id);
    if (record == nullptr) return kRtErrHandle;
    const unsigned me = CurrentThreadID();
    {
        std::lock_guard lock(pool_mutex);
        if (record->thread_id == me && !record->done) return kRtErrThread;  // waits for itself
        if (options & OPT_TP_PROCESS_EVENTS_WHILE_WAITING) record->waiters.push_back(me);
    }
    if (options & OPT_TP_PROCESS_EVENTS_WHILE_WAITING) {
        // The ending function wakes this thread; the bound is only a safety net.
        while (!Done(*record)) ProcessEventsFor(100);
    } else {
        WaitDone(*record);
    }
    std::unique_ptr<QThread> thread;
    {
        std::lock_guard lock(pool_mutex);
        thread = std::move(record->thread);
    }
    if (thread != nullptr) thread->wait();
    return 0;
}

int CmtGetThreadPoolFunctionReturnValue(CmtThreadFunctionID id) {
    const std::shared_ptr<PoolFunction> record = Find(id);
    if (record == nullptr) return kRtErrHandle;
    std::lock_guard lock(pool_mutex);
    return record->result;
}

void CmtExitThreadPoolThread(int value) { throw ThreadExit{value}; }

int ThreadFunctionEventRounds(CmtThreadFunctionID id, uint64_t *rounds) {
    if (rounds == nullptr) return kRtErrArgument;
    const std::shared_ptr<PoolFunction> record = Find(id);
    if (record == nullptr) return kRtErrHandle;
    unsigned thread_id = 0;
    {
        std::lock_guard lock(pool_mutex);
        if (record->done) return kRtErrHandle;
        thread_id = record->thread_id;
    }
    *rounds = 0;  // not yet started on its thread
    if (thread_id != 0 && !ThreadEventRounds(thread_id, rounds)) return kRtErrHandle;
    return 0;
}
