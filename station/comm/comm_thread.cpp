// The thread function of the communication thread. Everything that reaches the thread
// (serial arrivals, its timers, the command-queue callback) is delivered while it
// processes its events: in its main loop and inside every blocking request. So the
// loop itself only has to look at flags between event batches.
//
// After each batch of events the main loop runs the polling cycle when a group is due
// (or history is still to fetch) and nothing blocks it, then the waiting commands. A
// lost link is not the end of the thread: it is waited out (station/comm/link_watch).
#include "station/comm/comm_thread.h"

#include <ctime>

#include "platform/runtime.h"
#include "station/link/comm_flags.h"
#include "station/comm/comm_lifecycle.h"
#include "station/comm/command_handling.h"
#include "station/comm/link_watch.h"
#include "station/comm/polling_cycle.h"
#include "station/comm/tsq_records.h"
#include "station/data/kor_memory_map.h"
#include "station/link/kor_requests.h"
#include "station/link/line_quality.h"

std::atomic<unsigned> comm_thread_id{0};

static KORData comm_record;

KORData *CommRecord() { return &comm_record; }

// The line's counts to the user interface: on change at most every 10 s, and every
// minute in any case, since the hour slides on.
static void ReportLineQuality(bool now) {
    static double last = -1e9;
    const double t = Timer();
    if (!now && t - last < 10.0) return;
    if (!now && !LineQualityChanged() && t - last < 60.0) return;
    last = t;
    LineQualityPayload payload;
    GetLineQuality(static_cast<uint32_t>(time(nullptr)), &payload);
    SendUIRecord(UI_LINE_QUALITY, &payload, sizeof payload);
}

// With nothing the loop could do now it waits for its timers, the serial line, commands
// and quit, all of which wake it; what it checks by the clock alone (silence, a moved
// link, the disc's retry, the line's report) needs no finer rhythm than this. A steady
// 100 ms rhythm cost a third of the thread's time on an idle console.
constexpr int kIdleRhythmMs = 1000;

// A due group waits out a reception pause or a command: only a timer tick or the end of
// the command lifts those, and either ends the wait anyway.
static bool NothingDue(const KORData *record) {
    if (flag_commands_waiting != 0) return false;
    if (flag_polling_blocked != 0 || flag_reception_pause != 0) return true;
    return flag_data_due == 0 && !HistoryDataSetsDue(record);
}

// Ends when the thread must end or the link must be recovered.
static void RunMainLoop() {
    while (flag_quit.load() == 0) {
        KORData *record = CommRecord();
        if (NothingDue(record))
            ProcessSystemEventsWithin(kIdleRhythmMs);
        else
            ProcessSystemEvents();
        ReportLineQuality(false);
        if (LinkMustRecover()) return;
        if ((flag_data_due != 0 || HistoryDataSetsDue(record)) &&
            flag_polling_blocked == 0 && flag_reception_pause == 0) {
            PollStationData(record);
            flag_first_refresh_loop = 0;
        }
        if (flag_commands_waiting == 1) ReadFromTSQ_to_CSM();
    }
}

// The link's life: open the port (waiting while it cannot be opened), identify the
// console, poll until the link is lost, recover, and again, until the thread must end.
static void RunLink(int port) {
    while (flag_quit.load() == 0) {
        if (OpenPortWhenPresent(port) != 0) return;
        uint8_t id = 0;
        const int identified = IdentifyConsole(&id);
        if (identified == -1) return;
        if (identified == 0) {
            SendUIRecord(UI_STATION_ID, &id, sizeof id);
            SelectKORMemoryMap(id);
            ResumeAfterIdentification(CommRecord());
            ResumeCommands(id);
            RunMainLoop();
        }
        PrepareLinkRecovery();
    }
}

// Handles what is already pending without waiting for more: on the way out nothing new
// is expected, and a wait would only delay the end of the thread.
static void ProcessPendingEvents() {
    SetSleepPolicy(VAL_SLEEP_NONE);
    ProcessSystemEvents();
}

int StateMaschineMain(void *data) {
    auto *record = static_cast<CommThreadRecord *>(data);
    comm_thread_id = CmtGetCurrentThreadID();
    SetSleepPolicy(VAL_SLEEP_MORE);

    flag_KOR_state_machine_busy = 1;
    if (InitStateMaschine(record) < 0) {
        comm_thread_id = 0;
        CmtExitThreadPoolThread(1);
    }
    flag_KOR_state_machine_busy = 0;
    flag_polling_blocked = 0;
    flag_reception_pause = 0;
    record->thread_status = THREAD_RUNNING;

    ResetLineQuality();
    RunLink(record->port);
    ReportLineQuality(true);
    DropHeldCommand();

    flag_polling_blocked = 1;
    FlushMessageInQueue();
    ProcessPendingEvents();
    ClearStateMaschine(record);
    ProcessPendingEvents();
    comm_thread_id = 0;
    return 0;
}
