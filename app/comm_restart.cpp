// The restart of the communication thread from the settings dialog. The watch reads the
// thread function's result through the thread pool, which guards it; the thread's own
// status word is written by that thread without a lock and is not read here.
#include "app/comm_restart.h"
#include "app/setup_messages.h"

#include <cstdio>

#include "app/KOR.h"
#include "app/kor_panels.h"
#include "app/setup_record.h"
#include "platform/panels.h"
#include "platform/popups.h"
#include "platform/runtime.h"
#include "station/comm/comm_lifecycle.h"

namespace {

// The thread function's result when its preparation (port, timers) failed.
constexpr int kPreparationFailed = 1;
// Ticks of the watch timer (0.5 s each) before a start counts as good: opening a port
// and reading the history file's header take far less.
constexpr int kWatchTicks = 20;

int watched_port = 0;
int ticks_left = 0;

void StopWatch() {
    ticks_left = 0;
    SetCtrlAttribute(settingsP, SETTINGSP_PORT_TIMER, ATTR_ENABLED, 0);
}

}  // namespace


void WatchCommunicationStart(int port) {
    watched_port = port;
    ticks_left = kWatchTicks;
    ResetTimer(settingsP, SETTINGSP_PORT_TIMER);
    SetCtrlAttribute(settingsP, SETTINGSP_PORT_TIMER, ATTR_ENABLED, 1);
}

int CommStartWatchTimer(int, int, int event, void *, int, int) {
    if (event != EVENT_TIMER_TICK || ticks_left <= 0) return 0;
    if (CmtGetThreadPoolFunctionReturnValue(comm_thread_function_id) == kPreparationFailed) {
        StopWatch();
        MsgErrorComport(&watched_port);
        return 0;
    }
    if (--ticks_left <= 0) StopWatch();
    return 0;
}

void RestartCommunicationThread() {
    StopWatch();
    // The old thread is awaited whatever state it is in; one that already ended (a port
    // that failed before) returns at once.
    (void)StateMaschineDestructor();
    if (StateMaschineConstructor(setup.com_port) < 0) {
        MsgErrorComport(&setup.com_port);
        return;
    }
    WatchCommunicationStart(setup.com_port);
}
