// Loss and return of the console. Two cases are told apart, because they are recovered
// differently:
// - the port failed (the device vanished or hung up), cannot be opened, or its COMn link
//   now leads to another device: it is closed and opened again every kLinkRetrySeconds,
//   each time where its link leads then; a reopened port needs the console to be
//   identified anew, as it may be another one;
// - the port works but the console has left its requests unanswered for
//   kLinkSilentSeconds (its power is off, the cable is out of the console): reopening
//   would change nothing, so the port stays open and only the identification is asked,
//   at the same pace.
// Either way the console is identified again (two agreeing answers, memory map chosen
// anew) before polling resumes, and the user interface hears of each change once.
#include "station/comm/link_watch.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "station/link/comm_timers.h"
#include "platform/panels.h"
#include "platform/runtime.h"
#include "platform/serial.h"
#include "platform/serial_devices.h"
#include "station/link/comm_flags.h"
#include "station/comm/command_handling.h"
#include "station/comm/comm_lifecycle.h"
#include "station/link/kor_state_machine.h"
#include "station/comm/tsq_records.h"
#include "station/data/kor_readers.h"
#include "station/link/kor_rs232.h"
#include "station/link/line_quality.h"

namespace {

LinkStatePayload reported{};  // state 0: nothing reported yet
int link_port = 0;
// Once the port has been reached through its COMn link, a link that is gone means the
// device is gone (a simulator or a udev rule takes its link away with the line): the
// port must not fall back to /dev/ttyS<n-1>, which is another device altogether.
bool through_link = false;
char link_device[PATH_MAX] = "";  // where the port led when it was last opened
unsigned long long link_number = 0;  // and that device's number

bool LinkGone(int port) {
    return through_link && ComLinkState(port, nullptr, 0) == COM_LINK_NONE;
}

// The port's COMn link leads elsewhere than the device that is open: a device chosen in
// Settings, or a link made for a port that had to fall back to /dev/ttyS<n-1>. The open
// device is then the wrong one, however well it works.
bool PortLeadsElsewhere() {
    if (gm_comport <= 0 || link_device[0] == '\0') return false;
    // Looked at every second: one system call while the port still leads to the open
    // device, the path only when that is in doubt.
    if (link_number != 0 && ComPortDeviceNumber(link_port) == link_number) return false;
    if (LinkGone(link_port)) return false;
    char device[PATH_MAX];
    ComPortDevice(link_port, device, sizeof device);
    return strcmp(device, link_device) != 0;
}

// The link is looked at once a second, not on every check of the flags.
constexpr double kDeviceLookSeconds = 1.0;
double next_device_look = 0.0;

bool PortLeadsElsewhereNow() {
    const double now = Timer();
    if (now < next_device_look) return false;
    next_device_look = now + kDeviceLookSeconds;
    return PortLeadsElsewhere();
}

void Report(int32_t state, int32_t reason, uint32_t since) {
    if (reported.state == state && reported.reason == reason && reported.port == link_port)
        return;
    reported = LinkStatePayload{state, link_port, reason, since};
    char device[PATH_MAX];
    if (LinkGone(link_port))
        snprintf(device, sizeof device, "%s", link_device);
    else
        ComPortDevice(link_port, device, sizeof device);
    SendLinkStateRecord(device, &reported);
}

int OpenPort(int port) {
    if (LinkGone(port)) return kComErrNoDevice;
    const int opened = InitCommunication(port);
    if (opened != 0) return opened;
    through_link = ComLinkState(port, nullptr, 0) != COM_LINK_NONE;
    ComPortDevice(port, link_device, sizeof link_device);
    link_number = ComPortDeviceNumber(port);
    return 0;
}

uint32_t UtcNow() { return static_cast<uint32_t>(time(nullptr)); }

int32_t ReasonOf(int open_result) {
    if (open_result == kComErrNoDevice) return LINK_REASON_MISSING;
    if (open_result == kComErrAccess) return LINK_REASON_ACCESS;
    return LINK_REASON_OTHER;
}

// Processes the thread's events (commands queue up, timers tick, quit is seen) until
// the given Timer() instant.
void WaitUntil(double until) {
    while (flag_quit.load() == 0 && Timer() < until) {
        ProcessSystemEvents();
        GiveUpHeldChangeWhenAsked();
    }
}

}  // namespace

void ResetLinkWatch() {
    reported = LinkStatePayload{};
    link_port = 0;
    through_link = false;
    link_device[0] = '\0';
    link_number = 0;
    next_device_look = 0.0;
}

