// Threads by number, events by thread. Every thread that asks for its id gets a small
// context object living on it; whatever another thread wants done there (a queue
// callback, a pop-up, a wake-up) is posted to that object and runs when the thread
// processes its events. The sleep policy is kept per thread: the main thread may load
// panels without sleeping while the communication thread keeps waiting for its events.
#include "platform/runtime.h"
#include "platform/thread_context.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QObject>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <thread>
#include <utility>

namespace {

const QEvent::Type kCallEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

struct CallEvent : QEvent {
    explicit CallEvent(std::function<void()> f) : QEvent(kCallEvent), fn(std::move(f)) {}
    std::function<void()> fn;
};

// Receives posted calls, and the time-outs that bound a wait for events (they only wake).
class ThreadContext : public QObject {
public:
    std::atomic<uint64_t> rounds{0};  // ProcessEventsFor calls: the thread's heartbeat

    bool event(QEvent *e) override {
        if (e->type() == kCallEvent) {
            static_cast<CallEvent *>(e)->fn();
            return true;
        }
        if (e->type() == QEvent::Timer) return true;
        return QObject::event(e);
    }
};

std::mutex registry_mutex;
std::map<unsigned, ThreadContext *> contexts;   // guarded by registry_mutex
std::map<QThread *, unsigned> ids_by_thread;    // guarded by registry_mutex
unsigned next_thread_id = 1;                    // guarded by registry_mutex

struct ThreadState {
    unsigned id = 0;
    ThreadContext *context = nullptr;
    int sleep_policy = VAL_SLEEP_SOME;
    ~ThreadState() { ReleaseCurrentThread(); }
};
thread_local ThreadState this_thread;

// Registers thread (creating its context on it) unless known; returns its id.
std::pair<unsigned, ThreadContext *> Register(QThread *thread) {
    std::lock_guard lock(registry_mutex);
    const auto known = ids_by_thread.find(thread);
    if (known != ids_by_thread.end()) return {known->second, contexts[known->second]};
    auto *context = new ThreadContext;
    if (thread != QThread::currentThread()) context->moveToThread(thread);
    const unsigned id = next_thread_id++;
    contexts[id] = context;
    ids_by_thread[thread] = id;
    return {id, context};
}

void EnsureRegistered() {
    if (this_thread.id != 0) return;
    const auto [id, context] = Register(QThread::currentThread());
    this_thread.id = id;
    this_thread.context = context;
}

// A thread that Qt did not start has no event dispatcher until an event loop exists.
QAbstractEventDispatcher *EnsureDispatcher() {
    if (QAbstractEventDispatcher *d = QAbstractEventDispatcher::instance()) return d;
    QEventLoop make_dispatcher;
    return QAbstractEventDispatcher::instance();
}

}  // namespace

unsigned CurrentThreadID() {
    EnsureRegistered();
    return this_thread.id;
}

unsigned MainThreadID() {
    QCoreApplication *app = QCoreApplication::instance();
    if (app == nullptr) return 0;
    return Register(app->thread()).first;
}

bool OnMainThread() {
    QCoreApplication *app = QCoreApplication::instance();
    return app != nullptr && QThread::currentThread() == app->thread();
}

bool ThreadAlive(unsigned thread_id) {
    std::lock_guard lock(registry_mutex);
    return contexts.count(thread_id) != 0;
}

bool ThreadEventRounds(unsigned thread_id, uint64_t *rounds) {
    std::lock_guard lock(registry_mutex);
    const auto it = contexts.find(thread_id);
    if (it == contexts.end()) return false;
    *rounds = it->second->rounds.load(std::memory_order_relaxed);
    return true;
}

bool PostToThread(unsigned thread_id, std::function<void()> fn) {
    // Posting under the lock keeps the context from being deleted meanwhile.
    std::lock_guard lock(registry_mutex);
    const auto it = contexts.find(thread_id);
    if (it == contexts.end()) return false;
    QCoreApplication::postEvent(it->second, new CallEvent(std::move(fn)));
    return true;
}

void RunLaterOnThisThread(int ms, std::function<void()> fn) {
    EnsureRegistered();
    QTimer::singleShot(ms, this_thread.context, std::move(fn));
}

void ProcessEventsFor(int bound_ms) {
    EnsureRegistered();
    this_thread.context->rounds.fetch_add(1, std::memory_order_relaxed);
    if (EnsureDispatcher() == nullptr) return;
    if (bound_ms <= 0) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        return;
    }
    // The timer only bounds the wait, so that flags polled by the caller are still seen
    // when nothing else happens; any event (a byte, a wake-up, a post) ends it sooner.
    const int bound = this_thread.context->startTimer(std::chrono::milliseconds(bound_ms),
                                                      Qt::CoarseTimer);
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    if (bound != 0) this_thread.context->killTimer(bound);
}

void ReleaseCurrentThread() {
    if (this_thread.id == 0) return;
    ThreadContext *context = nullptr;
    {
        std::lock_guard lock(registry_mutex);
        const auto it = contexts.find(this_thread.id);
        if (it != contexts.end()) {
            context = it->second;
            contexts.erase(it);
        }
        for (auto t = ids_by_thread.begin(); t != ids_by_thread.end(); ++t) {
            if (t->second != this_thread.id) continue;
            ids_by_thread.erase(t);
            break;
        }
    }
    this_thread.id = 0;
    this_thread.context = nullptr;
    delete context;  // drops calls still posted to this thread
}

// ---- Events -----------------------------------------------------------------------------

int ProcessSystemEvents() {
    EnsureRegistered();
    switch (this_thread.sleep_policy) {
    case VAL_SLEEP_NONE: ProcessEventsFor(0); break;
    case VAL_SLEEP_SOME: ProcessEventsFor(10); break;
    default: ProcessEventsFor(100); break;
    }
    return 0;
}

int ProcessSystemEventsWithin(int bound_ms) {
    EnsureRegistered();
    ProcessEventsFor(bound_ms < 0 ? 0 : bound_ms);
    return 0;
}

int SetSleepPolicy(int policy) {
    if (policy < VAL_SLEEP_NONE || policy > VAL_SLEEP_MORE) return kRtErrArgument;
    this_thread.sleep_policy = policy;
    return 0;
}

int GetSleepPolicy() { return this_thread.sleep_policy; }

void WakeThread(unsigned thread_id) {
    std::lock_guard lock(registry_mutex);
    const auto it = contexts.find(thread_id);
    if (it == contexts.end()) return;
    if (QAbstractEventDispatcher *d = QAbstractEventDispatcher::instance(it->second->thread()))
        d->wakeUp();
}

void Delay(double seconds) {
    if (seconds <= 0) return;
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

double Timer() {
    static const auto start = std::chrono::steady_clock::now();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

unsigned CmtGetMainThreadID() { return MainThreadID(); }
unsigned CmtGetCurrentThreadID() { return CurrentThreadID(); }
