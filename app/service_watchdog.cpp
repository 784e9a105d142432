// The heartbeat is the communication thread's count of event rounds: every wait it does
// (for a byte, a reply, its next timer) is one, at least ten a second while it runs.
// Comparing it between two ticks needs no clock, so a slow machine is no hang.
#include "app/service_watchdog.h"

#include <cstdint>
#include <cstdio>

#include "platform/runtime.h"
#include "platform/service_notify.h"
#include "station/comm/comm_lifecycle.h"

namespace {

CmtThreadFunctionID last_thread = 0;
uint64_t last_rounds = 0;
int starving = 0;  // 1 while the watchdog is not fed, so the reason is said once

void Tick() { (void)ServiceWatchdogTick(); }

}  // namespace

void StartServiceWatchdog() {
    if (ServiceNotify("READY=1") != 0) return;
    const double period = ServiceWatchdogPeriod();
    if (period <= 0.0) return;
    // The first tick compares against this look.
    last_thread = comm_thread_function_id;
    (void)ThreadFunctionEventRounds(last_thread, &last_rounds);
    RunOnMainThreadEvery(period / 3.0, Tick);
}

int ServiceWatchdogTick() {
    const CmtThreadFunctionID thread = comm_thread_function_id;
    uint64_t rounds = 0;
    const bool running = ThreadFunctionEventRounds(thread, &rounds) == 0;
    const bool alive = running && (thread != last_thread || rounds != last_rounds);
    last_thread = thread;
    last_rounds = rounds;
    if (!alive) {
        if (!starving)
            fprintf(stderr, "clearhorizon: the communication thread %s; no longer telling "
                            "systemd that the program is alive\n",
                    running ? "has stopped processing its events" : "is not running");
        starving = 1;
        return 0;
    }
    starving = 0;
    return ServiceNotify("WATCHDOG=1") == 0 ? 1 : 0;
}

void ServiceStopping() { (void)ServiceNotify("STOPPING=1"); }
