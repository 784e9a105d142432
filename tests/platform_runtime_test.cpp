// Threads, event processing and thread-safe queues of the run-time layer.
#include "platform/runtime.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// Processes the main thread's events until cond holds or the (generous) limit passes.
bool PumpUntil(const std::function<bool()> &cond, double limit_s = 20.0) {
    SetSleepPolicy(VAL_SLEEP_MORE);
    const double end = Timer() + limit_s;
    while (!cond()) {
        if (Timer() > end) return false;
        ProcessSystemEvents();
    }
    return true;
}

double MsSince(Clock::time_point t) {
    return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}

// ---- Queues ---------------------------------------------------------------------------

TEST(Queue, KeepsOrderCapacityAndTimeOuts) {
    CmtTSQHandle q = 0;
    ASSERT_EQ(CmtNewTSQ(4, sizeof(int), OPT_TSQ_AUTO_FLUSH_EXACT, &q), 0);
    const int first[3] = {1, 2, 3};
    EXPECT_EQ(CmtWriteTSQData(q, first, 3, 0, nullptr), 3);
    const int second[3] = {4, 5, 6};
    int written = -1;
    // Only one item fits; the queue keeps what it holds and says how much went in.
    auto start = Clock::now();
    EXPECT_EQ(CmtWriteTSQData(q, second, 3, 60, &written), 1);
    EXPECT_GE(MsSince(start), 55.0);
    EXPECT_EQ(written, 1);
    int n = 0;
    ASSERT_EQ(CmtGetTSQAttribute(q, ATTR_TSQ_ITEMS_IN_QUEUE, &n), 0);
    EXPECT_EQ(n, 4);
    ASSERT_EQ(CmtGetTSQAttribute(q, ATTR_TSQ_QUEUE_SIZE, &n), 0);
    EXPECT_EQ(n, 4);
    ASSERT_EQ(CmtGetTSQAttribute(q, ATTR_TSQ_ITEM_SIZE, &n), 0);
    EXPECT_EQ(n, static_cast<int>(sizeof(int)));

    int out[8] = {};
    EXPECT_EQ(CmtReadTSQData(q, out, 2, 0, 0), 2);
    EXPECT_EQ(out[0], 1);
    EXPECT_EQ(out[1], 2);
    // Wrap around the ring: two more fit now.
    const int third[2] = {7, 8};
    EXPECT_EQ(CmtWriteTSQData(q, third, 2, 0, nullptr), 2);
    start = Clock::now();
    EXPECT_EQ(CmtReadTSQData(q, out, 8, 40, 0), 4);
    EXPECT_GE(MsSince(start), 35.0);
    EXPECT_EQ(out[0], 3);
    EXPECT_EQ(out[1], 4);
    EXPECT_EQ(out[2], 7);
    EXPECT_EQ(out[3], 8);
    EXPECT_EQ(CmtReadTSQData(q, out, 1, 0, 0), 0);
    EXPECT_EQ(CmtDiscardTSQ(q), 0);
}

TEST(Queue, RejectsBadHandlesAndArguments) {
    CmtTSQHandle q = 0;
    EXPECT_LT(CmtNewTSQ(0, 4, 0, &q), 0);
    EXPECT_LT(CmtNewTSQ(4, 0, 0, &q), 0);
    ASSERT_EQ(CmtNewTSQ(2, 8, 0, &q), 0);
    ASSERT_EQ(CmtDiscardTSQ(q), 0);
    int item = 0, n = 0;
    EXPECT_EQ(CmtWriteTSQData(q, &item, 1, 0, nullptr), kRtErrHandle);
    EXPECT_EQ(CmtReadTSQData(q, &item, 1, 0, 0), kRtErrHandle);
    EXPECT_EQ(CmtGetTSQAttribute(q, ATTR_TSQ_ITEMS_IN_QUEUE, &n), kRtErrHandle);
    EXPECT_EQ(CmtDiscardTSQ(q), kRtErrHandle);
}

