// The restart of the communication thread and the watch of its start. The watch learns
// how the start went from the link-state reports the display has taken, so it reads
// nothing the thread writes without a lock.
#include "windows/comm_restart.h"

#include <climits>

#include "windows/KOR.h"
#include "windows/kor_panels.h"
#include "windows/link_display.h"
#include "windows/setup_messages.h"
#include "records/setup_record.h"
#include "platform/panels.h"
#include "platform/serial.h"
#include "station/comm/comm_lifecycle.h"

namespace {

// Ticks of the watch timer (0.5 s each) before the watch ends without a report: the
// first report comes as soon as the thread has tried its port, which takes far less.
constexpr int kWatchTicks = 20;

int reports_before_start = 0;
int ticks_left = 0;

void StopWatch() {
    ticks_left = 0;
    SetCtrlAttribute(settingsP, SETTINGSP_PORT_TIMER, ATTR_ENABLED, 0);
}

}  // namespace

void WatchCommunicationStart() {
    reports_before_start = LinkStateReports();
    ticks_left = kWatchTicks;
    ResetTimer(settingsP, SETTINGSP_PORT_TIMER);
    SetCtrlAttribute(settingsP, SETTINGSP_PORT_TIMER, ATTR_ENABLED, 1);
}

int CommStartWatchTimer(int, int, int event, void *, int, int) {
    if (event != EVENT_TIMER_TICK || ticks_left <= 0) return 0;
    if (LinkStateReports() > reports_before_start) {
        // Only the first report after the start counts: later ones are the link's life,
        // shown in the main window.
        StopWatch();
        const char *device = "";
        const LinkStatePayload *state = LastLinkState(&device);
        if (state->state == LINK_CANNOT_OPEN) MsgErrorComport(state->port, device, state->reason);
        return 0;
    }
    if (--ticks_left <= 0) StopWatch();
    return 0;
}

void RestartCommunicationThread() {
    StopWatch();
    // The old thread is awaited whatever state it is in.
    (void)StateMaschineDestructor();
    if (StateMaschineConstructor(setup.com_port) < 0) {
        char device[PATH_MAX];
        ComPortDevice(setup.com_port, device, sizeof device);
        MsgErrorComport(setup.com_port, device, LINK_REASON_OTHER);
        return;
    }
    WatchCommunicationStart();
}
