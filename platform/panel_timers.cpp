// Timer controls. Each is a QTimer of the thread that loaded its panel, so its callback
// runs there while that thread processes its events: the communication thread's response
// and poll timers never reach the user interface. Every tick carries the time since the
// previous callback, so that countdowns stay true when ticks come late or are merged
// while the thread was busy.
#include "platform/panel_store.h"

#include <QTimer>
#include <climits>
#include <cmath>

namespace {

using Clock = std::chrono::steady_clock;

thread_local bool callbacks_suspended = false;

int IntervalMs(double seconds) {
    // An interval of 0 would make the timer fire whenever the thread is idle.
    const double ms = std::round(seconds * 1000.0);
    if (!(ms >= 1.0)) return 1;
    return ms > INT_MAX ? INT_MAX : static_cast<int>(ms);
}

int ElapsedMs(Clock::time_point since, Clock::time_point now) {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now - since).count();
    if (ms < 0) return 0;
    return ms > INT_MAX ? INT_MAX : static_cast<int>(ms);
}

void Tick(int panel, int control) {
    int error = 0;
    const std::shared_ptr<Panel> p = OwnPanel(panel, &error);
    if (p == nullptr) return;
    const auto it = p->timers.find(control);
    if (it == p->timers.end() || !it->second.enabled || callbacks_suspended) return;
    TimerControl &t = it->second;
    const Clock::time_point now = Clock::now();
    const int elapsed = ElapsedMs(t.since, now);
    t.since = now;
    if (CtrlCallbackPtr cb = FindCallback(t.callback)) {
        const CallbackScope scope;
        cb(panel, control, EVENT_TIMER_TICK, nullptr, 0, elapsed);
    }
}

void Enable(TimerControl &t, bool on) {
    if (on && !t.enabled) t.since = Clock::now();
    t.enabled = on;
    if (on && !t.timer->isActive()) t.timer->start(IntervalMs(t.interval_s));
    if (!on) t.timer->stop();
}

}  // namespace

double TimerTickSeconds(int event_data2) { return event_data2 / 1000.0; }

void StartPanelTimers(Panel &panel) {
    const int handle = panel.handle;
    for (auto &[id, t] : panel.timers) {
        t.timer = new QTimer;
        t.timer->setTimerType(Qt::PreciseTimer);
        t.timer->setInterval(IntervalMs(t.interval_s));
        const int control = id;
        QObject::connect(t.timer, &QTimer::timeout, t.timer, [handle, control] { Tick(handle, control); });
        t.since = Clock::now();
        if (t.enabled) t.timer->start();
    }
}

void StopPanelTimers(Panel &panel) {
    for (auto &[id, t] : panel.timers) {
        if (t.timer == nullptr) continue;
        t.timer->stop();
        QObject::disconnect(t.timer, nullptr, nullptr, nullptr);
        DeleteWhenSafe(t.timer);
        t.timer = nullptr;
    }
}

int SetTimerAttribute(TimerControl &t, int attribute, double value) {
    switch (attribute) {
    case ATTR_INTERVAL:
        if (!(value >= 0)) return kUIErrValue;
        t.interval_s = value;
        // A running timer starts its new interval now, a stopped one when enabled.
        t.timer->setInterval(IntervalMs(value));
        return 0;
    case ATTR_ENABLED: Enable(t, value != 0); return 0;
    case ATTR_DIMMED: Enable(t, value == 0); return 0;
    default: return kUIErrAttribute;
    }
}

int GetTimerAttribute(const TimerControl &t, int attribute, double *value) {
    switch (attribute) {
    case ATTR_INTERVAL: *value = t.interval_s; return 0;
    case ATTR_ENABLED: *value = t.enabled ? 1 : 0; return 0;
    case ATTR_DIMMED: *value = t.enabled ? 0 : 1; return 0;
    default: return kUIErrAttribute;
    }
}

int ResetTimer(int panel, int control) {
    int error = 0;
    const std::shared_ptr<Panel> p = OwnPanel(panel, &error);
    if (p == nullptr) return error;
    if (control == 0) {  // every timer of the panel
        for (auto &[id, t] : p->timers)
            if (t.enabled) t.timer->start(IntervalMs(t.interval_s));
        return 0;
    }
    const auto it = p->timers.find(control);
    if (it == p->timers.end()) return kUIErrControl;
    if (it->second.enabled) it->second.timer->start(IntervalMs(it->second.interval_s));
    return 0;
}

int SuspendTimerCallbacks() {
    callbacks_suspended = true;
    return 0;
}

int ResumeTimerCallbacks() {
    callbacks_suspended = false;
    return 0;
}