// The user hears of a silent console before the thread gives up on it: the values on
// the screen are no longer live once two reads in a row went unanswered, and should not
// look live while the recovery waits for its own, longer, limit. An answer meanwhile
// takes the word back.
static void NoteSilenceSoFar() {
    if (reported.state != LINK_CONNECTED && reported.state != LINK_SILENT) return;
    const double silent = SecondsConsoleSilent();
    if (silent >= kLinkNoticeSeconds)
        Report(LINK_SILENT, LINK_REASON_NONE, UtcNow() - static_cast<uint32_t>(silent));
    else if (silent == 0.0 && reported.state == LINK_SILENT)
        Report(LINK_CONNECTED, LINK_REASON_NONE, UtcNow());
}

bool LinkMustRecover() {
    NoteSilenceSoFar();
    return KOR_PortLost() || SecondsConsoleSilent() >= kLinkSilentSeconds || PortLeadsElsewhereNow();
}

int OpenPortWhenPresent(int port) {
    link_port = port;
    while (flag_quit.load() == 0) {
        const double attempt = Timer();
        const int opened = OpenPort(port);
        if (opened == 0) return 0;
        Report(LINK_CANNOT_OPEN, ReasonOf(opened), UtcNow());
        WaitUntil(attempt + kLinkRetrySeconds);
    }
    return -1;
}

int IdentifyConsole(uint8_t *id) {
    uint8_t first = 0;
    bool have_first = false;
    while (flag_quit.load() == 0) {
        const double attempt = Timer();
        // Polling stopped because the console went silent: the user hears of it now,
        // not only after the first identification has timed out as well.
        const double silent_before = SecondsConsoleSilent();
        if (silent_before >= kLinkSilentSeconds)
            Report(LINK_SILENT, LINK_REASON_NONE, UtcNow() - static_cast<uint32_t>(silent_before));
        uint8_t read = 0;
        if (KOR_ReadID(&read) == 0) {
            if (!have_first) {
                first = read;
                have_first = true;
                continue;
            }
            if (read == first) {
                *id = read;
                return 0;
            }
            have_first = false;  // two answers that disagree: both are read again
            continue;
        }
        if (KOR_PortLost() || PortLeadsElsewhere()) return -2;
        const double silent = SecondsConsoleSilent();
        if (silent < kLinkSilentSeconds) continue;
        Report(LINK_SILENT, LINK_REASON_NONE, UtcNow() - static_cast<uint32_t>(silent));
        WaitUntil(attempt + kLinkRetrySeconds);
    }
    return -1;
}

void ResumeAfterIdentification(KORData *rec) {
    Report(LINK_CONNECTED, LINK_REASON_NONE, UtcNow());
    int32_t *const poll_timers[] = {
        &rec->clock_poll_timer,        &rec->reception.poll_timer,
        &rec->wind.poll_timer,         &rec->rain.poll_timer,
        &rec->indoor_temp.poll_timer,  &rec->outdoor_temp.poll_timer,
        &rec->indoor_hum.poll_timer,   &rec->outdoor_hum.poll_timer,
        &rec->windchill.poll_timer,    &rec->dewpoint.poll_timer,
        &rec->pressure.poll_timer,     &rec->alarm_enable.poll_timer,
        &rec->alarm_state.poll_timer,
    };
    for (int32_t *timer : poll_timers) *timer = 0;
    // The data sets still to fetch are counted again from the console's header against
    // the file's last data set, so none is fetched twice and none is skipped.
    rec->station_header.header_timer = 0;
    rec->station_header.to_read = 0;
    rec->history_header_valid = 0;
    // An interrupted pass is not resumed: its step may belong to the lost console.
    polling_step = 0;
    polling_resume_step = 0;
    flag_data_due = 1;
}

void PrepareLinkRecovery() {
    flag_KOR_state_machine_busy = 0;
    ResetStationLink();
    // A console that only went silent keeps its radio schedule, and so does the pause
    // plan: the identification asked while waiting must not land in a reception window.
    // A port whose link now leads elsewhere is closed, so that the reopen follows it.
    if (KOR_PortLost()) CountLineFault(LINE_FAULT_CABLE);
    if (!KOR_PortLost() && !PortLeadsElsewhere()) return;
    DisarmReceptionTimer();
    if (flag_reception_pause != 0) {
        flag_reception_pause = 0;
        SendUIRecord(UI_COMMUNICATION_ACTIVE, nullptr, 0);
    }
    EndCommunication();
}