TEST(Queue, BlockedWriterAndReaderAreReleased) {
    CmtTSQHandle q = 0;
    ASSERT_EQ(CmtNewTSQ(1, sizeof(int), 0, &q), 0);
    const int a = 10, b = 11;
    ASSERT_EQ(CmtWriteTSQData(q, &a, 1, 0, nullptr), 1);
    std::thread reader([q] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        int got = 0;
        CmtReadTSQData(q, &got, 1, -1, 0);
    });
    EXPECT_EQ(CmtWriteTSQData(q, &b, 1, -1, nullptr), 1);  // waits for the reader
    reader.join();
    int got = 0;
    EXPECT_EQ(CmtReadTSQData(q, &got, 1, 0, 0), 1);
    EXPECT_EQ(got, 11);

    // Discarding a queue ends a reader that waits without end.
    std::atomic<int> result{1};
    std::thread waiter([q, &result] {
        int item = 0;
        result = CmtReadTSQData(q, &item, 1, -1, 0);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(CmtDiscardTSQ(q), 0);
    waiter.join();
    EXPECT_EQ(result.load(), kRtErrDiscarded);
}

// A pool thread that only processes its events until told to stop.
std::atomic<bool> idle_stop{false};
std::atomic<unsigned> idle_thread_id{0};
int IdleThread(void *) {
    idle_thread_id = CmtGetCurrentThreadID();
    SetSleepPolicy(VAL_SLEEP_MORE);
    while (!idle_stop) ProcessSystemEvents();
    return 0;
}

struct IdleWorker {
    CmtThreadFunctionID id = 0;
    IdleWorker() {
        idle_stop = false;
        idle_thread_id = 0;
        EXPECT_EQ(CmtScheduleThreadPoolFunction(DEFAULT_THREAD_POOL_HANDLE, IdleThread, nullptr, &id), 0);
        while (idle_thread_id == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ~IdleWorker() {
        idle_stop = true;
        WakeThread(idle_thread_id);
        CmtWaitForThreadPoolFunctionCompletion(DEFAULT_THREAD_POOL_HANDLE, id, 0);
    }
};

struct CallbackLog {
    std::atomic<int> calls{0};
    std::atomic<unsigned> thread{0};
    std::atomic<int> last_value{0};
    std::vector<int> items;  // touched only by the callback's thread, read after it ends
    CmtTSQHandle queue = 0;
    bool drain = true;
};

void LoggingCallback(CmtTSQHandle queue, unsigned event, int value, void *data) {
    auto *log = static_cast<CallbackLog *>(data);
    EXPECT_EQ(event, EVENT_TSQ_ITEMS_IN_QUEUE);
    log->thread = CmtGetCurrentThreadID();
    log->last_value = value;
    if (log->drain) {
        int item = 0;
        while (CmtReadTSQData(queue, &item, 1, 0, 0) == 1) log->items.push_back(item);
    }
    ++log->calls;
}

TEST(Queue, CallbackRunsOnTheNamedThread) {
    IdleWorker worker;
    CmtTSQHandle q = 0;
    ASSERT_EQ(CmtNewTSQ(100, sizeof(int), 0, &q), 0);
    CallbackLog log;
    CmtTSQCallbackID cb = 0;
    ASSERT_EQ(CmtInstallTSQCallback(q, EVENT_TSQ_ITEMS_IN_QUEUE, 1, LoggingCallback, &log,
                                    idle_thread_id, &cb), 0);
    const int items[3] = {5, 6, 7};
    ASSERT_EQ(CmtWriteTSQData(q, items, 3, 0, nullptr), 3);
    ASSERT_TRUE(PumpUntil([&] { return log.calls > 0; }));
    EXPECT_EQ(log.thread.load(), idle_thread_id.load());
    EXPECT_NE(log.thread.load(), CmtGetMainThreadID());
    EXPECT_EQ(CmtUninstallTSQCallback(q, cb), 0);
    EXPECT_EQ(log.items, (std::vector<int>{5, 6, 7}));
    EXPECT_EQ(CmtDiscardTSQ(q), 0);
}

TEST(Queue, ManyItemsFromAnotherThreadAllArriveInOrder) {
    constexpr int kItems = 20000;
    CmtTSQHandle q = 0;
    ASSERT_EQ(CmtNewTSQ(1000, sizeof(int), OPT_TSQ_AUTO_FLUSH_EXACT, &q), 0);
    CallbackLog log;
    CmtTSQCallbackID cb = 0;
    ASSERT_EQ(CmtInstallTSQCallback(q, EVENT_TSQ_ITEMS_IN_QUEUE, 1, LoggingCallback, &log,
                                    CmtGetMainThreadID(), &cb), 0);
    std::thread writer([q] {
        for (int i = 0; i < kItems; ++i) CmtWriteTSQData(q, &i, 1, -1, nullptr);
    });
    EXPECT_TRUE(PumpUntil([&] { return log.items.size() == kItems; }, 120.0));
    writer.join();
    ASSERT_EQ(log.items.size(), static_cast<size_t>(kItems));
    for (int i = 0; i < kItems; ++i) ASSERT_EQ(log.items[i], i);
    EXPECT_EQ(log.thread.load(), CmtGetMainThreadID());
    EXPECT_EQ(CmtUninstallTSQCallback(q, cb), 0);
    EXPECT_EQ(CmtDiscardTSQ(q), 0);
}

TEST(Queue, CallbackThatLeavesItemsRunsAgainWithoutSpinning) {
    CmtTSQHandle q = 0;
    ASSERT_EQ(CmtNewTSQ(10, sizeof(int), 0, &q), 0);
    CallbackLog log;
    log.drain = false;  // like a callback that only raises a flag
    CmtTSQCallbackID cb = 0;
    const int item = 1;
    ASSERT_EQ(CmtWriteTSQData(q, &item, 1, 0, nullptr), 1);
    // Items already waiting at install time are announced too.
    ASSERT_EQ(CmtInstallTSQCallback(q, EVENT_TSQ_ITEMS_IN_QUEUE, 1, LoggingCallback, &log,
                                    CmtGetMainThreadID(), &cb), 0);
    EXPECT_TRUE(PumpUntil([&] { return log.calls >= 2; }));
    // A callback called in a tight loop would count thousands here.
    const int before = log.calls;
    const double end = Timer() + 0.5;
    while (Timer() < end) ProcessSystemEvents();
    EXPECT_LE(log.calls - before, 10);
    EXPECT_EQ(log.last_value.load(), 1);
    // More items arriving are announced without waiting out the pause.
    ASSERT_EQ(CmtWriteTSQData(q, &item, 1, 0, nullptr), 1);
    EXPECT_TRUE(PumpUntil([&] { return log.last_value == 2; }));
    EXPECT_EQ(CmtUninstallTSQCallback(q, cb), 0);
    const int after = log.calls;
    const double end2 = Timer() + 0.3;
    while (Timer() < end2) ProcessSystemEvents();
    EXPECT_EQ(log.calls.load(), after);
    EXPECT_EQ(CmtDiscardTSQ(q), 0);
}

std::atomic<bool> slow_started{false};
std::atomic<bool> slow_finished{false};
void SlowCallback(CmtTSQHandle, unsigned, int, void *) {
    slow_started = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    slow_finished = true;
}

TEST(Queue, UninstallWaitsForACallInFlight) {
    IdleWorker worker;
    CmtTSQHandle q = 0;
    ASSERT_EQ(CmtNewTSQ(10, sizeof(int), 0, &q), 0);
    CmtTSQCallbackID cb = 0;
    slow_started = slow_finished = false;
    ASSERT_EQ(CmtInstallTSQCallback(q, EVENT_TSQ_ITEMS_IN_QUEUE, 1, SlowCallback, nullptr,
                                    idle_thread_id, &cb), 0);
    const int item = 3;
    ASSERT_EQ(CmtWriteTSQData(q, &item, 1, 0, nullptr), 1);
    while (!slow_started) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(CmtUninstallTSQCallback(q, cb), 0);
    EXPECT_TRUE(slow_finished);
    EXPECT_EQ(CmtUninstallTSQCallback(q, cb), kRtErrHandle);
    EXPECT_EQ(CmtDiscardTSQ(q), 0);
}

// ---- Threads --------------------------------------------------------------------------

int ReturnsDataPlusOne(void *data) { return *static_cast<int *>(data) + 1; }

void LeaveFromDeepInside(int value) { CmtExitThreadPoolThread(value); }
std::atomic<bool> ran_past_exit{false};
int ExitsEarly(void *) {
    LeaveFromDeepInside(7);
    ran_past_exit = true;
    return 0;
}

TEST(Threads, FunctionResultAndEarlyExit) {
    int input = 41;
    CmtThreadFunctionID id = 0;
    ASSERT_EQ(CmtScheduleThreadPoolFunction(DEFAULT_THREAD_POOL_HANDLE, ReturnsDataPlusOne, &input, &id), 0);
    EXPECT_EQ(CmtWaitForThreadPoolFunctionCompletion(DEFAULT_THREAD_POOL_HANDLE, id, 0), 0);
    EXPECT_EQ(CmtGetThreadPoolFunctionReturnValue(id), 42);
    // A second wait on a finished function returns at once.
    EXPECT_EQ(CmtWaitForThreadPoolFunctionCompletion(DEFAULT_THREAD_POOL_HANDLE, id, 0), 0);

    ASSERT_EQ(CmtScheduleThreadPoolFunction(DEFAULT_THREAD_POOL_HANDLE, ExitsEarly, nullptr, &id), 0);
    EXPECT_EQ(CmtWaitForThreadPoolFunctionCompletion(DEFAULT_THREAD_POOL_HANDLE, id,
                                                     OPT_TP_PROCESS_EVENTS_WHILE_WAITING), 0);
    EXPECT_EQ(CmtGetThreadPoolFunctionReturnValue(id), 7);
    EXPECT_FALSE(ran_past_exit);
    EXPECT_EQ(CmtWaitForThreadPoolFunctionCompletion(DEFAULT_THREAD_POOL_HANDLE, 9999, 0), kRtErrHandle);
}

std::atomic<unsigned> seen_main_id{0};
std::atomic<unsigned> seen_own_id{0};
std::atomic<bool> main_answered{false};
void AnswerOnMain(CmtTSQHandle queue, unsigned, int, void *) {
    int item = 0;
    while (CmtReadTSQData(queue, &item, 1, 0, 0) == 1) {}
    main_answered = true;
}
// Needs the main thread to process a queue callback while it waits for this function.
int AsksTheMainThread(void *data) {
    seen_main_id = CmtGetMainThreadID();
    seen_own_id = CmtGetCurrentThreadID();
    const CmtTSQHandle q = *static_cast<CmtTSQHandle *>(data);
    const int item = 1;
    CmtWriteTSQData(q, &item, 1, -1, nullptr);
    SetSleepPolicy(VAL_SLEEP_MORE);
    const double end = Timer() + 20.0;
    while (!main_answered && Timer() < end) ProcessSystemEvents();
    return main_answered ? 1 : 0;
}

TEST(Threads, WaitProcessesTheCallersEventsAndIdsDiffer) {
    CmtTSQHandle q = 0;
    ASSERT_EQ(CmtNewTSQ(10, sizeof(int), 0, &q), 0);
    CmtTSQCallbackID cb = 0;
    const unsigned main_id = CmtGetMainThreadID();
    EXPECT_EQ(CmtGetCurrentThreadID(), main_id);
    ASSERT_EQ(CmtInstallTSQCallback(q, EVENT_TSQ_ITEMS_IN_QUEUE, 1, AnswerOnMain, nullptr,
                                    main_id, &cb), 0);
    main_answered = false;
    CmtThreadFunctionID id = 0;
    ASSERT_EQ(CmtScheduleThreadPoolFunction(DEFAULT_THREAD_POOL_HANDLE, AsksTheMainThread, &q, &id), 0);
    EXPECT_EQ(CmtWaitForThreadPoolFunctionCompletion(DEFAULT_THREAD_POOL_HANDLE, id,
                                                     OPT_TP_PROCESS_EVENTS_WHILE_WAITING), 0);
    EXPECT_EQ(CmtGetThreadPoolFunctionReturnValue(id), 1);
    EXPECT_EQ(seen_main_id.load(), main_id);
    EXPECT_NE(seen_own_id.load(), main_id);
    EXPECT_NE(seen_own_id.load(), 0u);
    CmtUninstallTSQCallback(q, cb);
    CmtDiscardTSQ(q);
}

TEST(Threads, SleepPolicyIsPerThreadAndChecked) {
    EXPECT_EQ(SetSleepPolicy(VAL_SLEEP_NONE), 0);
    std::atomic<int> other{0};
    std::thread t([&] { other = GetSleepPolicy(); });
    t.join();
    EXPECT_EQ(other.load(), VAL_SLEEP_SOME);
    EXPECT_EQ(GetSleepPolicy(), VAL_SLEEP_NONE);
    EXPECT_EQ(SetSleepPolicy(0), kRtErrArgument);
    EXPECT_EQ(SetSleepPolicy(VAL_SLEEP_MORE), 0);
}

// A thread waiting for events under the relaxed policy still sees a flag that another
// thread sets without waking it (the wait is bounded), and a wake-up ends the wait.
std::atomic<bool> quiet_stop{false};
std::atomic<int> quiet_rounds{0};
int WaitsQuietly(void *) {
    SetSleepPolicy(VAL_SLEEP_MORE);
    idle_thread_id = CmtGetCurrentThreadID();
    while (!quiet_stop) {
        ProcessSystemEvents();
        ++quiet_rounds;
    }
    return 0;
}

TEST(Threads, RelaxedWaitSeesFlagsAndWakeUps) {
    quiet_stop = false;
    quiet_rounds = 0;
    idle_thread_id = 0;
    CmtThreadFunctionID id = 0;
    ASSERT_EQ(CmtScheduleThreadPoolFunction(DEFAULT_THREAD_POOL_HANDLE, WaitsQuietly, nullptr, &id), 0);
    while (idle_thread_id == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    const int before = quiet_rounds;
    WakeThread(idle_thread_id);
    while (quiet_rounds == before) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    quiet_stop = true;  // no wake-up: the bounded wait must notice by itself
    EXPECT_EQ(CmtWaitForThreadPoolFunctionCompletion(DEFAULT_THREAD_POOL_HANDLE, id, 0), 0);
}

// A wait bounded far beyond the test's time-out ends only by a wake-up: without one
// the test hangs.
int WaitsLong(void *) {
    idle_thread_id = CmtGetCurrentThreadID();
    while (!quiet_stop) ProcessSystemEventsWithin(3600 * 1000);
    return 0;
}

TEST(Threads, LongBoundedWaitEndsOnAWakeUp) {
    quiet_stop = false;
    idle_thread_id = 0;
    CmtThreadFunctionID id = 0;
    ASSERT_EQ(CmtScheduleThreadPoolFunction(DEFAULT_THREAD_POOL_HANDLE, WaitsLong, nullptr, &id), 0);
    while (idle_thread_id == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));  // let it start waiting
    quiet_stop = true;
    WakeThread(idle_thread_id);
    EXPECT_EQ(CmtWaitForThreadPoolFunctionCompletion(DEFAULT_THREAD_POOL_HANDLE, id, 0), 0);
}

}  // namespace
